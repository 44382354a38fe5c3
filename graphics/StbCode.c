/* stb's image reader, PNG writer and font rasteriser, compiled into the project from Debian's
 * headers: the shipped binaries then need no libstb, which few distributions have. */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <stb/stb_truetype.h>
