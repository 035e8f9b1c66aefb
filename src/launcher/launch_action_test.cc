// Install and launch, as the user sees them and as they leave drive C:.
#include <gtest/gtest.h>

#include "launcher_fixture.h"

namespace {

void ExpectInstalledCopyOfPayload() {
  EXPECT_EQ(ListTree(kInstall), ListTree(kPayloadFolder));
  for (const PayloadFile& file : kPayload) {
    std::wstring installed = std::wstring(kInstall) + L"\\" + file.path;
    EXPECT_EQ(ReadBytes(installed), file.bytes) << Narrow(installed);
    // xcopy keeps the hidden attribute with /h; it drops read-only by design.
    if (file.attributes & FILE_ATTRIBUTE_HIDDEN) {
      EXPECT_TRUE(GetFileAttributesW(installed.c_str()) & FILE_ATTRIBUTE_HIDDEN)
          << Narrow(installed);
    }
  }
}

using LaunchTest = LauncherTest;

TEST_F(LaunchTest, FirstLaunchCopiesThePayloadAndStartsDosBoxInThePackage) {
  // cmd runs a batch file of the current folder, the payload's, before the
  // system's xcopy: this one is copied, never run.
  const std::wstring ran = L"C:\\payload-xcopy-ran";
  ASSERT_TRUE(WriteBytes(kPayloadFolder + L"\\XCOPY.BAT", "@echo ran>" + Narrow(ran) + "\r\n"));
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);  // no key wait after DosBox
  ExpectInstalledCopyOfPayload();
  EXPECT_FALSE(Exists(ran));
  EXPECT_EQ(StandinRuns(), 1);
  EXPECT_NE(ReadBytes(kStandinLog).find("current directory: C:\\package\r\n"), std::string::npos)
      << ReadBytes(kStandinLog);
  EXPECT_TRUE(console_.WaitForText(L"DosBox stand-in started"));
}

TEST_F(LaunchTest, LaterLaunchesStartTheInstallationAsItIs) {
  StartLauncher();
  ASSERT_EQ(Choose(L'1'), 0u);
  ASSERT_TRUE(WriteBytes(kPayloadFolder + L"\\QUELLMAR.BAS", "20 PRINT \"NEWER\"\r\n"));
  ASSERT_TRUE(WriteBytes(kPayloadFolder + L"\\added.txt", "new in the package"));

  // What the program changes in its installation stays.
  ASSERT_TRUE(WriteBytes(std::wstring(kInstall) + L"\\Quellmar.tmp\\1\\saved.dat", "work"));
  ASSERT_TRUE(DeleteFileW((std::wstring(kInstall) + L"\\start.bat").c_str()));

  console_.Clear();
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);
  EXPECT_EQ(ReadBytes(std::wstring(kInstall) + L"\\QUELLMAR.BAS"), kPayload[0].bytes);
  EXPECT_FALSE(Exists(std::wstring(kInstall) + L"\\added.txt"));
  EXPECT_EQ(ReadBytes(std::wstring(kInstall) + L"\\Quellmar.tmp\\1\\saved.dat"), "work");
  EXPECT_FALSE(Exists(std::wstring(kInstall) + L"\\start.bat"));
  EXPECT_EQ(StandinRuns(), 2);
}

