#include <windows.h>

#include "command/run_command.h"
#include "console/console_interrupts.h"
#include "launcher/actions.h"
#include "launcher/install_directory.h"
#include "launcher/package_directory.h"
#include "launcher/payload_tree.h"
#include "launcher/work_directory.h"

namespace {

// What a failed copy wrote is removed again, and C:\Quellmar with its mark
// when nothing else is left in it. Otherwise it stays marked, so that the
// next launch copies again instead of starting a partial installation.
// Returns false, with the reason, when C:\Quellmar stays.
bool undo_copy(InstallDirectory& installation, const ListedTree& payload) {
  return clear_payload_paths(installation, payload, FileLinks::go) &&
         installation.remove(Removal::of_failed_copy);
}

// Copies the payload folder, the current directory, into the payload's
// folders, made and held in C:\Quellmar until the copy is checked: the copy
// counts only when its folders are still folders and the installation then
// holds the whole payload, on the disk; a status of 0 alone is no proof. The
// copy is Windows' own xcopy, never a program or batch file of that name in
// the payload folder, and it asks before it overwrites a file, whatever
// COPYCMD says: somebody may have put one, or a link, at a payload file's
// name. The copy's last-error value goes to |copy_error| (or that of a
// folder that could not be held, or that has become a link, or of a file
// that is a link or could not be flushed).
bool copy_into_held_folders(const InstallDirectory& installation, const ListedTree& payload,
                            CopyStart start, DWORD* copy_error) {
  HeldPayloadFolders folders;
  bool copied = folders.hold(installation, payload, start) &&
                run_system_program(L"xcopy.exe", L"*.* C:\\Quellmar /e /h /i /-y") == 0 &&
                folders.are_still_plain();
  *copy_error = GetLastError();
  if (!copied)
    return false;
  CopyCheck check = folders.check_copy(payload);
  if (check == CopyCheck::failed)
    *copy_error = GetLastError();
  return check == CopyCheck::whole;
}

// Copies the payload folder into the marked installation directory. Once the
// copy is checked the mark goes, as the last step. Otherwise the copy is
// undone. Ctrl+C and Ctrl+Break end the copy, not the launcher, until that is
// done. The last-error value stays the copy's, unless the undoing left
// C:\Quellmar for another reason than the user's own files in it (a program
// that holds it, a link).
bool copy_payload(InstallDirectory& installation, const ListedTree& payload, CopyStart start) {
  hold_console_interrupts();
  DWORD error = ERROR_SUCCESS;
  // The payload's folders are let go of before the mark goes, and before the
  // undoing, which removes folders.
  bool complete =
      copy_into_held_folders(installation, payload, start, &error) && installation.finish();
  if (!complete && !undo_copy(installation, payload) && GetLastError() != ERROR_DIR_NOT_EMPTY)
    error = GetLastError();
  release_console_interrupts();
  SetLastError(error);
  return complete;
}

// Installs the payload folder of the package directory into C:\Quellmar,
// made anew, or made ready again when a launcher left it unfinished, and
// returns to the package directory.
ErrorCode install_payload(InstallDirectory& installation, CopyStart start) {
  SetLastError(0);
  if (!SetCurrentDirectoryW(payload_folder))
    return current_directory_not_set;
  // Listed once, as xcopy will read it, and checked before anything is
  // written: xcopy fails on a path too long, or hangs, and copies a link
  // that leads back into its own folder for ever.
  ListedTree payload;
  if (!payload.list(L".") || !payload_fits_install_directory(payload))
    return xcopy_not_executed;
  if (start == CopyStart::fresh) {
    if (!make_marked_install_directory() || !installation.open_new())
      return xcopy_not_executed;
  } else {
    // xcopy would ask the user before overwriting a file left there, and
    // would write through a link.
    if (!clear_payload_paths(installation, payload, FileLinks::stay))
      return xcopy_not_executed;
  }
  if (!copy_payload(installation, payload, start))
    return xcopy_not_executed;
  if (!SetCurrentDirectoryW(L".."))
    return current_directory_not_set;
  return success;
}

// An installation that a launcher left unfinished (ended during the copy,
// a failed copy that could not be undone, an uninstall cut off) is installed
// again; one that another launcher still works on is not touched.
ErrorCode finish_unfinished_installation(InstallDirectory& installation) {
  switch (installation.open()) {
    case Installation::finished:
      return success;
    case Installation::in_use:
      return xcopy_not_executed;
    case Installation::unfinished:
      return install_payload(installation, CopyStart::over_unfinished);
  }
  return success;
}

// C:\Quellmar is held only while it is made ready: DosBox, and whoever reads
// a report, may use it as they like.
ErrorCode install_if_needed() {
  InstallDirectory installation;
  switch (probe_install_directory()) {
    case InstallState::absent:
      return install_payload(installation, CopyStart::fresh);
    case InstallState::file:
      return expected_directory_is_file;
    case InstallState::directory:
      // Whatever a finished installation holds is started as it is.
      return finish_unfinished_installation(installation);
    case InstallState::link:
      break;
  }
  return success;
}

}  // namespace

ErrorCode launch_action() {
  ErrorCode rc = check_package_directory();
  if (rc != success)
    return rc;
  rc = install_if_needed();
  if (rc != success)
    return rc;
  if (run_command(dosbox_starter) != 0)
    return dosbox_not_executed;
  return success;
}
