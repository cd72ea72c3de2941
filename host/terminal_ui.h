// The calculator in the terminal: the device's screen, redrawn after every
// key, and a legend of the keyboard keys.
#pragma once

namespace tqhost {

// Runs until the user quits. Returns the exit status.
int RunTerminal(int mode);

}  // namespace tqhost
