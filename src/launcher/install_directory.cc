#include "launcher/install_directory.h"

#include <cwchar>

#include "files/link_safe_files.h"
#include "files/passing_holds.h"
#include "files/reparse_tags.h"
#include "files/tree_walk.h"
#include "launcher/work_directory.h"

namespace {

// The payload's own subdirectories below the installation directory, deepest
// first, as a walk leaves them; files are deleted before.
constexpr const wchar_t* known_subdirectories[] = {
    L"Quellmar.tmp\\4", L"Quellmar.tmp\\3", L"Quellmar.tmp\\2", L"Quellmar.tmp\\1",
    L"Quellmar.tmp",    L"_listing",        L"document",        L"QBASIC",
};

// C:\Quellmar as this action holds it, and its mark.
HANDLE held_folder = INVALID_HANDLE_VALUE;
bool held_for_removal = false;
HANDLE held_mark = INVALID_HANDLE_VALUE;

bool is_passing_obstacle(DWORD error) {
  return is_held(error) || error == ERROR_DIR_NOT_EMPTY;
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

Step delete_installed_file(const TreeVisit& visit, void*) {
  if (is_mark(visit))
    return Step::skip_contents;
  if (visit.phase != Phase::file)
    return Step::go_on;
  return delete_file_in(visit.folder, visit.entry->name) ? Step::go_on : Step::failed;
}

Step remove_known_subdirectory(const TreeVisit& visit, void*) {
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

// Opens C:\Quellmar for |hold|, waiting out a passing hold.
bool hold_install_directory(FolderHold hold) {
  return outlast_passing_holds([hold] {
    held_folder = hold_folder(install_directory, hold);
    return held_folder != INVALID_HANDLE_VALUE;
  });
}

// Holds C:\Quellmar with DELETE access from here on. Its listing handle is
// closed first, since it shares no deletion, not even with this launcher.
// Meanwhile the mark, held inside, keeps Windows from renaming C:\Quellmar,
// and a link put in its place would be refused.
bool hold_for_removal() {
  if (held_for_removal)
    return true;
  if (held_folder != INVALID_HANDLE_VALUE)
    CloseHandle(held_folder);
  held_folder = hold_folder(install_directory, FolderHold::removal);
  held_for_removal = held_folder != INVALID_HANDLE_VALUE;
  return held_for_removal;
}

bool holds_only_the_mark(HANDLE folder) {
  HANDLE listed = reopen_folder(folder);  // listed afresh
  if (listed == INVALID_HANDLE_VALUE)
    return false;
  FolderListing listing;
  if (!close_keeping_error(listed, list_folder(listed, &listing)))
    return false;
  bool empty =
      listing.count == 0 || (listing.count == 1 && is_install_mark(listing.entries[0].name));
  free_listing(&listing);
  if (!empty)
    SetLastError(ERROR_DIR_NOT_EMPTY);
  return empty;
}

bool remove_install_mark() {
  if (held_mark == INVALID_HANDLE_VALUE)
    return true;
  HANDLE mark = held_mark;
  held_mark = INVALID_HANDLE_VALUE;
  // Gone from the folder at once where Windows can, even while a scanner
  // still reads it: a mark still listed would keep later launches out.
  return delete_and_close(mark, NameGoes::at_once);
}

// Removes the held folder, now empty; it goes as its handle closes.
bool remove_held_folder() {
  if (!delete_held_entry(held_folder))
    return false;
  CloseHandle(held_folder);
  held_folder = INVALID_HANDLE_VALUE;
  held_for_removal = false;
  return true;
}

// Leaves C:\Quellmar held for its removal with nothing in it but its mark.
bool empty_but_the_mark(KnownSubdirectories known) {
  if (!hold_for_removal())
    return false;
  if (known == KnownSubdirectories::remove &&
      !walk_tree(held_folder, nullptr, {remove_known_subdirectory, nullptr})) {
    return false;
  }
  return holds_only_the_mark(held_folder);
}

// Moves the held C:\Quellmar, marked, to the work name beside it. The rename
// is one step: before it C:\Quellmar carries its mark, after it there is no
// C:\Quellmar. It goes through the held handle, since a rename by path would
// meet the launcher's own handle; and Windows renames no folder with a handle
// open below it, so the mark's is closed first (the mark stays), and a
// scanner that reads anything in it is waited for.
bool move_to_work_name() {
  if (held_mark != INVALID_HANDLE_VALUE)
    CloseHandle(held_mark);
  held_mark = INVALID_HANDLE_VALUE;
  return outlast_passing_holds([] { return rename_held_folder(held_folder, work_directory); });
}

// Under the work name, the mark goes, then the folder. A reader that held the
// mark across its deletion keeps the folder until it lets go; then it is left
// for the next launch, which removes a work folder that it finds.
void remove_work_folder() {
  switch (take_mark_in(held_folder, &held_mark)) {
    case MarkTaking::taken:
      if (!remove_install_mark())
        return;
      break;
    case MarkTaking::busy:  // another launcher removes it
      return;
    case MarkTaking::none:
      break;
  }
  outlast_passing_holds(remove_held_folder, is_passing_obstacle);
}

bool install_directory_is_gone() {
  if (GetFileAttributesW(install_directory) != INVALID_FILE_ATTRIBUTES) {
    // Made again meanwhile, by another launcher.
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
  }
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
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
  return is_link(entry.dwFileAttributes, entry.dwReserved0) ? InstallState::link
                                                            : InstallState::directory;
}

MarkTaking open_install_directory() {
  if (!hold_install_directory(FolderHold::listing))
    return MarkTaking::busy;
  return take_mark_in(held_folder, &held_mark);
}

bool hold_new_install_directory() {
  // Between the rename and this, a second launcher may take the mark: then it
  // installs, and this one is the one that finds the installation busy. A
  // link put in C:\Quellmar's place meanwhile is refused.
  switch (open_install_directory()) {
    case MarkTaking::taken:
      return true;
    case MarkTaking::busy:
      return false;
    case MarkTaking::none:
      break;
  }
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

bool mark_install_directory() {
  if (!hold_install_directory(FolderHold::listing))
    return false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    switch (take_mark_in(held_folder, &held_mark)) {
      case MarkTaking::taken:
        return true;
      case MarkTaking::busy:
        return false;
      case MarkTaking::none:
        break;
    }
    held_mark = put_mark_in(held_folder);
    if (held_mark != INVALID_HANDLE_VALUE)
      return true;
    // Another launcher put one there at this moment: take it, or find it busy.
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

HANDLE install_directory_handle() {
  return held_folder;
}

bool finish_installation() {
  return remove_install_mark();
}

void close_install_directory() {
  if (held_mark != INVALID_HANDLE_VALUE)
    CloseHandle(held_mark);
  held_mark = INVALID_HANDLE_VALUE;
  if (held_folder != INVALID_HANDLE_VALUE)
    CloseHandle(held_folder);
  held_folder = INVALID_HANDLE_VALUE;
  held_for_removal = false;
}

bool delete_installed_files() {
  return walk_tree(held_folder, nullptr, {delete_installed_file, nullptr});
}

bool remove_install_directory(KnownSubdirectories known) {
  // A link anywhere, or a known subdirectory that stays, keeps the
  // directory; then the last failure is what the report shows.
  if (!outlast_passing_holds([known] { return empty_but_the_mark(known); }, is_passing_obstacle))
    return false;
  // The work name must be free: a work folder that an ended launcher left
  // there goes first; one that a launcher works on keeps C:\Quellmar.
  if (!remove_left_work_directory() || !move_to_work_name())
    return false;
  remove_work_folder();
  return install_directory_is_gone();
}
