#include "console/console_setup.h"

#include <windows.h>

#include "console/failure_report.h"

namespace {

HANDLE input_handle = INVALID_HANDLE_VALUE;
HANDLE output_handle = INVALID_HANDLE_VALUE;

// Without line input and echo a key press reaches read_key at once and is not
// printed; on the output side the same bits turn off wrapping at the end of a
// line, since the menu's lines fill the 79 columns exactly.
constexpr DWORD line_input_and_echo = ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;
constexpr UINT windows_latin_1 = 1252;

// A process started without a standard handle (detached, or by a program
// that gave it none) gets NULL for it, not the invalid value.
bool is_valid_handle(HANDLE handle) {
  return handle != INVALID_HANDLE_VALUE && handle != nullptr;
}

ErrorCode configure_console() {
  DWORD mode = 0;
  if (!SetConsoleCP(windows_latin_1))
    return input_code_page_not_set;
  input_handle = GetStdHandle(STD_INPUT_HANDLE);
  if (!is_valid_handle(input_handle))
    return no_valid_input_handle;
  if (!GetConsoleMode(input_handle, &mode))
    return no_input_mode;
  if (!SetConsoleMode(input_handle, mode & ~line_input_and_echo))
    return input_mode_not_set;
  if (!SetConsoleOutputCP(windows_latin_1))
    return output_code_page_not_set;
  output_handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!is_valid_handle(output_handle))
    return no_valid_output_handle;
  if (!GetConsoleMode(output_handle, &mode))
    return no_output_mode;
  if (!SetConsoleMode(output_handle, mode & ~line_input_and_echo))
    return output_mode_not_set;
  return success;
}

}  // namespace

ErrorCode enable_unicode_terminal() {
  ErrorCode rc = configure_console();
  // Before the menu, so through report, message and all.
  if (rc != success)
    report_failure(L"'enable_unicode_terminal( )'", rc, MessageOutput::report);
  return rc;
}

void write_console_text(const wchar_t* text, unsigned long length) {
  DWORD written = 0;
  WriteConsoleW(output_handle, text, length, &written, nullptr);
}
