#pragma once

#include <functional>
#include <memory>
#include <string>

#include "editor/IGraphics.h"

namespace frame::graphics {

using PlatformViewFactory = std::function<std::unique_ptr<IPlatformView>()>;

/** Installs the platform every context made by MakeGraphics gets (the X11 view in the
 *  plug-in). Without one, or after passing null, contexts are offscreen. Main thread. */
void SetPlatformViewFactory(PlatformViewFactory factory);

/** The resource folder given to every context made by MakeGraphics (the bundle's
 *  Contents/Resources). */
void SetDefaultResourcePath(const std::string& path);
std::string GetDefaultResourcePath();

/** A context for the delegate with the installed platform and the default resource
 *  folder; a delegate that is a plug-in also gives its bundle identifier and name. Null
 *  when the installed factory makes no platform. The caller owns the result. */
IGraphics* MakeGraphics(IGEditorDelegate& delegate, int width, int height, int fps, float scale);

} // namespace frame::graphics
