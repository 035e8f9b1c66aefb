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

// Until only the empty folder is left, a launch must not take it for a
// finished installation; nor may a second launcher work on it meanwhile. It is
// let go of when this returns: whoever reads a report may use C:\Quellmar as
// they like.
ErrorCode remove_installation() {
  InstallDirectory installation;
  if (!installation.mark_for_uninstall())
    return directory_not_removed;
  // Not the interpreter's del: it follows links out of the installation.
  if (!installation.delete_files())
    return del_not_executed;
  if (!installation.remove(Removal::uninstall))
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
  if (rc != success)
    return rc;
  if (run_command(L"cls") != 0)
    return screen_not_cleared;

  write_console_text(uninstall_success_text, uninstall_success_text_length);
  read_key();
  return success;
}
