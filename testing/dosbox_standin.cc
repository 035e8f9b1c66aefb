// Stands in for the DosBox starter "dosboxportable.exe" in the demo package
// and in tests: it shows how it was started and what the installation holds,
// and exits with 0, or with DOSBOX_STANDIN_STATUS when that is set. When
// DOSBOX_STANDIN_LOG names a file, the same report is appended there.
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

void List(const std::wstring& root, const std::wstring& relative, std::wstring* out) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((root + L"\\" + relative + L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..")
      continue;
    bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    *out += L"  " + relative + name + (folder ? L"\\" : L"") + L"\r\n";
    if (folder)
      List(root, relative + name + L"\\", out);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

}  // namespace

int main() {
  wchar_t directory[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, directory);
  std::wstring text = L"DosBox stand-in started\r\n";
  text += L"command line: " + std::wstring(GetCommandLineW()) + L"\r\n";
  text += L"current directory: " + std::wstring(directory) + L"\r\n";
  text += L"C:\\Quellmar holds:\r\n";
  List(L"C:\\Quellmar", L"", &text);

  DWORD written = 0;
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    std::string narrow(text.begin(), text.end());
    WriteFile(out, narrow.data(), static_cast<DWORD>(narrow.size()), &written, nullptr);
  }

  std::wstring log_path = Variable(L"DOSBOX_STANDIN_LOG");
  if (!log_path.empty()) {
    HANDLE log = CreateFileW(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, 0, nullptr);
    std::string narrow;
    for (wchar_t c : text)
      narrow += c < 0x80 ? static_cast<char>(c) : '?';
    WriteFile(log, narrow.data(), static_cast<DWORD>(narrow.size()), &written, nullptr);
    CloseHandle(log);
  }

  std::wstring status = Variable(L"DOSBOX_STANDIN_STATUS");
  return status.empty() ? 0 : static_cast<int>(std::wcstoul(status.c_str(), nullptr, 10));
}
