// The work folder beside the installation directory, C:\Quellmar.unfinished.
// A new installation directory is made there, with its mark, and renamed: so
// C:\Quellmar never exists without its mark. Only one launcher at a time can
// make it; one ended before the rename leaves it behind for the next. An
// installation that is removed is renamed there, marked, before its mark
// goes; one that a scanner keeps from going is left there too.
#ifndef QUELLMAR_LAUNCHER_WORK_DIRECTORY_H_
#define QUELLMAR_LAUNCHER_WORK_DIRECTORY_H_

constexpr wchar_t work_directory[] = L"C:\\Quellmar.unfinished";

// Makes C:\Quellmar, marked from its first moment, but does not open it.
// Returns false with the last-error value; ERROR_SHARING_VIOLATION when
// another launcher does the same at the same time.
bool make_marked_install_directory();

// Removes a work folder that was left behind, never through a link in it.
// Returns true when there is none, or none any more. One whose launcher still
// works on it is busy (ERROR_SHARING_VIOLATION); one that cannot be removed
// stays, with the last-error value of the failure.
bool remove_left_work_directory();

#endif  // QUELLMAR_LAUNCHER_WORK_DIRECTORY_H_
