// The menu's two real actions. Each returns 0 or one of main's codes.
#ifndef QUELLMAR_LAUNCHER_ACTIONS_H_
#define QUELLMAR_LAUNCHER_ACTIONS_H_

#include "error_code.h"

// Copies the payload folder "Quellmar" of the current (package) directory to
// C:\Quellmar when that directory does not exist, or when a launcher left it
// unfinished, and checks the copy; then starts DosBox through
// "dosboxportable.exe" and waits for it. A finished installation is started
// as it is.
ErrorCode launch_action();

// Deletes C:\Quellmar with everything in it and confirms on the screen, or
// tells the user that it was not there.
ErrorCode uninstall_action();

#endif  // QUELLMAR_LAUNCHER_ACTIONS_H_
