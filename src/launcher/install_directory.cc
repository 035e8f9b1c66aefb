#include "launcher/install_directory.h"

#include <windows.h>

#include <cwchar>

#include "launcher/install_mark.h"
#include "launcher/link_safe_files.h"
#include "launcher/passing_holds.h"
#include "launcher/tree_walk.h"

namespace {

// The payload's own subdirectories below the installation directory, deepest
// first, as a walk leaves them; files are deleted before.
constexpr const wchar_t* known_subdirectories[] = {
    L"Quellmar.tmp\\4", L"Quellmar.tmp\\3", L"Quellmar.tmp\\2", L"Quellmar.tmp\\1",
    L"Quellmar.tmp",    L"_listing",        L"document",        L"QBASIC",
};

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

// The mark goes last, once nothing else is left; it is not entered either.
bool is_mark(const TreeVisit& visit) {
  return is_install_mark({visit.path, visit.path_length});
}

Step delete_installed_file(const TreeVisit& visit) {
  if (is_mark(visit))
    return Step::skip_contents;
  if (visit.phase != Phase::file)
    return Step::go_on;
  return delete_file_in(visit.folder, visit.entry->name) ? Step::go_on : Step::failed;
}

Step remove_known_subdirectory(const TreeVisit& visit) {
  if (is_mark(visit))
    return Step::skip_contents;
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
  return walk_tree_at(install_directory, LinkAtPath::refuse, nullptr, visitor);
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

bool remove_empty_install_directory() {
  HANDLE installed = open_folder(install_directory, LinkAtPath::refuse);
  if (installed == INVALID_HANDLE_VALUE)
    return false;
  FolderListing listing;
  bool listed = list_folder(installed, &listing);
  DWORD error = GetLastError();
  CloseHandle(installed);
  if (!listed) {
    SetLastError(error);
    return false;
  }
  bool empty =
      listing.count == 0 || (listing.count == 1 && is_install_mark(listing.entries[0].name));
  free_listing(&listing);
  if (!empty) {
    SetLastError(ERROR_DIR_NOT_EMPTY);
    return false;
  }
  return remove_install_mark() && remove_folder(install_directory);
}

bool remove_install_directory() {
  for (DWORD waited = 0;; waited += passing_hold_pause_ms) {
    // A link anywhere, or a known subdirectory that stays, keeps the
    // directory; then the last failure is what the report shows.
    if (walk_installation(remove_known_subdirectory) && remove_empty_install_directory())
      return true;
    if (!is_passing_obstacle(GetLastError()) || waited >= passing_hold_patience_ms)
      return false;
    Sleep(passing_hold_pause_ms);
  }
}
