#include "launcher/payload_tree.h"

#include <windows.h>

#include "launcher/install_directory.h"
#include "launcher/install_mark.h"
#include "launcher/link_safe_files.h"
#include "launcher/tree_walk.h"
#include "path_bound.h"

namespace {

constexpr std::size_t install_directory_length = sizeof install_directory / sizeof(wchar_t) - 1;

bool is_plain_folder_entry(const ListedEntry* entry) {
  return entry != nullptr && is_plain_folder(entry->attributes);
}

// Walks the payload, the current directory, held against |installed| (the
// opened installation directory, or nullptr).
bool walk_payload(HANDLE installed, TreeVisitor visitor) {
  // The payload is only read: a payload folder that is a link is read where
  // it leads, as xcopy reads it.
  return walk_tree_at(L".", LinkAtPath::follow, installed, visitor);
}

Step stop_at_unfit_path(const TreeVisit& visit) {
  if (is_install_mark({visit.path, visit.path_length})) {
    SetLastError(ERROR_FILE_EXISTS);
    return Step::stop;
  }
  // As xcopy sees it: "C:\Quellmar\" and the path below the payload folder.
  std::size_t installed_length = install_directory_length + 1 + visit.path_length;
  std::size_t bound = visit.phase == Phase::file ? max_path_units : max_folder_path_units;
  if (visit.phase == Phase::leaving_folder || installed_length < bound)
    return Step::go_on;
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return Step::stop;
}

Step stop_at_difference(const TreeVisit& visit) {
  const ListedEntry* installed = visit.mirror;
  switch (visit.phase) {
    case Phase::file:
      if (installed == nullptr || is_folder(installed->attributes) ||
          installed->size != visit.entry->size) {
        return Step::stop;
      }
      return Step::go_on;
    case Phase::link:  // xcopy copies what it leads to into a folder
    case Phase::entering_folder:
      return is_plain_folder_entry(installed) ? Step::go_on : Step::stop;
    case Phase::leaving_folder:
      return Step::go_on;
  }
  return Step::go_on;
}

Step remove_installed_entry(const TreeVisit& visit) {
  const ListedEntry* installed = visit.mirror;
  if (installed == nullptr)
    return Step::skip_contents;
  switch (visit.phase) {
    case Phase::file:
      // A folder in a file's place is not the copy's.
      if (!is_folder(installed->attributes))
        delete_file_in(visit.mirror_folder, installed->name);
      return Step::go_on;
    case Phase::entering_folder:
      return is_plain_folder_entry(installed) ? Step::go_on : Step::skip_contents;
    case Phase::link:
    case Phase::leaving_folder:
      // Only when nothing else is left in it; never a link.
      remove_subfolder(visit.mirror_folder, installed->name);
      return Step::go_on;
  }
  return Step::go_on;
}

}  // namespace

bool payload_fits_install_directory() {
  return walk_payload(nullptr, stop_at_unfit_path);
}

bool installation_matches_payload() {
  HANDLE installed = open_folder(install_directory, LinkAtPath::refuse);
  if (installed == INVALID_HANDLE_VALUE)
    return false;
  bool matches = walk_payload(installed, stop_at_difference);
  CloseHandle(installed);
  return matches;
}

void remove_copied_payload() {
  HANDLE installed = open_folder(install_directory, LinkAtPath::refuse);
  if (installed == INVALID_HANDLE_VALUE)
    return;
  walk_payload(installed, remove_installed_entry);
  CloseHandle(installed);
}
