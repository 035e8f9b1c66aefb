// The main of every Windows test program: GoogleTest's, behind the check that
// drive C: is the test's own.
#include <gtest/gtest.h>

#include <algorithm>

#include "test_drive.h"
#include "test_files.h"

namespace {

// The names at the top of drive C:, sorted.
std::vector<std::wstring> TopOfDrive() {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(L"C:\\*", &entry);
  for (BOOL found = search != INVALID_HANDLE_VALUE; found; found = FindNextFileW(search, &entry))
    names.push_back(entry.cFileName);
  if (search != INVALID_HANDLE_VALUE)
    FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  if (!on_disposable_test_drive())
    return 2;
  // Under Wine each program has a drive of its own. On Windows they take
  // turns on the one C:, and what one leaves at its top reaches no other.
  const std::vector<std::wstring> before = TopOfDrive();
  testing::InitGoogleTest(&argc, argv);
  int status = RUN_ALL_TESTS();
  if (!UnderWine()) {
    for (const std::wstring& name : TopOfDrive()) {
      if (!std::binary_search(before.begin(), before.end(), name))
        RemoveTree(LongPath(L"C:\\" + name));
    }
  }
  return status;
}
