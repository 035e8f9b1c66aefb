// A folder tree listed once and kept in memory, read as a reader that follows
// links reads it: xcopy copies what a link to a folder leads to as a folder
// of its own, and what a link to a file leads to as a file. So what such a
// reader writes, and only that, can be held against the tree afterwards,
// however often, without listing it again (and without a listing that has
// changed meanwhile). Nothing is changed through the tree: it only reads.
#ifndef QUELLMAR_FILES_LISTED_TREE_H_
#define QUELLMAR_FILES_LISTED_TREE_H_

#include <windows.h>

#include <cstddef>

#include "files/folder_listing.h"

// One entry of a listed tree. The entries of a folder follow it, in name
// order, each folder's before the next entry of its own folder.
struct TreeEntry {
  // As its folder's listing shows it, but for the size of a link to a file:
  // that of what it leads to. The name is kept by the tree.
  ListedEntry entry;
  // For a folder, or a link that leads to one (both listed as folders), the
  // entries that follow it up to |end| are what it holds.
  std::size_t end;
  // Of its path below the root: "name" or "folder\name".
  std::size_t path_length;
};

class ListedTree {
 public:
  ListedTree() = default;
  ~ListedTree() {
    clear();
  }
  ListedTree(const ListedTree&) = delete;
  ListedTree& operator=(const ListedTree&) = delete;

  // Lists everything below the folder at |path| (itself followed, when it is
  // a link) into the tree, which it empties first. A link that leads to a
  // folder that it is in, or to one above, would make the reader copy for
  // ever: it fails with ERROR_CANT_RESOLVE_FILENAME. A path longer than a
  // walk's bound fails with ERROR_FILENAME_EXCED_RANGE; a folder or link that
  // cannot be opened or listed with its last-error value. The tree then
  // holds nothing.
  bool list(const wchar_t* path);

  std::size_t count() const {
    return count_;
  }
  const TreeEntry& operator[](std::size_t index) const {
    return entries_[index];
  }

  void clear();

 private:
  friend struct TreeListing;

  // Adds |entry| with its name copied into the tree's own memory.
  bool add(const ListedEntry& entry, std::size_t path_length);
  wchar_t* keep_name(EntryName name);

  TreeEntry* entries_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
  // The names, in chunks of memory of the tree's own; the newest one has
  // |name_room_| units left from |name_next_| on.
  void* name_chunks_ = nullptr;
  wchar_t* name_next_ = nullptr;
  std::size_t name_room_ = 0;
};

#endif  // QUELLMAR_FILES_LISTED_TREE_H_
