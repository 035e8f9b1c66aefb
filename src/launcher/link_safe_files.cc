#include "launcher/link_safe_files.h"

#include <winternl.h>

#include <algorithm>
#include <cwchar>

namespace {

// What the launcher asks of each handle: listing a folder, deleting a file
// (clearing read-only first when needed), removing an empty folder.
constexpr ACCESS_MASK listing_access = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK file_deletion_access =
    DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK folder_removal_access = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// Others may go on using what the launcher opens: a scanner or Explorer that
// holds a folder must not make it unlistable, nor the launcher make them fail.
constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

enum class Kind { folder, file };

// NtCreateFile opens a name relative to a folder's handle, which is what makes
// a swapped-in link harmless: the path is never resolved again. It is ntdll's,
// so it is looked up at run time; without it, the folder's own path is used.
using NtCreateFileFunction = LONG(WINAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*,
                                           IO_STATUS_BLOCK*, LARGE_INTEGER*, ULONG, ULONG, ULONG,
                                           ULONG, void*, ULONG);
using NtStatusToErrorFunction = ULONG(WINAPI*)(LONG);

constexpr ULONG nt_case_insensitive = 0x40;
constexpr ULONG nt_open_existing = 1;
constexpr ULONG nt_directory_file = 0x1;
constexpr ULONG nt_synchronous_io = 0x20;
constexpr ULONG nt_non_directory_file = 0x40;
constexpr ULONG nt_open_reparse_point = 0x200000;

struct RelativeOpen {
  bool looked_up;
  NtCreateFileFunction create;
  NtStatusToErrorFunction to_error;
};

RelativeOpen relative_open = {false, nullptr, nullptr};

template <typename Function>
Function ntdll_function(HMODULE ntdll, const char* name) {
  // Through void (*)(), which converts to any function pointer quietly.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, name)));
}

const RelativeOpen& relative_open_functions() {
  if (!relative_open.looked_up) {
    relative_open.looked_up = true;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr) {
      relative_open.create = ntdll_function<NtCreateFileFunction>(ntdll, "NtCreateFile");
      relative_open.to_error =
          ntdll_function<NtStatusToErrorFunction>(ntdll, "RtlNtStatusToDosError");
    }
  }
  return relative_open;
}

HANDLE open_through_handle(const RelativeOpen& nt, HANDLE folder, EntryName name,
                           ACCESS_MASK access, Kind kind) {
  UNICODE_STRING object_name;
  object_name.Buffer = const_cast<wchar_t*>(name.text);
  object_name.Length = static_cast<USHORT>(name.length * sizeof(wchar_t));
  object_name.MaximumLength = object_name.Length;
  OBJECT_ATTRIBUTES attributes = {};
  attributes.Length = sizeof attributes;
  attributes.RootDirectory = folder;
  attributes.ObjectName = &object_name;
  attributes.Attributes = nt_case_insensitive;
  IO_STATUS_BLOCK io = {};
  HANDLE opened = nullptr;
  ULONG options = nt_synchronous_io | nt_open_reparse_point |
                  (kind == Kind::folder ? nt_directory_file : nt_non_directory_file);
  LONG status = nt.create(&opened, access, &attributes, &io, nullptr, 0, share_all,
                          nt_open_existing, options, nullptr, 0);
  if (status < 0) {
    SetLastError(nt.to_error(status));
    return INVALID_HANDLE_VALUE;
  }
  return opened;
}

// The same open by path: the folder's final path, then the name.
HANDLE open_through_path(HANDLE folder, EntryName name, ACCESS_MASK access) {
  constexpr DWORD path_units = 32768;
  wchar_t* path =
      static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, path_units * sizeof(wchar_t)));
  if (path == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE opened = INVALID_HANDLE_VALUE;
  DWORD length = GetFinalPathNameByHandleW(folder, path, path_units, VOLUME_NAME_DOS);
  if (length == 0) {
    // The last-error value is the call's.
  } else if (length + 1 + name.length >= path_units) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
  } else {
    path[length] = L'\\';
    std::wmemcpy(path + length + 1, name.text, name.length);
    path[length + 1 + name.length] = L'\0';
    opened = CreateFileW(path, access, share_all, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  }
  DWORD error = GetLastError();
  HeapFree(GetProcessHeap(), 0, path);
  SetLastError(error);
  return opened;
}

