// File operations that never go through a link: a junction, a symbolic link
// or any other reparse point that leads elsewhere (see reparse_tags.h). Where
// other users may write (every user may make folders in C:\, and a junction
// needs no privilege), a folder may hold a link to somebody's documents, or get
// one between a listing and a deletion. Each folder is therefore opened
// without following a link and checked, and what is in it is opened through
// that handle rather than by path, so that a folder swapped for a link is
// never entered.
#ifndef QUELLMAR_FILES_LINK_SAFE_FILES_H_
#define QUELLMAR_FILES_LINK_SAFE_FILES_H_

#include <windows.h>

#include "files/file_handle.h"
#include "files/folder_listing.h"

// The last-error value that says a link is in the way:
// ERROR_REPARSE_POINT_ENCOUNTERED, which MinGW's headers do not name.
constexpr DWORD link_in_the_way = 4395;

enum class LinkAtPath { refuse, follow };

// Looks for the entry at |path| itself, without a wildcard, as
// FindFirstFileW lists it. False when there is none, or it cannot be seen.
bool look_up_entry(const wchar_t* path, WIN32_FIND_DATAW* found);

// Opens the folder at |path| for listing. With LinkAtPath::refuse, a folder
// that is a link fails with link_in_the_way. Every open here gives a handle
// that holds nothing, with the last-error value, on failure.
FileHandle open_folder(const wchar_t* path, LinkAtPath link);

// What a held folder is held for: listing and opening what is in it, or also
// its removal (DELETE access, which nobody else may hold meanwhile).
enum class FolderHold { listing, removal };

// Opens the folder at |path|, never a link, for listing, and holds it: until
// the handle closes nobody can rename, move or delete it (no
// FILE_SHARE_DELETE), and so nobody can put a link in its place, while others
// may go on reading and writing in it. The handle is not inherited.
FileHandle hold_folder(const wchar_t* path, FolderHold hold);

// Opens the folder that |folder| holds once more, for listing. Each listing
// needs a handle of its own: under Wine a handle lists what its folder held
// when the handle was first listed, even when asked to start again.
FileHandle reopen_folder(HANDLE folder);

// Opens the folder |name| in |folder| for listing; a link fails with
// link_in_the_way.
FileHandle open_subfolder(HANDLE folder, EntryName name);

// Opens the folder |name| in |folder| for listing, or what it leads to when
// it is a link: for a walk that only reads, as a reader that follows links
// (xcopy) reads. Nothing may be changed through it.
FileHandle open_subfolder_through_link(HANDLE folder, EntryName name);

// The size of the file |name| in |folder|, or of what it leads to when it is
// a link: what a reader that follows links reads of it.
bool size_through_link(HANDLE folder, EntryName name, unsigned long long* size);

// Which folder a handle holds, as its volume tells folders apart: the same
// for two handles to one folder, whatever path or link led to it.
struct FolderIdentity {
  DWORD volume;
  DWORD index_high;
  DWORD index_low;
};
bool identify_folder(HANDLE folder, FolderIdentity* identity);
bool same_folder(const FolderIdentity& a, const FolderIdentity& b);

// Opens the existing entry |name| in |folder| for this process alone (no
// sharing), with DELETE access, and lets the processes that it starts inherit
// the handle. A link is opened as the link.
FileHandle hold_entry_in(HANDLE folder, EntryName name);

// Makes the folder |name| in |folder| and holds it as hold_entry_in does; it
// fails with ERROR_ALREADY_EXISTS when there is one.
FileHandle make_held_folder_in(HANDLE folder, EntryName name);

// How hold_subfolder finds the folder: made anew, where anything in its
// place fails with ERROR_ALREADY_EXISTS, or there already.
enum class SubfolderHold { make, existing };

// Makes or opens the folder |name| in |folder|, never a link, for listing,
// and holds it as hold_folder does: until the handle closes nobody can
// rename, move or delete it, nor any folder above it, since Windows renames
// no folder with an open handle below it. The processes that this one starts
// inherit the handle, so that it stays held while one of them runs.
FileHandle hold_subfolder(HANDLE folder, EntryName name, SubfolderHold hold);

