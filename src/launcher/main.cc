// The launcher's run: set-up, the menu, one key, at most one action, at most
// one failure report.
#include <windows.h>

#include "command/run_command.h"
#include "console/console_setup.h"
#include "console/failure_report.h"
#include "console/key_reader.h"
#include "error_code.h"
#include "launcher/actions.h"
#include "launcher/screen_texts.h"

namespace {

enum class Choice { launch, uninstall, exit, invalid };

struct KeyChoice {
  int key;
  Choice choice;
};

constexpr int key_enter = 13;
constexpr int key_line_feed = 10;
constexpr int key_backspace = 8;
constexpr int key_escape = 27;

constexpr KeyChoice menu_keys[] = {
    {'1', Choice::launch},      {key_enter, Choice::launch},        {key_line_feed, Choice::launch},
    {'2', Choice::uninstall},   {key_backspace, Choice::uninstall}, {'3', Choice::exit},
    {key_escape, Choice::exit},
};

Choice choice_of(int key) {
  for (const KeyChoice& row : menu_keys) {
    if (row.key == key)
      return row.choice;
  }
  return Choice::invalid;
}

ErrorCode invalid_choice() {
  if (run_command(L"cls") != 0)
    return screen_not_cleared;
  write_console_text(invalid_choice_text, invalid_choice_text_length);
  read_key();
  return success;
}

}  // namespace

int main() {
  ErrorCode rc = enable_unicode_terminal();
  // Set-up has reported its own failure and waited for a key.
  if (rc < 0)
    return 3;

  write_console_text(menu_text, menu_text_length);
  switch (choice_of(read_key())) {
    case Choice::launch:
      rc = launch_action();
      break;
    case Choice::uninstall:
      rc = uninstall_action();
      break;
    case Choice::exit:
      break;
    case Choice::invalid:
      rc = invalid_choice();
      break;
  }

  if (rc < 0)
    report_failure(L"main( )", rc, MessageOutput::console);
  return rc == success ? 0 : 3;
}
