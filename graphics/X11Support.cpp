#include "graphics/X11Support.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "graphics/FontRegistry.h"
#include "graphics/Renderer.h"

namespace frame::graphics::x11 {

// ErrorTrap -------------------------------------------------------------------------------

namespace {
ErrorTrap* gInnermost = nullptr;
XErrorHandler gPrevious = nullptr;

void syncIfOutstanding(Display* display)
{
  // A round trip only when something was sent since the server last answered.
  if (NextRequest(display) - 1 > LastKnownRequestProcessed(display))
    XSync(display, False);
}
} // namespace

ErrorTrap::ErrorTrap(Display* display) : mDisplay(display), mOuter(gInnermost)
{
  if (!mOuter)
    gPrevious = XSetErrorHandler(&ErrorTrap::handler);
  gInnermost = this;
}

ErrorTrap::~ErrorTrap()
{
  if (mDisplay)
    syncIfOutstanding(mDisplay);
  gInnermost = mOuter;
  if (!mOuter)
  {
    XSetErrorHandler(gPrevious);
    gPrevious = nullptr;
  }
}

bool ErrorTrap::Failed()
{
  if (mDisplay)
    XSync(mDisplay, False);
  return mErrors > 0;
}

void ErrorTrap::CloseDisplay()
{
  if (!mDisplay)
    return;
  XCloseDisplay(mDisplay);
  mDisplay = nullptr;
}

int ErrorTrap::handler(Display* display, XErrorEvent* error)
{
  for (ErrorTrap* t = gInnermost; t; t = t->mOuter)
    if (t->mDisplay == display)
    {
      ++t->mErrors;
      t->mLastCode = error->error_code;
      return 0;
    }
  return gPrevious ? gPrevious(display, error) : 0;
}

// PutSurface ------------------------------------------------------------------------------

namespace {

int bitsPerPixelForDepth(Display* display, int depth)
{
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int bpp = 0;
  for (int i = 0; formats && i < count; ++i)
    if (formats[i].depth == depth)
      bpp = formats[i].bits_per_pixel;
  if (formats)
    XFree(formats);
  return bpp;
}

bool surfaceWordsFit(Display* display, Visual* visual, int depth)
{
  return visual && (visual->c_class == TrueColor || visual->c_class == DirectColor) &&
         visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
         (depth == 24 || depth == 32) && bitsPerPixelForDepth(display, depth) == 32;
}

unsigned long channelTo(uint32_t value, unsigned long mask)
{
  if (!mask)
    return 0;
  const int shift = std::countr_zero(mask);
  const unsigned long top = mask >> shift;
  return ((value * top + 127) / 255) << shift;
}

} // namespace

void PutSurface(Display* display, Drawable drawable, GC gc, Visual* visual, int depth, const Surface& surface,
                const PixelRect& area)
{
  const PixelRect a = area.Intersect(surface.Bounds());
  if (a.Empty() || !display || !drawable)
    return;

  if (surfaceWordsFit(display, visual, depth))
  {
    XImage image{};
    image.width = surface.Width();
    image.height = surface.Height();
    image.format = ZPixmap;
    // Xlib only reads the data; it converts when the server's byte order differs.
    image.data = reinterpret_cast<char*>(const_cast<uint32_t*>(surface.Data()));
    image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = image.byte_order;
    image.bitmap_pad = 32;
    image.depth = depth;
    image.bytes_per_line = surface.Width() * 4;
    image.bits_per_pixel = 32;
    image.red_mask = visual->red_mask;
    image.green_mask = visual->green_mask;
    image.blue_mask = visual->blue_mask;
    if (XInitImage(&image))
      XPutImage(display, drawable, gc, &image, a.L, a.T, a.L, a.T, static_cast<unsigned>(a.W()),
                static_cast<unsigned>(a.H()));
    return;
  }

  if (!visual || (visual->c_class != TrueColor && visual->c_class != DirectColor))
    return; // palette visuals are not worth supporting any more
  XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(a.W()), static_cast<unsigned>(a.H()), 32, 0);
  if (!image)
    return;
  image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * a.H()));
  if (!image->data)
  {
    XDestroyImage(image);
    return;
  }
  for (int y = a.T; y < a.B; ++y)
  {
    const uint32_t* row = surface.Row(y);
    for (int x = a.L; x < a.R; ++x)
    {
      const uint32_t p = row[x];
      const unsigned long v = channelTo((p >> 16) & 0xFF, visual->red_mask) |
                              channelTo((p >> 8) & 0xFF, visual->green_mask) | channelTo(p & 0xFF, visual->blue_mask);
      XPutPixel(image, x - a.L, y - a.T, v);
    }
  }
  XPutImage(display, drawable, gc, image, 0, 0, a.L, a.T, static_cast<unsigned>(a.W()), static_cast<unsigned>(a.H()));
  XDestroyImage(image);
}

