// The one bound on the paths that the launcher hands on or checks.
#ifndef QUELLMAR_PATH_BOUND_H_
#define QUELLMAR_PATH_BOUND_H_

#include <cstddef>

// 259 characters and the terminator: what the command interpreter and the
// programs it runs can take as a current directory or a file name. A longer
// path makes the launcher stop with an error instead of overflowing, or
// instead of letting a command fail in a worse way.
constexpr std::size_t max_path_units = 260;

#endif  // QUELLMAR_PATH_BOUND_H_
