#include "apps/render/Pictures.h"

#include <sys/stat.h>
#include <unistd.h>

#include "apps/render/Plot.h"
#include "apps/render/Response.h"
#include "apps/render/ResponsePicture.h"

#ifndef MG_RENDER_FONT
#define MG_RENDER_FONT "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf"
#endif

namespace render {

namespace {

constexpr int kCyclePoints = 8;

std::string Folder(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// The system's Roboto where it is installed, else the copy the plug-in carries for its editor.
std::string FontFor(const std::string& bundle)
{
  if (access(MG_RENDER_FONT, R_OK) == 0 || bundle.empty())
    return MG_RENDER_FONT;
  const std::string clap = ".clap";
  if (bundle.size() > clap.size() && bundle.compare(bundle.size() - clap.size(), clap.size(), clap) == 0)
    return bundle.substr(0, bundle.size() - clap.size()) + ".resources/Roboto-Regular.ttf";
  return bundle + "/Contents/Resources/Roboto-Regular.ttf";
}

} // namespace

bool PreparePicture(const std::string& path, int width, int height, const std::string& bundle, std::string& error)
{
  if (width < Plot::kMinWidth || height < Plot::kMinHeight)
  {
    error = "a picture of " + std::to_string(width) + " x " + std::to_string(height) + " is too small to draw (at least " +
            std::to_string(Plot::kMinWidth) + " x " + std::to_string(Plot::kMinHeight) + ")";
    return false;
  }
  struct stat st{};
  const std::string folder = Folder(path);
  if (path.back() == '/' || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
  {
    error = "the picture '" + path + "' names a folder";
    return false;
  }
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || access(folder.c_str(), W_OK | X_OK) != 0)
  {
    error = "cannot write the picture '" + path + "': its folder is missing or not writable";
    return false;
  }
  return Plot::LoadFont(FontFor(bundle), error);
}

std::string PictureHeading(const std::string& what, const PluginHost& host, bool presetChosen, bool bypassed,
                           const std::string& presetFile)
{
  std::string heading = what + " " + host.Description().name;
  for (const PluginParam& p : host.Params())
    if (presetChosen && (p.flags & kParamProgramChange))
      heading += ", preset " + host.ValueText(p.id);
  if (!presetFile.empty())
    heading += ", preset file " + presetFile.substr(presetFile.find_last_of('/') + 1);
  else if (!presetChosen)
    heading += ", start-up values";
  return bypassed ? heading + ", bypassed" : heading;
}

std::vector<std::string> SettingsTexts(const PluginHost& host)
{
  std::vector<std::string> items;
  for (const PluginParam& p : host.Params())
    if (!(p.flags & (kParamProgramChange | kParamReadOnly | kParamBypass)))
      items.push_back(p.title + " " + host.ValueText(p.id));
  return items;
}

bool WriteResponsePicture(PluginHost& host, const ProcessSettings& settings, const std::string& path, int width,
                          int height, const std::string& heading, std::string& error)
{
  Response response;
  return MeasureResponse(host, settings, kCyclePoints, response, error) &&
         WritePicture(DrawResponsePicture(width, height, response, heading, SettingsTexts(host)), path, error);
}

} // namespace render