// Fonts -----------------------------------------------------------------------------------

const char* UIFontID()
{
  // The editor registers the bundle's copy under this name; it is the same face.
  static constexpr const char* kEditorFontID = "Roboto-Regular";
  static constexpr const char* kOwnFontID = "mg.x11.roboto";
  if (FontRegistry::Instance().Find(kEditorFontID))
    return kEditorFontID;
  if (FontRegistry::Instance().Find(kOwnFontID))
    return kOwnFontID;

  static bool triedOwn = false;
  if (triedOwn)
    return nullptr;
  triedOwn = true;
  static const char* const kPaths[] = {
    "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf",
    "/usr/share/fonts/truetype/roboto/unhinted/Roboto-Regular.ttf",
    "/usr/share/fonts/truetype/roboto/hinted/Roboto-Regular.ttf",
    "/usr/share/fonts/truetype/roboto/Roboto-Regular.ttf",
    "/usr/share/fonts/TTF/Roboto-Regular.ttf",
    "/usr/share/fonts/google-roboto/Roboto-Regular.ttf",
  };
  for (const char* path : kPaths)
  {
    struct stat st{};
    if (stat(path, &st) == 0 && FontRegistry::Instance().Load(kOwnFontID, path))
      return kOwnFontID;
  }
  return nullptr;
}

// Windows ---------------------------------------------------------------------------------

Window FindTopLevel(Display* display, Window w)
{
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  Window current = w;
  for (int depth = 0; depth < 64; ++depth)
  {
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, current, wmState, 0, 0, False, AnyPropertyType, &type, &format, &n, &after,
                           &data) == Success)
    {
      if (data)
        XFree(data);
      if (type != None)
        return current; // the client window a window manager manages
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, current, &root, &parent, &children, &count))
      return w;
    if (children)
      XFree(children);
    if (parent == root || parent == 0)
      return current; // no window manager: the child of the root is the top level
    current = parent;
  }
  return w;
}

void ReleaseWindow(Display* display, Window& window, GC& gc)
{
  if (gc)
    XFreeGC(display, gc);
  gc = nullptr;
  if (window)
    XDestroyWindow(display, window);
  window = 0;
}

void SetWindowTitle(Display* display, Window w, const char* title)
{
  const char* t = title ? title : "";
  XStoreName(display, w, t);
  XChangeProperty(display, w, XInternAtom(display, "_NET_WM_NAME", False), XInternAtom(display, "UTF8_STRING", False),
                  8, PropModeReplace, reinterpret_cast<const unsigned char*>(t), static_cast<int>(std::strlen(t)));
}

void SetWindowType(Display* display, Window w, const char* netWmWindowType)
{
  const Atom type = XInternAtom(display, netWmWindowType, False);
  XChangeProperty(display, w, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&type), 1);
}

void DrawWindowFrame(Renderer& r, int width, int height)
{
  r.Clear(theme::kBackground);
  r.DrawRect(theme::kBorder, IRECT(0.f, 0.f, static_cast<float>(width), static_cast<float>(height)));
}

} // namespace frame::graphics::x11
