// The bounds on the paths that the launcher hands on or checks.
#ifndef QUELLMAR_PATH_BOUND_H_
#define QUELLMAR_PATH_BOUND_H_

#include <cstddef>

// 259 characters and the terminator: what the command interpreter and the
// programs it runs can take as a current directory or a file name. A longer
// path makes the launcher stop with an error instead of overflowing, or
// instead of letting a command fail in a worse way.
constexpr std::size_t max_path_units = 260;

// 247 characters and the terminator: a folder's path must leave room for an
// 8.3 file name in it, so CreateDirectory refuses longer ones, and a copy
// that creates one fails part-way.
constexpr std::size_t max_folder_path_units = max_path_units - 12;

// 254 characters and the terminator: xcopy stops with "Insufficient memory"
// at a file path of about 255 characters, whether it reads or writes it.
constexpr std::size_t max_xcopy_file_path_units = 255;

// What a walk over a folder tree takes below its root: paths, and so the
// depth, within four times the path bound. A tree nested deeper is not
// entered, and the walk fails.
constexpr std::size_t walk_path_units = 4 * max_path_units;

#endif  // QUELLMAR_PATH_BOUND_H_
