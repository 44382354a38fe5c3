// mistlegrove-artwork: draws the editor's bitmaps (back.png, knob.png, switch.png,
// stages.png) into a folder, and optionally a preview of the assembled editor.
#include <cstdio>
#include <cstring>
#include <string>

#include "Artwork.h"
#include "Preview.h"
#include "Shapes.h"

#ifndef MG_ROBOTO_DIR
#define MG_ROBOTO_DIR "/usr/share/fonts/truetype/roboto/unhinted"
#endif

namespace {

int usage()
{
  std::fprintf(stderr, "usage: mistlegrove-artwork OUTPUT_FOLDER [--fonts ROBOTO_DIR] [--preview FILE.png]\n");
  return 2;
}

bool write(const artwork::Picture& s, const std::string& path)
{
  if (!artwork::WritePng(s, path))
  {
    std::fprintf(stderr, "mistlegrove-artwork: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s (%d x %d)\n", path.c_str(), s.width, s.height);
  return true;
}

bool writeSurface(const frame::graphics::Surface& s, const std::string& path)
{
  return write(artwork::Picture{s.Width(), s.Height(), s.ToStraightRGBA()}, path);
}

// "a/b.png" -> "a/b-half.png"
std::string halfName(const std::string& path)
{
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return path + "-half";
  return path.substr(0, dot) + "-half" + path.substr(dot);
}

} // namespace

int main(int argc, char** argv)
{
  std::string out, fonts = MG_ROBOTO_DIR, preview;
  for (int i = 1; i < argc; ++i)
  {
    if (!std::strcmp(argv[i], "--fonts") && i + 1 < argc)
      fonts = argv[++i];
    else if (!std::strcmp(argv[i], "--preview") && i + 1 < argc)
      preview = argv[++i];
    else if (argv[i][0] == '-' || !out.empty())
      return usage();
    else
      out = argv[i];
  }
  if (out.empty())
    return usage();

  std::string error;
  if (!artwork::RegisterFonts(fonts, error))
  {
    std::fprintf(stderr, "mistlegrove-artwork: %s\n", error.c_str());
    return 1;
  }

  const artwork::Picture back = artwork::MakeBackground();
  const artwork::Picture knob = artwork::MakeKnob();
  const artwork::Picture sw = artwork::MakeSwitch();
  const artwork::Picture stages = artwork::MakeStages();
  const std::string dir = out.back() == '/' ? out : out + "/";
  if (!write(back, dir + "back.png") || !write(knob, dir + "knob.png") || !write(sw, dir + "switch.png") ||
      !write(stages, dir + "stages.png"))
    return 1;

  if (!preview.empty())
  {
    const artwork::PreviewState state;
    if (!writeSurface(artwork::ComposePreview(back, knob, sw, stages, state, 1.f), preview) ||
        !writeSurface(artwork::ComposePreview(back, knob, sw, stages, state, 0.5f), halfName(preview)))
      return 1;
  }
  return 0;
}
