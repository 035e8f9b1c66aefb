// Trying again while a file or folder is held for a moment.
#ifndef QUELLMAR_FILES_RETRY_H_
#define QUELLMAR_FILES_RETRY_H_

#include <windows.h>

// A scanner, the indexer or Explorer often holds a file or folder for a moment
// after it changed, and a deleted one stays pending until that handle closes:
// an attempt is made again for about two seconds before it gives up.
constexpr DWORD retry_patience_ms = 2000;
constexpr DWORD retry_pause_ms = 100;

// What such a hold answers: the entry is open without the sharing asked for,
// or it is being deleted (Windows refuses to open a file whose deletion is
// pending with ERROR_ACCESS_DENIED).
inline bool is_held(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Runs |attempt| until it returns true, or until it fails with a last-error
// value that |worth_retrying| does not take for a passing hold, or about two
// seconds have passed; the last attempt's result and last-error value stand.
template <typename Attempt, typename WorthRetrying = bool (*)(DWORD)>
bool retry(Attempt attempt, WorthRetrying worth_retrying = is_held) {
  for (DWORD waited = 0;; waited += retry_pause_ms) {
    if (attempt())
      return true;
    if (!worth_retrying(GetLastError()) || waited >= retry_patience_ms)
      return false;
    Sleep(retry_pause_ms);
  }
}

#endif  // QUELLMAR_FILES_RETRY_H_
