// The first launch's copy is trusted only when complete, and undone when not:
// the payload held against what reached C:\Quellmar.
#include <gtest/gtest.h>

#include "launcher_fixture.h"

namespace {

class PayloadTreeTest : public LauncherTest {
 protected:
  void TearDown() override {
    LauncherTest::TearDown();  // first any link into C:\strays
    RemoveTree(L"C:\\strays");
  }

  // Presses "1" and expects the report of 15, with |last_error| unless that
  // is -1, and no C:\Quellmar left.
  void ExpectCopyUndone(long long last_error = -1) {
    StartLauncher();
    console_.Char(L'1');
    ExpectReportShown(15, L"System command XCOPY not executed.");
    if (last_error != -1) {
      EXPECT_EQ(ShownLastError(), last_error);
    }
    EXPECT_FALSE(Exists(kInstall));  // cleaned up before the report
    EXPECT_EQ(Choose(L'x'), 3u);
    EXPECT_EQ(StandinRuns(), 0);
    console_.Clear();
  }
};

TEST_F(PayloadTreeTest, PayloadPathTooLongForTheInstallationIsNotCopied) {
  // A payload file whose path has 255 characters where xcopy reads it (in
  // the package, which is longer than C:\Quellmar), and an empty folder whose
  // path under C:\Quellmar has 248, which leaves no room for an 8.3 name in
  // it: Windows' xcopy fails on either, Wine's only hangs on the first. So
  // only the check shows.
  const size_t payload_prefix = kPayloadFolder.size() + 1;
  const std::wstring file_too_long = PathOfLength(kPayloadFolder, 255).substr(payload_prefix);
  const std::wstring folder_too_long = PathOfLength(kInstall, 248).substr(12);
  LogShellCommands();
  for (const std::wstring& too_long : {file_too_long, folder_too_long}) {
    SCOPED_TRACE(Narrow(too_long));
    const std::wstring path = LongPath(kPayloadFolder + L"\\" + too_long);
    ASSERT_TRUE(too_long == file_too_long ? WriteBytes(path, "deep") : MakeDirectories(path));
    ExpectCopyUndone(ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FALSE(Copied());
    RemoveTree(LongPath(kPayloadFolder + L"\\" + too_long.substr(0, too_long.find(L'\\'))));
  }

  // A file at 254 characters and a folder at 247 are copied like any other.
  const std::wstring longest_file = PathOfLength(kPayloadFolder, 254).substr(payload_prefix);
  const std::wstring longest_folder = PathOfLength(kInstall, 247).substr(12);
  ASSERT_TRUE(WriteBytes(LongPath(kPayloadFolder + L"\\" + longest_file), "deepest"));
  ASSERT_TRUE(MakeDirectories(LongPath(kPayloadFolder + L"\\" + longest_folder)));
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
  EXPECT_EQ(ReadBytes(LongPath(std::wstring(kInstall) + L"\\" + longest_file)), "deepest");
  EXPECT_EQ(ListTree(LongPath(kInstall)), ListTree(LongPath(kPayloadFolder)));
  EXPECT_EQ(StandinRuns(), 1);
}

TEST_F(PayloadTreeTest, PayloadHoldingANameOfTheLaunchersIsNotCopied) {
  // The mark's name at the top, or the name of what keeps a payload folder
  // filled during the copy at any depth.
  LogShellCommands();
  for (const wchar_t* name : {L"QuellmarLaunch.unfinished", L"QBASIC\\QuellmarLaunch.copying"}) {
    SCOPED_TRACE(Narrow(name));
    const std::wstring path = kPayloadFolder + L"\\" + name;
    ASSERT_TRUE(WriteBytes(path, "mine"));
    ExpectCopyUndone(ERROR_FILE_EXISTS);
    EXPECT_FALSE(Copied());
    ASSERT_TRUE(DeleteFileW(path.c_str()));
  }
}

TEST_F(PayloadTreeTest, PayloadLinkThatLeadsBackIntoItsFolderIsRefusedBeforeAnythingIsWritten) {
  // xcopy would copy what it leads to for ever, or until a path is too long.
  LogShellCommands();
  ASSERT_TRUE(MakeFolderLink(kPayloadFolder + L"\\QBASIC\\back", kPayloadFolder));
  ExpectCopyUndone(ERROR_CANT_RESOLVE_FILENAME);
  EXPECT_FALSE(Copied());
  EXPECT_FALSE(Exists(L"C:\\Quellmar.unfinished"));
  RemoveTree(kPayloadFolder + L"\\QBASIC\\back");
}

TEST_F(PayloadTreeTest, CopyThatSaysZeroButIsIncompleteIsUndone) {
  // What a copy command may leave while it still ends with 0: Wine's xcopy
  // after "Disk full." in a subfolder, a copy stopped part-way.
  ASSERT_TRUE(MakeDirectories(kPayloadFolder + L"\\saves"));
  const struct {
    const char* what;
    std::wstring copy;
  } cases[] = {
      {"a file missing", std::wstring(kXcopy) + L" & del /q C:\\Quellmar\\QBASIC\\QBASIC.HLP"},
      {"a file cut short", std::wstring(kXcopy) + L" & echo x>C:\\Quellmar\\document\\manual.txt"},
      {"nothing at all", L"mkdir C:\\Quellmar"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ReplaceShellCommand(L"xcopy", c.copy, L"0");
    ExpectCopyUndone();
  }

  // A copy that leaves out the empty folder is complete all the same: the
  // launcher made every folder of the payload before it.
  ReplaceShellCommand(L"xcopy", L"xcopy *.* C:\\Quellmar /s /h /i", L"0");
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
  EXPECT_EQ(ListTree(kInstall), ListTree(kPayloadFolder));
}

TEST_F(PayloadTreeTest, FailedCopyRemovesOnlyThePayloadsOwnPaths) {
  // Someone else writes into C:\Quellmar while the copy runs (a second
  // launcher, the user): a file and a folder that are not the payload's, and
  // a file of their own in a payload folder. The copy itself writes part of
  // a payload file, then fails.
  const std::vector<Bystander> strays = {
      {L"C:\\Quellmar\\notes.txt", "the user's notes"},
      {L"C:\\Quellmar\\saves\\game1.sav", "a saved game"},
      {L"C:\\Quellmar\\QBASIC\\mine.bas", "10 REM my own program"},
  };
  std::wstring copy = L"mkdir C:\\Quellmar";
  for (size_t i = 0; i < strays.size(); ++i) {
    std::wstring kept = L"C:\\strays\\" + std::to_wstring(i);
    ASSERT_TRUE(WriteBytes(kept, strays[i].bytes));
    std::wstring folder = strays[i].path.substr(0, strays[i].path.find_last_of(L'\\'));
    copy += L" & mkdir " + folder + L" & copy /b " + kept + L" " + strays[i].path;
  }
  ASSERT_TRUE(WriteBytes(L"C:\\strays\\part", std::string(kPayload[0].bytes).substr(0, 8)));
  copy += L" & copy /b C:\\strays\\part C:\\Quellmar\\QUELLMAR.BAS";
  ReplaceShellCommand(L"xcopy", copy, L"1");

  StartLauncher();
  console_.Char(L'1');
  ExpectFailure(15, L"System command XCOPY not executed.");
  EXPECT_FALSE(Exists(std::wstring(kInstall) + L"\\QUELLMAR.BAS"));
  ExpectBystandersIntact(strays);
  // What is left stays marked as unfinished.
  EXPECT_EQ(
      ListTree(kInstall),
      (std::vector<std::wstring>{L"QBASIC\\", L"QBASIC\\mine.bas", L"QuellmarLaunch.unfinished\\",
                                 L"notes.txt", L"saves\\", L"saves\\game1.sav"}));
  EXPECT_EQ(StandinRuns(), 0);

  // So the next launch copies again, and keeps what is not the payload's.
  console_.Clear();
  LogShellCommands();
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
  EXPECT_TRUE(Copied());
  ExpectBystandersIntact(strays);
  EXPECT_EQ(ReadBytes(std::wstring(kInstall) + L"\\QUELLMAR.BAS"), kPayload[0].bytes);
  EXPECT_FALSE(Exists(std::wstring(kInstall) + L"\\QuellmarLaunch.unfinished"));
  EXPECT_EQ(StandinRuns(), 1);
}

TEST_F(PayloadTreeTest, PayloadFolderCannotBeSwappedForALinkDuringTheCopy) {
  // While the copy runs, someone tries to put a link in the place of the
  // payload folder QBASIC, to a folder of files with the payload's names.
  const std::vector<Bystander> behind = {
      {L"C:\\strays\\qbasic\\QBASIC.EXE", "another QBasic"},
      {L"C:\\strays\\qbasic\\QBASIC.HLP", "its help"},
  };
  for (const Bystander& file : behind)
    ASSERT_TRUE(WriteBytes(file.path, file.bytes));
  std::wstring copy = std::wstring(kXcopy) + L" & rd /s /q C:\\Quellmar\\QBASIC & \"" +
                      BuiltProgram(L"folder_link.exe") +
                      L"\" C:\\Quellmar\\QBASIC C:\\strays\\qbasic";
  ReplaceShellCommand(L"xcopy", copy, L"1");

  StartLauncher();
  console_.Char(L'1');
  ExpectFailure(15, L"System command XCOPY not executed.");
  ExpectBystandersIntact(behind);
  // The launcher holds the folder, so it stays; the failed copy is undone.
  EXPECT_FALSE(Exists(kInstall));

  // A link put at a payload file's path once xcopy has written the file,
  // which DosBox would follow: nothing behind it is touched. (Windows removes
  // it as the link with the rest; Wine opens it as its target and keeps it.)
  copy = std::wstring(kXcopy) + L" & del C:\\Quellmar\\QBASIC\\QBASIC.EXE & \"" +
         BuiltProgram(L"folder_link.exe") +
         L"\" C:\\Quellmar\\QBASIC\\QBASIC.EXE C:\\strays\\qbasic";
  ReplaceShellCommand(L"xcopy", copy, L"0");
  console_.Clear();
  StartLauncher();
  console_.Char(L'1');
  ExpectReportShown(15, L"System command XCOPY not executed.");
  EXPECT_EQ(ShownLastError(), 4395);  // ERROR_REPARSE_POINT_ENCOUNTERED
  EXPECT_EQ(Choose(L'x'), 3u);
  ExpectBystandersIntact(behind);
  EXPECT_EQ(StandinRuns(), 0);
}

}  // namespace
