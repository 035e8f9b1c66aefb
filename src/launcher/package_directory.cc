#include "launcher/package_directory.h"

#include <windows.h>

#include <cwchar>

#include "path_bound.h"

namespace {

bool is_separator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool is_drive_letter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Two leading separators name a share or a device; only "\\?\C:\" and
// "\\.\C:\" lead to a drive letter's folder. Mapped network drives have a
// letter and work like any other drive.
bool is_network_path(const wchar_t* path) {
  if (!is_separator(path[0]) || !is_separator(path[1]))
    return false;
  bool drive_letter_form = (path[2] == L'?' || path[2] == L'.') && is_separator(path[3]) &&
                           is_drive_letter(path[4]) && path[5] == L':';
  return !drive_letter_form;
}

// Whether "<directory>\<name>" stays within the path bound.
bool fits_below(const wchar_t* directory, std::size_t length, const wchar_t* name) {
  std::size_t separator = (length > 0 && is_separator(directory[length - 1])) ? 0 : 1;
  return length + separator + std::wcslen(name) < max_path_units;
}

}  // namespace

ErrorCode check_package_directory() {
  wchar_t directory[max_path_units];
  DWORD length = GetCurrentDirectoryW(max_path_units, directory);
  if (length == 0)
    return current_directory_not_set;
  if (length >= max_path_units) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return current_directory_not_set;
  }
  if (is_network_path(directory)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return current_directory_not_set;
  }
  if (!fits_below(directory, length, payload_folder) ||
      !fits_below(directory, length, dosbox_starter)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return current_directory_not_set;
  }
  return success;
}
