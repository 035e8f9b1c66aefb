// The installation directory C:\Quellmar and its mark, held for the whole of
// an action. From the moment an action opens it until it lets go, nobody can
// rename C:\Quellmar and put a link or another folder in its place: the
// mark is taken, and everything is deleted or checked, in that very folder.
// DELETE access to it is asked for only to remove it, so that a finished
// installation still starts while a program holds it (a command window whose
// current folder it is, or the DosBox of an earlier launch).
#ifndef QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_
#define QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_

#include <windows.h>

#include "files/file_handle.h"
#include "files/link_safe_files.h"
#include "launcher/install_mark.h"

// The installation directory; fixed, nothing configures it.
constexpr wchar_t install_directory[] = L"C:\\Quellmar";

// A link is a junction or a symbolic link to a folder.
enum class InstallState { absent, directory, link, file };

// Looks for the installation directory's entry itself, without a wildcard.
InstallState probe_install_directory();

// What a launch finds in C:\Quellmar: a finished installation, which starts
// as it is; an unfinished one, which this launcher now holds with its mark
// and installs again; or one that is in use by another launcher, or cannot be
// opened (the last-error value says why: ERROR_SHARING_VIOLATION,
// ERROR_ACCESS_DENIED, link_in_the_way).
enum class Installation { finished, unfinished, in_use };

// What a removal follows: a failed copy, whose payload paths are cleared
// already, or an uninstall, which removes the payload's known subdirectories
// too.
enum class Removal { of_failed_copy, uninstall };

// C:\Quellmar as one action holds it, with its mark. It lets go of both when
// it goes out of scope, the mark first; the mark stays where it is, so that
// an installation still marked is installed again by the next launch. Its
// scope ends before DosBox starts and before a report waits for a key.
class InstallDirectory {
 public:
  InstallDirectory() = default;
  InstallDirectory(const InstallDirectory&) = delete;
  InstallDirectory& operator=(const InstallDirectory&) = delete;

  // Opens the existing C:\Quellmar and holds it, and takes its mark when
  // there is one that nobody holds.
  Installation open();

  // Opens and holds C:\Quellmar that this launcher has just made, with its
  // mark. Returns false with the last-error value; ERROR_SHARING_VIOLATION
  // when another launcher took it first.
  bool open_new();

  // Opens C:\Quellmar for an uninstall, holds it and marks it: takes its
  // mark, or puts one there. Returns false with the last-error value.
  bool mark_for_uninstall();

  // The held folder, for walks through it; nullptr when none is held.
  HANDLE handle() const {
    return folder_.get();
  }

  // Deletes the held mark: the installation counts as finished.
  bool finish();

  // Deletes every file in the held C:\Quellmar and in its folders, hidden,
  // system and read-only ones too, but for the mark and what a keeper that a
  // launcher left holds, and leaves the folders. It never enters a link: what
  // a link leads to is not the installation's. A file held for a moment is
  // waited for, about two seconds; one that still cannot be deleted does not
  // stop the others. Returns false, with the last-error value of the first
  // such file, or of a folder that could not be listed.
  bool delete_files();

  // Removes the held C:\Quellmar with its mark when nothing else is in it;
  // for the uninstall, the known subdirectories and empty keepers first,
  // deepest first. It is
  // renamed, marked, to the work name beside it, and there the mark goes,
  // then the folder: a scanner or the indexer may hold the deleted mark, and
  // so the folder, for as long as it likes, and C:\Quellmar must never be
  // there empty without its mark meanwhile. A hold for a moment is waited
  // for, about two seconds at each step. Returns true when C:\Quellmar is
  // gone, checked afresh; a work folder that stays is left for the next
  // launch. Returns false, with the last failure's last-error value, when
  // C:\Quellmar stays; then it keeps its mark. ERROR_DIR_NOT_EMPTY: something
  // else is in it; ERROR_SHARING_VIOLATION: a program holds it open, or a
  // launcher works on a work folder there; ERROR_ACCESS_DENIED: Windows would
  // not rename it while a program holds something in it; link_in_the_way, at
  // once: it holds a link, which does not go away by waiting.
  bool remove(Removal removal);

 private:
  // Opens C:\Quellmar for |hold|, waiting out a passing hold.
  bool hold(FolderHold hold);
  bool hold_for_removal();
  bool remove_mark();
  bool remove_held_folder();
  bool empty_but_the_mark(Removal removal);
  bool move_to_work_name();
  void remove_work_folder();

  FileHandle folder_;
  bool held_for_removal_ = false;
  // Declared after the folder, so that it closes first.
  FileHandle mark_;
};

#endif  // QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_
