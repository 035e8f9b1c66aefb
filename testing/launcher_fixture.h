// Test support: a package directory with a payload on the test's C: drive,
// and the real launcher started from it in the test's console.
#ifndef QUELLMAR_TESTING_LAUNCHER_FIXTURE_H_
#define QUELLMAR_TESTING_LAUNCHER_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_session.h"
#include "test_files.h"

constexpr wchar_t kInstall[] = L"C:\\Quellmar";
constexpr wchar_t kPackage[] = L"C:\\package";
constexpr wchar_t kStandinLog[] = L"C:\\standin.log";
constexpr wchar_t kShellLog[] = L"C:\\shell.log";
constexpr wchar_t kShellWhereLog[] = L"C:\\shell-where.log";
inline const std::wstring kPayloadFolder = std::wstring(kPackage) + L"\\Quellmar";
// The copy command of a first launch, for the fake interpreter to run.
constexpr wchar_t kXcopy[] = L"xcopy *.* C:\\Quellmar /e /h /i";

// The last line of the menu, where the cursor waits behind one more blank;
// the screen is read without trailing blanks.
constexpr wchar_t kPrompt[] =
    L" Please enter the number (1=Install; 2=Uninstall; 3=Exit) you want:";

// The payload's files by path relative to the payload folder, with content.
struct PayloadFile {
  const wchar_t* path;
  const char* bytes;
  DWORD attributes;
};
extern const std::vector<PayloadFile> kPayload;

class LauncherTest : public ::testing::Test {
 protected:
  // A fresh package directory holding the payload folder "Quellmar" and the
  // stand-in "dosboxportable.exe", and no C:\Quellmar.
  void SetUp() override;
  void TearDown() override;

  // Lays out a package directory at |directory|, which may be deeper than 259
  // characters: the payload folder and the DosBox stand-in.
  static void MakePackage(const std::wstring& directory);

  // Starts the launcher in the package directory and waits for its prompt.
  void StartLauncher(const StartOptions& options = StartOptions());
  // Waits for the launcher to end and returns its exit status.
  DWORD ExitStatus();
  // Presses |key| (a character) and waits for the launcher's exit status.
  DWORD Choose(wchar_t key);
  // Makes COMSPEC name the fake interpreter, which logs every command and
  // runs it through cmd.exe.
  void LogShellCommands();
  // The same, but a command that contains |command| does nothing and ends
  // with |status|.
  void FailShellCommand(const wchar_t* command, const wchar_t* status = L"1");
  // The same, but a command that contains |command| runs |instead| through
  // cmd.exe and ends with |status|.
  void ReplaceShellCommand(const wchar_t* command, const std::wstring& instead,
                           const wchar_t* status);
  // Makes the fake interpreter's failing command, once it has done its work,
  // wait until the file |release| exists before it ends.
  void HoldShellUntil(const wchar_t* release);
  // The fake interpreter's log, one command line a line.
  std::vector<std::string> ShellLog();
  // Whether the fake interpreter was asked to copy.
  bool Copied();
  // Where the fake interpreter ran each command, a directory a line.
  std::vector<std::string> ShellDirectories();
  // How often the stand-in DosBox starter has run.
  int StandinRuns();
  // The header that main prints for |number|, the last-error value left open.
  static std::wstring MainHeader(int number);
  // Expects main's failure report for |number| on the screen: the header,
  // |message| below it, and the launcher waiting for a key.
  void ExpectReportShown(int number, const wchar_t* message);
  // The same, then a key ends the run with exit status 3.
  void ExpectFailure(int number, const wchar_t* message);
  // The last-error value shown in the header on the screen, or -1.
  long long ShownLastError();

  ConsoleSession console_;
  ScopedEnvironment environment_;
};

// Whether the copy has written a file of the payload into C:\Quellmar yet:
// the launcher puts hidden files of its own there before.
bool CopyHasBegun();

// A thousand files more in the payload folder, in forty folders: they keep
// xcopy busy for a while, so that a test finds it copying.
void AddBulkToPayload();

// Files beside the installation directory that no action may touch.
struct Bystander {
  std::wstring path;
  std::string bytes;
};
std::vector<Bystander> PlantBystanders();
void ExpectBystandersIntact(const std::vector<Bystander>& bystanders);

// A launcher test with files planted beside the installation, which must
// survive it byte for byte.
class BystanderTest : public LauncherTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::vector<Bystander> bystanders_;
};

#endif  // QUELLMAR_TESTING_LAUNCHER_FIXTURE_H_
