// A stand-in command interpreter for tests, named by COMSPEC. It appends its
// whole command line to the file that FAKE_SHELL_LOG names (UTF-8, one line a
// call). When FAKE_SHELL_FAIL is set and the command after "/c " contains it,
// it exits with FAKE_SHELL_STATUS (default 1) without running anything; any
// other command runs through Wine's real cmd.exe and yields its status.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
  wchar_t value[32767];
  DWORD length = GetEnvironmentVariableW(name, value, 32767);
  return std::wstring(value, length < 32767 ? length : 0);
}

void Log(const std::wstring& line) {
  std::wstring path = Variable(L"FAKE_SHELL_LOG");
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

}  // namespace

int main() {
  std::wstring line = GetCommandLineW();
  Log(line);
  size_t switch_at = line.find(L" /c ");
  std::wstring command = switch_at == std::wstring::npos ? L"" : line.substr(switch_at + 4);

  std::wstring fail = Variable(L"FAKE_SHELL_FAIL");
  if (!fail.empty() && command.find(fail) != std::wstring::npos) {
    std::wstring status = Variable(L"FAKE_SHELL_STATUS");
    return status.empty() ? 1 : static_cast<int>(std::wcstoul(status.c_str(), nullptr, 10));
  }

  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
  std::wstring real_line = L"cmd.exe /c " + command;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(cmd.c_str(), &real_line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 9009;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}
