#include "console_session.h"

#include <cwctype>

namespace {

HANDLE OpenConsole(const wchar_t* name) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inheritable, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

ConsoleSession::ConsoleSession() {
  input_ = OpenConsole(L"CONIN$");
  output_ = OpenConsole(L"CONOUT$");
  // The screen of tools/wine-test-run.sh's terminal, 80 by 50, on Windows too;
  // the window must be made smaller than the buffer first.
  if (!UnderWine()) {
    SMALL_RECT corner = {0, 0, 0, 0};
    SMALL_RECT window = {0, 0, 79, 49};
    SetConsoleWindowInfo(output_, TRUE, &corner);
    SetConsoleScreenBufferSize(output_, {80, 50});
    SetConsoleWindowInfo(output_, TRUE, &window);
  }
  // The test program's own output goes to a file; a child started without
  // redirection takes its standard handles from here, and must get the
  // console. The C runtime keeps writing the test's report to the file.
  SetStdHandle(STD_INPUT_HANDLE, input_);
  SetStdHandle(STD_OUTPUT_HANDLE, output_);
  SetStdHandle(STD_ERROR_HANDLE, output_);
  Clear();
}

void ConsoleSession::Clear() {
  EndChild();
  FlushConsoleInputBuffer(input_);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(output_, &info)) {
    DWORD cells = static_cast<DWORD>(info.dwSize.X) * info.dwSize.Y;
    DWORD written = 0;
    FillConsoleOutputCharacterW(output_, L' ', cells, {0, 0}, &written);
    SetConsoleCursorPosition(output_, {0, 0});
  }
}

void ConsoleSession::EndChild() {
  if (process_ == nullptr)
    return;
  // A child still running here failed its test; it must not outlive it.
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
    CutOff();
  CloseHandle(process_);
  process_ = nullptr;
  CloseHandle(job_);
  job_ = nullptr;
}

void ConsoleSession::EndOnlyTheChild() {
  TerminateProcess(process_, 99);
  WaitForSingleObject(process_, Patience());
}

void ConsoleSession::CutOff() {
  if (job_ == nullptr || !TerminateJobObject(job_, 99))
    TerminateProcess(process_, 99);
  WaitForSingleObject(process_, Patience());
}

ConsoleSession::~ConsoleSession() {
  EndChild();
  CloseHandle(input_);
  CloseHandle(output_);
}

bool ConsoleSession::Start(const std::wstring& command_line, const StartOptions& options) {
  EndChild();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (options.Redirected()) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = options.std_input != nullptr ? options.std_input : input_;
    if (options.without_std_input)
      startup.hStdInput = nullptr;
    startup.hStdOutput = options.std_output != nullptr ? options.std_output : output_;
    startup.hStdError = startup.hStdOutput;
  }
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');
  // Wine's CreateProcessW cannot start a child in a network folder, but a
  // child inherits one: the test enters it for the moment of the start.
  const bool network = options.directory.compare(0, 2, L"\\\\") == 0;
  const wchar_t* directory = options.directory.empty() ? nullptr : options.directory.c_str();
  wchar_t saved[MAX_PATH] = L"";
  if (network) {
    GetCurrentDirectoryW(MAX_PATH, saved);
    if (!SetCurrentDirectoryW(directory))
      return false;
    directory = nullptr;
  }
  PROCESS_INFORMATION info = {};
  // Suspended until it is in its job, so that all it starts is in there too.
  BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                nullptr, directory, &startup, &info);
  if (network)
    SetCurrentDirectoryW(saved);
  if (!created)
    return false;
  job_ = CreateJobObjectW(nullptr, nullptr);
  if (job_ != nullptr)
    AssignProcessToJobObject(job_, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  return true;
}

INPUT_RECORD KeyRecord(bool down, WORD virtual_key, wchar_t character, DWORD control_state) {
  INPUT_RECORD record = {};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
  record.Event.KeyEvent.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyW(virtual_key, 0));
  record.Event.KeyEvent.uChar.UnicodeChar = character;
  record.Event.KeyEvent.dwControlKeyState = control_state;
  return record;
}

void ConsoleSession::Record(const INPUT_RECORD& record) {
  DWORD written = 0;
  WriteConsoleInputW(input_, &record, 1, &written);
}

void ConsoleSession::Key(WORD virtual_key, wchar_t character, DWORD control_state) {
  Record(KeyRecord(true, virtual_key, character, control_state));
  Record(KeyRecord(false, virtual_key, character, control_state));
}

void ConsoleSession::Char(wchar_t character) {
  SHORT scan = VkKeyScanW(character);
  WORD virtual_key = scan == -1 ? 0 : LOBYTE(scan);
  DWORD state = (scan != -1 && (HIBYTE(scan) & 1)) ? SHIFT_PRESSED : 0;
  Key(virtual_key, character, state);
}

std::vector<std::wstring> ConsoleSession::Rows() const {
  std::vector<std::wstring> rows;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(output_, &info))
    return rows;
  std::wstring row(info.dwSize.X, L' ');
  for (SHORT y = 0; y < info.dwSize.Y; ++y) {
    DWORD read = 0;
    ReadConsoleOutputCharacterW(output_, &row[0], info.dwSize.X, {0, y}, &read);
    std::wstring text = row.substr(0, read);
    while (!text.empty() && text.back() == L' ')
      text.pop_back();
    rows.push_back(text);
  }
  while (!rows.empty() && rows.back().empty())
    rows.pop_back();
  return rows;
}

std::wstring ConsoleSession::Screen() const {
  std::wstring screen;
  for (const std::wstring& row : Rows())
    screen += row + L"\n";
  return screen;
}

COORD ConsoleSession::Cursor() const {
  CONSOLE_SCREEN_BUFFER_INFO info = {};
  GetConsoleScreenBufferInfo(output_, &info);
  return info.dwCursorPosition;
}

bool ConsoleSession::WaitForText(const std::wstring& text, DWORD timeout) const {
  for (DWORD waited = 0;; waited += 50) {
    if (Screen().find(text) != std::wstring::npos)
      return true;
    if (waited >= timeout)
      return false;
    Sleep(50);
  }
}

bool ConsoleSession::WaitForExit(DWORD* status, DWORD timeout) {
  if (process_ == nullptr || WaitForSingleObject(process_, timeout) != WAIT_OBJECT_0)
    return false;
  GetExitCodeProcess(process_, status);
  return true;
}

bool ConsoleSession::IsWaiting() {
  return process_ != nullptr && WaitForSingleObject(process_, 500 * WaitScale()) == WAIT_TIMEOUT;
}