bool handle_attributes(HANDLE handle, DWORD* attributes) {
  // Not GetFileInformationByHandle, which asks the volume as well, at a cost
  // that a walk pays for every folder.
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
    return false;
  *attributes = basic.FileAttributes;
  return true;
}

// Keeps |handle| when it is of the |kind| asked for and, for a folder, no
// link; otherwise closes it and fails.
HANDLE checked(HANDLE handle, Kind kind) {
  if (handle == INVALID_HANDLE_VALUE)
    return handle;
  DWORD attributes = 0;
  DWORD error = ERROR_SUCCESS;
  if (!handle_attributes(handle, &attributes))
    error = GetLastError();
  else if (kind == Kind::folder && is_link(attributes))
    error = link_in_the_way;
  else if (kind == Kind::folder && !is_folder(attributes))
    error = ERROR_DIRECTORY;
  else if (kind == Kind::file && is_folder(attributes))
    error = ERROR_ACCESS_DENIED;  // as deleting a folder as a file is
  if (error == ERROR_SUCCESS)
    return handle;
  CloseHandle(handle);
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// Opens |name| in |folder| itself, never what a link there leads to.
HANDLE open_in(HANDLE folder, EntryName name, ACCESS_MASK access, Kind kind) {
  if (name.length == 0 || name.length > 255) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  const RelativeOpen& nt = relative_open_functions();
  HANDLE opened = nt.create != nullptr && nt.to_error != nullptr
                      ? open_through_handle(nt, folder, name, access, kind)
                      : open_through_path(folder, name, access);
  return checked(opened, kind);
}

// Sets the delete disposition: the entry goes when its last handle closes.
bool mark_for_deletion(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

bool clear_read_only(HANDLE file) {
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic))
    return false;
  if (!(basic.FileAttributes & FILE_ATTRIBUTE_READONLY))
    return true;
  DWORD attributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
  FILE_BASIC_INFO changed = {};  // times of 0 stay as they are
  changed.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(file, FileBasicInfo, &changed, sizeof changed) != 0;
}

bool close_keeping_error(HANDLE handle, bool result) {
  DWORD error = GetLastError();
  CloseHandle(handle);
  SetLastError(error);
  return result;
}

// Wine opens a link as what it leads to, whatever the flags, and its handle
// shows that folder's attributes; the listing of the link's folder tells.
bool listed_as_link(const wchar_t* path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path, &found);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  return is_link(found.dwFileAttributes);
}

HANDLE open_path(const wchar_t* path, ACCESS_MASK access, LinkAtPath link) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (link == LinkAtPath::refuse) {
    if (listed_as_link(path)) {
      SetLastError(link_in_the_way);
      return INVALID_HANDLE_VALUE;
    }
    flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  }
  // Followed, a link opens as the folder it leads to, which passes the check.
  return checked(CreateFileW(path, access, share_all, nullptr, OPEN_EXISTING, flags, nullptr),
                 Kind::folder);
}

// The chunks that a listing reads into: small first, since most folders hold
// a few entries, larger as a folder turns out to hold many.
struct ListingChunk {
  ListingChunk* next;
  alignas(8) unsigned char bytes[1];
};
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

bool add_entry(FolderListing* listing, std::size_t* capacity, const ListedEntry& entry) {
  if (listing->count == *capacity) {
    std::size_t grown = *capacity == 0 ? 64 : 2 * *capacity;
    void* entries =
        listing->entries == nullptr
            ? HeapAlloc(GetProcessHeap(), 0, grown * sizeof(ListedEntry))
            : HeapReAlloc(GetProcessHeap(), 0, listing->entries, grown * sizeof(ListedEntry));
    if (entries == nullptr)
      return false;
    listing->entries = static_cast<ListedEntry*>(entries);
    *capacity = grown;
  }
  listing->entries[listing->count++] = entry;
  return true;
}

