#include "command/interpreter_path.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr wchar_t interpreter_name[] = L"CMD.EXE";

bool file_exists(const wchar_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

wchar_t ascii_upper(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Copies |length| units of |from| and a terminator into |to|, which holds
// max_path_units. Returns false when they do not fit.
bool copy_path(wchar_t* to, const wchar_t* from, std::size_t length) {
  if (length >= max_path_units)
    return false;
  std::wmemcpy(to, from, length);
  to[length] = L'\0';
  return true;
}

bool append_path(wchar_t* to, const wchar_t* tail) {
  std::size_t used = std::wcslen(to);
  std::size_t length = std::wcslen(tail);
  if (used + length >= max_path_units)
    return false;
  std::wmemcpy(to + used, tail, length + 1);
  return true;
}

// Looks |name| up in the environment, comparing names without regard to
// letter case as Windows does. Returns 1 and the value in |value|, 0 when the
// variable is not set, -1 when its value is longer than |capacity| allows.
// The environment block is read directly so that an empty value still counts
// as set and the last-error value stays as it was.
int environment_value(const wchar_t* name, wchar_t* value, std::size_t capacity) {
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr)
    return 0;
  std::size_t name_length = std::wcslen(name);
  int result = 0;
  for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    bool same_name = true;
    for (std::size_t i = 0; i < name_length && same_name; ++i) {
      same_name = ascii_upper(entry[i]) == ascii_upper(name[i]);
    }
    if (!same_name || entry[name_length] != L'=')
      continue;
    const wchar_t* text = entry + name_length + 1;
    std::size_t length = std::wcslen(text);
    if (length >= capacity) {
      result = -1;
    } else {
      std::wmemcpy(value, text, length + 1);
      result = 1;
    }
    break;
  }
  FreeEnvironmentStringsW(block);
  return result;
}

// Tests "<directory>\CMD.EXE"; an empty directory means the current one.
// Returns 1 and the full path in |found| when it exists, 0 when it does not,
// -1 when a path would be too long.
int try_directory(const wchar_t* directory, std::size_t length, wchar_t* found) {
  wchar_t candidate[max_path_units];
  if (length == 0) {
    if (!bounded_current_directory(candidate))
      return -1;
  } else if (!copy_path(candidate, directory, length)) {
    return -1;
  }
  std::size_t used = std::wcslen(candidate);
  if (used > 0 && candidate[used - 1] != L'\\' && candidate[used - 1] != L'/') {
    if (!append_path(candidate, L"\\"))
      return -1;
  }
  if (!append_path(candidate, interpreter_name))
    return -1;
  if (!file_exists(candidate))
    return 0;
  DWORD full = GetFullPathNameW(candidate, max_path_units, found, nullptr);
  if (full == 0 || full >= max_path_units)
    return -1;
  return 1;
}

// Searches the current directory, then each element of "PATH" from left to
// right. Double quotes in an element are dropped, so a quoted element with
// blanks works.
bool search_path(wchar_t* found) {
  int result = try_directory(L"", 0, found);
  if (result != 0)
    return result == 1;

  // PATH itself may be long; each element is bounded on its own.
  constexpr std::size_t path_capacity = 32767;
  wchar_t* path = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, path_capacity * 2));
  if (path == nullptr)
    return false;
  bool ok = false;
  if (environment_value(L"PATH", path, path_capacity) == 1) {
    for (wchar_t* element = path;;) {
      wchar_t* end = element;
      wchar_t* kept = element;
      while (*end != L'\0' && *end != L';') {
        if (*end != L'"')
          *kept++ = *end;
        ++end;
      }
      bool last = *end == L'\0';
      // An element too long to hold the interpreter within the bound cannot
      // hold it at all; a later element still may.
      ok = try_directory(element, static_cast<std::size_t>(kept - element), found) == 1;
      if (ok || last)
        break;
      element = end + 1;
    }
  }
  HeapFree(GetProcessHeap(), 0, path);
  return ok;
}

bool has_extension(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/' || *p == L':')
      name = p + 1;
  }
  return std::wcschr(name, L'.') != nullptr;
}

// A name without an extension is tried as a program, then as a batch file.
bool complete_extension(wchar_t* path) {
  if (has_extension(path))
    return file_exists(path);
  static const wchar_t* const extensions[] = {L".EXE", L".BAT", L".CMD"};
  std::size_t length = std::wcslen(path);
  for (const wchar_t* extension : extensions) {
    path[length] = L'\0';
    if (append_path(path, extension) && file_exists(path))
      return true;
  }
  path[length] = L'\0';
  return false;
}

}  // namespace

bool bounded_current_directory(wchar_t* directory) {
  DWORD length = GetCurrentDirectoryW(max_path_units, directory);
  return length != 0 && length < max_path_units;
}

bool find_interpreter(wchar_t* found) {
  int comspec = environment_value(L"COMSPEC", found, max_path_units);
  if (comspec < 0)
    return false;
  if (comspec == 0 && !search_path(found))
    return false;
  return complete_extension(found);
}
