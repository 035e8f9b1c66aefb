#include <windows.h>

#include "command/run_command.h"
#include "console/console_interrupts.h"
#include "launcher/actions.h"
#include "launcher/install_directory.h"
#include "launcher/install_mark.h"
#include "launcher/package_directory.h"
#include "launcher/payload_tree.h"

namespace {

// What a failed copy wrote is removed again, and C:\Quellmar with its mark
// when nothing else is left in it. Otherwise it stays marked, so that the
// next launch copies again instead of starting a partial installation.
void undo_copy() {
  remove_copied_payload();
  if (!remove_empty_install_directory())
    release_install_mark();
}

// Copies the payload folder, the current directory, into the marked
// installation directory. The copy counts only when the installation then
// holds the whole payload: a status of 0 alone is no proof. Then the mark
// goes, as the last step. Otherwise the copy is undone. Ctrl+C and Ctrl+Break
// end the copy, not the launcher, until that is done. The last-error value
// stays the copy's.
bool copy_payload() {
  hold_console_interrupts();
  bool complete = run_command(L"xcopy *.* C:\\Quellmar /e /h /i") == 0;
  DWORD copy_error = GetLastError();
  complete = complete && installation_matches_payload() && remove_install_mark();
  if (!complete)
    undo_copy();
  release_console_interrupts();
  SetLastError(copy_error);
  return complete;
}

enum class InstallStart { fresh, over_unfinished };

// Installs the payload folder of the package directory into C:\Quellmar,
// made anew, or made ready again when a launcher left it unfinished, and
// returns to the package directory.
ErrorCode install_payload(InstallStart start) {
  SetLastError(0);
  if (!SetCurrentDirectoryW(payload_folder))
    return current_directory_not_set;
  // Before anything is written: xcopy fails on such a path, or hangs.
  if (!payload_fits_install_directory())
    return xcopy_not_executed;
  if (start == InstallStart::fresh) {
    if (!make_marked_install_directory())
      return xcopy_not_executed;
  } else {
    // As a failed copy is undone; xcopy would ask before overwriting.
    remove_copied_payload();
  }
  if (!copy_payload())
    return xcopy_not_executed;
  if (!SetCurrentDirectoryW(L".."))
    return current_directory_not_set;
  return success;
}

// An installation that a launcher left unfinished (ended during the copy,
// a failed copy that could not be undone, an uninstall cut off) is installed
// again; one that another launcher still works on is not touched.
ErrorCode finish_installation() {
  switch (take_install_mark()) {
    case MarkTaking::none:
      return success;
    case MarkTaking::busy:
      return xcopy_not_executed;
    case MarkTaking::taken:
      return install_payload(InstallStart::over_unfinished);
  }
  return success;
}

}  // namespace

ErrorCode launch_action() {
  ErrorCode rc = check_package_directory();
  if (rc != success)
    return rc;
  switch (probe_install_directory()) {
    case InstallState::absent:
      rc = install_payload(InstallStart::fresh);
      break;
    case InstallState::file:
      return expected_directory_is_file;
    case InstallState::directory:
      // Whatever a finished installation holds is started as it is.
      rc = finish_installation();
      break;
    case InstallState::link:
      break;
  }
  if (rc != success)
    return rc;
  if (run_command(dosbox_starter) != 0)
    return dosbox_not_executed;
  return success;
}
