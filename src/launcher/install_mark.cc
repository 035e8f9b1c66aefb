#include "launcher/install_mark.h"

#include <cwchar>

#include "files/link_safe_files.h"
#include "files/retry.h"

namespace {

constexpr EntryName mark_name = {install_mark_name, sizeof install_mark_name / sizeof(wchar_t) - 1};

}  // namespace

bool is_install_mark(EntryName name) {
  return same_name(name, mark_name);
}

Mark take_mark_in(HANDLE folder, FileHandle* mark) {
  // Held by the launcher at work, and inherited by its commands: a copy that
  // goes on after its launcher was ended keeps the installation busy until it
  // ends.
  bool taken = retry([&] {
    *mark = hold_entry_in(folder, mark_name);
    return mark->valid();
  });
  if (taken)
    return Mark::taken;
  return GetLastError() == ERROR_FILE_NOT_FOUND ? Mark::none : Mark::in_use;
}

FileHandle put_mark_in(HANDLE folder) {
  return make_held_folder_in(folder, mark_name);
}
