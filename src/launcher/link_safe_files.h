// File operations that never go through a link: a junction, a symbolic link
// or any other reparse point. C:\ lets every user of the PC make folders and
// junctions, and a junction needs no privilege, so a folder that the launcher
// deletes in may hold a link to somebody's documents, or get one between a
// listing and a deletion. Each folder is therefore opened without following a
// link and checked, and what is in it is opened through that handle rather
// than by path, so that a folder swapped for a link is never entered.
#ifndef QUELLMAR_LAUNCHER_LINK_SAFE_FILES_H_
#define QUELLMAR_LAUNCHER_LINK_SAFE_FILES_H_

#include <windows.h>

#include <cstddef>

// The last-error value that says a link is in the way:
// ERROR_REPARSE_POINT_ENCOUNTERED, which MinGW's headers do not name.
constexpr DWORD link_in_the_way = 4395;

bool is_folder(DWORD attributes);
// A reparse point, as a listing or a handle shows it.
bool is_link(DWORD attributes);
// A folder that is no link.
bool is_plain_folder(DWORD attributes);

// A name within a folder, as a listing gives it: not terminated.
struct EntryName {
  const wchar_t* text;
  std::size_t length;
};

// Whether |a| and |b| name the same entry: letter case aside, as the file
// system compares them.
bool same_name(EntryName a, EntryName b);

enum class LinkAtPath { refuse, follow };

// Opens the folder at |path| for listing. With LinkAtPath::refuse, a folder
// that is a link fails with link_in_the_way. Returns INVALID_HANDLE_VALUE,
// with the last-error value, on failure.
HANDLE open_folder(const wchar_t* path, LinkAtPath link);

// Opens the folder |name| in |folder| for listing; a link fails with
// link_in_the_way.
HANDLE open_subfolder(HANDLE folder, EntryName name);

// Deletes the file |name| in |folder|, read-only or not. A link in a file's
// place is deleted as the link. Returns false with the last-error value.
bool delete_file_in(HANDLE folder, EntryName name);

// Removes the folder |name| in |folder| when it is empty; never a link.
bool remove_subfolder(HANDLE folder, EntryName name);

// Removes the folder at |path| when it is empty; never a link.
bool remove_folder(const wchar_t* path);

// Deletes the file or empty folder that |handle| holds, opened with DELETE
// access, and closes the handle; the last-error value of a failure stays.
bool delete_and_close(HANDLE handle);

// One entry of a folder, as its listing shows it.
struct ListedEntry {
  EntryName name;
  DWORD attributes;
  unsigned long long size;
};

// The entries of one folder, without "." and "..", sorted by name with
// letter case aside.
struct FolderListing {
  ListedEntry* entries;
  std::size_t count;
  void* chunks;  // where the names are kept
};

// Reads the whole listing of |folder| at once. Returns false, with the
// last-error value, when it cannot; |listing| then holds nothing to free.
bool list_folder(HANDLE folder, FolderListing* listing);

// The entry named |name|, letter case aside, or nullptr.
const ListedEntry* find_entry(const FolderListing& listing, EntryName name);

void free_listing(FolderListing* listing);

#endif  // QUELLMAR_LAUNCHER_LINK_SAFE_FILES_H_