// Makes the folder |name| in |folder|, where nothing of that name may be
// (ERROR_ALREADY_EXISTS), hidden, and holds it as make_held_folder_in does:
// nobody else may open it but for its attributes, and so nobody can rename or
// remove it while its handle is open; and nothing can be renamed onto its
// name, since Windows renames nothing over a folder (a POSIX rename replaces a
// file even while it is held open). It is deleted when its last handle
// closes, unless something was put into it meanwhile; the processes that this
// one starts inherit the handle. A folder that holds it is not empty, and
// Windows makes no folder that is not empty a junction or other reparse
// point, which anybody who may write its attributes could otherwise do to a
// held folder: no share mode keeps that out.
FileHandle make_held_keeper_folder_in(HANDLE folder, EntryName name);

// Whether the folder that |folder| holds is still a folder and no link, as
// the handle tells; false with link_in_the_way when it has become a link, or
// with the last-error value of a handle that cannot tell.
bool is_still_plain_folder(HANDLE folder);

// Whether the listing of |folder| shows |name| as a link. Wine opens a link
// as what it leads to, and only the listing of its folder tells.
bool is_listed_as_link(HANDLE folder, EntryName name);

// Renames the folder that |folder| holds, with DELETE access, to |path|, on
// the same drive, where nothing may be. Windows refuses while a handle to
// anything below it is open (ERROR_ACCESS_DENIED).
bool rename_held_folder(HANDLE folder, const wchar_t* path);

// When the name of a deleted file or folder goes: when its last handle
// closes, a reader's too (a scanner may hold it for a while, and until then
// its folder cannot be removed); or at once, where Windows can (POSIX
// semantics: Windows 10 1709 and later, on NTFS; elsewhere it goes with the
// last handle).
enum class NameGoes { with_last_handle, at_once };

// Deletes the file that the listing of |folder| shows as |entry|, read-only
// or not; a link in a file's place is deleted as the link, a folder there is
// refused (ERROR_ACCESS_DENIED). Its name goes as |name| says. Only a file
// that the listing shows as read-only, or that is refused, is asked for its
// attributes. Returns false with the last-error value.
bool delete_file_in(HANDLE folder, const ListedEntry& entry,
                    NameGoes name = NameGoes::with_last_handle);

// A file of a copy, opened through its folder's handle, never through a link
// (a link there, or a folder, is opened as itself and says so), shared with
// everyone: what it is, and the flush that writes what Windows still holds
// in its cache of it out to the disk. A file counts as written only then,
// since a power cut loses what is cached.
class FileToFlush {
 public:
  // Opens |name| in |folder|, for writing, which a flush needs; a read-only
  // file for its attributes. Returns false with the last-error value.
  bool open(HANDLE folder, EntryName name);
  // Whether it is a link (see reparse_tags.h), as it says of itself.
  bool is_link() const;
  // Flushes it and waits until the disk has it; a read-only file's READONLY
  // is cleared for that and set again. Returns false with the last-error
  // value.
  bool flush();

  DWORD attributes = 0;
  DWORD reparse_tag = 0;
  unsigned long long size = 0;

 private:
  HANDLE folder_ = nullptr;
  EntryName name_ = {nullptr, 0};
  FileHandle file_;        // for writing
  FileHandle attributes_;  // for its attributes, where it could not be opened for writing
};

// Deletes the link |name| in |folder| as the link, never what it leads to,
// its name going as |name_goes| says. Only an entry that says of itself that
// it is a link is deleted: Wine opens a link as what it leads to, and then it
// stays, with link_in_the_way.
bool delete_link_in(HANDLE folder, EntryName name, NameGoes name_goes);

// Removes the folder |name| in |folder| when it is empty; never a link. Its
// name goes as |name_goes| says.
bool remove_subfolder(HANDLE folder, EntryName name,
                      NameGoes name_goes = NameGoes::with_last_handle);

// Removes the folder at |path| when it is empty; never a link.
bool remove_folder(const wchar_t* path);

// Sets the delete disposition on the file or empty folder that |handle|
// holds, opened with DELETE and attribute access, read-only or not: it goes
// when its last handle closes, and its name as |name| says. Returns false
// with the last-error value.
bool delete_held_entry(HANDLE handle, NameGoes name = NameGoes::with_last_handle);

// Deletes the file or empty folder that |handle| holds, opened with DELETE
// and attribute access, read-only or not, and closes the handle; the
// last-error value of a failure stays, and so does that of an open that
// failed and gave no handle.
bool delete_and_close(FileHandle handle, NameGoes name = NameGoes::with_last_handle);

#endif  // QUELLMAR_FILES_LINK_SAFE_FILES_H_
