#include <windows.h>

#include "command/run_command.h"
#include "console/console_interrupts.h"
#include "launcher/actions.h"
#include "launcher/install_directory.h"
#include "launcher/package_directory.h"
#include "launcher/payload_tree.h"

namespace {

// Copies the payload folder, the current directory, into the installation
// directory. The copy counts only when the installation then holds the whole
// payload: a status of 0 alone is no proof. Otherwise what it wrote is removed
// again, so that no partial installation passes for a complete one and the
// next launch copies afresh. Ctrl+C and Ctrl+Break end the copy, not the
// launcher, until that is done. The last-error value stays the copy's.
bool copy_payload() {
  hold_console_interrupts();
  bool complete = run_command(L"xcopy *.* C:\\Quellmar /e /h /i") == 0;
  DWORD copy_error = GetLastError();
  if (complete)
    complete = installation_matches_payload();
  if (!complete)
    remove_copied_payload();
  release_console_interrupts();
  SetLastError(copy_error);
  return complete;
}

// Installs the payload folder of the package directory, and returns to the
// package directory.
ErrorCode install_payload() {
  SetLastError(0);
  if (!SetCurrentDirectoryW(payload_folder))
    return current_directory_not_set;
  // Before anything is written: xcopy fails on such a path, or hangs.
  if (!payload_fits_install_directory())
    return xcopy_not_executed;
  if (!copy_payload())
    return xcopy_not_executed;
  if (!SetCurrentDirectoryW(L".."))
    return current_directory_not_set;
  return success;
}

}  // namespace

ErrorCode launch_action() {
  ErrorCode rc = check_package_directory();
  if (rc != success)
    return rc;
  switch (probe_install_directory()) {
    case InstallState::absent:
      rc = install_payload();
      if (rc != success)
        return rc;
      break;
    case InstallState::file:
      return expected_directory_is_file;
    case InstallState::directory:
    case InstallState::link:
      // Installed already: whatever the directory holds is started as it is.
      break;
  }
  if (run_command(dosbox_starter) != 0)
    return dosbox_not_executed;
  return success;
}
