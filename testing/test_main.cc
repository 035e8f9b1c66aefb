// The main of every Windows test program: GoogleTest's, behind the check that
// drive C: is the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_drive.h"
#include "test_files.h"

namespace {

// The names at the top of drive C:, sorted.
std::vector<std::wstring> ListTop() {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(L"C:\\*", &entry);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..")
      names.push_back(name);
  } while (FindNextFileW(search, &entry));
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
  const bool shared_drive = !UnderWine();
  const std::vector<std::wstring> before = shared_drive ? ListTop() : std::vector<std::wstring>();
  testing::InitGoogleTest(&argc, argv);
  int status = RUN_ALL_TESTS();
  if (shared_drive) {
    for (const std::wstring& entry : ListTop()) {
      if (!std::binary_search(before.begin(), before.end(), entry))
        RemoveTree(LongPath(L"C:\\" + entry));
    }
  }
  return status;
}
