#include <windows.h>

#include "command/run_command.h"
#include "launcher/actions.h"
#include "launcher/install_directory.h"

namespace {

// Copies the payload folder of the package directory into the installation
// directory, and returns to the package directory.
ErrorCode install_payload() {
  SetLastError(0);
  if (!SetCurrentDirectoryW(L"Quellmar"))
    return current_directory_not_set;
  if (run_command(L"xcopy *.* C:\\Quellmar /e /h /i") != 0) {
    // The directory was absent before the copy, so all of it is this copy's
    // remains. Left behind, it would pass for an installation on every later
    // run; removed, the next launch copies afresh. The report still shows the
    // last-error value of the failed copy.
    DWORD copy_error = GetLastError();
    remove_directory_tree(install_directory);
    SetLastError(copy_error);
    return xcopy_not_executed;
  }
  if (!SetCurrentDirectoryW(L".."))
    return current_directory_not_set;
  return success;
}

}  // namespace

ErrorCode launch_action() {
  switch (probe_install_directory()) {
    case InstallState::absent: {
      ErrorCode rc = install_payload();
      if (rc != success)
        return rc;
      break;
    }
    case InstallState::file:
      return expected_directory_is_file;
    case InstallState::directory:
      // Installed already: whatever the directory holds is started as it is.
      break;
  }
  if (run_command(L"dosboxportable.exe") != 0)
    return dosbox_not_executed;
  return success;
}
