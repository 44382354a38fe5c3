#include "apps/render/EditorWindow.h"

namespace render {

// The build without a window system: the option exists, the window does not.
bool RunEditorWindow(PluginHost&, std::string& error)
{
  error = "this build of the program has no editor window";
  return false;
}

} // namespace render
