// One walk over a folder tree, optionally held against a second tree, its
// mirror: each entry is met with the entry of the same path there.
//
// It never enters a link (a junction, a symbolic link to a folder), whether
// the folder's listing shows one or the handle that would enter it does: what
// a link leads to is not the tree's own. It may be any folder on the PC,
// planted by another user, and a walk that deletes would delete there; or it
// may lead back into the tree, and the walk would not end.
#ifndef QUELLMAR_FILES_TREE_WALK_H_
#define QUELLMAR_FILES_TREE_WALK_H_

#include <windows.h>

#include <cstddef>

#include "files/link_safe_files.h"

// What the walk meets: a file (or any entry that is no folder), a link to a
// folder, which is not entered, or a folder, met when entering it and again
// when leaving it after its contents.
enum class Phase { file, link, entering_folder, leaving_folder };

// A visitor's answer. failed: the walk keeps the last-error value as a
// failure and goes on; skip_contents: a folder is not entered.
enum class Step { go_on, skip_contents, failed, stop };

struct TreeVisit {
  Phase phase;
  const ListedEntry* entry;  // as the listing of its folder shows it
  HANDLE folder;             // its folder, opened without following a link
  // The entry of the same path in the mirror tree, or nullptr; and the mirror
  // tree's folder of that path, or nullptr when it is missing or a link.
  const ListedEntry* mirror;
  HANDLE mirror_folder;
  // The entry's path below the walk's root: "name" or "folder\name".
  const wchar_t* path;
  std::size_t path_length;
};

// A visitor: a function and what it works with, handed to it on each visit.
struct TreeVisitor {
  Step (*visit)(const TreeVisit& visit, void* context);
  void* context;
};

// Walks every entry below the folder |root|, each folder's files and folders
// in name order (each folder listed through a handle of its own, |root| and
// |mirror_root| too), and holds each against the entry of the same path below
// |mirror_root| when that is not nullptr. A folder of the mirror is entered
// only with the walked folder of its path, and only when it is no link.
// Returns false, with the last-error value of the first failure, when a
// visitor failed or stopped, or a folder could not be entered or listed, of
// the walked tree or of the mirror (the walk goes on past such a folder).
bool walk_tree(HANDLE root, HANDLE mirror_root, TreeVisitor visitor);

// The same for the folder at |path|, opened for the walk and closed after.
bool walk_tree_at(const wchar_t* path, LinkAtPath link, HANDLE mirror_root, TreeVisitor visitor);

// Removes the folder at |path| with everything in it, never through a link: a
// link in it stays, and so does the folder. Returns false with the last-error
// value of the first failure.
bool remove_tree(const wchar_t* path);

#endif  // QUELLMAR_FILES_TREE_WALK_H_
