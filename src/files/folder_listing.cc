#include "files/folder_listing.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "files/heap_array.h"
#include "files/native_api.h"
#include "files/reparse_tags.h"

namespace {

constexpr ULONG file_both_directory_information = 3;

// The chunks that a listing reads into: small first, since most folders hold
// a few entries, larger as a folder turns out to hold many.
constexpr DWORD first_chunk_bytes = 4096;
constexpr DWORD largest_chunk_bytes = 64 * 1024;

bool is_dot_entry(const wchar_t* name, std::size_t length) {
  return name[0] == L'.' && (length == 1 || (length == 2 && name[1] == L'.'));
}

// As the file system compares names: letter case aside.
int compare_names(EntryName a, EntryName b) {
  return CompareStringOrdinal(a.text, static_cast<int>(a.length), b.text,
                              static_cast<int>(b.length), TRUE);
}

bool name_before(const ListedEntry& a, const ListedEntry& b) {
  return compare_names(a.name, b.name) == CSTR_LESS_THAN;
}

// Takes the |Record|s of |filled| bytes, each within them: records are
// 8-byte aligned, and each next one lies further on.
template <typename Record, typename Add>
bool add_records_of(const unsigned char* bytes, std::size_t filled, Add add) {
  constexpr std::size_t name_offset = offsetof(Record, FileName);
  for (std::size_t at = 0;;) {
    if (filled < name_offset || at > filled - name_offset) {
      SetLastError(ERROR_INVALID_DATA);
      return false;
    }
    const Record& found = *reinterpret_cast<const Record*>(bytes + at);
    if (found.FileNameLength > filled - name_offset - at ||
        found.NextEntryOffset % alignof(Record) != 0) {
      SetLastError(ERROR_INVALID_DATA);
      return false;
    }
    DWORD attributes = found.FileAttributes;
    ListedEntry entry = {{found.FileName, found.FileNameLength / sizeof(wchar_t)},
                         attributes,
                         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? found.EaSize : 0,
                         static_cast<unsigned long long>(found.EndOfFile.QuadPart)};
    if (entry.name.length > 0 && !is_dot_entry(entry.name.text, entry.name.length) && !add(entry)) {
      return false;
    }
    if (found.NextEntryOffset == 0)
      return true;
    at += found.NextEntryOffset;
  }
}

// Reads the next entries of |folder| into |bytes|, and how many bytes it
// filled into |filled|; |first| starts again from the first entry, since the
// handle keeps where an earlier listing ended.
bool query_entries(HANDLE folder, ListingQuery query, bool first, void* bytes, DWORD size,
                   std::size_t* filled) {
  if (query == ListingQuery::with_file_ids) {
    // kernel32 does not tell how much it filled: the records must stay
    // within the buffer.
    *filled = size;
    return GetFileInformationByHandleEx(
               folder, first ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo, bytes,
               size) != 0;
  }
  const NativeApi& nt = native_api();
  if (nt.query_directory == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  IO_STATUS_BLOCK io = {};
  LONG status = nt.query_directory(folder, nullptr, nullptr, nullptr, &io, bytes, size,
                                   file_both_directory_information, FALSE, nullptr, first);
  if (status < 0) {
    SetLastError(error_of(status));
    return false;
  }
  *filled = io.Information;
  return true;
}

}  // namespace

bool is_folder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool is_link(const ListedEntry& entry) {
  return is_link(entry.attributes, entry.reparse_tag);
}

bool is_plain_folder(const ListedEntry& entry) {
  return is_folder(entry.attributes) && !is_link(entry);
}

bool same_name(EntryName a, EntryName b) {
  return compare_names(a, b) == CSTR_EQUAL;
}

bool list_folder(HANDLE folder, FolderListing* listing) {
  if (list_folder_by(folder, ListingQuery::with_file_ids, listing))
    return true;
  if (!is_unsupported_request(GetLastError()))
    return false;
  return list_folder_by(folder, ListingQuery::as_find_first_file, listing);
}

bool list_folder_by(HANDLE folder, ListingQuery query, FolderListing* listing) {
  listing->clear();
  DWORD chunk_bytes = first_chunk_bytes;
  for (bool first = true;; first = false) {
    void* bytes = listing->new_chunk(chunk_bytes);
    if (bytes == nullptr) {
      listing->clear();
      return false;
    }
    std::size_t filled = 0;
    if (!query_entries(folder, query, first, bytes, chunk_bytes, &filled)) {
      DWORD error = GetLastError();
      // FAT and CDFS answer the first query of a folder without "." and ".."
      // (a drive's root, mounted as a folder) that way when it is empty.
      if (error == ERROR_NO_MORE_FILES || (first && error == ERROR_FILE_NOT_FOUND))
        break;
      listing->clear();
      return false;
    }
    if (!listing->add_records(query, bytes, filled)) {
      listing->clear();
      return false;
    }
    chunk_bytes = std::min(2 * chunk_bytes, largest_chunk_bytes);
  }
  listing->sort();
  return true;
}

FolderListing::FolderListing(FolderListing&& other) noexcept
    : entries_(other.entries_),
      count_(other.count_),
      capacity_(other.capacity_),
      chunks_(other.chunks_) {
  other.entries_ = nullptr;
  other.count_ = 0;
  other.capacity_ = 0;
  other.chunks_ = nullptr;
}

FolderListing& FolderListing::operator=(FolderListing&& other) noexcept {
  if (this != &other) {
    clear();
    std::swap(entries_, other.entries_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
    std::swap(chunks_, other.chunks_);
  }
  return *this;
}

const ListedEntry* FolderListing::find(EntryName name) const {
  ListedEntry wanted = {name, 0, 0, 0};
  const ListedEntry* end = entries_ + count_;
  const ListedEntry* found =
      std::lower_bound(static_cast<const ListedEntry*>(entries_), end, wanted, name_before);
  return found != end && same_name(found->name, name) ? found : nullptr;
}

bool FolderListing::add_records(ListingQuery query, const void* bytes, std::size_t filled) {
  const unsigned char* records = static_cast<const unsigned char*>(bytes);
  auto add = [this](const ListedEntry& entry) { return this->add(entry); };
  return query == ListingQuery::with_file_ids
             ? add_records_of<FILE_ID_BOTH_DIR_INFO>(records, filled, add)
             : add_records_of<BothDirectoryRecord>(records, filled, add);
}

void FolderListing::clear() {
  free_chunks(&chunks_);
  if (entries_ != nullptr)
    HeapFree(GetProcessHeap(), 0, entries_);
  entries_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

bool FolderListing::add(const ListedEntry& entry) {
  if (!make_room(&entries_, count_, &capacity_, 64))
    return false;
  entries_[count_++] = entry;
  return true;
}

void* FolderListing::new_chunk(DWORD size) {
  return add_chunk(&chunks_, size);
}

void FolderListing::sort() {
  std::sort(entries_, entries_ + count_, name_before);
}
