// ntdll's file functions, for what kernel32 does not offer: opening a name
// relative to a folder's handle, and listing a folder with the information
// class that every drive answers. The executable imports nothing of ntdll, so
// they are looked up when first needed.
#ifndef QUELLMAR_FILES_NATIVE_API_H_
#define QUELLMAR_FILES_NATIVE_API_H_

#include <windows.h>
#include <winternl.h>

// WINAPI, as ntdll exports them: on x86 another calling convention would
// corrupt the stack.
using NtCreateFileFunction = LONG(WINAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*,
                                           IO_STATUS_BLOCK*, LARGE_INTEGER*, ULONG, ULONG, ULONG,
                                           ULONG, void*, ULONG);
using NtQueryDirectoryFileFunction = LONG(WINAPI*)(HANDLE, HANDLE, void*, void*, IO_STATUS_BLOCK*,
                                                   void*, ULONG, ULONG, BOOLEAN, UNICODE_STRING*,
                                                   BOOLEAN);
using RtlNtStatusToDosErrorFunction = ULONG(WINAPI*)(LONG);

struct NativeApi {
  NtCreateFileFunction create_file;
  NtQueryDirectoryFileFunction query_directory;
  RtlNtStatusToDosErrorFunction to_error;
};

// The functions, or nullptr where a system lacks one (every Windows NT has
// them).
const NativeApi& native_api();

// The last-error value of an NTSTATUS.
DWORD error_of(LONG status);

// What Windows, or a drive, answers for a request that it does not know: an
// information class that is newer than the system, or that the drive's file
// system lacks.
bool is_unsupported_request(DWORD error);

#endif  // QUELLMAR_FILES_NATIVE_API_H_
