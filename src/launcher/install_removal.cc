// Deleting an installation: its files for the uninstall, then C:\Quellmar
// itself, for the uninstall and after a failed copy. This is the code that
// deletes on the user's PC, and each threat it meets is met so:
//
// - A link planted in C:\Quellmar (a junction to somebody's documents, which
//   any user may make): every folder is opened through the handle of the one
//   above it and never through a link, and a link is neither entered nor
//   removed; it keeps C:\Quellmar, which is reported (link_in_the_way).
// - C:\Quellmar renamed away and a link or another folder put in its place:
//   it is held without FILE_SHARE_DELETE from the moment the action opens it,
//   and DELETE access is asked for only for the removal itself.
// - A program that holds a file or folder (a command window, DosBox, a
//   scanner for a moment): each step, and each file's deletion, waits about
//   two seconds for a passing hold, then stops and says why; nothing is left
//   half-done but what the report names.
// - A launcher ended at any moment, by a closed window or a power cut: until
//   C:\Quellmar is gone it carries its mark, so that no launch starts it as a
//   finished installation; it goes from there in one step, a rename to the
//   work name beside it.
// - A reader that holds the mark across its deletion (the indexer, a virus
//   scanner, Explorer: reading attributes, which no share mode keeps out): it
//   keeps the deleted mark listed and its folder in place for as long as it
//   likes. So the mark is deleted only after the rename, in the work folder,
//   which the next launch removes if it is left; and where Windows can, its
//   name goes at once.
// - Read-only files and folders, and files with other names elsewhere:
//   deleted all the same, and another name keeps its read-only attribute
//   (see delete_held_entry).
// - Another launcher at work on the same installation, or on the work folder:
//   their marks are held without sharing, and the one that finds a mark in use
//   touches nothing.
#include <cwchar>

#include "files/retry.h"
#include "files/tree_walk.h"
#include "launcher/install_directory.h"
#include "launcher/payload_tree.h"
#include "launcher/work_directory.h"

namespace {

// The payload's own subdirectories below the installation directory, deepest
// first, as a walk leaves them; files are deleted before.
constexpr const wchar_t* known_subdirectories[] = {
    L"Quellmar.tmp\\4", L"Quellmar.tmp\\3", L"Quellmar.tmp\\2", L"Quellmar.tmp\\1",
    L"Quellmar.tmp",    L"_listing",        L"document",        L"QBASIC",
};

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

// A keeper folder that a launcher cut off left in a payload folder is the
// launcher's own and goes when empty; what somebody else put into it is not
// the installation's, and keeps it, as any folder that is not the payload's.
bool is_keeper_folder(const TreeVisit& visit) {
  return visit.phase != Phase::file && is_keeper_name(visit.entry->name);
}

Step delete_installed_file(const TreeVisit& visit, void*) {
  if (is_mark(visit) || is_keeper_folder(visit))
    return Step::skip_contents;
  if (visit.phase != Phase::file)
    return Step::go_on;
  bool deleted = retry([&visit] { return delete_file_in(visit.folder, *visit.entry); });
  // One that went meanwhile, or whose pending deletion was waited out, is gone.
  return deleted || GetLastError() == ERROR_FILE_NOT_FOUND ? Step::go_on : Step::failed;
}

Step remove_known_subdirectory(const TreeVisit& visit, void*) {
  if (is_mark(visit))
    return Step::skip_contents;
  if (visit.phase == Phase::link) {
    SetLastError(link_in_the_way);
    return Step::failed;
  }
  if (visit.phase == Phase::leaving_folder &&
      (is_known_subdirectory(visit) || is_keeper_folder(visit)))
    remove_subfolder(visit.folder, visit.entry->name);  // only when empty
  return Step::go_on;
}

bool holds_only_the_mark(HANDLE folder) {
  FileHandle listed = reopen_folder(folder);  // listed afresh
  FolderListing listing;
  if (!listed || !list_folder(listed.get(), &listing))
    return false;
  bool empty = listing.count() == 0 || (listing.count() == 1 && is_install_mark(listing[0].name));
  if (!empty)
    SetLastError(ERROR_DIR_NOT_EMPTY);
  return empty;
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

bool InstallDirectory::delete_files() {
  return walk_tree(folder_.get(), {delete_installed_file, nullptr});
}

bool InstallDirectory::remove(Removal removal) {
  // A link anywhere, or a known subdirectory that stays, keeps the
  // directory; then the last failure is what the report shows.
  if (!retry([this, removal] { return empty_but_the_mark(removal); }, is_passing_obstacle))
    return false;
  // The work name must be free: a work folder that an ended launcher left
  // there goes first; one that a launcher works on keeps C:\Quellmar.
  if (!remove_left_work_directory() || !move_to_work_name())
    return false;
  remove_work_folder();
  return install_directory_is_gone();
}

// Holds C:\Quellmar with DELETE access from here on. Its listing handle is
// closed first, since it shares no deletion, not even with this launcher.
// Meanwhile the mark, held inside, keeps Windows from renaming C:\Quellmar,
// and a link put in its place would be refused.
bool InstallDirectory::hold_for_removal() {
  if (held_for_removal_)
    return true;
  folder_.close();
  folder_ = hold_folder(install_directory, FolderHold::removal);
  held_for_removal_ = folder_.valid();
  return held_for_removal_;
}

// Leaves C:\Quellmar held for its removal with nothing in it but its mark.
bool InstallDirectory::empty_but_the_mark(Removal removal) {
  if (!hold_for_removal())
    return false;
  if (removal == Removal::uninstall &&
      !walk_tree(folder_.get(), {remove_known_subdirectory, nullptr})) {
    return false;
  }
  return holds_only_the_mark(folder_.get());
}

// Moves the held C:\Quellmar, marked, to the work name beside it. The rename
// is one step: before it C:\Quellmar carries its mark, after it there is no
// C:\Quellmar. It goes through the held handle, since a rename by path would
// meet the launcher's own handle; and Windows renames no folder with a handle
// open below it, so the mark's is closed first (the mark stays), and a
// scanner that reads anything in it is waited for.
bool InstallDirectory::move_to_work_name() {
  mark_.close();
  return retry([this] { return rename_held_folder(folder_.get(), work_directory); });
}

// Under the work name, the mark goes, then the folder. A reader that held the
// mark across its deletion keeps the folder until it lets go; then it is left
// for the next launch, which removes a work folder that it finds.
void InstallDirectory::remove_work_folder() {
  switch (take_mark_in(folder_.get(), &mark_)) {
    case Mark::taken:
      if (!remove_mark())
        return;
      break;
    case Mark::in_use:  // another launcher removes it
      return;
    case Mark::none:
      break;
  }
  retry([this] { return remove_held_folder(); }, is_passing_obstacle);
}

// Removes the held folder, now empty; it goes as its handle closes.
bool InstallDirectory::remove_held_folder() {
  if (!delete_held_entry(folder_.get()))
    return false;
  folder_.close();
  held_for_removal_ = false;
  return true;
}
