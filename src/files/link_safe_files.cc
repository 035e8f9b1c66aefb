#include "files/link_safe_files.h"

#include <cstring>
#include <cwchar>
#include <utility>

#include "files/file_handle.h"
#include "files/native_api.h"
#include "files/reparse_tags.h"
#include "path_bound.h"

namespace {

// What is asked of each handle: listing a folder; deleting a file or removing
// an empty folder (clearing read-only first when needed), or holding an entry
// against others.
constexpr ACCESS_MASK listing_access = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK deletion_access =
    DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
// Others may go on using what is opened: a scanner or Explorer that holds a
// folder must not make it unlistable, nor an open here make them fail.
constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A rename or deletion needs DELETE access, which this share mode refuses.
constexpr DWORD share_all_but_delete = FILE_SHARE_READ | FILE_SHARE_WRITE;

constexpr ULONG nt_case_insensitive = 0x40;
constexpr ULONG nt_inherit = 0x2;
constexpr ULONG nt_open_existing = 1;
constexpr ULONG nt_create = 2;
constexpr ULONG nt_directory_file = 0x1;
constexpr ULONG nt_synchronous_io = 0x20;
constexpr ULONG nt_non_directory_file = 0x40;
constexpr ULONG nt_delete_on_close = 0x1000;
constexpr ULONG nt_open_reparse_point = 0x200000;

// What an open through a folder's handle finds, or makes.
enum class Kind { folder, file, any };

struct EntryOpen {
  ACCESS_MASK access;
  ULONG share;
  ULONG disposition;
  Kind kind;
  bool inherited;
  // What a new file is made with, and further create options.
  ULONG attributes = 0;
  ULONG options = 0;
  // A link there is opened as what it leads to: only to read what it leads to.
  bool through_link = false;
};

// Opens |name| in |folder| itself, never what a link there leads to unless
// |how| asks for that; an empty |name| opens |folder| again.
// NtCreateFile opens a name relative to a folder's handle, which is what makes
// a swapped-in link harmless: no path is resolved again. Without it (every
// Windows NT has it) nothing is opened: an open by the folder's path would
// follow a junction swapped in anywhere along that path.
FileHandle open_through_handle(HANDLE folder, EntryName name, const EntryOpen& how) {
  const NativeApi& nt = native_api();
  if (nt.create_file == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FileHandle();
  }
  if (name.length > 255) {
    SetLastError(ERROR_INVALID_NAME);
    return FileHandle();
  }
  UNICODE_STRING object_name;
  object_name.Buffer = const_cast<wchar_t*>(name.text);
  object_name.Length = static_cast<USHORT>(name.length * sizeof(wchar_t));
  object_name.MaximumLength = object_name.Length;
  OBJECT_ATTRIBUTES attributes = {};
  attributes.Length = sizeof attributes;
  attributes.RootDirectory = folder;
  attributes.ObjectName = &object_name;
  attributes.Attributes = nt_case_insensitive | (how.inherited ? nt_inherit : 0);
  IO_STATUS_BLOCK io = {};
  HANDLE opened = nullptr;
  ULONG options = nt_synchronous_io | (how.through_link ? 0 : nt_open_reparse_point) | how.options;
  if (how.kind == Kind::folder)
    options |= nt_directory_file;
  else if (how.kind == Kind::file)
    options |= nt_non_directory_file;
  LONG status = nt.create_file(&opened, how.access, &attributes, &io, nullptr, how.attributes,
                               how.share, how.disposition, options, nullptr, 0);
  if (status < 0) {
    SetLastError(error_of(status));
    return FileHandle();
  }
  return FileHandle(opened);
}

bool basic_info(HANDLE handle, FILE_BASIC_INFO* basic) {
  // Not GetFileInformationByHandle, which asks the volume as well, at a cost
  // that a walk pays for every folder.
  return GetFileInformationByHandleEx(handle, FileBasicInfo, basic, sizeof *basic) != 0;
}

// The attributes with the reparse tag, which tells a link from a folder that
// a filter keeps (a OneDrive folder, say). A drive that does not know the
// class gives its attributes alone, and a reparse point among them counts as
// a link.
bool attributes_and_tag(HANDLE handle, FILE_ATTRIBUTE_TAG_INFO* info) {
  if (GetFileInformationByHandleEx(handle, FileAttributeTagInfo, info, sizeof *info))
    return true;
  FILE_BASIC_INFO basic;
  if (!is_unsupported_request(GetLastError()) || !basic_info(handle, &basic))
    return false;
  info->FileAttributes = basic.FileAttributes;
  info->ReparseTag = 0;
  return true;
}

// Keeps |handle| when it is of the |kind| asked for and, for a folder, no
// link; otherwise closes it and fails. A file needs no question: the open
// itself refuses a folder in its place (FILE_NON_DIRECTORY_FILE), with
// ERROR_ACCESS_DENIED, as deleting a folder as a file is refused.
FileHandle checked(FileHandle handle, Kind kind) {
  if (!handle || kind != Kind::folder || is_still_plain_folder(handle.get()))
    return handle;
  handle.close();
  return FileHandle();
}

FileHandle open_in(HANDLE folder, EntryName name, const EntryOpen& how) {
  return checked(open_through_handle(folder, name, how), how.kind);
}

bool set_attributes(HANDLE handle, DWORD attributes) {
  FILE_BASIC_INFO changed = {};  // times of 0 stay as they are
  // The folder flag is no attribute to set; none at all is written NORMAL.
  attributes &= ~FILE_ATTRIBUTE_DIRECTORY;
  changed.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(handle, FileBasicInfo, &changed, sizeof changed) != 0;
}

// FileDispositionInfoEx and FILE_DISPOSITION_INFO_EX, which MinGW declares
// only for Windows 10 targets; older systems refuse the class.
constexpr FILE_INFO_BY_HANDLE_CLASS file_disposition_info_ex =
    static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
struct DispositionInfoEx {
  DWORD Flags;
};
constexpr DWORD disposition_delete = 0x1;
constexpr DWORD disposition_posix_semantics = 0x2;

// Set once Windows has refused POSIX deletion as a request it does not know:
// it refuses every later one alike, and each refusal would cost a call.
bool posix_deletion_unknown = false;

// Whether a deletion whose name goes as |name| says asks for POSIX deletion.
bool asks_posix_deletion(NameGoes name) {
  return name == NameGoes::at_once && !posix_deletion_unknown;
}

bool set_delete_disposition(HANDLE handle, NameGoes name) {
  // Windows before 10 1709 refuses the class (ERROR_INVALID_PARAMETER), and
  // a drive without POSIX semantics answers as it likes: whatever the answer,
  // the deletion that every Windows knows is tried, and its answer stands.
  if (asks_posix_deletion(name)) {
    DispositionInfoEx at_once = {disposition_delete | disposition_posix_semantics};
    if (SetFileInformationByHandle(handle, file_disposition_info_ex, &at_once, sizeof at_once))
      return true;
    posix_deletion_unknown = is_unsupported_request(GetLastError());
  }
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

// Whether the file that |handle| holds has names elsewhere too (hard links).
bool has_other_names(HANDLE handle) {
  FILE_STANDARD_INFO standard;
  return GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) &&
         standard.NumberOfLinks > 1;
}

// Wine opens a link as what it leads to, whatever the flags, and its handle
// shows that folder's attributes; the listing of the link's folder tells.
bool listed_as_link(const wchar_t* path) {
  WIN32_FIND_DATAW found;
  return look_up_entry(path, &found) && is_link(found.dwFileAttributes, found.dwReserved0);
}

FileHandle open_path(const wchar_t* path, ACCESS_MASK access, DWORD share, LinkAtPath link) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (link == LinkAtPath::refuse) {
    if (listed_as_link(path)) {
      SetLastError(link_in_the_way);
      return FileHandle();
    }
    flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  }
  // Followed, a link opens as the folder it leads to, which passes the check.
  return checked(
      FileHandle(CreateFileW(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr)),
      Kind::folder);
}

}  // namespace

