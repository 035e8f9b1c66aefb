#include "launcher/payload_tree.h"

#include <windows.h>

#include <utility>

#include "files/link_safe_files.h"
#include "files/retry.h"
#include "files/tree_walk.h"
#include "launcher/install_directory.h"
#include "launcher/install_mark.h"
#include "path_bound.h"

namespace {

constexpr std::size_t install_directory_length = sizeof install_directory / sizeof(wchar_t) - 1;

// The folder that keeps each held payload folder from being empty while the
// copy runs (see make_held_keeper_folder_in): of the mark's family, and
// refused in a payload at any depth. One that a power cut left behind is the
// launcher's own, and goes with the payload's paths.
constexpr wchar_t keeper_name_text[] = L"QuellmarLaunch.copying";
constexpr EntryName keeper_name = {keeper_name_text, sizeof keeper_name_text / sizeof(wchar_t) - 1};

bool is_plain_folder_entry(const ListedEntry* entry) {
  return entry != nullptr && is_plain_folder(*entry);
}

Step stop_at_unfit_path(const TreeVisit& visit, void* context) {
  // The longer of the two folders that xcopy puts before a payload path, with
  // the separator behind it: "<payload folder>\" as it reads, "C:\Quellmar\"
  // as it writes.
  std::size_t longest_path_prefix = *static_cast<const std::size_t*>(context);
  if (is_install_mark({visit.path, visit.path_length}) || is_keeper_name(visit.entry->name)) {
    SetLastError(ERROR_FILE_EXISTS);
    return Step::stop;
  }
  bool fits = true;
  if (visit.phase == Phase::file)
    fits = longest_path_prefix + visit.path_length < max_xcopy_file_path_units;
  else if (visit.phase != Phase::leaving_folder)
    fits = install_directory_length + 1 + visit.path_length < max_folder_path_units;
  if (fits)
    return Step::go_on;
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return Step::stop;
}

// What one pass of the clearing does with links at file paths, and what it
// met: payload files found in the installation, keepers held in payload
// folders, and links at payload paths that stay.
struct Clearing {
  FileLinks file_links;
  std::size_t files_found;
  std::size_t keepers_held;
  bool link_found;
};

// Removes the installed payload folder |name| in |folder| when nothing is
// left in it but, at most, a keeper of a launcher's: one that a power cut left
// behind, or one whose deletion a program that holds it keeps back, on a
// Windows that cannot let its name go at once. Returns false when such a
// keeper keeps the folder, which is worth another pass.
bool remove_cleared_folder(HANDLE folder, EntryName name) {
  bool keeper_held = false;
  {
    FileHandle installed = open_subfolder(folder, name);
    if (installed && !remove_subfolder(installed.get(), keeper_name, NameGoes::at_once))
      keeper_held = is_held(GetLastError());
  }
  return remove_subfolder(folder, name, NameGoes::at_once) || !keeper_held;
}

// What is cleared goes from its folder's listing at once where Windows can,
// so that a program that still reads it (a scanner, the indexer) keeps no
// name in the way of the folder's removal, nor of the copy.
Step clear_installed_entry(const TreeVisit& visit, void* context) {
  Clearing& clearing = *static_cast<Clearing*>(context);
  const ListedEntry* installed = visit.mirror;
  if (installed == nullptr)
    return Step::skip_contents;
  if (is_link(*installed)) {
    // Never followed. Before a copy it is somebody's, and so is what is
    // behind it; after a copy, a link at a file's path came during it.
    if (visit.phase == Phase::file && clearing.file_links == FileLinks::go &&
        delete_link_in(visit.mirror_folder, installed->name, NameGoes::at_once)) {
      ++clearing.files_found;
      return Step::go_on;
    }
    clearing.link_found = true;
    return Step::skip_contents;
  }
  switch (visit.phase) {
    case Phase::file:
      // A folder in a file's place is not the copy's.
      if (is_folder(installed->attributes))
        return Step::go_on;
      ++clearing.files_found;
      return delete_file_in(visit.mirror_folder, *installed, NameGoes::at_once) ? Step::go_on
                                                                                : Step::failed;
    case Phase::entering_folder:
      return is_plain_folder_entry(installed) ? Step::go_on : Step::skip_contents;
    case Phase::link:
    case Phase::leaving_folder:
      // Only when nothing else is left in it.
      if (!remove_cleared_folder(visit.mirror_folder, installed->name))
        ++clearing.keepers_held;
      return Step::go_on;
  }
  return Step::go_on;
}

// One pass over the payload's paths in the installation. True when it found
// no payload file there, no keeper held, nor any link.
bool clear_once(HANDLE installed, const ListedTree& payload, FileLinks links) {
  Clearing clearing = {links, 0, 0, false};
  bool walked = walk_listed_tree(payload, installed, {clear_installed_entry, &clearing});
  if (clearing.link_found) {
    SetLastError(link_in_the_way);
    return false;
  }
  // Each file found was deleted: a later pass finds it again only while its
  // deletion is pending (Windows would answer its open so), and a held keeper
  // only while a program still holds it.
  bool left = clearing.files_found > 0 || clearing.keepers_held > 0;
  if (walked && left)
    SetLastError(ERROR_ACCESS_DENIED);
  return walked && !left;
}

// The held folder of each depth of a walk, [0] being C:\Quellmar: the one
// that the next folder below is made in, and that the files of that depth
// are in.
constexpr std::size_t deepest_payload_folder = max_folder_path_units / 2;
using HeldAbove = HANDLE[deepest_payload_folder + 1];

struct FolderHolding {
  FileHandles* folders;
  FileHandles* keepers;
  HeldAbove above;
};

// The check's walk: the held folders, in the order that the hold's walk of
// the same tree met them, and the next one of them.
struct CopyChecking {
  const FileHandles* folders;
  std::size_t next_folder;
  HeldAbove above;
  CopyCheck check;
};

std::size_t depth_of(const TreeVisit& visit) {
  std::size_t depth = 0;
  for (std::size_t i = 0; i < visit.path_length; ++i)
    depth += visit.path[i] == L'\\' ? 1 : 0;
  return depth;
}

// Makes the payload folder |name| in |above|, or opens the one |listed|
// there, and holds it. A passing hold is waited out: on Windows before 10
// 1709 a folder that the clearing removed stays listed while a program still
// has it open, and refuses to be opened until it is gone.
FileHandle hold_payload_folder(HANDLE above, EntryName name, bool listed) {
  SubfolderHold hold = listed ? SubfolderHold::existing : SubfolderHold::make;
  FileHandle folder;
  retry([&] {
    folder = hold_subfolder(above, name, hold);
    if (!folder && hold == SubfolderHold::existing && GetLastError() == ERROR_FILE_NOT_FOUND) {
      // Gone since the listing: made anew.
      hold = SubfolderHold::make;
      folder = hold_subfolder(above, name, hold);
    }
    return folder.valid();
  });
  return folder;
}

// Puts a keeper into the held payload folder |folder|, so that it is never
// empty while the copy runs, and keeps it in |keepers|. In the moment before,
// it was empty, and somebody may have made it a junction: it is asked once
// more whether it is a link (link_in_the_way), after which nobody can make it
// one.
bool keep_filled(HANDLE folder, FileHandles* keepers) {
  FileHandle keeper;
  bool made = retry([&] {
    keeper = make_held_keeper_folder_in(folder, keeper_name);
    return keeper.valid();
  });
  return made && keepers->keep(std::move(keeper)) && is_still_plain_folder(folder);
}

Step hold_installed_folder(const TreeVisit& visit, void* context) {
  if (visit.phase != Phase::entering_folder)
    return Step::go_on;
  FolderHolding& holding = *static_cast<FolderHolding*>(context);
  std::size_t depth = depth_of(visit);
  if (depth >= deepest_payload_folder) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return Step::stop;
  }
  const ListedEntry* installed = visit.mirror;
  if (installed != nullptr && is_link(*installed)) {
    SetLastError(link_in_the_way);
    return Step::stop;
  }
  HANDLE above = holding.above[depth];
  FileHandle folder = hold_payload_folder(above, visit.entry->name, installed != nullptr);
  if (!folder) {
    if (GetLastError() == ERROR_ALREADY_EXISTS && is_listed_as_link(above, visit.entry->name))
      SetLastError(link_in_the_way);
    return Step::stop;
  }
  HANDLE held = folder.get();
  if (!holding.folders->keep(std::move(folder)) || !keep_filled(held, holding.keepers))
    return Step::stop;
  holding.above[depth + 1] = held;
  return Step::go_on;
}

