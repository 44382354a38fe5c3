#include "apps/jack/StartError.h"

#include <cstdlib>

#include "graphics/X11MessageBox.h"

namespace app {

void ShowStartError(const std::string& title, const std::string& message)
{
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display)
    return;
  frame::graphics::X11MessageBox box(nullptr, 0, message.c_str(), title.c_str(), frame::graphics::kMB_OK);
  box.Run();
}

} // namespace app
