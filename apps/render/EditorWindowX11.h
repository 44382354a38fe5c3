#pragma once

#include <functional>
#include <string>

namespace Steinberg {
class IPlugView;
}

namespace render {

/** How often RunEditorWindow lets the host carry the editor's edits to the processor. */
constexpr int kEditorIdleMs = 50;

/** The window behind RunEditorWindow, for any plug-in view: a top-level X11 window of the
 *  view's size on a connection of its own, this host as the view's plug frame (resize
 *  requests resize the window) and as its Linux run loop (a poll() loop on the calling
 *  thread serves the view's timers and descriptors with the window's own connection).
 *  idle, when given, runs every kEditorIdleMs on the same loop, at a wake-up the view's own
 *  timers cause where they can (so at most a period late). Returns when the user
 *  closes the window, after removed(); false with a one-line reason when there is no
 *  display or the view refuses the window. The caller keeps its reference to the view. */
bool RunEditorView(Steinberg::IPlugView* view, const std::string& title, const std::function<void()>& idle,
                   std::string& error);

} // namespace render
