// Where the launcher is started from: a network folder or a folder too deep
// for the commands of a launch is refused before any command runs.
#include <gtest/gtest.h>

#include "launcher_fixture.h"

namespace {

// The package in C:\share, which is a network share too (NetworkShare()).
constexpr wchar_t kShared[] = L"C:\\share\\package";

class PackageDirectoryTest : public LauncherTest {
 protected:
  void TearDown() override {
    RemoveTree(LongPath(L"C:\\share\\package"));
    RemoveTree(LongPath(L"C:\\deep"));
    LauncherTest::TearDown();
  }

  // Starts the launcher in |directory|, presses "1" and expects the report
  // of 1 with |last_error|; nothing may have run or been copied.
  void ExpectRefused(const std::wstring& directory, DWORD last_error) {
    SCOPED_TRACE(Narrow(directory));
    StartOptions options;
    options.directory = directory;
    StartLauncher(options);
    console_.Char(L'1');
    ExpectReportShown(1, L"Current directory not set.");
    EXPECT_EQ(ShownLastError(), static_cast<long long>(last_error));
    EXPECT_EQ(Choose(L'x'), 3u);
    EXPECT_FALSE(Exists(kInstall));
    EXPECT_EQ(StandinRuns(), 0);
    console_.Clear();
  }
};

TEST_F(PackageDirectoryTest, NetworkFolderIsRefusedBeforeAnyCommandRuns) {
  MakePackage(kShared);
  const std::wstring shared = NetworkShare() + L"\\package";
  if (!IsDirectory(shared))
    GTEST_SKIP() << Narrow(shared) << " cannot be reached here (error " << GetLastError() << ")";
  // An interpreter that, like the real cmd.exe, runs commands from a network
  // folder in the Windows folder instead: xcopy would copy that.
  LogShellCommands();
  ExpectRefused(shared, ERROR_NOT_SUPPORTED);
  ExpectRefused(L"\\\\?\\UNC" + shared.substr(1), ERROR_NOT_SUPPORTED);
  EXPECT_TRUE(ShellLog().empty());
  EXPECT_TRUE(ShellDirectories().empty());

  // Wine's own cmd.exe copies nothing there, says 0, and would leave an empty
  // C:\Quellmar that later launches take for an installation.
  environment_.Set(L"COMSPEC", nullptr);
  ExpectRefused(shared, ERROR_NOT_SUPPORTED);

  // An installation already there does not change it: DosBox's starter would
  // be looked for in the Windows folder.
  ASSERT_TRUE(MakeDirectories(kInstall));
  StartOptions options;
  options.directory = shared;
  StartLauncher(options);
  console_.Char(L'1');
  ExpectFailure(1, L"Current directory not set.");
  EXPECT_EQ(StandinRuns(), 0);
}

TEST_F(PackageDirectoryTest, FolderTooDeepForTheCommandsIsRefused) {
  // "<package>\dosboxportable.exe" at 260 characters; the payload folder
  // would still fit.
  const std::wstring too_deep_for_dosbox = PathOfLength(L"C:\\deep\\a", 241);
  // The payload folder itself at 259 characters.
  const std::wstring too_deep_for_payload = PathOfLength(L"C:\\deep\\b", 250);
  ASSERT_EQ(too_deep_for_payload.size() + 9, 259u);
  for (const std::wstring& directory : {too_deep_for_dosbox, too_deep_for_payload}) {
    MakePackage(directory);
    ExpectRefused(directory, ERROR_FILENAME_EXCED_RANGE);
  }
}

TEST_F(PackageDirectoryTest, FolderAtTheBoundLaunches) {
  // The payload's longest paths, such as Quellmar\Quellmar.tmp\1\a.tmp
  // below the package, at exactly 254 characters, where xcopy reads them.
  const std::wstring deepest = PathOfLength(L"C:\\deep\\c", 224);
  MakePackage(deepest);
  StartOptions options;
  options.directory = deepest;
  StartLauncher(options);
  EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
  EXPECT_EQ(ListTree(kInstall), ListTree(LongPath(deepest + L"\\Quellmar")));
  EXPECT_EQ(StandinRuns(), 1);

  // One deeper, nothing is copied.
  RemoveTree(kInstall);
  console_.Clear();
  const std::wstring too_deep = PathOfLength(L"C:\\deep\\d", 225);
  MakePackage(too_deep);
  options.directory = too_deep;
  StartLauncher(options);
  console_.Char(L'1');
  ExpectFailure(15, L"System command XCOPY not executed.");
  EXPECT_EQ(ShownLastError(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FALSE(Exists(kInstall));
}

TEST_F(PackageDirectoryTest, LongFormOfADriveLetterFolderIsNoNetworkFolder) {
  // The "\\?\" form of a drive letter's folder is a local path too.
  StartOptions options;
  options.directory = LongPath(kPackage);
  StartLauncher(options);
  EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
  EXPECT_EQ(ListTree(kInstall), ListTree(std::wstring(kPackage) + L"\\Quellmar"));
}

}  // namespace
