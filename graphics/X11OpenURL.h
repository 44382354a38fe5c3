#pragma once

namespace frame::graphics {

/** Hands a web address or a file path to the desktop's opener (xdg-open) and returns
 *  without waiting for it. The opener runs detached from the host, in a session of its own,
 *  with none of the host's file descriptors beyond the standard ones, so closing the host
 *  does not close the browser and nothing of ours is left as a zombie. False when the
 *  address is empty or no opener can be started. */
bool OpenWithDesktop(const char* urlOrPath);

} // namespace frame::graphics
