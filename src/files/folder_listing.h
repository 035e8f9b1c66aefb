// A folder's entries, read at once through its handle and sorted by name.
#ifndef QUELLMAR_FILES_FOLDER_LISTING_H_
#define QUELLMAR_FILES_FOLDER_LISTING_H_

#include <windows.h>

#include <cstddef>

bool is_folder(DWORD attributes);

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
  DWORD reparse_tag;  // 0 unless FILE_ATTRIBUTE_REPARSE_POINT is set
  unsigned long long size;
};

// A link (see reparse_tags.h), as the listing shows the entry.
bool is_link(const ListedEntry& entry);
// A folder that is no link.
bool is_plain_folder(const ListedEntry& entry);

// How a listing is asked for. list_folder asks with file IDs, as kernel32
// offers it, and as FindFirstFileW does where a drive refuses that: some
// drives redirected over Remote Desktop, NAS devices and virtual machines'
// shared folders know only the class that FindFirstFileW asks for.
enum class ListingQuery { with_file_ids, as_find_first_file };

// FILE_BOTH_DIR_INFORMATION, the record of the query as_find_first_file,
// which only the driver kit's headers declare: FILE_ID_BOTH_DIR_INFO without
// the file ID.
struct BothDirectoryRecord {
  ULONG NextEntryOffset;
  ULONG FileIndex;
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  LARGE_INTEGER EndOfFile;
  LARGE_INTEGER AllocationSize;
  ULONG FileAttributes;
  ULONG FileNameLength;
  ULONG EaSize;  // the reparse tag of a reparse point
  CCHAR ShortNameLength;
  WCHAR ShortName[12];
  WCHAR FileName[1];
};

// The entries of one folder, without "." and "..", sorted by name with
// letter case aside. It owns the memory that their names are kept in.
class FolderListing {
 public:
  FolderListing() = default;
  ~FolderListing() {
    clear();
  }
  FolderListing(FolderListing&& other) noexcept;
  FolderListing& operator=(FolderListing&& other) noexcept;
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  std::size_t count() const {
    return count_;
  }
  const ListedEntry& operator[](std::size_t index) const {
    return entries_[index];
  }
  // The entry named |name|, letter case aside, or nullptr.
  const ListedEntry* find(EntryName name) const;

  // Adds the entries of the records that a |query| wrote into |bytes|,
  // |filled| bytes of them (FILE_ID_BOTH_DIR_INFO, or BothDirectoryRecord),
  // but "." and "..", unsorted. The names stay in |bytes|. A record whose
  // offsets lead past |filled|, a driver's bad answer, fails with
  // ERROR_INVALID_DATA and is never read past.
  bool add_records(ListingQuery query, const void* bytes, std::size_t filled);

  // Frees what it holds; it is empty then.
  void clear();

 private:
  friend bool list_folder_by(HANDLE folder, ListingQuery query, FolderListing* listing);

  bool add(const ListedEntry& entry);
  // Room for |size| bytes of records, kept until the listing goes.
  void* new_chunk(DWORD size);
  void sort();

  ListedEntry* entries_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
  void* chunks_ = nullptr;
};

// Reads the whole listing of |folder|, a handle opened for listing, from its
// first entry, into |listing|, which it empties first. Returns false, with
// the last-error value, when it cannot; |listing| then holds nothing.
bool list_folder(HANDLE folder, FolderListing* listing);
bool list_folder_by(HANDLE folder, ListingQuery query, FolderListing* listing);

#endif  // QUELLMAR_FILES_FOLDER_LISTING_H_
