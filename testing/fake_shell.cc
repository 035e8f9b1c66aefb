// A stand-in command interpreter for tests, named by COMSPEC. It appends its
// whole command line to the file that FAKE_SHELL_LOG names (UTF-8, one line a
// call), and the directory the command runs in to FAKE_SHELL_WHERE_LOG. When
// FAKE_SHELL_FAIL is set and the command after "/c " contains it, it runs
// FAKE_SHELL_INSTEAD through Wine's real cmd.exe when that is set, or nothing,
// and exits with FAKE_SHELL_STATUS (default 1); there %FAKE_SHELL_COMMAND% is
// the command it was asked to run. Any other command runs through
// the real cmd.exe and yields its status. With FAKE_SHELL_HANG set, a failing
// command logs "hanging" after its work and ends only once the file that
// FAKE_SHELL_HANG names exists.
//
// Like the real cmd.exe on Windows, and unlike Wine's, it cannot work in a
// network folder: started in one, it warns and runs the command in the
// Windows folder instead. And like the real one, unlike Wine's, it runs an
// AutoRun command first unless "/d" stands among its switches before "/c":
// the command in FAKE_SHELL_AUTORUN, which stands for the registry's. It runs
// in the same cmd.exe as what follows, so that an AutoRun "cd /d C:\dev"
// moves the command there, as it does on Windows.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
  wchar_t value[32767];
  DWORD length = GetEnvironmentVariableW(name, value, 32767);
  return std::wstring(value, length < 32767 ? length : 0);
}

void Log(const wchar_t* variable, const std::wstring& line) {
  std::wstring path = Variable(variable);
  if (path.empty())
    return;
  HANDLE log = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE)
    return;
  std::wstring text = line + L"\r\n";
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(log);
}

// Where the real cmd.exe runs a command: its current directory, or the
// Windows folder when that is a network path.
std::wstring WorkingDirectory() {
  wchar_t directory[32768];
  DWORD length = GetCurrentDirectoryW(32768, directory);
  std::wstring current(directory, length < 32768 ? length : 0);
  bool network =
      current.size() > 2 && current[0] == L'\\' && current[1] == L'\\' &&
      !(current.size() > 5 && (current[2] == L'?' || current[2] == L'.') && current[5] == L':');
  if (!network)
    return current;
  std::wstring warning = L"'" + current +
                         L"'\r\nCMD.EXE was started with the above path as the current "
                         L"directory.\r\nUNC paths are not supported.  Defaulting to Windows "
                         L"directory.\r\n";
  DWORD written = 0;
  WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), warning.c_str(), static_cast<DWORD>(warning.size()),
                &written, nullptr);
  GetWindowsDirectoryW(directory, MAX_PATH);
  return directory;
}

// True when the switches between the program's name and "/c" (at
// |switch_at|) include "/d", which turns AutoRun off.
bool AutoRunOff(const std::wstring& line, size_t switch_at) {
  std::wstring switches = line.substr(0, switch_at == std::wstring::npos ? line.size() : switch_at);
  size_t name_end = switches.find(!line.empty() && line[0] == L'"' ? L'"' : L' ', 1);
  switches = name_end == std::wstring::npos ? L"" : switches.substr(name_end + 1);
  for (size_t start = 0; start < switches.size();) {
    size_t end = switches.find(L' ', start);
    if (end == std::wstring::npos)
      end = switches.size();
    if (end - start == 2 && switches[start] == L'/' &&
        (switches[start + 1] == L'd' || switches[start + 1] == L'D')) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

// |command| behind |autorun|, if any, for one cmd.exe to run in turn.
std::wstring AfterAutoRun(const std::wstring& autorun, const std::wstring& command) {
  if (autorun.empty())
    return command;
  return command.empty() ? autorun : autorun + L" & " + command;
}

int RunInCmd(const std::wstring& command, const std::wstring& directory) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
  std::wstring line = L"cmd.exe /c " + command;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(cmd.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                      &startup, &process)) {
    return 9009;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}

}  // namespace

int main() {
  std::wstring line = GetCommandLineW();
  Log(L"FAKE_SHELL_LOG", line);
  size_t switch_at = line.find(L" /c ");
  std::wstring command = switch_at == std::wstring::npos ? L"" : line.substr(switch_at + 4);
  std::wstring directory = WorkingDirectory();
  Log(L"FAKE_SHELL_WHERE_LOG", directory);
  std::wstring autorun = AutoRunOff(line, switch_at) ? L"" : Variable(L"FAKE_SHELL_AUTORUN");

  std::wstring fail = Variable(L"FAKE_SHELL_FAIL");
  if (!fail.empty() && command.find(fail) != std::wstring::npos) {
    SetEnvironmentVariableW(L"FAKE_SHELL_COMMAND", command.c_str());
    std::wstring instead = AfterAutoRun(autorun, Variable(L"FAKE_SHELL_INSTEAD"));
    if (!instead.empty())
      RunInCmd(instead, directory);
    // A command that has done its work and not yet ended, until released.
    std::wstring release = Variable(L"FAKE_SHELL_HANG");
    if (!release.empty()) {
      Log(L"FAKE_SHELL_LOG", L"hanging");
      while (GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(20);
    }
    std::wstring status = Variable(L"FAKE_SHELL_STATUS");
    return status.empty() ? 1 : static_cast<int>(std::wcstoul(status.c_str(), nullptr, 10));
  }
  return RunInCmd(AfterAutoRun(autorun, command), directory);
}
