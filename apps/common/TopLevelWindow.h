#pragma once

#include <cstdint>
#include <string>

namespace app {

/** A top-level X11 window on a connection of its own, for a plug-in's editor to open in:
 *  titled, of the editor's size (held there unless resizable), and closed by the window
 *  manager's close button or by being destroyed from outside. Shared by the programs that
 *  show an editor in a window of their own. Main thread. */
class TopLevelWindow
{
public:
  TopLevelWindow() = default;
  ~TopLevelWindow() { Close(); }
  TopLevelWindow(const TopLevelWindow&) = delete;
  TopLevelWindow& operator=(const TopLevelWindow&) = delete;

  /** Opens and maps the window. False with a one-line reason when there is no display. */
  bool Open(const std::string& title, int width, int height, bool resizable, std::string& error);
  /** Destroys the window (unless destroyed from outside) and closes the connection. */
  void Close();

  /** The window's id, for an editor to open in. */
  uintptr_t Handle() const;
  /** The connection's descriptor, to wait on for events. */
  int Fd() const;
  /** Events read from the connection but not yet handled: no wait for the descriptor then. */
  bool EventsQueued() const;
  /** Handles every pending event; true once the user has closed the window. */
  bool ReadEvents();
  bool Closed() const { return mClosed; }
  /** Resizes the window (and holds it at the size unless resizable). False once destroyed. */
  bool Resize(int width, int height);

private:
  void HoldSize(int width, int height);

  struct Native;
  Native* mNative = nullptr;
  bool mResizable = false;
  bool mClosed = false;
};

} // namespace app
