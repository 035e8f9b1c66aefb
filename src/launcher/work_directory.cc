#include "launcher/work_directory.h"

#include <windows.h>

#include "files/link_safe_files.h"
#include "files/retry.h"
#include "files/tree_walk.h"
#include "launcher/install_directory.h"
#include "launcher/install_mark.h"

namespace {

// Removes the work directory of a new installation that could not be made,
// and fails with |error|, the reason.
bool give_up_work_directory(DWORD error) {
  remove_tree(work_directory);
  SetLastError(error);
  return false;
}

bool make_work_directory() {
  if (CreateDirectoryW(work_directory, nullptr))
    return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS || !remove_left_work_directory())
    return false;
  if (CreateDirectoryW(work_directory, nullptr))
    return true;
  // Another launcher made it again at this moment.
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

// Puts the mark into the new work directory. It is not kept open: real
// Windows refuses to rename a folder while a file in it is open.
bool mark_work_directory() {
  FileHandle work = open_folder(work_directory, LinkAtPath::refuse);
  return work && put_mark_in(work.get()).valid();
}

// Renames the work directory to C:\Quellmar. Real Windows refuses for a moment
// while a scanner reads the new mark.
bool rename_work_directory() {
  bool made_meanwhile = false;
  bool renamed = retry(
      [&made_meanwhile] {
        if (MoveFileExW(work_directory, install_directory, 0))
          return true;
        // Made since the probe, by another launcher or by hand: not ours.
        DWORD error = GetLastError();
        made_meanwhile = GetFileAttributesW(install_directory) != INVALID_FILE_ATTRIBUTES;
        SetLastError(made_meanwhile ? ERROR_SHARING_VIOLATION : error);
        return false;
      },
      [&made_meanwhile](DWORD error) { return !made_meanwhile && is_held(error); });
  return renamed || give_up_work_directory(GetLastError());
}

}  // namespace

bool make_marked_install_directory() {
  if (!make_work_directory())
    return false;
  if (!mark_work_directory())
    return give_up_work_directory(GetLastError());
  return rename_work_directory();
}

bool remove_left_work_directory() {
  FileHandle work = open_folder(work_directory, LinkAtPath::refuse);
  if (!work) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  FileHandle mark;
  if (take_mark_in(work.get(), &mark) == Mark::in_use)
    return false;
  mark.close();
  work.close();
  return remove_tree(work_directory);
}
