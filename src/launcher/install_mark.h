// The mark of an unfinished installation: an empty folder in the installation
// directory that a launcher puts there before the first file of a copy, or
// before an uninstall deletes anything, and removes once the copy is checked,
// or right before the empty folder. A launch starts an installation as it is
// only when it carries no mark; a marked one is installed again.
//
// The launcher that works on the installation holds the mark open without
// sharing, and the commands it runs inherit that handle. The system closes
// the handles of a process that ends in any way, so a mark that can be taken
// after a moment's wait was left by a launcher that is gone (a closed window,
// a power cut), while a mark still held belongs to a launcher at work, or to
// its copy that goes on without it.
//
// The mark is always opened through the handle of the folder it is in, so
// that it is taken in that very folder.
#ifndef QUELLMAR_LAUNCHER_INSTALL_MARK_H_
#define QUELLMAR_LAUNCHER_INSTALL_MARK_H_

#include <windows.h>

#include "files/file_handle.h"
#include "files/folder_listing.h"

// The mark's name; a payload may not hold an entry of this name. A folder, so
// that it stays out of the way of whatever counts the installation's files.
constexpr wchar_t install_mark_name[] = L"QuellmarLaunch.unfinished";

// Whether |name|, a path below the installation directory, is the mark's.
bool is_install_mark(EntryName name);

// What a launcher that looks for a folder's mark finds: none; one that it
// has taken and holds now; or one in use, held by another launcher (at work,
// or its copy that goes on without it).
enum class Mark { none, taken, in_use };

// Takes the mark in |folder| when there is one that nobody holds for longer
// than a passing hold, into |mark|. Mark::in_use comes with the last
// answer's last-error value: ERROR_SHARING_VIOLATION, or ERROR_ACCESS_DENIED
// (a mark still being deleted, or permissions).
Mark take_mark_in(HANDLE folder, FileHandle* mark);

// Puts a new mark into |folder| and holds it. Fails with
// ERROR_ALREADY_EXISTS when there is one.
FileHandle put_mark_in(HANDLE folder);

#endif  // QUELLMAR_LAUNCHER_INSTALL_MARK_H_
