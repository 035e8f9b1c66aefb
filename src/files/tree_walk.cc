#include "files/tree_walk.h"

#include <cwchar>

#include "path_bound.h"

namespace {

struct Walk {
  TreeVisitor visitor;
  bool stopped;  // a visitor ended it
  bool failed;
  DWORD error;  // the first failure's last-error value
  wchar_t path[walk_path_units];
};

void start(Walk& walk, TreeVisitor visitor) {
  walk.visitor = visitor;
  walk.stopped = false;
  walk.failed = false;
  walk.error = ERROR_SUCCESS;
  walk.path[0] = L'\0';
}

bool finish(const Walk& walk) {
  if (!walk.failed)
    return true;
  SetLastError(walk.error);
  return false;
}

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

void walk_folder(Walk& walk, HANDLE folder, std::size_t path_length);

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
    if (!subfolder)
      fail(walk, GetLastError());
    else
      walk_folder(walk, subfolder.get(), visit.path_length);
  }
  if (!walk.stopped)
    meet(walk, visit, Phase::leaving_folder);
}

// Walks the open |folder|, whose path below the root has |path_length| units.
void walk_folder(Walk& walk, HANDLE folder, std::size_t path_length) {
  FolderListing listing;
  if (!list_folder(folder, &listing)) {
    fail(walk, GetLastError());
    return;
  }
  for (std::size_t i = 0; i < listing.count() && !walk.stopped; ++i) {
    const ListedEntry& entry = listing[i];
    TreeVisit visit = {Phase::file, &entry, folder, nullptr, nullptr, walk.path, 0};
    if (!append_name(walk, path_length, entry.name, &visit.path_length)) {
      fail(walk, ERROR_FILENAME_EXCED_RANGE);
      continue;
    }
    if (!is_folder(entry.attributes))
      meet(walk, visit, Phase::file);
    else if (is_link(entry))
      meet(walk, visit, Phase::link);
    else
      walk_subfolder(walk, visit);
    walk.path[path_length] = L'\0';
  }
}

// Walks the entries of |tree| from |first| up to |end|, those of one folder
// and what they hold, against |mirror_folder|, the mirror's folder of the
// same path (nullptr when there is none); the folder's path has
// |path_length| units.
void walk_listed_folder(Walk& walk, const ListedTree& tree, std::size_t first, std::size_t end,
                        HANDLE mirror_folder, std::size_t path_length) {
  FolderListing mirror_listing;
  if (mirror_folder != nullptr && !list_folder(mirror_folder, &mirror_listing)) {
    fail(walk, GetLastError());
    mirror_folder = nullptr;
  }
  for (std::size_t i = first; i < end && !walk.stopped; i = tree[i].end) {
    const TreeEntry& listed = tree[i];
    TreeVisit visit = {Phase::file, &listed.entry, nullptr, nullptr, mirror_folder, walk.path, 0};
    // The tree's paths are within the bound.
    append_name(walk, path_length, listed.entry.name, &visit.path_length);
    if (mirror_folder != nullptr)
      visit.mirror = mirror_listing.find(listed.entry.name);
    if (!is_folder(listed.entry.attributes)) {
      meet(walk, visit, Phase::file);
    } else if (meet(walk, visit, Phase::entering_folder) == Step::go_on) {
      {
        // Closed before leaving, so that a visitor can remove the folder.
        FileHandle mirror_subfolder;
        if (visit.mirror != nullptr && is_plain_folder(*visit.mirror)) {
          mirror_subfolder = open_subfolder(mirror_folder, visit.mirror->name);
          // What it holds is unknown, and a walk must not take it for nothing.
          if (!mirror_subfolder)
            fail(walk, GetLastError());
        }
        walk_listed_folder(walk, tree, i + 1, listed.end, mirror_subfolder.get(),
                           visit.path_length);
      }
      if (!walk.stopped)
        meet(walk, visit, Phase::leaving_folder);
    }
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

// Walks the folder that |root| holds, a handle not listed before.
bool walk_from(const FileHandle& root, TreeVisitor visitor) {
  if (!root)
    return false;
  Walk walk;
  start(walk, visitor);
  walk_folder(walk, root.get(), 0);
  return finish(walk);
}

}  // namespace

bool walk_tree(HANDLE root, TreeVisitor visitor) {
  // Each listing needs a handle of its own (see reopen_folder).
  return walk_from(reopen_folder(root), visitor);
}

bool walk_tree_at(const wchar_t* path, TreeVisitor visitor) {
  return walk_from(open_folder(path, LinkAtPath::refuse), visitor);
}

bool walk_listed_tree(const ListedTree& tree, HANDLE mirror_root, TreeVisitor visitor) {
  FileHandle mirror;
  if (mirror_root != nullptr) {
    mirror = reopen_folder(mirror_root);
    if (!mirror)
      return false;
  }
  Walk walk;
  start(walk, visitor);
  walk_listed_folder(walk, tree, 0, tree.count(), mirror.get(), 0);
  return finish(walk);
}

bool remove_tree(const wchar_t* path) {
  return walk_tree_at(path, {remove_entry, nullptr}) && remove_folder(path);
}
