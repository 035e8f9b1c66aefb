#include "launcher/work_directory.h"

#include <windows.h>

#include "files/link_safe_files.h"
#include "files/passing_holds.h"
#include "files/tree_walk.h"
#include "launcher/install_directory.h"
#include "launcher/install_mark.h"

namespace {

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
  HANDLE work = open_folder(work_directory, LinkAtPath::refuse);
  if (work == INVALID_HANDLE_VALUE)
    return false;
  HANDLE mark = put_mark_in(work);
  bool marked = mark != INVALID_HANDLE_VALUE;
  if (marked)
    CloseHandle(mark);
  return close_keeping_error(work, marked);
}

bool install_directory_exists() {
  return GetFileAttributesW(install_directory) != INVALID_FILE_ATTRIBUTES;
}

// Renames the work directory to C:\Quellmar. Real Windows refuses for a moment
// while a scanner reads the new mark.
bool rename_work_directory() {
  for (DWORD waited = 0;; waited += passing_hold_pause_ms) {
    if (MoveFileExW(work_directory, install_directory, 0))
      return true;
    DWORD error = GetLastError();
    if (install_directory_exists()) {
      // Made since the probe, by another launcher or by hand: not ours.
      remove_tree(work_directory);
      SetLastError(ERROR_SHARING_VIOLATION);
      return false;
    }
    if (!is_held(error) || waited >= passing_hold_patience_ms) {
      remove_tree(work_directory);
      SetLastError(error);
      return false;
    }
    Sleep(passing_hold_pause_ms);
  }
}

}  // namespace

bool make_marked_install_directory() {
  if (!make_work_directory())
    return false;
  if (!mark_work_directory()) {
    DWORD error = GetLastError();
    remove_tree(work_directory);
    SetLastError(error);
    return false;
  }
  return rename_work_directory();
}

bool remove_left_work_directory() {
  HANDLE work = open_folder(work_directory, LinkAtPath::refuse);
  if (work == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  HANDLE mark = INVALID_HANDLE_VALUE;
  bool busy = take_mark_in(work, &mark) == MarkTaking::busy;
  if (mark != INVALID_HANDLE_VALUE)
    CloseHandle(mark);
  if (close_keeping_error(work, busy))
    return false;
  return remove_tree(work_directory);
}
