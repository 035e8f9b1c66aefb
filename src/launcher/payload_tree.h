// The payload folder's tree (the current directory during an install) held
// against the installation directory: what the copy must write, whether it
// did, and the removal of what it wrote when it did not. The payload is
// listed once, as xcopy reads it (see ListedTree: what a link in it leads to
// is copied as the payload's own), and that one listing serves every step.
#ifndef QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_
#define QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_

#include "files/file_handle.h"
#include "files/listed_tree.h"
#include "launcher/install_directory.h"

// True when every file of |payload| keeps its path within xcopy's bound,
// in the payload folder (the current directory) and under C:\Quellmar, and
// every folder its path under C:\Quellmar within the folder bound; a longer
// one makes xcopy fail part-way, or hang under Wine. Returns false with
// ERROR_FILENAME_EXCED_RANGE, or with ERROR_FILE_EXISTS for an entry that
// bears a name of the launcher's own (the mark's at the top, a keeper's at
// any depth).
bool payload_fits_install_directory(const ListedTree& payload);

// Where a copy starts: a C:\Quellmar just made, which holds nothing but what
// this launcher put there, so nothing in it needs to be listed; or an
// unfinished installation, cleared of the payload's paths, which may hold
// anything else.
enum class CopyStart { fresh, over_unfinished };

// What the check of a copy finds in the held C:\Quellmar.
enum class CopyCheck { whole, incomplete, failed };

// Whether |name| is that of a keeper (see HeldPayloadFolders): the
// launcher's own, wherever it is in an installation, and refused in a payload.
bool is_keeper_name(EntryName name);

// What the clearing does with a link at a payload file's path. Before a copy
// it is somebody's, and stays; after the launcher's own copy it came during
// that copy (the clearing before it left none), and goes as a link.
enum class FileLinks { stay, go };

// Removes from the held C:\Quellmar exactly the files and folders whose paths
// |payload| holds, and the keepers that a launcher left in them: files, and
// folders only when empty and after what is below them; each name goes at
// once where Windows can. Anything else (the user's own files, the program's
// saved work) stays, and a folder that holds such things is no obstacle. It
// never goes through a junction or other reparse point. A payload file that
// stays, held open or still being deleted, is tried again for about two
// seconds, and so is a keeper that keeps its folder so.
// Returns false when a payload path is left in the way of a copy: at once,
// with link_in_the_way, when one is a link that stays, which xcopy would
// write through; otherwise with the last-error value of a file that stays
// (ERROR_ACCESS_DENIED when its deletion is pending), or of a folder of the
// installation that could not be opened or listed, since what is in it would
// be left in the copy's way.
bool clear_payload_paths(const InstallDirectory& installation, const ListedTree& payload,
                         FileLinks links);

// The payload's folders in the held C:\Quellmar, made or opened and held while
// the copy fills them, each with a keeper in it. Every user of the PC may
// change what is in C:\Quellmar: a payload folder that nobody can rename
// cannot be swapped for a junction while xcopy, which writes by path, fills
// it, and one that is never empty cannot be made a junction where it stands;
// so the copy cannot be led out of C:\Quellmar. A keeper is a hidden folder
// (see make_held_keeper_folder_in): nobody else can remove or rename it, nor
// rename anything onto its name. Both are let go of when the object goes.
class HeldPayloadFolders {
 public:
  HeldPayloadFolders() = default;
  ~HeldPayloadFolders() {
    let_go();
  }
  HeldPayloadFolders(const HeldPayloadFolders&) = delete;
  HeldPayloadFolders& operator=(const HeldPayloadFolders&) = delete;

  // Makes every folder of |payload| in |installation|, each through the
  // handle of the one above it and never through a link, or, over an
  // unfinished installation, opens the one that its listing shows there,
  // waiting out a passing hold; holds it as hold_subfolder does and puts its
  // keeper into it. Stops at the first folder that cannot be made, held or
  // kept filled and returns false with its last-error value: link_in_the_way
  // for a link in its place, or one that it became before its keeper was in;
  // ERROR_ALREADY_EXISTS for something else in its place, or a keeper of a
  // launcher's left in it that could not be removed. What it held stays held
  // until let go of.
  bool hold(const InstallDirectory& installation, const ListedTree& payload, CopyStart start);

  // Whether every held folder is still a plain folder, as its handle tells;
  // false with link_in_the_way for one that has become a link, or the
  // last-error value of a handle that cannot tell.
  bool are_still_plain() const;

  // Holds the held folders, once the copy has filled them, against
  // |payload|, which they were held for: whether each holds every file of
  // the payload's folder with its size. Names and sizes only: a copy that
  // reported success but stopped part-way, or filled the disk, differs in
  // either. Each such file is opened through its folder's handle, never
  // through a link, and written out to the disk (see FileToFlush), a passing
  // hold waited out: Windows writes what it caches in no order with the
  // mark's deletion, and after a power cut a file whose bytes were still
  // cached would read as zeros in an installation that counts as finished.
  // CopyCheck::failed comes with link_in_the_way for a link or other reparse
  // point at a payload file's path, which DosBox would follow, or with the
  // last-error value of a file that could not be flushed.
  CopyCheck check_copy(const ListedTree& payload) const;

  // Deletes every keeper, its name going at once where Windows can, so that
  // no name of the launcher's stays behind while a scanner holds one; a
  // keeper that somebody put something into stays. Then lets go of the
  // keepers and the folders. The last-error value stays as it was.
  void let_go();

 private:
  HANDLE installation_ = nullptr;  // the held C:\Quellmar that they are in
  // In the order that a walk of the payload meets its folders.
  FileHandles folders_;
  FileHandles keepers_;
};

#endif  // QUELLMAR_LAUNCHER_PAYLOAD_TREE_H_