TEST_F(LaunchTest, CopyIsWrittenOutBehindPayloadLinksAndReadOnlyFilesStayReadOnly) {
  // xcopy copies what a payload link leads to as the payload's own. xcopy
  // drops READONLY, but somebody may set it before the check: the file is
  // opened for writing to be flushed, all the same.
  const std::wstring linked = L"C:\\linked";
  ASSERT_TRUE(WriteBytes(linked + L"\\deeper\\inside.txt", "behind a link"));
  ASSERT_TRUE(MakeFolderLink(kPayloadFolder + L"\\linked", linked));
  const std::wstring installed = std::wstring(kInstall) + L"\\readonly.txt";
  ReplaceShellCommand(L"xcopy", std::wstring(kXcopy) + L" & attrib +r " + installed, L"0");
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
  EXPECT_EQ(ListTree(std::wstring(kInstall) + L"\\linked"), ListTree(linked));
  EXPECT_FALSE(IsLink(std::wstring(kInstall) + L"\\linked"));
  RemoveTree(kPayloadFolder + L"\\linked");
  RemoveTree(std::wstring(kInstall) + L"\\linked");
  ExpectInstalledCopyOfPayload();
  EXPECT_TRUE(GetFileAttributesW(installed.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(StandinRuns(), 1);
  RemoveTree(linked);
}

TEST_F(LaunchTest, CopyAsksBeforeOverwritingWhateverCopycmdSays) {
  // Somebody puts a file at a payload file's name before xcopy writes it:
  // with COPYCMD=/Y xcopy would write over it, or through a link, unasked.
  environment_.Set(L"COPYCMD", L"/Y");
  ReplaceShellCommand(L"xcopy", L"echo theirs>C:\\Quellmar\\start.bat & %FAKE_SHELL_COMMAND%",
                      L"0");
  StartLauncher();
  console_.Char(L'1');
  ASSERT_TRUE(console_.WaitForText(L"Overwrite C:\\Quellmar\\start.bat?"))
      << Narrow(console_.Screen());
  console_.Char(L'n');
  ExpectFailure(15, L"System command XCOPY not executed.");
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(StandinRuns(), 0);
}

TEST_F(LaunchTest, EmptyInstallationDirectoryIsStartedWithoutCopying) {
  ASSERT_TRUE(MakeDirectories(kInstall));
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);
  EXPECT_TRUE(ListTree(kInstall).empty());
  EXPECT_EQ(StandinRuns(), 1);
}

TEST_F(LaunchTest, EnterAndLineFeedLaunchLikeOne) {
  StartLauncher();
  console_.Key(VK_RETURN, L'\r');
  EXPECT_EQ(ExitStatus(), 0u);
  ExpectInstalledCopyOfPayload();

  RemoveTree(kInstall);
  console_.Clear();
  StartLauncher();
  console_.Key(VK_RETURN, L'\n', LEFT_CTRL_PRESSED);  // Ctrl+Enter is a line feed
  EXPECT_EQ(ExitStatus(), 0u);
  ExpectInstalledCopyOfPayload();
  EXPECT_EQ(StandinRuns(), 2);
}

TEST_F(LaunchTest, MissingPayloadFolderIsReportedWithOne) {
  RemoveTree(kPayloadFolder);
  StartLauncher();
  console_.Char(L'1');
  ExpectFailure(1, L"Current directory not set.");
  long long last_error = ShownLastError();
  EXPECT_TRUE(last_error == ERROR_FILE_NOT_FOUND || last_error == ERROR_PATH_NOT_FOUND)
      << last_error;
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(StandinRuns(), 0);
}

TEST_F(LaunchTest, PlainFileInPlaceOfTheInstallationIsReportedWithThree) {
  ASSERT_TRUE(WriteBytes(kInstall, "not a directory"));
  StartLauncher();
  console_.Char(L'1');
  ExpectFailure(3, L"Expected directory is a file.");
  EXPECT_EQ(ReadBytes(kInstall), "not a directory");
  EXPECT_EQ(StandinRuns(), 0);
}

TEST_F(LaunchTest, DosBoxStarterFailingOrMissingIsReportedWithThirteen) {
  environment_.Set(L"DOSBOX_STANDIN_STATUS", L"5");
  StartLauncher();
  console_.Char(L'1');
  ExpectFailure(13, L"System call of DosBox not executed.");
  EXPECT_EQ(StandinRuns(), 1);
  ExpectInstalledCopyOfPayload();  // the copy itself had succeeded

  ASSERT_TRUE(DeleteFileW((std::wstring(kPackage) + L"\\dosboxportable.exe").c_str()));
  console_.Clear();
  StartLauncher();
  console_.Char(L'1');
  ExpectFailure(13, L"System call of DosBox not executed.");
}

TEST_F(LaunchTest, FailedCopyLeavesNoInstallationBehind) {
  // A payload file that nobody may read makes xcopy stop part-way, after it
  // has copied what came before it.
  const std::wstring locked_path = kPayloadFolder + L"\\zz_locked.dat";
  ASSERT_TRUE(WriteBytes(locked_path, "in use"));
  HANDLE locked = CreateFileW(locked_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  StartLauncher();
  console_.Char(L'1');
  ExpectReportShown(15, L"System command XCOPY not executed.");
  // Cleaned up before the report is shown.
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(Choose(L'x'), 3u);
  EXPECT_EQ(StandinRuns(), 0);
  CloseHandle(locked);

  // The next launch copies afresh and starts DosBox.
  console_.Clear();
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);
  EXPECT_EQ(ReadBytes(std::wstring(kInstall) + L"\\zz_locked.dat"), "in use");
  EXPECT_EQ(StandinRuns(), 1);
}

TEST_F(LaunchTest, AutoRunThatChangesFolderDoesNotLeadTheCopyAstray) {
  // The fake interpreter runs an AutoRun command as Windows' cmd.exe does
  // without "/d"; this one would make "xcopy *.*" copy another folder.
  const std::wstring elsewhere = L"C:\\elsewhere";
  RemoveTree(elsewhere);
  ASSERT_TRUE(WriteBytes(elsewhere + L"\\private\\notes.txt", "not the payload"));
  LogShellCommands();
  environment_.Set(L"FAKE_SHELL_AUTORUN", L"cd /d C:\\elsewhere");
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);
  ExpectInstalledCopyOfPayload();
  EXPECT_EQ(StandinRuns(), 1);
  RemoveTree(elsewhere);
}

// The test shares the console with the launcher, and must outlast the Ctrl+C
// it sends as the launcher does; a handler of its own is not inherited.
BOOL WINAPI OutlastInterrupt(DWORD event) {
  return event == CTRL_C_EVENT;
}

TEST_F(LaunchTest, CtrlCDuringTheCopyEndsTheCopyAndLeavesNoInstallation) {
  AddBulkToPayload();
  ASSERT_TRUE(SetConsoleCtrlHandler(OutlastInterrupt, TRUE));
  StartLauncher();
  console_.Char(L'1');
  ASSERT_TRUE(WaitUntil(CopyHasBegun, 5));
  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));

  ExpectReportShown(15, L"System command XCOPY not executed.");
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(Choose(L'x'), 3u);
  EXPECT_EQ(StandinRuns(), 0);
  SetConsoleCtrlHandler(OutlastInterrupt, FALSE);

  // Outside the copy, Ctrl+C is handled as before; the next launch copies
  // everything and starts DosBox.
  console_.Clear();
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);
  EXPECT_EQ(ListTree(kInstall), ListTree(kPayloadFolder));
  EXPECT_EQ(StandinRuns(), 1);
}

}  // namespace