// Takes the entries of one chunk that the system filled.
bool add_chunk_entries(FolderListing* listing, std::size_t* capacity, const ListingChunk& chunk) {
  const unsigned char* record = chunk.bytes;
  for (;;) {
    const FILE_ID_BOTH_DIR_INFO& found = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
    ListedEntry entry = {{found.FileName, found.FileNameLength / sizeof(wchar_t)},
                         found.FileAttributes,
                         static_cast<unsigned long long>(found.EndOfFile.QuadPart)};
    if (entry.name.length > 0 && !is_dot_entry(entry.name.text, entry.name.length) &&
        !add_entry(listing, capacity, entry)) {
      return false;
    }
    if (found.NextEntryOffset == 0)
      return true;
    record += found.NextEntryOffset;
  }
}

}  // namespace

bool is_folder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool is_link(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool is_plain_folder(DWORD attributes) {
  return is_folder(attributes) && !is_link(attributes);
}

bool same_name(EntryName a, EntryName b) {
  return compare_names(a, b) == CSTR_EQUAL;
}

HANDLE open_folder(const wchar_t* path, LinkAtPath link) {
  return open_path(path, listing_access, link);
}

HANDLE open_subfolder(HANDLE folder, EntryName name) {
  return open_in(folder, name, listing_access, Kind::folder);
}

bool delete_file_in(HANDLE folder, EntryName name) {
  HANDLE file = open_in(folder, name, file_deletion_access, Kind::file);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  return close_keeping_error(file, clear_read_only(file) && mark_for_deletion(file));
}

bool remove_subfolder(HANDLE folder, EntryName name) {
  HANDLE subfolder = open_in(folder, name, folder_removal_access, Kind::folder);
  if (subfolder == INVALID_HANDLE_VALUE)
    return false;
  return delete_and_close(subfolder);
}

bool remove_folder(const wchar_t* path) {
  HANDLE folder = open_path(path, folder_removal_access, LinkAtPath::refuse);
  if (folder == INVALID_HANDLE_VALUE)
    return false;
  return delete_and_close(folder);
}

bool delete_and_close(HANDLE handle) {
  return close_keeping_error(handle, mark_for_deletion(handle));
}

bool list_folder(HANDLE folder, FolderListing* listing) {
  *listing = FolderListing{nullptr, 0, nullptr};
  std::size_t capacity = 0;
  DWORD chunk_bytes = first_chunk_bytes;
  for (;;) {
    ListingChunk* chunk = static_cast<ListingChunk*>(
        HeapAlloc(GetProcessHeap(), 0, sizeof(ListingChunk) + chunk_bytes));
    if (chunk == nullptr) {
      free_listing(listing);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    if (!GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, chunk->bytes, chunk_bytes)) {
      DWORD error = GetLastError();
      HeapFree(GetProcessHeap(), 0, chunk);
      if (error == ERROR_NO_MORE_FILES)
        break;
      free_listing(listing);
      SetLastError(error);
      return false;
    }
    chunk->next = static_cast<ListingChunk*>(listing->chunks);
    listing->chunks = chunk;
    if (!add_chunk_entries(listing, &capacity, *chunk)) {
      free_listing(listing);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    chunk_bytes = std::min(2 * chunk_bytes, largest_chunk_bytes);
  }
  std::sort(listing->entries, listing->entries + listing->count, name_before);
  return true;
}

const ListedEntry* find_entry(const FolderListing& listing, EntryName name) {
  ListedEntry wanted = {name, 0, 0};
  const ListedEntry* end = listing.entries + listing.count;
  const ListedEntry* found =
      std::lower_bound(static_cast<const ListedEntry*>(listing.entries), end, wanted, name_before);
  return found != end && same_name(found->name, name) ? found : nullptr;
}

void free_listing(FolderListing* listing) {
  for (ListingChunk* chunk = static_cast<ListingChunk*>(listing->chunks); chunk != nullptr;) {
    ListingChunk* next = chunk->next;
    HeapFree(GetProcessHeap(), 0, chunk);
    chunk = next;
  }
  if (listing->entries != nullptr)
    HeapFree(GetProcessHeap(), 0, listing->entries);
  *listing = FolderListing{nullptr, 0, nullptr};
}
