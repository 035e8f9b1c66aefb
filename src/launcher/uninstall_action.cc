#include <windows.h>

#include "command/run_command.h"
#include "console/console_setup.h"
#include "console/key_reader.h"
#include "launcher/actions.h"
#include "launcher/install_directory.h"
#include "launcher/screen_texts.h"

namespace {

ErrorCode tell_not_installed() {
  SetLastError(0);
  if (run_command(L"cls") != 0)
    return screen_not_cleared;
  RemoveDirectoryW(L"c:\\Quellmar");
  write_console_text(not_installed_text, not_installed_text_length);
  read_key();
  return success;
}

}  // namespace

ErrorCode uninstall_action() {
  switch (probe_install_directory()) {
    case InstallState::absent:
      return tell_not_installed();
    case InstallState::file:
      // Not ours to delete: the same answer as the launch gives.
      return expected_directory_is_file;
    case InstallState::directory:
      break;
  }

  if (!SetCurrentDirectoryW(L"c:\\"))
    return current_directory_not_set;
  // The path names the directory's contents: a bare name with /s would delete
  // every file of that name anywhere on the drive. /a takes the hidden and
  // system files that the copy brought along, which would keep the directory
  // from being removed.
  if (run_command(L"del /f /s /q /a C:\\Quellmar\\*") != 0)
    return del_not_executed;
  if (!remove_install_directory())
    return directory_not_removed;
  // Older systems' way of removing a tree; elsewhere the interpreter's
  // complaint is cleared at once by the next command.
  run_command(L"DELTREE /Y C:\\QUELLMAR");
  if (run_command(L"cls") != 0)
    return screen_not_cleared;

  write_console_text(uninstall_success_text, uninstall_success_text_length);
  read_key();
  return success;
}