bool look_up_entry(const wchar_t* path, WIN32_FIND_DATAW* found) {
  return FindHandle(FindFirstFileW(path, found)).valid();
}

FileHandle open_folder(const wchar_t* path, LinkAtPath link) {
  return open_path(path, listing_access, share_all, link);
}

FileHandle hold_folder(const wchar_t* path, FolderHold hold) {
  ACCESS_MASK access = listing_access;
  if (hold == FolderHold::removal)
    access |= deletion_access;
  return open_path(path, access, share_all_but_delete, LinkAtPath::refuse);
}

FileHandle reopen_folder(HANDLE folder) {
  // No name: the folder that the handle holds itself.
  return open_in(folder, {L"", 0},
                 {listing_access, share_all, nt_open_existing, Kind::folder, false});
}

FileHandle open_subfolder(HANDLE folder, EntryName name) {
  return open_in(folder, name, {listing_access, share_all, nt_open_existing, Kind::folder, false});
}

FileHandle hold_entry_in(HANDLE folder, EntryName name) {
  return open_in(folder, name, {deletion_access, 0, nt_open_existing, Kind::any, true});
}

FileHandle make_held_folder_in(HANDLE folder, EntryName name) {
  return open_in(folder, name, {deletion_access, 0, nt_create, Kind::folder, true});
}

