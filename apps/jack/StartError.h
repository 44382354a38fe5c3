#pragma once

#include <string>

namespace app {

/** Shows why the application cannot start in a message box of its own and waits for the
 *  user to close it: started from a desktop menu, nobody reads its stderr. Nothing happens
 *  without a display. Main thread. */
void ShowStartError(const std::string& title, const std::string& message);

} // namespace app
