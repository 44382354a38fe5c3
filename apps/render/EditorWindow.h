#pragma once

#include <string>

#include "apps/render/PluginHost.h"

namespace render {

/** Opens a VST 3 plug-in's editor (its controller's createView) in a top-level window of
 *  its own and returns when the user closes it. Called with processing started: edits made
 *  in the editor reach the processor through the host's queue, and a call of
 *  host.Process(0, ...) now and then carries them over meanwhile, so that what the plug-in
 *  learns only in processing (value texts that follow a switch) shows in the editor too.
 *  False with a one-line reason when no window can be opened. Main thread. */
bool RunEditorWindow(PluginHost& host, std::string& error);

} // namespace render
