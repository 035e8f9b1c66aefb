// The DosBox starter of the install benchmark's package: it ends at once with
// status 0, so that what the first launch costs besides the copy is the
// starter's process start and no more. The tests' stand-in lists the whole
// installation on the screen, which for thousands of files would weigh on the
// launch's figure. When DOSBOX_STANDIN_LOG names a file, it appends the same
// first line as the tests' stand-in there, so that the bench can tell it ran.
#include <windows.h>

int main() {
  wchar_t log_path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"DOSBOX_STANDIN_LOG", log_path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return 0;
  HANDLE log =
      CreateFileW(log_path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE)
    return 0;
  static const char kLine[] = "DosBox stand-in started\r\n";
  DWORD written = 0;
  WriteFile(log, kLine, sizeof kLine - 1, &written, nullptr);
  CloseHandle(log);
  return 0;
}
