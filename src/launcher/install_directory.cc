#include "launcher/install_directory.h"

#include <windows.h>

#include <cwchar>

namespace {

// Long paths below the directory must not stop the removal, so the walk uses
// the "\\?\" form, which allows the system's full path length.
constexpr std::size_t tree_path_units = 32768;

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

bool is_dot_entry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// |path| holds the directory (in a buffer of tree_path_units) and is
// restored before returning.
bool remove_tree_at(wchar_t* path) {
  std::size_t length = std::wcslen(path);
  if (length + 3 >= tree_path_units)
    return false;
  std::wcscpy(path + length, L"\\*");

  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(path, &entry);
  bool removed = true;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (is_dot_entry(entry.cFileName))
        continue;
      std::size_t name_length = std::wcslen(entry.cFileName);
      if (length + 1 + name_length >= tree_path_units) {
        removed = false;
        continue;
      }
      path[length + 1] = L'\0';
      std::wcscat(path, entry.cFileName);
      DWORD attributes = entry.dwFileAttributes;
      if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
      }
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        removed = remove_tree_at(path) && removed;
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        removed = RemoveDirectoryW(path) && removed;  // the link only
      } else {
        removed = DeleteFileW(path) && removed;
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  path[length] = L'\0';
  return RemoveDirectoryW(path) && removed;
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

bool remove_directory_tree(const wchar_t* directory) {
  wchar_t* path = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, tree_path_units * 2));
  if (path == nullptr)
    return false;
  std::wcscpy(path, L"\\\\?\\");
  bool removed = false;
  if (std::wcslen(directory) + 4 < tree_path_units) {
    std::wcscat(path, directory);
    removed = remove_tree_at(path);
  }
  HeapFree(GetProcessHeap(), 0, path);
  return removed;
}
