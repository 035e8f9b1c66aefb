// The mark of an unfinished installation: an empty folder in C:\Quellmar that a
// launcher puts there before the first file of a copy, or before an uninstall
// deletes anything, and removes once the copy is checked, or right before the
// empty folder. A launch starts a C:\Quellmar as it is only when it carries no
// mark; a marked one is installed again.
//
// The launcher that works on the installation holds the mark open without
// sharing, and the commands it runs inherit that handle. The system closes
// the handles of a process that ends in any way, so a mark that can be taken
// after a moment's wait was left by a launcher that is gone (a closed window,
// a power cut), while a mark still held belongs to a launcher at work, or to
// its copy that goes on without it.
#ifndef QUELLMAR_LAUNCHER_INSTALL_MARK_H_
#define QUELLMAR_LAUNCHER_INSTALL_MARK_H_

#include "launcher/link_safe_files.h"

// The mark's name in C:\Quellmar; a payload may not hold an entry of this
// name. A folder, so that it stays out of the way of whatever counts the
// installation's files.
constexpr wchar_t install_mark_name[] = L"QuellmarLaunch.unfinished";

// Whether |name|, a path below C:\Quellmar, is the mark's.
bool is_install_mark(EntryName name);

enum class MarkTaking { none, taken, busy };

// For an existing C:\Quellmar: takes its mark when there is one that no
// launcher holds. none: it carries no mark. busy: another launcher holds it,
// longer than a scanner's look takes (last error ERROR_SHARING_VIOLATION).
MarkTaking take_install_mark();

// Makes C:\Quellmar, marked from its first moment, and holds the mark. It is
// made under a work name beside C:\Quellmar and renamed. Returns false with
// the last-error value; ERROR_SHARING_VIOLATION when another launcher does
// the same at the same time.
bool make_marked_install_directory();

// Marks the existing C:\Quellmar for an uninstall: takes its mark, or puts
// one there. Returns false with the last-error value; ERROR_SHARING_VIOLATION
// when another launcher works on it.
bool mark_install_directory();

// Deletes the held mark: the installation counts as finished, or is empty.
bool remove_install_mark();

// Lets go of the held mark and leaves it on the disk: the installation stays
// unfinished, and the next launch installs it again.
void release_install_mark();

#endif  // QUELLMAR_LAUNCHER_INSTALL_MARK_H_