FileHandle hold_subfolder(HANDLE folder, EntryName name, SubfolderHold hold) {
  EntryOpen how = {listing_access, share_all_but_delete, nt_open_existing, Kind::folder, true};
  if (hold == SubfolderHold::existing)
    return open_in(folder, name, how);
  // A folder just made is empty and no link: nothing to check, and a copy
  // makes many.
  how.disposition = nt_create;
  return open_through_handle(folder, name, how);
}

FileHandle make_held_keeper_folder_in(HANDLE folder, EntryName name) {
  // Just made, it is empty and no link: nothing to check.
  EntryOpen how = {deletion_access, 0, nt_create, Kind::folder, true};
  how.attributes = FILE_ATTRIBUTE_HIDDEN;
  how.options = nt_delete_on_close;
  return open_through_handle(folder, name, how);
}

bool is_still_plain_folder(HANDLE folder) {
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!attributes_and_tag(folder, &info))
    return false;
  DWORD error = ERROR_SUCCESS;
  if (is_link(info.FileAttributes, info.ReparseTag))
    error = link_in_the_way;
  else if (!is_folder(info.FileAttributes))
    error = ERROR_DIRECTORY;
  if (error == ERROR_SUCCESS)
    return true;
  SetLastError(error);
  return false;
}

bool is_listed_as_link(HANDLE folder, EntryName name) {
  FileHandle listed = reopen_folder(folder);  // listed afresh
  FolderListing listing;
  if (!listed || !list_folder(listed.get(), &listing))
    return false;
  const ListedEntry* entry = listing.find(name);
  return entry != nullptr && is_link(*entry);
}

bool rename_held_folder(HANDLE folder, const wchar_t* path) {
  // FILE_RENAME_INFO with the new path behind it; kernel32 turns a DOS path
  // into the system's.
  std::size_t path_bytes = std::wcslen(path) * sizeof(wchar_t);
  alignas(FILE_RENAME_INFO) unsigned char buffer[sizeof(FILE_RENAME_INFO) + 2 * max_path_units];
  if (path_bytes >= 2 * max_path_units) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer);
  std::memset(buffer, 0, sizeof buffer);
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(path_bytes);
  std::memcpy(rename->FileName, path, path_bytes);
  return SetFileInformationByHandle(folder, FileRenameInfo, rename, sizeof buffer) != 0;
}

bool delete_file_in(HANDLE folder, const ListedEntry& entry, NameGoes name) {
  EntryOpen how = {deletion_access, share_all, nt_open_existing, Kind::file, false};
  // The listing tells which files are read-only; the others are opened to go
  // as the handle closes, which costs no call of its own. Their names go with
  // the last handle, a scanner's too (del on Windows 10 1903 and later lets
  // the name go at once): so only where the name may wait. Such an open is
  // refused (ERROR_ACCESS_DENIED) for a file made read-only since the
  // listing, which then goes the long way.
  bool long_way = (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (!long_way && !asks_posix_deletion(name)) {
    how.options = nt_delete_on_close;
    if (open_in(folder, entry.name, how))
      return true;  // deleted as the handle closed
    if (GetLastError() != ERROR_ACCESS_DENIED)
      return false;
    how.options = 0;
    long_way = true;
  }
  FileHandle file = open_in(folder, entry.name, how);
  if (!file)
    return false;
  if (!long_way) {
    if (set_delete_disposition(file.get(), name))
      return true;
    if (GetLastError() != ERROR_ACCESS_DENIED)
      return false;
  }
  return delete_held_entry(file.get(), name);
}

FileHandle open_subfolder_through_link(HANDLE folder, EntryName name) {
  EntryOpen how = {listing_access, share_all, nt_open_existing, Kind::folder, false};
  how.through_link = true;
  return open_through_handle(folder, name, how);
}

bool size_through_link(HANDLE folder, EntryName name, unsigned long long* size) {
  EntryOpen how = {FILE_READ_ATTRIBUTES | SYNCHRONIZE, share_all, nt_open_existing, Kind::file,
                   false};
  how.through_link = true;
  FileHandle file = open_through_handle(folder, name, how);
  FILE_STANDARD_INFO standard;
  if (!file ||
      !GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard, sizeof standard)) {
    return false;
  }
  *size = static_cast<unsigned long long>(standard.EndOfFile.QuadPart);
  return true;
}

