#include "files/listed_tree.h"

#include <cwchar>

#include "files/heap_array.h"
#include "files/link_safe_files.h"
#include "path_bound.h"

namespace {

// The names are kept in chunks of this many units, or one name's, when it is
// longer.
constexpr std::size_t name_chunk_units = 16 * 1024;

// A folder on the way from the root down to the one being listed: told apart
// from the others only when a link is met, so that a tree without links pays
// nothing for it.
struct FolderAbove {
  HANDLE folder;
  bool identified;
  FolderIdentity identity;
};

// Each level of a tree adds at least a name and its separator.
constexpr std::size_t deepest_level = walk_path_units / 2;

}  // namespace

// One listing of a tree: the folders above the one being listed, [0] the
// root.
struct TreeListing {
  ListedTree* tree;
  FolderAbove above[deepest_level + 1];

  // Whether the folder |linked|, that a link at |depth| leads to, is one of
  // the folders above it, |depth| and its own folder included. False, with
  // the last-error value, when that cannot be told.
  bool leads_above(HANDLE linked, std::size_t depth, bool* above_it) {
    FolderIdentity identity;
    if (!identify_folder(linked, &identity))
      return false;
    *above_it = false;
    for (std::size_t level = 0; level <= depth && !*above_it; ++level) {
      FolderAbove& folder = above[level];
      if (!folder.identified && !identify_folder(folder.folder, &folder.identity))
        return false;
      folder.identified = true;
      *above_it = same_folder(folder.identity, identity);
    }
    return true;
  }

  // Lists |folder|, at |depth| below the root, whose path below it has
  // |path_length| units, and every folder in it.
  bool list_into(HANDLE folder, std::size_t depth, std::size_t path_length) {
    above[depth] = {folder, false, {}};
    FolderListing listing;
    if (!list_folder(folder, &listing))
      return false;
    for (std::size_t i = 0; i < listing.count(); ++i) {
      ListedEntry found = listing[i];
      std::size_t length = path_length + (depth == 0 ? 0 : 1) + found.name.length;
      if (length >= walk_path_units || depth >= deepest_level) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
      }
      bool linked = is_link(found);
      if (!is_folder(found.attributes)) {
        // A reader copies what the link leads to.
        if (linked && !size_through_link(folder, found.name, &found.size))
          return false;
        if (!tree->add(found, length))
          return false;
        continue;
      }
      std::size_t index = tree->count();
      if (!tree->add(found, length))
        return false;
      FileHandle subfolder = open_subfolder_through_link(folder, found.name);
      bool loop = false;
      if (!subfolder || (linked && !leads_above(subfolder.get(), depth, &loop)))
        return false;
      if (loop) {
        SetLastError(ERROR_CANT_RESOLVE_FILENAME);
        return false;
      }
      if (!list_into(subfolder.get(), depth + 1, length))
        return false;
      tree->entries_[index].end = tree->count();
    }
    return true;
  }
};

bool ListedTree::list(const wchar_t* path) {
  clear();
  FileHandle root = open_folder(path, LinkAtPath::follow);
  if (!root)
    return false;
  TreeListing listing;
  listing.tree = this;
  bool listed = listing.list_into(root.get(), 0, 0);
  if (!listed) {
    DWORD error = GetLastError();
    clear();
    SetLastError(error);
  }
  return listed;
}

void ListedTree::clear() {
  free_chunks(&name_chunks_);
  if (entries_ != nullptr)
    HeapFree(GetProcessHeap(), 0, entries_);
  entries_ = nullptr;
  count_ = 0;
  capacity_ = 0;
  name_next_ = nullptr;
  name_room_ = 0;
}

bool ListedTree::add(const ListedEntry& entry, std::size_t path_length) {
  if (!make_room(&entries_, count_, &capacity_, 256))
    return false;
  wchar_t* name = keep_name(entry.name);
  if (name == nullptr)
    return false;
  TreeEntry& added = entries_[count_];
  added.entry = entry;
  added.entry.name.text = name;
  added.end = count_ + 1;
  added.path_length = path_length;
  ++count_;
  return true;
}

wchar_t* ListedTree::keep_name(EntryName name) {
  if (name.length > name_room_) {
    std::size_t units = name.length > name_chunk_units ? name.length : name_chunk_units;
    name_next_ = static_cast<wchar_t*>(add_chunk(&name_chunks_, units * sizeof(wchar_t)));
    if (name_next_ == nullptr) {
      name_room_ = 0;
      return nullptr;
    }
    name_room_ = units;
  }
  wchar_t* kept = name_next_;
  std::wmemcpy(kept, name.text, name.length);
  name_next_ += name.length;
  name_room_ -= name.length;
  return kept;
}
