// The floor for the launcher's start-up: a console program that writes the
// same menu the same way (one WriteConsoleW of the whole text) and waits for a
// key, and does nothing else.
#include <windows.h>

#include "launcher/screen_texts.h"

int main() {
  DWORD written = 0;
  WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), menu_text, menu_text_length, &written, nullptr);

  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  INPUT_RECORD record;
  DWORD read = 0;
  while (ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
      break;
  }
  return 0;
}
