// How long a passing hold on a file or folder is waited out.
#ifndef QUELLMAR_FILES_PASSING_HOLDS_H_
#define QUELLMAR_FILES_PASSING_HOLDS_H_

#include <windows.h>

// A scanner, the indexer or Explorer often holds a file or folder for a moment
// after it changed, and a deleted one stays pending until that handle closes:
// an attempt is made again for about two seconds before it gives up.
constexpr DWORD passing_hold_patience_ms = 2000;
constexpr DWORD passing_hold_pause_ms = 100;

// What such a hold answers: the entry is open without the sharing asked for,
// or it is being deleted (Windows refuses to open a file whose deletion is
// pending with ERROR_ACCESS_DENIED).
inline bool is_held(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Runs |attempt| until it returns true, or until it fails with a last-error
// value that |passing| does not count as a passing hold, or about two seconds
// have passed; the last attempt's result and last-error value stand.
template <typename Attempt>
bool outlast_passing_holds(Attempt attempt, bool (*passing)(DWORD) = is_held) {
  for (DWORD waited = 0;; waited += passing_hold_pause_ms) {
    if (attempt())
      return true;
    if (!passing(GetLastError()) || waited >= passing_hold_patience_ms)
      return false;
    Sleep(passing_hold_pause_ms);
  }
}

#endif  // QUELLMAR_FILES_PASSING_HOLDS_H_
