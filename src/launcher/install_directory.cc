#include "launcher/install_directory.h"

#include <utility>

#include "files/reparse_tags.h"
#include "files/retry.h"

InstallState probe_install_directory() {
  WIN32_FIND_DATAW entry;
  if (!look_up_entry(install_directory, &entry))
    return InstallState::absent;
  if (!is_folder(entry.dwFileAttributes))
    return InstallState::file;
  return is_link(entry.dwFileAttributes, entry.dwReserved0) ? InstallState::link
                                                            : InstallState::directory;
}

Installation InstallDirectory::open() {
  if (!hold(FolderHold::listing))
    return Installation::in_use;
  switch (take_mark_in(folder_.get(), &mark_)) {
    case Mark::none:
      return Installation::finished;
    case Mark::taken:
      return Installation::unfinished;
    case Mark::in_use:
      break;
  }
  return Installation::in_use;
}

bool InstallDirectory::open_new() {
  // Between the rename that made it and this, a second launcher may take the
  // mark: then it installs, and this one is the one that finds the
  // installation in use. A link put in C:\Quellmar's place meanwhile is
  // refused.
  switch (open()) {
    case Installation::unfinished:
      return true;
    case Installation::in_use:
      return false;
    case Installation::finished:
      break;
  }
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

bool InstallDirectory::mark_for_uninstall() {
  if (!hold(FolderHold::listing))
    return false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    switch (take_mark_in(folder_.get(), &mark_)) {
      case Mark::taken:
        return true;
      case Mark::in_use:
        return false;
      case Mark::none:
        break;
    }
    mark_ = put_mark_in(folder_.get());
    if (mark_)
      return true;
    // Another launcher put one there at this moment: take it, or find it in
    // use.
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

bool InstallDirectory::finish() {
  return remove_mark();
}

bool InstallDirectory::hold(FolderHold hold) {
  return retry([this, hold] {
    folder_ = hold_folder(install_directory, hold);
    return folder_.valid();
  });
}

bool InstallDirectory::remove_mark() {
  if (!mark_)
    return true;
  // Gone from the folder at once where Windows can, even while a scanner
  // still reads it: a mark still listed would keep later launches out.
  return delete_and_close(std::move(mark_), NameGoes::at_once);
}