// Holds the installed file of the payload's |file| in the held |folder|
// against it, and writes it out to the disk.
CopyCheck check_installed_file(HANDLE folder, const ListedEntry& file) {
  FileToFlush installed;
  if (!retry([&] { return installed.open(folder, file.name); }))
    return is_held(GetLastError()) ? CopyCheck::failed : CopyCheck::incomplete;
  // Wine opens a link to a folder as the folder; only the listing tells.
  if (installed.is_link() ||
      (is_folder(installed.attributes) && is_listed_as_link(folder, file.name))) {
    SetLastError(link_in_the_way);
    return CopyCheck::failed;
  }
  if (is_folder(installed.attributes) || installed.size != file.size)
    return CopyCheck::incomplete;
  return retry([&] { return installed.flush(); }) ? CopyCheck::whole : CopyCheck::failed;
}

Step check_installed_entry(const TreeVisit& visit, void* context) {
  CopyChecking& checking = *static_cast<CopyChecking*>(context);
  std::size_t depth = depth_of(visit);
  switch (visit.phase) {
    case Phase::entering_folder:
      checking.above[depth + 1] = (*checking.folders)[checking.next_folder++];
      return Step::go_on;
    case Phase::file:
      checking.check = check_installed_file(checking.above[depth], *visit.entry);
      return checking.check == CopyCheck::whole ? Step::go_on : Step::stop;
    case Phase::link:
    case Phase::leaving_folder:
      return Step::go_on;
  }
  return Step::go_on;
}

}  // namespace

