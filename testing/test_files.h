// Test support: files, folders and environment on the test's own C: drive.
#ifndef QUELLMAR_TESTING_TEST_FILES_H_
#define QUELLMAR_TESTING_TEST_FILES_H_

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// How many times longer than usual a test waits for something to happen:
// QUELLMAR_WAIT_SCALE, which the build sets for the tests where every process
// start is slow (under an emulator), or 1. A wait only bounds a test that
// would hang; no test asserts how long anything takes.
DWORD WaitScale();

// The folder of the running test program, where the launcher and the test
// tools are built too.
std::wstring BuildDirectory();
// A built program beside the test, by file name.
std::wstring BuiltProgram(const std::wstring& name);

// |path| in the "\\?\" form, which the file functions take past 259
// characters.
std::wstring LongPath(const std::wstring& path);
// A path of exactly |length| characters: |root|, then folders below it.
std::wstring PathOfLength(const std::wstring& root, size_t length);

bool Exists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
// Creates |path| and its missing parents; |path| may be in the "\\?\" form.
bool MakeDirectories(const std::wstring& path);
// Writes |bytes| to |path|, creating its folder. |attributes| are set after.
bool WriteBytes(const std::wstring& path, const std::string& bytes, DWORD attributes = 0);
std::string ReadBytes(const std::wstring& path);
// Removes |path| and everything under it, read-only and hidden files too. A
// link is removed as the link, never followed.
void RemoveTree(const std::wstring& path);
// Every file and folder under |root|, as paths relative to it, sorted; folders
// end in "\". Links to folders are listed as folders and not followed.
std::vector<std::wstring> ListTree(const std::wstring& root);
// Makes |link| a link to the folder |target|. Under Wine it is a Unix symbolic
// link, which Windows programs list as a folder with
// FILE_ATTRIBUTE_REPARSE_POINT, as a junction is listed on Windows; on
// Windows a symbolic link where the test may make one, else a junction
// (mklink /j).
// Fails when anything is at |link| already, as Windows' mklink does (ln would
// put the link into a folder there).
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
bool IsLink(const std::wstring& path);
// Whether the test runs under Wine rather than on Windows itself.
bool UnderWine();
// The network path of the test drive's folder C:\share:
// \\quellmar-server\share, which tools/wine-test-run.sh makes under Wine; on
// Windows the administrative share, \\localhost\C$\share.
std::wstring NetworkShare();
// True when any file (not only folders) is under |root|.
bool HoldsAnyFile(const std::wstring& root);
std::string Narrow(const std::wstring& text);

// Sets environment variables for the test's children and restores them.
class ScopedEnvironment {
 public:
  ~ScopedEnvironment();
  // |value| nullptr removes the variable.
  void Set(const wchar_t* name, const wchar_t* value);

 private:
  std::vector<std::pair<std::wstring, std::pair<bool, std::wstring>>> saved_;
};

#endif  // QUELLMAR_TESTING_TEST_FILES_H_
