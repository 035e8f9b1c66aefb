// Single-key input from the console, without echo and without Enter.
#ifndef QUELLMAR_CONSOLE_KEY_READER_H_
#define QUELLMAR_CONSOLE_KEY_READER_H_

// Blocks until a key press that yields a code and returns it: the key's
// character in code page 1252 as a signed 8-bit value (0x80 to 0xFF come back
// as -128 to -1), or for a key without a character its BIOS code; an extended
// code comes as 0 now and the code itself on the next call. Returns -1 when
// the console cannot be read.
int read_key();

#endif  // QUELLMAR_CONSOLE_KEY_READER_H_
