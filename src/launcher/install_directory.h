// Where the payload is installed, and the file operations on it.
#ifndef QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_
#define QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_

// The installation directory; fixed, nothing configures it.
constexpr wchar_t install_directory[] = L"C:\\Quellmar";

enum class InstallState { absent, directory, file };

// Looks for the installation directory's entry itself, without a wildcard.
InstallState probe_install_directory();

// Removes the installation directory's known subdirectories, deepest first,
// then the directory itself, once the delete command has emptied them. A
// folder held open for a moment (a virus scanner, the search indexer) is
// waited for, about two seconds in all. Returns false, with the last failure's
// last-error value, when the directory stays.
bool remove_install_directory();

#endif  // QUELLMAR_LAUNCHER_INSTALL_DIRECTORY_H_
