#include "launcher/install_mark.h"

#include <cwchar>

#include "files/link_safe_files.h"
#include "files/passing_holds.h"

namespace {

constexpr EntryName mark_name = {install_mark_name, sizeof install_mark_name / sizeof(wchar_t) - 1};

}  // namespace

bool is_install_mark(EntryName name) {
  return same_name(name, mark_name);
}

MarkTaking take_mark_in(HANDLE folder, HANDLE* mark) {
  // Held by the launcher at work, and inherited by its commands: a copy that
  // goes on after its launcher was ended keeps the installation busy until it
  // ends.
  bool taken = outlast_passing_holds([&] {
    *mark = hold_entry_in(folder, mark_name);
    return *mark != INVALID_HANDLE_VALUE;
  });
  if (taken)
    return MarkTaking::taken;
  DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND)
    return MarkTaking::none;
  SetLastError(error);
  return MarkTaking::busy;
}

HANDLE put_mark_in(HANDLE folder) {
  return make_held_folder_in(folder, mark_name);
}
