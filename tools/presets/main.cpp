// mistlegrove-presets <folder>: writes the factory presets as VST 3 preset files, one per
// program, named after it, into <folder>/<vendor>/<plug-in>/ (as hosts' presets folders hold
// them), from the plug-in itself: each holds the state the plug-in saves with that program
// recalled, under the plug-in's class.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "base/source/fobject.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"

#include "frame/Descriptor.h"
#include "frame/IFramePlugin.h"

using namespace Steinberg;

namespace {
// A name as a file name: nothing that would leave the folder or hide the file.
std::string fileNameOf(const char* name)
{
  std::string s;
  for (const char* p = name; *p; ++p)
    s += (*p == '/' || *p == '\\' || static_cast<unsigned char>(*p) < 0x20) ? '-' : *p;
  if (s.empty() || s[0] == '.')
    s.insert(0, "Preset ");
  return s + ".vstpreset";
}

bool writePreset(const std::string& path, const FUID& classId, const frame::IByteChunk& state)
{
  MemoryStream component;
  int32 written = 0;
  if (component.write(const_cast<uint8_t*>(state.GetData()), state.Size(), &written) != kResultOk || written != state.Size())
    return false;
  component.seek(0, IBStream::kIBSeekSet, nullptr);
  IBStream* file = Vst::FileStream::open(path.c_str(), "wb");
  if (!file)
    return false;
  const bool saved = Vst::PresetFile::savePreset(file, classId, &component);
  file->release();
  return saved;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const frame::Descriptor& d = frame::PluginDescriptor();
  const FUID classId(d.classId[0], d.classId[1], d.classId[2], d.classId[3]);
  const std::string folder = std::string(argv[1]) + "/" + d.vendor + "/" + d.name;
  for (const std::string& f : {std::string(argv[1]) + "/" + d.vendor, folder})
    if (::mkdir(f.c_str(), 0755) != 0 && errno != EEXIST)
    {
      std::fprintf(stderr, "%s: could not make %s\n", argv[0], f.c_str());
      return 1;
    }
  std::unique_ptr<frame::IFramePlugin> plug(frame::CreatePlugin());
  plug->Initialize("");
  for (int i = 0; i < plug->NPresets(); ++i)
  {
    frame::IByteChunk state;
    const std::string path = folder + "/" + fileNameOf(plug->GetPresetName(i));
    if (!plug->RestorePreset(i) || !plug->SaveState(state) || !writePreset(path, classId, state))
    {
      std::fprintf(stderr, "%s: could not write %s\n", argv[0], path.c_str());
      std::remove(path.c_str());
      return 1;
    }
  }
  return 0;
}
