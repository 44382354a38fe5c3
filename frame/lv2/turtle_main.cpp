// Writes the bundle's Turtle files from the plug-in itself, so they never disagree with it.
#include <cstdio>
#include <fstream>
#include <memory>

#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"
#include "frame/lv2/Lv2Turtle.h"

int main(int argc, char** argv)
{
  if (argc != 6)
  {
    std::fprintf(stderr, "usage: %s BUNDLE_DIR DSP_BINARY UI_BINARY PLUGIN_TTL PRESETS_TTL\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  std::unique_ptr<frame::IFramePlugin> plug(frame::CreatePlugin());
  plug->Initialize("");
  struct File
  {
    std::string name;
    void (*write)(std::ostream&, frame::IFramePlugin&, char**);
  };
  const File files[] = {
    {"manifest.ttl", [](std::ostream& o, frame::IFramePlugin& p, char** a) { frame::lv2::WriteManifest(o, p, a[2], a[3], a[4], a[5]); }},
    {argv[4], [](std::ostream& o, frame::IFramePlugin& p, char**) { frame::lv2::WritePluginTurtle(o, p); }},
    {argv[5], [](std::ostream& o, frame::IFramePlugin& p, char**) { frame::lv2::WritePresets(o, p); }},
  };
  for (const File& f : files)
  {
    const std::string path = dir + "/" + f.name;
    const std::string temp = path + ".tmp";
    {
      std::ofstream out(temp, std::ios::trunc);
      f.write(out, *plug, argv);
      out.flush();
      if (!out)
      {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], temp.c_str());
        return 1;
      }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0)
    {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
      return 1;
    }
  }
  return 0;
}
