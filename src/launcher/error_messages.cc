#include "launcher/error_messages.h"

namespace {

struct ErrorMessage {
  ErrorCode code;
  const wchar_t* text;
};

constexpr ErrorMessage main_messages[] = {
    {current_directory_not_set, L"Current directory not set.\r\n"},
    {directory_not_removed, L"Directory not removed.\r\n"},
    {expected_directory_is_file, L"Expected directory is a file.\r\n"},
    {screen_not_cleared, L"Screen not cleared.\r\n"},
    {dosbox_not_executed, L"System call of DosBox not executed.\r\n"},
    {del_not_executed, L"System command DEL not executed.\r\n"},
    {xcopy_not_executed, L"System command XCOPY not executed.\r\n"},
};

}  // namespace

const wchar_t* main_error_text(ErrorCode code) {
  for (const ErrorMessage& message : main_messages) {
    if (message.code == code)
      return message.text;
  }
  return nullptr;
}
