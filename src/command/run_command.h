// Runs a command line through the system's command interpreter.
#ifndef QUELLMAR_COMMAND_RUN_COMMAND_H_
#define QUELLMAR_COMMAND_RUN_COMMAND_H_

// Runs |command| as "<interpreter> /d /c <command>" (no AutoRun command of the
// registry runs first) in the launcher's console, environment and current
// directory, and waits for it to end. The interpreter is the one "COMSPEC"
// names, or "CMD.EXE" found in the current directory or along "PATH" when
// "COMSPEC" is not set. Returns the interpreter's exit status unchanged, or -1
// when no interpreter could be started.
int run_command(const wchar_t* command);

// Runs |program| of the system folder (GetSystemDirectoryW) with |arguments|,
// as run_command runs a command: named by its full path, since the
// interpreter looks for a program or batch file of that name in the current
// folder first, and would run that one instead. Returns as run_command does,
// -1 too when the system folder's path cannot be had.
int run_system_program(const wchar_t* program, const wchar_t* arguments);

#endif  // QUELLMAR_COMMAND_RUN_COMMAND_H_
