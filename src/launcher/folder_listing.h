// A folder's entries, read at once through its handle and sorted by name.
#ifndef QUELLMAR_LAUNCHER_FOLDER_LISTING_H_
#define QUELLMAR_LAUNCHER_FOLDER_LISTING_H_

#include <windows.h>

#include <cstddef>

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

// Reads the whole listing of |folder|, a handle opened for listing, from its
// first entry. Returns false, with the last-error value, when it cannot;
// |listing| then holds nothing to free.
bool list_folder(HANDLE folder, FolderListing* listing);

// How a listing is asked for. list_folder asks with file IDs, as kernel32
// offers it, and as FindFirstFileW does where a drive refuses that: some
// drives redirected over Remote Desktop, NAS devices and virtual machines'
// shared folders know only the class that FindFirstFileW asks for.
enum class ListingQuery { with_file_ids, as_find_first_file };
bool list_folder_by(HANDLE folder, ListingQuery query, FolderListing* listing);

// The entry named |name|, letter case aside, or nullptr.
const ListedEntry* find_entry(const FolderListing& listing, EntryName name);

void free_listing(FolderListing* listing);

#endif  // QUELLMAR_LAUNCHER_FOLDER_LISTING_H_
