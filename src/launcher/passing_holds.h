// How long the launcher waits out a passing hold on a file or folder.
#ifndef QUELLMAR_LAUNCHER_PASSING_HOLDS_H_
#define QUELLMAR_LAUNCHER_PASSING_HOLDS_H_

#include <windows.h>

// A scanner, the indexer or Explorer often holds a file or folder for a moment
// after it changed, and a deleted one stays pending until that handle closes:
// the launcher tries again for about two seconds before it gives up.
constexpr DWORD passing_hold_patience_ms = 2000;
constexpr DWORD passing_hold_pause_ms = 100;

#endif  // QUELLMAR_LAUNCHER_PASSING_HOLDS_H_
