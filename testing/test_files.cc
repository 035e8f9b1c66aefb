#include "test_files.h"

#include <algorithm>
#include <cwchar>

DWORD WaitScale() {
  static const DWORD scale = [] {
    wchar_t value[16] = L"";
    DWORD length = GetEnvironmentVariableW(L"QUELLMAR_WAIT_SCALE", value, 16);
    DWORD parsed = length > 0 && length < 16 ? std::wcstoul(value, nullptr, 10) : 0;
    return parsed > 0 ? parsed : 1;
  }();
  return scale;
}

std::wstring BuildDirectory() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length);
  return directory.substr(0, directory.find_last_of(L"\\/"));
}

std::wstring BuiltProgram(const std::wstring& name) {
  return BuildDirectory() + L"\\" + name;
}

std::wstring LongPath(const std::wstring& path) {
  return L"\\\\?\\" + path;
}

std::wstring PathOfLength(const std::wstring& root, size_t length) {
  std::wstring path = root;
  while (path.size() + 1 + 50 < length)
    path += L"\\" + std::wstring(50, L'd');
  if (path.size() < length)
    path += L"\\" + std::wstring(length - path.size() - 1, L'e');
  return path;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectories(const std::wstring& path) {
  if (IsDirectory(path))
    return true;
  // The drive's root, "C:\" or "\\?\C:\", is there already.
  size_t root = path.compare(0, 4, L"\\\\?\\") == 0 ? 7 : 3;
  size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash >= root && !MakeDirectories(path.substr(0, slash))) {
    return false;
  }
  return CreateDirectoryW(path.c_str(), nullptr) || IsDirectory(path);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes, DWORD attributes) {
  MakeDirectories(path.substr(0, path.find_last_of(L"\\/")));
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (attributes != 0)
    SetFileAttributesW(path.c_str(), attributes);
  return ok && written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::string();
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  CloseHandle(file);
  return bytes;
}

namespace {

FARPROC UnixPathFunction() {
  return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
}

}  // namespace

bool UnderWine() {
  return UnixPathFunction() != nullptr;
}

namespace {

// Wine's own: the Unix path of a Windows one, or nullptr outside Wine. The
// caller frees it from the process heap.
char* UnixPath(const std::wstring& path) {
  using Function = char*(CDECL*)(const wchar_t*);
  FARPROC function = UnixPathFunction();
  if (function == nullptr)
    return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function))(path.c_str());
}

// Starts a Unix program with Unix paths as its arguments. Wine starts it, but
// gives no handle to wait on: the caller waits for the effect (WaitFor).
void RunUnix(const std::wstring& program, const std::vector<std::wstring>& windows_paths) {
  std::wstring line = program;
  for (const std::wstring& path : windows_paths) {
    char* unix_path = UnixPath(path);
    if (unix_path == nullptr)
      return;
    line += L" \"";
    for (const char* c = unix_path; *c != '\0'; ++c)
      line += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    line += L"\"";
    HeapFree(GetProcessHeap(), 0, unix_path);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return;
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

template <typename Condition>
bool WaitFor(Condition condition) {
  const DWORD patience = 10000 * WaitScale();
  for (DWORD waited = 0; !condition() && waited < patience; waited += 10)
    Sleep(10);
  return condition();
}

// The link itself goes. Under Wine only a Unix program removes it: Wine's
// RemoveDirectoryW removes the folder it leads to, when empty, and keeps it.
void RemoveLink(const std::wstring& path) {
  if (!UnderWine()) {
    RemoveDirectoryW(path.c_str());
    return;
  }
  RunUnix(L"Z:\\bin\\rm", {path});
  WaitFor([&] { return !IsLink(path); });
}

// Runs |command| through cmd.exe in a console of its own, which the test's
// screen does not show, and waits for it; true when it ends with 0.
bool RunCommand(const std::wstring& command) {
  std::wstring line = L"cmd.exe /d /c " + command;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  DWORD status = 1;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return status == 0;
}

}  // namespace

std::wstring NetworkShare() {
  return UnderWine() ? L"\\\\quellmar-server\\share" : L"\\\\localhost\\C$\\share";
}

bool IsLink(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  if (Exists(link))
    return false;
  MakeDirectories(link.substr(0, link.find_last_of(L"\\/")));
  if (!UnderWine()) {
    // A symbolic link needs a privilege that administrators have; a junction
    // none.
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
      return true;
    return GetLastError() == ERROR_PRIVILEGE_NOT_HELD &&
           RunCommand(L"mklink /j \"" + link + L"\" \"" + target + L"\"");
  }
  RunUnix(L"Z:\\bin\\ln -s", {target, link});
  return WaitFor([&] { return IsLink(link); });
}

void RemoveTree(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return;
  if (IsLink(path)) {
    RemoveLink(path);
    return;
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..")
        RemoveTree(path + L"\\" + name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

namespace {

void ListInto(const std::wstring& root, const std::wstring& relative,
              std::vector<std::wstring>* entries) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((root + L"\\" + relative + L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..")
      continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entries->push_back(relative + name + L"\\");
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ListInto(root, relative + name + L"\\", entries);
    } else {
      entries->push_back(relative + name);
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

}  // namespace

std::vector<std::wstring> ListTree(const std::wstring& root) {
  std::vector<std::wstring> entries;
  ListInto(root, L"", &entries);
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool HoldsAnyFile(const std::wstring& root) {
  for (const std::wstring& entry : ListTree(root)) {
    if (entry.back() != L'\\')
      return true;
  }
  return false;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text)
    narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

ScopedEnvironment::~ScopedEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    SetEnvironmentVariableW(it->first.c_str(),
                            it->second.first ? it->second.second.c_str() : nullptr);
  }
}

void ScopedEnvironment::Set(const wchar_t* name, const wchar_t* value) {
  wchar_t old[32767];
  SetLastError(0);
  DWORD length = GetEnvironmentVariableW(name, old, 32767);
  bool had = length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  saved_.push_back({name, {had, std::wstring(old, length)}});
  SetEnvironmentVariableW(name, value);
}
