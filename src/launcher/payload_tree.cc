#include "launcher/payload_tree.h"

#include <windows.h>

#include <cwchar>

#include "launcher/install_directory.h"
#include "path_bound.h"

namespace {

// The walk uses the "\\?\" form on both sides, so that a payload deep inside
// a package directory can still be read. Target paths stay within the path
// bound (the walk does not descend further), source paths within the bound
// plus the package directory's own length.
constexpr wchar_t long_form_prefix[] = L"\\\\?\\";
constexpr std::size_t long_form_prefix_length = sizeof long_form_prefix / sizeof(wchar_t) - 1;
constexpr std::size_t walk_path_units = 4 * max_path_units;

enum class Phase { file, entering_folder, leaving_folder };
enum class Step { go_on, skip_contents, stop };

// One entry of the payload, met by a walk.
struct PayloadEntry {
  const wchar_t* target;      // under C:\Quellmar, "\\?\" form
  std::size_t target_length;  // as xcopy sees it, without "\\?\"
  const WIN32_FIND_DATAW* found;
  Phase phase;
};

// A walk's answer for each entry. A folder is met when entering it and, unless
// that answered skip_contents, again when leaving it after its contents.
using Visitor = Step (*)(const PayloadEntry& entry);

// A walk in progress: the two paths of the entry met now, and how it went.
struct Walk {
  Visitor visit;
  bool stopped;  // a visitor ended it
  DWORD error;   // what left it incomplete; ERROR_SUCCESS while complete
  wchar_t source[walk_path_units];
  wchar_t target[walk_path_units];
};

bool is_dot_entry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool is_folder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool is_reparse_point(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The first failure is the one the caller learns of.
void fail(Walk& walk, DWORD error) {
  if (walk.error == ERROR_SUCCESS)
    walk.error = error;
}

Step meet(Walk& walk, PayloadEntry& entry, Phase phase) {
  entry.phase = phase;
  Step step = walk.visit(entry);
  if (step == Step::stop) {
    walk.stopped = true;
    fail(walk, GetLastError());
  }
  return step;
}

// Puts "\<name>" behind the |length| units of |path|. False when it does not
// fit.
bool append_name(wchar_t* path, std::size_t length, const wchar_t* name, std::size_t name_length) {
  if (length + 1 + name_length >= walk_path_units)
    return false;
  path[length] = L'\\';
  std::wmemcpy(path + length + 1, name, name_length + 1);
  return true;
}

void walk_folder(Walk& walk, std::size_t source_length, std::size_t target_length);

// Visits the entry that the walk's paths name now, and what is below it.
void walk_entry(Walk& walk, const WIN32_FIND_DATAW& found, std::size_t source_length,
                std::size_t target_length) {
  PayloadEntry entry = {walk.target, target_length - long_form_prefix_length, &found, Phase::file};
  if (!is_folder(found.dwFileAttributes)) {
    meet(walk, entry, Phase::file);
    return;
  }
  if (meet(walk, entry, Phase::entering_folder) != Step::go_on)
    return;
  // What a link in the payload leads to is not the payload's own, and may
  // lead back into it.
  if (!is_reparse_point(found.dwFileAttributes))
    walk_folder(walk, source_length, target_length);
  if (!walk.stopped)
    meet(walk, entry, Phase::leaving_folder);
}

// Walks the folder that the walk's paths name now, |source_length| and
// |target_length| units long.
void walk_folder(Walk& walk, std::size_t source_length, std::size_t target_length) {
  if (target_length - long_form_prefix_length >= max_path_units ||
      !append_name(walk.source, source_length, L"*", 1)) {
    fail(walk, ERROR_FILENAME_EXCED_RANGE);
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(walk.source, &found);
  walk.source[source_length] = L'\0';
  if (search == INVALID_HANDLE_VALUE) {
    fail(walk, GetLastError());
    return;
  }
  do {
    if (is_dot_entry(found.cFileName))
      continue;
    std::size_t name_length = std::wcslen(found.cFileName);
    if (append_name(walk.source, source_length, found.cFileName, name_length) &&
        append_name(walk.target, target_length, found.cFileName, name_length)) {
      walk_entry(walk, found, source_length + 1 + name_length, target_length + 1 + name_length);
    } else {
      fail(walk, ERROR_FILENAME_EXCED_RANGE);
    }
    walk.source[source_length] = L'\0';
    walk.target[target_length] = L'\0';
  } while (!walk.stopped && FindNextFileW(search, &found));
  if (!walk.stopped && GetLastError() != ERROR_NO_MORE_FILES)
    fail(walk, GetLastError());
  FindClose(search);
}

// Walks the whole payload, the current directory, against C:\Quellmar.
// Returns false, with the last-error value of the first failure, when a
// visitor stopped it or a folder could not be listed in full.
bool walk_payload(Visitor visitor) {
  Walk walk;
  walk.visit = visitor;
  walk.stopped = false;
  walk.error = ERROR_SUCCESS;
  std::wcscpy(walk.source, long_form_prefix);
  DWORD length = GetCurrentDirectoryW(walk_path_units - long_form_prefix_length,
                                      walk.source + long_form_prefix_length);
  if (length == 0 || length >= walk_path_units - long_form_prefix_length)
    return false;
  std::wcscpy(walk.target, long_form_prefix);
  std::wcscat(walk.target, install_directory);
  walk_folder(walk, long_form_prefix_length + length, std::wcslen(walk.target));
  if (walk.error == ERROR_SUCCESS)
    return true;
  SetLastError(walk.error);
  return false;
}

Step stop_at_long_path(const PayloadEntry& entry) {
  if (entry.target_length < max_path_units)
    return Step::go_on;
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return Step::stop;
}

Step stop_at_difference(const PayloadEntry& entry) {
  if (entry.phase == Phase::leaving_folder)
    return Step::go_on;
  WIN32_FILE_ATTRIBUTE_DATA installed;
  if (!GetFileAttributesExW(entry.target, GetFileExInfoStandard, &installed))
    return Step::stop;
  if (is_folder(installed.dwFileAttributes) != is_folder(entry.found->dwFileAttributes))
    return Step::stop;
  if (entry.phase == Phase::file && (installed.nFileSizeHigh != entry.found->nFileSizeHigh ||
                                     installed.nFileSizeLow != entry.found->nFileSizeLow)) {
    return Step::stop;
  }
  return Step::go_on;
}

Step remove_installed_entry(const PayloadEntry& entry) {
  DWORD attributes = GetFileAttributesW(entry.target);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return Step::skip_contents;
  switch (entry.phase) {
    case Phase::file:
      // A link is deleted as the link; a folder in a file's place is not ours.
      if (!is_folder(attributes)) {
        if (attributes & FILE_ATTRIBUTE_READONLY)
          SetFileAttributesW(entry.target, attributes & ~FILE_ATTRIBUTE_READONLY);
        DeleteFileW(entry.target);
      }
      return Step::go_on;
    case Phase::entering_folder:
      return is_folder(attributes) && !is_reparse_point(attributes) ? Step::go_on
                                                                    : Step::skip_contents;
    case Phase::leaving_folder:
      RemoveDirectoryW(entry.target);  // only when nothing else is left in it
      return Step::go_on;
  }
  return Step::go_on;
}

}  // namespace

bool payload_fits_install_directory() {
  return walk_payload(stop_at_long_path);
}

bool installation_matches_payload() {
  return walk_payload(stop_at_difference);
}

void remove_copied_payload() {
  DWORD root = GetFileAttributesW(install_directory);
  if (root == INVALID_FILE_ATTRIBUTES || !is_folder(root) || is_reparse_point(root))
    return;
  walk_payload(remove_installed_entry);
  RemoveDirectoryW(install_directory);
}