bool payload_fits_install_directory(const ListedTree& payload) {
  // The current directory is the payload folder.
  DWORD payload_folder_length = GetCurrentDirectoryW(0, nullptr);
  if (payload_folder_length == 0)
    return false;
  // The length with its terminator: the separator's unit.
  std::size_t read_prefix = payload_folder_length;
  std::size_t written_prefix = install_directory_length + 1;
  std::size_t longest_path_prefix = read_prefix > written_prefix ? read_prefix : written_prefix;
  return walk_listed_tree(payload, nullptr, {stop_at_unfit_path, &longest_path_prefix});
}

bool is_keeper_name(EntryName name) {
  return same_name(name, keeper_name);
}

bool HeldPayloadFolders::hold(const InstallDirectory& installation, const ListedTree& payload,
                              CopyStart start) {
  FolderHolding holding;
  holding.folders = &folders_;
  holding.keepers = &keepers_;
  holding.above[0] = installation.handle();
  installation_ = installation.handle();
  // A fresh C:\Quellmar holds nothing in the payload's way but what somebody
  // else may have put there since, which each folder's making meets.
  HANDLE listed = start == CopyStart::fresh ? nullptr : installation.handle();
  return walk_listed_tree(payload, listed, {hold_installed_folder, &holding});
}

bool HeldPayloadFolders::are_still_plain() const {
  for (std::size_t i = 0; i < folders_.count(); ++i) {
    if (!is_still_plain_folder(folders_[i]))
      return false;
  }
  return true;
}

CopyCheck HeldPayloadFolders::check_copy(const ListedTree& payload) const {
  CopyChecking checking;
  checking.folders = &folders_;
  checking.next_folder = 0;
  checking.above[0] = installation_;
  checking.check = CopyCheck::whole;
  walk_listed_tree(payload, nullptr, {check_installed_entry, &checking});
  return checking.check;
}

void HeldPayloadFolders::let_go() {
  DWORD error = GetLastError();
  // Deleted on close alone, a keeper that a scanner or the indexer holds
  // (for its attributes: no share mode keeps that out) would stay listed, and
  // keep its folder from being removed, until that program lets go.
  for (std::size_t i = keepers_.count(); i > 0; --i)
    delete_held_entry(keepers_[i - 1], NameGoes::at_once);
  keepers_.close_all();
  folders_.close_all();
  SetLastError(error);
}

bool clear_payload_paths(const InstallDirectory& installation, const ListedTree& payload,
                         FileLinks links) {
  // The first pass deletes what a copy wrote; the next, at once, finds nothing
  // left unless something stays in the way, and only then is there a wait.
  HANDLE installed = installation.handle();
  clear_once(installed, payload, links);
  return retry([&] { return clear_once(installed, payload, links); });
}
