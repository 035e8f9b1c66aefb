// Formatted diagnostic output on the process's standard output stream.
#ifndef QUELLMAR_CONSOLE_REPORT_H_
#define QUELLMAR_CONSOLE_REPORT_H_

#include <cstdarg>
#include <cstddef>

// Formats |format| with its %d (signed 32-bit) and %u (unsigned 32-bit)
// conversions and writes the result to stdout, one byte per UTF-16 unit up to
// 0xFF; units above 0xFF are left out. stdout is a text-mode stream, so every
// LF reaches the handle as CR LF. Returns the number of bytes produced.
int report(const wchar_t* format, ...);

// The formatting step of report(), into |out| (at most |capacity| bytes, no
// terminator). Returns the number of bytes stored; output past |capacity| is
// cut off.
std::size_t format_report(char* out, std::size_t capacity, const wchar_t* format, va_list args);

#endif  // QUELLMAR_CONSOLE_REPORT_H_
