#include "console/failure_report.h"

#include <windows.h>

#include "console/console_setup.h"
#include "console/key_reader.h"
#include "console/report.h"

namespace {

struct ErrorMessage {
  ErrorCode code;
  const wchar_t* text;
};

constexpr ErrorMessage error_messages[] = {
    {current_directory_not_set, L"Current directory not set.\r\n"},
    {directory_not_removed, L"Directory not removed.\r\n"},
    {expected_directory_is_file, L"Expected directory is a file.\r\n"},
    {input_code_page_not_set, L"Input code page 1252 not set.\r\n"},
    {input_mode_not_set, L"Input console mode not set.\r\n"},
    {output_code_page_not_set, L"Output code page 1252 not set.\r\n"},
    {output_mode_not_set, L"Output console mode not set.\r\n"},
    {no_input_mode, L"No input console mode.\r\n"},
    {no_output_mode, L"No output console mode.\r\n"},
    {no_valid_input_handle, L"No valid input handle.\r\n"},
    {no_valid_output_handle, L"No valid output handle.\r\n"},
    {screen_not_cleared, L"Screen not cleared.\r\n"},
    {dosbox_not_executed, L"System call of DosBox not executed.\r\n"},
    {del_not_executed, L"System command DEL not executed.\r\n"},
    {xcopy_not_executed, L"System command XCOPY not executed.\r\n"},
};

}  // namespace

const wchar_t* error_text(ErrorCode code) {
  for (const ErrorMessage& message : error_messages) {
    if (message.code == code)
      return message.text;
  }
  return nullptr;
}

void report_failure(const wchar_t* routine, ErrorCode code, MessageOutput output) {
  // Read before anything else can change it.
  DWORD last_error = GetLastError();
  report(L"\r\n# Error No. %d in function ", -code);
  report(routine);
  report(L" with last_error = %u:\r\n", static_cast<unsigned>(last_error));
  const wchar_t* message = error_text(code);
  if (message == nullptr)
    report(L"No error text available.\r\n");
  else if (output == MessageOutput::console)
    write_console_text(message, lstrlenW(message));
  else
    report(message);
  read_key();
}
