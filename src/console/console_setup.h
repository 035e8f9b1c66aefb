// Console set-up for the launcher, and the direct wide-text output.
#ifndef QUELLMAR_CONSOLE_CONSOLE_SETUP_H_
#define QUELLMAR_CONSOLE_CONSOLE_SETUP_H_

#include "error_code.h"

// Sets code page 1252 for console input and output, turns line input and echo
// off, and stores the standard input and output handles for the rest of the
// run. On failure it has already reported the code and waited for a key.
// Returns 0 or one of -4 to -11.
ErrorCode enable_unicode_terminal();

// Writes |length| UTF-16 units to the stored output handle, unchanged; CR LF
// in the text is what reaches the console.
void write_console_text(const wchar_t* text, unsigned long length);

#endif  // QUELLMAR_CONSOLE_CONSOLE_SETUP_H_
