#include "test_drive.h"

#include <windows.h>

#include <cstdio>

namespace {

// Written by tools/wine-test-run.sh into every prefix it makes. A contributor's
// own Windows PC, or a Wine prefix in daily use, does not have it.
constexpr wchar_t kMarker[] = L"C:\\quellmar-test-drive";

}  // namespace

bool on_disposable_test_drive() {
  if (GetFileAttributesW(kMarker) != INVALID_FILE_ATTRIBUTES)
    return true;
  std::printf(
      "Not run: these tests delete and rewrite files on drive C: (C:\\Quellmar, C:\\package and "
      "more), and this C: is not a disposable test drive (C:\\quellmar-test-drive is missing). "
      "Run them with tools/test.sh or ctest, which give each test program a fresh Wine prefix.\n");
  std::fflush(stdout);
  return false;
}
