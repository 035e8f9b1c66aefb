// One walk over a folder tree: of a folder as it is, or of a tree listed
// before and kept (see listed_tree.h), which may be held against a second
// tree, its mirror: each entry is met with the entry of the same path there.
//
// It never enters a link (a junction, a symbolic link to a folder) of a
// folder or a mirror, whether the folder's listing shows one or the handle
// that would enter it does: what a link leads to is not the tree's own. It
// may be any folder on the PC, planted by another user, and a walk that
// deletes would delete there; or it may lead back into the tree, and the
// walk would not end. Only a listed tree, which is no longer read, may hold
// what a link led to.
#ifndef QUELLMAR_FILES_TREE_WALK_H_
#define QUELLMAR_FILES_TREE_WALK_H_

#include <windows.h>

#include <cstddef>

#include "files/link_safe_files.h"
#include "files/listed_tree.h"

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
  // Its folder, opened without following a link; nullptr in a walk of a
  // listed tree, of which nothing is open.
  HANDLE folder;
  // In a walk of a listed tree against a mirror, the entry of the same path
  // in the mirror, or nullptr; and the mirror's folder of that path, or
  // nullptr when it is missing or a link.
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
// in name order, each folder listed through a handle of its own, |root| too.
// Returns false, with the last-error value of the first failure, when a
// visitor failed or stopped, or a folder could not be entered or listed (the
// walk goes on past such a folder).
bool walk_tree(HANDLE root, TreeVisitor visitor);

// The same for the folder at |path|, never a link, opened for the walk and
// closed after.
bool walk_tree_at(const wchar_t* path, TreeVisitor visitor);

// The same for |tree|, met as it was listed (a link to a folder that it
// followed as a folder), and held against the entry of the same path below
// |mirror_root| when that is not nullptr: a folder of the mirror is listed
// when the walk enters the tree's folder of its path, and entered only when
// it is no link. The failures of the mirror's folders count as the walk's.
bool walk_listed_tree(const ListedTree& tree, HANDLE mirror_root, TreeVisitor visitor);

// Removes the folder at |path| with everything in it, never through a link: a
// link in it stays, and so does the folder. Returns false with the last-error
// value of the first failure.
bool remove_tree(const wchar_t* path);

#endif  // QUELLMAR_FILES_TREE_WALK_H_
