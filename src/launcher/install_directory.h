// Where the payload is installed, and the file operations on it.
#ifndef QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_
#define QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_

// The installation directory; fixed, nothing configures it.
constexpr wchar_t install_directory[] = L"C:\\Quellmar";

// A link is a junction or a symbolic link to a folder.
enum class InstallState { absent, directory, link, file };

// Looks for the installation directory's entry itself, without a wildcard.
InstallState probe_install_directory();

// Deletes every file in the installation directory and in its folders,
// hidden, system and read-only ones too, but for the mark of an unfinished
// installation, and leaves the folders. It never
// enters a link: what a link leads to is not the installation's. A file that
// cannot be deleted does not stop the others; returns false, with the
// last-error value of the first such file, or of a folder that could not be
// listed.
bool delete_installed_files();

// Removes the installation directory with its mark, the mark right before the
// folder, when nothing else is in it. Returns false, with ERROR_DIR_NOT_EMPTY
// or the failure's last-error value, when it stays.
bool remove_empty_install_directory();

// Removes the installation directory's known subdirectories, deepest first,
// then the directory itself with its mark, once the files are deleted. A folder held open
// for a moment (a virus scanner, the search indexer) is waited for, about two
// seconds in all. Returns false, with the last failure's last-error value,
// when the directory stays: at once, with link_in_the_way, when it holds a
// link, which does not go away by waiting.
bool remove_install_directory();

#endif  // QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_
