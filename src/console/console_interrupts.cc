#include "console/console_interrupts.h"

#include <windows.h>

namespace {

// A handler of the launcher's own, not SetConsoleCtrlHandler(nullptr, TRUE):
// that would be inherited, and the copy it should end would ignore the keys
// too.
BOOL WINAPI outlast_interrupt(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

void hold_console_interrupts() {
  SetConsoleCtrlHandler(outlast_interrupt, TRUE);
}

void release_console_interrupts() {
  SetConsoleCtrlHandler(outlast_interrupt, FALSE);
}
