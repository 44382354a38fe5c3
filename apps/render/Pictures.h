#pragma once

#include <string>
#include <vector>

#include "apps/render/PluginHost.h"

namespace render {

/** Refuses, before any work is done, a picture too small to draw or a path it could not
 *  be written to; also loads the pictures' font. One-line reasons. */
bool PreparePicture(const std::string& path, int width, int height, const std::string& bundle, std::string& error);

/** What the title says: the plug-in, the preset or preset file (or that none was chosen),
 *  bypass, and every parameter a user sets as the plug-in shows it. */
std::string PictureHeading(const std::string& what, const PluginHost& host, bool presetChosen, bool bypassed,
                           const std::string& presetFile = {});
std::vector<std::string> SettingsTexts(const PluginHost& host);

/** Measures the response of the started, set-up plug-in and writes its picture. */
bool WriteResponsePicture(PluginHost& host, const ProcessSettings& settings, const std::string& path, int width,
                          int height, const std::string& heading, std::string& error);

} // namespace render
