#include "console/report.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

// A console shows a report at once, in order with the direct console writes
// around it. Files and pipes get a small buffer, written out at the latest when
// the process ends.
bool configure_stdout_buffering() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  bool is_console = GetFileType(out) == FILE_TYPE_CHAR && GetConsoleMode(out, &mode);
  if (is_console) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
  } else {
    std::setvbuf(stdout, nullptr, _IOFBF, 512);
  }
  return is_console;
}

// Decided once, before main runs and before anything is written to stdout.
const bool stdout_is_console = configure_stdout_buffering();

std::size_t put_decimal(char* out, std::size_t capacity, std::size_t used, bool negative,
                        std::uint32_t magnitude) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative && used < capacity)
    out[used++] = '-';
  while (count > 0 && used < capacity)
    out[used++] = digits[--count];
  return used;
}

}  // namespace

std::size_t format_report(char* out, std::size_t capacity, const wchar_t* format, va_list args) {
  std::size_t used = 0;
  for (const wchar_t* p = format; *p != L'\0' && used < capacity; ++p) {
    if (p[0] == L'%' && p[1] == L'd') {
      std::int32_t value = va_arg(args, std::int32_t);
      // Negate in unsigned arithmetic so that INT32_MIN has a magnitude too.
      std::uint32_t magnitude = static_cast<std::uint32_t>(value);
      if (value < 0)
        magnitude = 0u - magnitude;
      used = put_decimal(out, capacity, used, value < 0, magnitude);
      ++p;
    } else if (p[0] == L'%' && p[1] == L'u') {
      used = put_decimal(out, capacity, used, false, va_arg(args, std::uint32_t));
      ++p;
    } else if (static_cast<unsigned>(*p) <= 0xFF) {
      out[used++] = static_cast<char>(*p);
    }
  }
  return used;
}

int report(const wchar_t* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::size_t length = format_report(text, sizeof text, format, args);
  va_end(args);
  std::fwrite(text, 1, length, stdout);
  return static_cast<int>(length);
}
