// The codes of key presses that bring no character, as the IBM PC keyboard
// BIOS gives them: a character where the BIOS has one, otherwise 0 followed by
// the BIOS's extended code.
#ifndef QUELLMAR_CONSOLE_EXTENDED_KEYS_H_
#define QUELLMAR_CONSOLE_EXTENDED_KEYS_H_

#include <cstdint>

struct KeyCode {
  enum Kind : std::uint8_t {
    none,      // The key yields nothing; the reader waits for the next one.
    plain,     // The key yields |value|.
    extended,  // The key yields 0, then |value| on the next read.
  };
  Kind kind;
  std::uint8_t value;
};

// Looks |virtual_key| up with the modifier state of a console key event
// (dwControlKeyState). Alt wins over Ctrl, Ctrl over Shift; lock keys do not
// count.
KeyCode extended_key_code(unsigned virtual_key, unsigned long control_key_state);

#endif  // QUELLMAR_CONSOLE_EXTENDED_KEYS_H_
