#include "launcher/install_mark.h"

#include <windows.h>

#include <cwchar>

#include "launcher/install_directory.h"
#include "launcher/passing_holds.h"
#include "launcher/tree_walk.h"

namespace {

// Where a new installation directory is made, beside its place, so that
// C:\Quellmar never exists without its mark. Only one launcher at a time can
// make it; one ended before the rename leaves it behind for the next.
constexpr wchar_t work_directory[] = L"C:\\Quellmar.unfinished";

HANDLE held_mark = INVALID_HANDLE_VALUE;

// The path of the mark in |folder|, the installation or the work directory.
struct MarkPath {
  explicit MarkPath(const wchar_t* folder) {
    std::wcscpy(text, folder);
    std::wcscat(text, L"\\");
    std::wcscat(text, install_mark_name);
  }
  wchar_t
      text[sizeof work_directory / sizeof(wchar_t) + sizeof install_mark_name / sizeof(wchar_t)];
};
static_assert(sizeof work_directory >= sizeof install_directory, "the longer folder sets the size");

// Opens the mark at |path| for this launcher alone.
HANDLE open_mark(const wchar_t* path) {
  // Inherited by the commands the launcher runs: a copy that goes on after
  // the launcher was ended keeps the installation busy until it ends.
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  // A link in the mark's place is opened, and later deleted, as the link.
  return CreateFileW(path, GENERIC_READ | DELETE, 0, &inheritable, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool is_held_elsewhere(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Takes the mark at |path| when there is one that nobody holds for longer
// than a passing hold.
MarkTaking take_mark_at(const wchar_t* path, HANDLE* mark) {
  for (DWORD waited = 0;; waited += passing_hold_pause_ms) {
    *mark = open_mark(path);
    if (*mark != INVALID_HANDLE_VALUE)
      return MarkTaking::taken;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
      return MarkTaking::none;
    if (!is_held_elsewhere(error) || waited >= passing_hold_patience_ms) {
      SetLastError(is_held_elsewhere(error) ? ERROR_SHARING_VIOLATION : error);
      return MarkTaking::busy;
    }
    Sleep(passing_hold_pause_ms);
  }
}

// Puts a new mark at |path| and keeps it open. Fails with
// ERROR_ALREADY_EXISTS when there is one, and with ERROR_SHARING_VIOLATION
// when another launcher took it at once.
HANDLE put_mark(const wchar_t* path) {
  if (!CreateDirectoryW(path, nullptr))
    return INVALID_HANDLE_VALUE;
  return open_mark(path);
}

// Removes a work directory that a launcher ended before its rename left
// behind; one whose launcher still works on it is busy.
bool remove_left_work_directory() {
  HANDLE mark = INVALID_HANDLE_VALUE;
  if (take_mark_at(MarkPath(work_directory).text, &mark) == MarkTaking::busy)
    return false;
  if (mark != INVALID_HANDLE_VALUE)
    CloseHandle(mark);
  return remove_tree(work_directory);
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
    if (!is_held_elsewhere(error) || waited >= passing_hold_patience_ms) {
      remove_tree(work_directory);
      SetLastError(error);
      return false;
    }
    Sleep(passing_hold_pause_ms);
  }
}

}  // namespace

bool is_install_mark(EntryName name) {
  return same_name(name, {install_mark_name, std::wcslen(install_mark_name)});
}

MarkTaking take_install_mark() {
  return take_mark_at(MarkPath(install_directory).text, &held_mark);
}

bool make_marked_install_directory() {
  if (!make_work_directory())
    return false;
  // Closed for the rename, which real Windows refuses while a file in the
  // folder is open.
  HANDLE mark = put_mark(MarkPath(work_directory).text);
  if (mark == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    remove_tree(work_directory);
    SetLastError(error);
    return false;
  }
  CloseHandle(mark);
  if (!rename_work_directory())
    return false;
  // Between the rename and this, a second launcher may take the mark: then it
  // installs, and this one is the one that finds the installation busy.
  if (take_install_mark() == MarkTaking::taken)
    return true;
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

bool mark_install_directory() {
  for (int attempt = 0; attempt < 2; ++attempt) {
    switch (take_install_mark()) {
      case MarkTaking::taken:
        return true;
      case MarkTaking::busy:
        return false;
      case MarkTaking::none:
        break;
    }
    held_mark = put_mark(MarkPath(install_directory).text);
    if (held_mark != INVALID_HANDLE_VALUE)
      return true;
    // Another launcher put one there at this moment: take it, or find it busy.
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

bool remove_install_mark() {
  if (held_mark == INVALID_HANDLE_VALUE)
    return true;
  HANDLE mark = held_mark;
  held_mark = INVALID_HANDLE_VALUE;
  return delete_and_close(mark);
}

void release_install_mark() {
  if (held_mark != INVALID_HANDLE_VALUE)
    CloseHandle(held_mark);
  held_mark = INVALID_HANDLE_VALUE;
}
