#include "launcher/install_directory.h"

#include <windows.h>

#include <cwchar>

#include "launcher/link_safe_files.h"
#include "launcher/tree_walk.h"

namespace {

// The payload's own subdirectories below the installation directory, deepest
// first, as a walk leaves them; files are deleted before.
constexpr const wchar_t* known_subdirectories[] = {
    L"Quellmar.tmp\\4", L"Quellmar.tmp\\3", L"Quellmar.tmp\\2", L"Quellmar.tmp\\1",
    L"Quellmar.tmp",    L"_listing",        L"document",        L"QBASIC",
};

// A scanner, the indexer or Explorer often holds a folder or file for a moment
// after it changed, and a deleted file stays pending until that handle closes.
constexpr DWORD removal_patience_ms = 2000;
constexpr DWORD removal_pause_ms = 100;

bool is_passing_obstacle(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_DIR_NOT_EMPTY;
}

bool is_known_subdirectory(const TreeVisit& visit) {
  for (const wchar_t* known : known_subdirectories) {
    if (same_name({visit.path, visit.path_length}, {known, std::wcslen(known)}))
      return true;
  }
  return false;
}

Step delete_installed_file(const TreeVisit& visit) {
  if (visit.phase == Phase::file && !delete_file_in(visit.folder, visit.entry->name))
    return Step::failed;
  return Step::go_on;
}

Step remove_known_subdirectory(const TreeVisit& visit) {
  if (visit.phase == Phase::link) {
    SetLastError(link_in_the_way);
    return Step::failed;
  }
  if (visit.phase == Phase::leaving_folder && is_known_subdirectory(visit))
    remove_subfolder(visit.folder, visit.entry->name);  // only when empty
  return Step::go_on;
}

// Walks the installation directory with |visitor|.
bool walk_installation(TreeVisitor visitor) {
  HANDLE installed = open_folder(install_directory, LinkAtPath::refuse);
  if (installed == INVALID_HANDLE_VALUE)
    return false;
  bool complete = walk_tree(installed, nullptr, visitor);
  DWORD error = GetLastError();
  CloseHandle(installed);
  SetLastError(error);
  return complete;
}

}  // namespace

InstallState probe_install_directory() {
  WIN32_FIND_DATAW entry;
  HANDLE probe = FindFirstFileW(install_directory, &entry);
  if (probe == INVALID_HANDLE_VALUE)
    return InstallState::absent;
  FindClose(probe);
  if (!is_folder(entry.dwFileAttributes))
    return InstallState::file;
  return is_link(entry.dwFileAttributes) ? InstallState::link : InstallState::directory;
}

bool delete_installed_files() {
  return walk_installation(delete_installed_file);
}

bool remove_install_directory() {
  for (DWORD waited = 0;; waited += removal_pause_ms) {
    // A link anywhere, or a known subdirectory that stays, keeps the
    // directory; then the last failure is what the report shows.
    if (walk_installation(remove_known_subdirectory) && remove_folder(install_directory))
      return true;
    if (!is_passing_obstacle(GetLastError()) || waited >= removal_patience_ms)
      return false;
    Sleep(removal_pause_ms);
  }
}