bool identify_folder(HANDLE folder, FolderIdentity* identity) {
  // The volume's serial number and the file index: FILE_ID_INFO, which ReFS
  // needs to tell every folder apart, is Windows 8's.
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(folder, &information))
    return false;
  *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
               information.nFileIndexLow};
  return true;
}

bool same_folder(const FolderIdentity& a, const FolderIdentity& b) {
  return a.volume == b.volume && a.index_high == b.index_high && a.index_low == b.index_low;
}

bool FileToFlush::open(HANDLE folder, EntryName name) {
  folder_ = folder;
  name_ = name;
  attributes_.close();
  // Whatever is there, a folder or a link in the file's place too: it is
  // told by what it says of itself.
  EntryOpen writing = {FILE_WRITE_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, share_all,
                       nt_open_existing, Kind::any, false};
  file_ = open_in(folder, name, writing);
  HANDLE asked = file_.get();
  if (!file_) {
    // Windows opens no read-only file for writing.
    if (GetLastError() != ERROR_ACCESS_DENIED)
      return false;
    attributes_ = open_in(folder, name,
                          {FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, share_all,
                           nt_open_existing, Kind::any, false});
    if (!attributes_)
      return false;
    asked = attributes_.get();
  }
  FILE_ATTRIBUTE_TAG_INFO info;
  FILE_STANDARD_INFO standard;
  if (!attributes_and_tag(asked, &info) ||
      !GetFileInformationByHandleEx(asked, FileStandardInfo, &standard, sizeof standard)) {
    return false;
  }
  attributes = info.FileAttributes;
  reparse_tag = info.ReparseTag;
  size = static_cast<unsigned long long>(standard.EndOfFile.QuadPart);
  return true;
}

bool FileToFlush::is_link() const {
  return ::is_link(attributes, reparse_tag);
}

bool FileToFlush::flush() {
  if (file_)
    return FlushFileBuffers(file_.get()) != 0;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!set_attributes(attributes_.get(), attributes & ~FILE_ATTRIBUTE_READONLY))
    return false;
  FileHandle file =
      open_in(folder_, name_,
              {FILE_WRITE_DATA | SYNCHRONIZE, share_all, nt_open_existing, Kind::file, false});
  bool flushed = file && FlushFileBuffers(file.get());
  DWORD error = GetLastError();
  bool restored = set_attributes(attributes_.get(), attributes);
  if (!flushed)
    SetLastError(error);
  return flushed && restored;
}

bool delete_link_in(HANDLE folder, EntryName name, NameGoes name_goes) {
  FileHandle link =
      open_in(folder, name, {deletion_access, share_all, nt_open_existing, Kind::any, false});
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!link || !attributes_and_tag(link.get(), &info))
    return false;
  // Wine opens a link as what it leads to, whatever the flags: then this is
  // not the link, and it stays.
  if (!is_link(info.FileAttributes, info.ReparseTag)) {
    SetLastError(link_in_the_way);
    return false;
  }
  return delete_and_close(std::move(link), name_goes);
}

bool remove_subfolder(HANDLE folder, EntryName name, NameGoes name_goes) {
  return delete_and_close(
      open_in(folder, name, {deletion_access, share_all, nt_open_existing, Kind::folder, false}),
      name_goes);
}

bool remove_folder(const wchar_t* path) {
  return delete_and_close(open_path(path, deletion_access, share_all, LinkAtPath::refuse));
}

// Windows deletes no read-only file or folder (Explorer makes a folder
// read-only when its icon or type is customised), so that attribute is
// cleared first. It belongs to the file, not to the name: it is put back
// when the deletion fails, and when the file keeps another name, which must
// stay as protected as it was.
bool delete_held_entry(HANDLE handle, NameGoes name) {
  FILE_BASIC_INFO basic;
  if (!basic_info(handle, &basic))
    return false;
  DWORD attributes = basic.FileAttributes;
  bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (read_only && !set_attributes(handle, attributes & ~FILE_ATTRIBUTE_READONLY))
    return false;
  bool keeps_a_name = read_only && has_other_names(handle);
  bool deleted = set_delete_disposition(handle, name);
  DWORD error = GetLastError();
  if (read_only && (!deleted || keeps_a_name))
    set_attributes(handle, attributes);
  SetLastError(error);
  return deleted;
}

bool delete_and_close(FileHandle handle, NameGoes name) {
  // A handle that could not be opened brings its failure along.
  return handle && delete_held_entry(handle.get(), name);
}
