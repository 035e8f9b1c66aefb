// A new installation directory is made under a work name beside its place,
// C:\Quellmar.unfinished, with its mark, and renamed: so C:\Quellmar never
// exists without its mark. Only one launcher at a time can make it; one ended
// before the rename leaves it behind for the next.
#ifndef QUELLMAR_LAUNCHER_WORK_DIRECTORY_H_
#define QUELLMAR_LAUNCHER_WORK_DIRECTORY_H_

// Makes C:\Quellmar, marked from its first moment, then opens and holds it
// with its mark as open_install_directory does. Returns false with the
// last-error value; ERROR_SHARING_VIOLATION when another launcher does the
// same at the same time.
bool make_marked_install_directory();

#endif  // QUELLMAR_LAUNCHER_WORK_DIRECTORY_H_
