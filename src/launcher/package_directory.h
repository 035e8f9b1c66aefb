// The package directory: the current directory at start, where the payload
// folder and the DosBox starter are.
#ifndef QUELLMAR_LAUNCHER_PACKAGE_DIRECTORY_H_
#define QUELLMAR_LAUNCHER_PACKAGE_DIRECTORY_H_

#include "error_code.h"

constexpr wchar_t payload_folder[] = L"Quellmar";
constexpr wchar_t dosbox_starter[] = L"dosboxportable.exe";

// Returns 0 when the commands of a launch can run in the current directory.
// A network path (\\server\share\... or \\?\UNC\...) cannot be the command
// interpreter's current directory: it warns and works in the Windows folder
// instead. A directory so deep that the payload folder or the DosBox starter
// would pass the path bound has the same effect. Either gives -1, with the
// last-error value ERROR_NOT_SUPPORTED or ERROR_FILENAME_EXCED_RANGE.
ErrorCode check_package_directory();

#endif  // QUELLMAR_LAUNCHER_PACKAGE_DIRECTORY_H_
