// Finding the command interpreter's file.
#ifndef QUELLMAR_COMMAND_INTERPRETER_PATH_H_
#define QUELLMAR_COMMAND_INTERPRETER_PATH_H_

#include "path_bound.h"

// Fills |found| (max_path_units long) with the interpreter to start: "COMSPEC" unchanged when it is
// set, otherwise the first "CMD.EXE" in the current directory or along
// "PATH". Then makes sure that the file exists, trying ".EXE", ".BAT" and
// ".CMD" on a name without an extension. Returns false when nothing fits.
// A batch file found this way can only have come from "COMSPEC", so it is
// itself the program that "COMSPEC" names: it is handed to CreateProcessW as
// it is, and whether that starts it is the system's matter (Wine refuses).
bool find_interpreter(wchar_t* found);

// Fills |directory| (max_path_units long) with the current directory. Returns
// false when it is longer than the bound.
bool bounded_current_directory(wchar_t* directory);

#endif  // QUELLMAR_COMMAND_INTERPRETER_PATH_H_
