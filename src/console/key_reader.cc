#include "console/key_reader.h"

#include <windows.h>

#include "console/extended_keys.h"

namespace {

// The reader keeps a handle of its own to the console input buffer, opened
// before main runs, so that it reads the keyboard even when standard input is
// redirected.
HANDLE open_console_input() {
  return CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

const HANDLE console_input = open_console_input();

bool has_pending_code = false;
int pending_code = 0;

// Reads records until a key press that yields a code. Returns false when the
// console cannot be read.
bool read_key_code(int* code) {
  for (;;) {
    INPUT_RECORD record;
    DWORD count = 0;
    if (!ReadConsoleInputA(console_input, &record, 1, &count))
      return false;
    if (count != 1 || record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
      continue;

    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    if (key.uChar.AsciiChar != 0) {
      *code = static_cast<signed char>(key.uChar.AsciiChar);
      return true;
    }
    KeyCode looked_up = extended_key_code(key.wVirtualKeyCode, key.dwControlKeyState);
    if (looked_up.kind == KeyCode::plain) {
      *code = looked_up.value;
      return true;
    }
    if (looked_up.kind == KeyCode::extended) {
      pending_code = looked_up.value;
      has_pending_code = true;
      *code = 0;
      return true;
    }
    // Modifiers and lock keys alone, and keys without a code, are skipped.
  }
}

}  // namespace

int read_key() {
  if (has_pending_code) {
    has_pending_code = false;
    return pending_code;
  }

  // Mode 0 for the read: no line input, no echo, and no processed input, so
  // that Ctrl+C arrives as the character 3 instead of ending the process.
  DWORD saved_mode = 0;
  if (GetConsoleMode(console_input, &saved_mode) != 1)
    return -1;
  if (SetConsoleMode(console_input, 0) != 1)
    return -1;
  int code = -1;
  bool read = read_key_code(&code);
  if (SetConsoleMode(console_input, saved_mode) != 1)
    return -1;
  return read ? code : -1;
}
