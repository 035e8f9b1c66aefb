#include "files/tree_walk.h"

#include <cwchar>

#include "path_bound.h"

namespace {

// Paths below the root stay within this bound, and so does the depth of the
// walk: a tree nested deeper is not entered, and the walk fails.
constexpr std::size_t walk_path_units = 4 * max_path_units;

struct Walk {
  TreeVisitor visitor;
  bool stopped;  // a visitor ended it
  bool failed;
  DWORD error;  // the first failure's last-error value
  wchar_t path[walk_path_units];
};

// A failure counts even when it leaves no last-error value.
void fail(Walk& walk, DWORD error) {
  if (!walk.failed)
    walk.error = error;
  walk.failed = true;
}

Step meet(Walk& walk, TreeVisit& visit, Phase phase) {
  visit.phase = phase;
  Step step = walk.visitor.visit(visit, walk.visitor.context);
  if (step == Step::failed || step == Step::stop)
    fail(walk, GetLastError());
  if (step == Step::stop)
    walk.stopped = true;
  return step;
}

void walk_folder(Walk& walk, HANDLE folder, HANDLE mirror_folder, std::size_t path_length);

// Meets the folder that |visit| holds, and what is in it.
void walk_subfolder(Walk& walk, TreeVisit& visit) {
  if (meet(walk, visit, Phase::entering_folder) != Step::go_on)
    return;
  {
    // Closed before leaving, so that a visitor can remove the folder.
    FileHandle subfolder = open_subfolder(visit.folder, visit.entry->name);
    if (!subfolder && GetLastError() == link_in_the_way) {
      // It became a link since the listing.
      meet(walk, visit, Phase::link);
      return;
    }
    if (!subfolder) {
      fail(walk, GetLastError());
    } else {
      FileHandle mirror_subfolder;
      if (visit.mirror != nullptr && is_plain_folder(*visit.mirror)) {
        mirror_subfolder = open_subfolder(visit.mirror_folder, visit.mirror->name);
        // What it holds is unknown, and a walk must not take it for nothing.
        if (!mirror_subfolder)
          fail(walk, GetLastError());
      }
      walk_folder(walk, subfolder.get(), mirror_subfolder.get(), visit.path_length);
    }
  }
  if (!walk.stopped)
    meet(walk, visit, Phase::leaving_folder);
}

void walk_entry(Walk& walk, TreeVisit& visit) {
  if (!is_folder(visit.entry->attributes))
    meet(walk, visit, Phase::file);
  else if (is_link(*visit.entry))
    meet(walk, visit, Phase::link);
  else
    walk_subfolder(walk, visit);
}

// Puts "\<name>" (or "<name>" at the root) behind the |length| units of the
// walk's path. False when it does not fit.
bool append_name(Walk& walk, std::size_t length, EntryName name, std::size_t* appended) {
  std::size_t separator = length == 0 ? 0 : 1;
  if (length + separator + name.length >= walk_path_units)
    return false;
  if (separator != 0)
    walk.path[length] = L'\\';
  std::wmemcpy(walk.path + length + separator, name.text, name.length);
  *appended = length + separator + name.length;
  walk.path[*appended] = L'\0';
  return true;
}

// Walks the open |folder|, whose path below the root has |path_length| units,
// against |mirror_folder| (nullptr when there is none).
void walk_folder(Walk& walk, HANDLE folder, HANDLE mirror_folder, std::size_t path_length) {
  FolderListing listing;
  if (!list_folder(folder, &listing)) {
    fail(walk, GetLastError());
    return;
  }
  FolderListing mirror_listing;
  if (mirror_folder != nullptr && !list_folder(mirror_folder, &mirror_listing)) {
    fail(walk, GetLastError());
    mirror_folder = nullptr;
  }
  for (std::size_t i = 0; i < listing.count() && !walk.stopped; ++i) {
    const ListedEntry& entry = listing[i];
    TreeVisit visit = {Phase::file, &entry, folder, nullptr, mirror_folder, walk.path, 0};
    if (!append_name(walk, path_length, entry.name, &visit.path_length)) {
      fail(walk, ERROR_FILENAME_EXCED_RANGE);
      continue;
    }
    if (mirror_folder != nullptr)
      visit.mirror = mirror_listing.find(entry.name);
    walk_entry(walk, visit);
    walk.path[path_length] = L'\0';
  }
}

Step remove_entry(const TreeVisit& visit, void*) {
  bool removed = true;
  switch (visit.phase) {
    case Phase::file:
      removed = delete_file_in(visit.folder, *visit.entry);
      break;
    case Phase::link:
      SetLastError(link_in_the_way);
      removed = false;
      break;
    case Phase::entering_folder:
      break;
    case Phase::leaving_folder:
      removed = remove_subfolder(visit.folder, visit.entry->name);
      break;
  }
  return removed ? Step::go_on : Step::failed;
}

// Walks from |root|, a handle not listed before, against |mirror_root|.
// Each listing needs a handle of its own (see reopen_folder), so the mirror's
// root is opened again.
bool walk_from(HANDLE root, HANDLE mirror_root, TreeVisitor visitor) {
  FileHandle mirror;
  if (mirror_root != nullptr) {
    mirror = reopen_folder(mirror_root);
    if (!mirror)
      return false;
  }
  Walk walk;
  walk.visitor = visitor;
  walk.stopped = false;
  walk.failed = false;
  walk.error = ERROR_SUCCESS;
  walk.path[0] = L'\0';
  walk_folder(walk, root, mirror.get(), 0);
  if (!walk.failed)
    return true;
  SetLastError(walk.error);
  return false;
}

}  // namespace

bool walk_tree(HANDLE root, HANDLE mirror_root, TreeVisitor visitor) {
  FileHandle listed_root = reopen_folder(root);
  return listed_root && walk_from(listed_root.get(), mirror_root, visitor);
}

bool walk_tree_at(const wchar_t* path, LinkAtPath link, HANDLE mirror_root, TreeVisitor visitor) {
  FileHandle root = open_folder(path, link);
  return root && walk_from(root.get(), mirror_root, visitor);
}

bool remove_tree(const wchar_t* path) {
  return walk_tree_at(path, LinkAtPath::refuse, nullptr, {remove_entry, nullptr}) &&
         remove_folder(path);
}
