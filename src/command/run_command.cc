#include "command/run_command.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "command/interpreter_path.h"

namespace {

// The command line carries the interpreter in its short 8.3 form, so a path
// with blanks needs no quotes; the long form stands when there is no short one.
void short_form(const wchar_t* path, wchar_t* out) {
  DWORD length = GetShortPathNameW(path, out, max_path_units);
  if (length == 0 || length >= max_path_units)
    std::wcscpy(out, path);
}

// "<interpreter> /d /c <command>", nothing quoted or escaped. Returns nullptr
// when memory for it cannot be had.
//
// "/d" keeps cmd.exe from running the registry's AutoRun command first: an
// AutoRun such as "cd /d C:\dev" would make "xcopy *.*" copy that folder into
// the installation instead of the payload, and its output and time would land
// in every command the launcher runs.
wchar_t* build_command_line(const wchar_t* interpreter, const wchar_t* command) {
  constexpr wchar_t switches[] = L" /d /c ";
  wchar_t interpreter_short[max_path_units];
  short_form(interpreter, interpreter_short);

  std::size_t length =
      std::wcslen(interpreter_short) + std::wcslen(switches) + std::wcslen(command) + 1;
  wchar_t* line = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, length * sizeof(wchar_t)));
  if (line == nullptr)
    return nullptr;
  std::wcscpy(line, interpreter_short);
  std::wcscat(line, switches);
  std::wcscat(line, command);
  return line;
}

}  // namespace

int run_command(const wchar_t* command) {
  wchar_t interpreter[max_path_units];
  if (!find_interpreter(interpreter))
    return -1;

  // The child inherits the current directory, which is bound like every other
  // path here; Wine corrupts its own heap when it starts a process from a
  // longer one.
  wchar_t directory[max_path_units];
  if (!bounded_current_directory(directory))
    return -1;

  wchar_t* command_line = build_command_line(interpreter, command);
  if (command_line == nullptr)
    return -1;

  // The child shares the console; what the launcher has buffered must be on
  // the screen or in the file before the child writes there.
  std::fflush(nullptr);

  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  BOOL created = CreateProcessW(interpreter, command_line, &inheritable, &inheritable, TRUE,
                                CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup, &process);
  HeapFree(GetProcessHeap(), 0, command_line);
  if (created != 1)
    return -1;

  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(status);
}

int run_system_program(const wchar_t* program, const wchar_t* arguments) {
  wchar_t folder[max_path_units];
  UINT length = GetSystemDirectoryW(folder, max_path_units);
  if (length == 0 || length >= max_path_units)
    return -1;
  // Short, as the interpreter's path is: nothing is quoted.
  wchar_t command[3 * max_path_units];
  short_form(folder, command);
  if (std::wcslen(command) + 1 + std::wcslen(program) + 1 + std::wcslen(arguments) >=
      sizeof command / sizeof command[0]) {
    return -1;
  }
  std::wcscat(command, L"\\");
  std::wcscat(command, program);
  std::wcscat(command, L" ");
  std::wcscat(command, arguments);
  return run_command(command);
}
