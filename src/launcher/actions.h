// The menu's two real actions. Each returns 0 or one of main's codes.
#ifndef QUELLMAR_LAUNCHER_ACTIONS_H_
#define QUELLMAR_LAUNCHER_ACTIONS_H_

#include "error_code.h"

// Copies the payload folder "Quellmar" of the current (package) directory to
// C:\Quellmar unless that directory exists, then starts DosBox through
// "dosboxportable.exe" and waits for it.
ErrorCode launch_action();

// Deletes C:\Quellmar with everything in it and confirms on the screen, or
// tells the user that it was not there.
ErrorCode uninstall_action();

#endif  // QUELLMAR_LAUNCHER_ACTIONS_H_
