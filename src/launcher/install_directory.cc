#include "launcher/install_directory.h"

#include <windows.h>

namespace {

// The payload's own subdirectories, deepest first; the delete command removes
// files only.
constexpr const wchar_t* known_subdirectories[] = {
    L"C:\\Quellmar\\Quellmar.tmp\\4", L"C:\\Quellmar\\Quellmar.tmp\\3",
    L"C:\\Quellmar\\Quellmar.tmp\\2", L"C:\\Quellmar\\Quellmar.tmp\\1",
    L"C:\\Quellmar\\Quellmar.tmp",    L"C:\\Quellmar\\_listing",
    L"C:\\Quellmar\\document",        L"C:\\Quellmar\\QBASIC",
};

// A scanner, the indexer or Explorer often holds a folder or file for a moment
// after it changed, and a deleted file stays pending until that handle closes.
constexpr DWORD removal_patience_ms = 2000;
constexpr DWORD removal_pause_ms = 100;

bool is_passing_obstacle(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_DIR_NOT_EMPTY;
}

}  // namespace

InstallState probe_install_directory() {
  WIN32_FIND_DATAW entry;
  HANDLE probe = FindFirstFileW(install_directory, &entry);
  if (probe == INVALID_HANDLE_VALUE)
    return InstallState::absent;
  FindClose(probe);
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? InstallState::directory
                                                             : InstallState::file;
}

bool remove_install_directory() {
  for (DWORD waited = 0;; waited += removal_pause_ms) {
    for (const wchar_t* subdirectory : known_subdirectories)
      RemoveDirectoryW(subdirectory);
    if (RemoveDirectoryW(L"c:\\Quellmar"))
      return true;
    // An unknown subdirectory or a file held for good stays; then the last
    // failure is what the report shows.
    if (!is_passing_obstacle(GetLastError()) || waited >= removal_patience_ms)
      return false;
    Sleep(removal_pause_ms);
  }
}
