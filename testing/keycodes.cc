// keycodes COUNT: reads COUNT codes with the launcher's own key reader and
// prints each in decimal on a line of its own, for tests of the key table.
// Only the console's input code page is set, as the launcher's set-up does;
// standard output is left alone so that tests can redirect it to a file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "console/key_reader.h"

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 1;
  SetConsoleCP(1252);
  for (int i = 0; i < count; ++i) {
    std::printf("%d\n", read_key());
    std::fflush(stdout);
  }
  return 0;
}
