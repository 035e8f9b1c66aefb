#include <windows.h>

#include "command/run_command.h"
#include "console/console_setup.h"
#include "console/key_reader.h"
#include "files/link_safe_files.h"
#include "launcher/actions.h"
#include "launcher/install_directory.h"
#include "launcher/screen_texts.h"

namespace {

ErrorCode tell_not_installed() {
  SetLastError(0);
  if (run_command(L"cls") != 0)
    return screen_not_cleared;
  remove_folder(install_directory);
  write_console_text(not_installed_text, not_installed_text_length);
  read_key();
  return success;
}

ErrorCode remove_installation() {
  // Until only the empty folder is left, a launch must not take it for a
  // finished installation; nor may a second launcher work on it meanwhile.
  if (!mark_install_directory())
    return directory_not_removed;
  // Not the interpreter's del: it follows links out of the installation.
  if (!delete_installed_files())
    return del_not_executed;
  if (!remove_install_directory(KnownSubdirectories::remove))
    return directory_not_removed;
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
    case InstallState::link:
      // Everything behind it is somebody else's.
      SetLastError(link_in_the_way);
      return directory_not_removed;
    case InstallState::directory:
      break;
  }

  if (!SetCurrentDirectoryW(L"c:\\"))
    return current_directory_not_set;
  ErrorCode rc = remove_installation();
  // Whoever reads a report may use C:\Quellmar as they like.
  close_install_directory();
  if (rc != success)
    return rc;
  if (run_command(L"cls") != 0)
    return screen_not_cleared;

  write_console_text(uninstall_success_text, uninstall_success_text_length);
  read_key();
  return success;
}
