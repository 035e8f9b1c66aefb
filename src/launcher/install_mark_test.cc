// An installation that a launcher did not finish is never started as it is:
// not after the launcher was cut off, not while another launcher works on it.
#include <gtest/gtest.h>

#include <algorithm>

#include "launcher_fixture.h"

namespace {

constexpr wchar_t kRelease[] = L"C:\\release-the-copy";
constexpr wchar_t kWork[] = L"C:\\Quellmar.unfinished";
constexpr wchar_t kWorkMark[] = L"C:\\Quellmar.unfinished\\QuellmarLaunch.unfinished";

class UnfinishedInstallTest : public BystanderTest {
 protected:
  void TearDown() override {
    RemoveTree(kRelease);
    RemoveTree(kWork);
    BystanderTest::TearDown();
  }

  // Makes the work folder beside C:\Quellmar with its mark and holds the mark
  // as the launcher at work on it does, sharing nothing.
  static HANDLE HoldWorkFolder() {
    EXPECT_TRUE(MakeDirectories(kWorkMark));
    return CreateFileW(kWorkMark, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  }

  // The copy (|copy| instead of xcopy, if given) runs and then does not end
  // until released: the launcher is at work on the installation, between its
  // copy and the copy's check. The copy then ends with |status|.
  void StartCopyThatWaits(const wchar_t* status = L"0", const std::wstring& copy = kXcopy) {
    ReplaceShellCommand(L"xcopy", copy, status);
    HoldShellUntil(kRelease);
    StartLauncher();
    console_.Char(L'1');
    ASSERT_TRUE(WaitUntil([this] { return ShellLogHolds("hanging"); }));
  }

  bool ShellLogHolds(const std::string& line) {
    std::vector<std::string> log = ShellLog();
    return std::find(log.begin(), log.end(), line) != log.end();
  }

  // Starts the launcher anew, presses |key| and expects its report (15 after
  // "1", 2 after "2") with |last_error|, and the end of the run.
  void ExpectRefused(wchar_t key, long long last_error) {
    console_.Clear();
    StartLauncher();
    console_.Char(key);
    if (key == L'1')
      ExpectFailure(15, L"System command XCOPY not executed.");
    else
      ExpectFailure(2, L"Directory not removed.");
    EXPECT_EQ(ShownLastError(), last_error);
  }

  // The next launch, after the launcher was cut off: it copies the whole
  // payload again and starts it, as a first launch does.
  void ExpectNextLaunchInstallsAfresh() {
    console_.Clear();
    LogShellCommands();
    RemoveTree(kShellLog);
    StartLauncher();
    EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
    EXPECT_TRUE(Copied());
    EXPECT_EQ(ListTree(kInstall), ListTree(kPayloadFolder));  // the mark is gone too
    EXPECT_FALSE(Exists(kWork));
    EXPECT_EQ(StandinRuns(), 1);
  }
};

// Opens |path| as a command window whose current folder it is holds it: for
// reading, shared but for deletion.
HANDLE HoldWithoutDeleteSharing(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

TEST_F(UnfinishedInstallTest, LauncherCutOffDuringTheCopy) {
  AddBulkToPayload();
  StartLauncher();
  console_.Char(L'1');
  ASSERT_TRUE(WaitUntil(CopyHasBegun, 5));
  console_.CutOff();
  ASSERT_NE(ListTree(kInstall), ListTree(kPayloadFolder));
  ExpectNextLaunchInstallsAfresh();
}

TEST_F(UnfinishedInstallTest, LauncherCutOffBetweenTheCopyAndItsCheck) {
  StartCopyThatWaits();
  console_.CutOff();
  ExpectNextLaunchInstallsAfresh();
}

TEST_F(UnfinishedInstallTest, CopyThatCannotBeFlushedToTheDiskIsUndone) {
  // A program opens a copied file sharing no writing before the copy's check
  // and holds it past the launcher's patience: the file cannot be flushed,
  // so the copy does not count, nor can it be undone while the file is held.
  StartCopyThatWaits();
  HANDLE held = CreateFileW((std::wstring(kInstall) + L"\\QUELLMAR.BAS").c_str(), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteBytes(kRelease, "go on"));
  ExpectReportShown(15, L"System command XCOPY not executed.");
  EXPECT_EQ(ShownLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Choose(L'x'), 3u);
  CloseHandle(held);
  EXPECT_EQ(StandinRuns(), 0);
  HoldShellUntil(nullptr);
  ExpectNextLaunchInstallsAfresh();
}

TEST_F(UnfinishedInstallTest, SecondLauncherWhileTheFirstCopiesTouchesNothing) {
  StartCopyThatWaits();
  const std::vector<std::wstring> installed = ListTree(kInstall);

  // A second window, on the same console: first "1", then "2".
  ConsoleSession second;
  for (wchar_t key : {L'1', L'2'}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(second.Start(L"\"" + BuiltProgram(L"QuellmarLaunch.exe") + L"\"", {kPackage}));
    ASSERT_TRUE(second.WaitForText(kPrompt));
    second.Char(key);
    ASSERT_TRUE(second.WaitForText(L"in function main( )")) << Narrow(second.Screen());
    EXPECT_NE(second.Screen().find(key == L'1' ? MainHeader(15) : MainHeader(2)),
              std::wstring::npos)
        << Narrow(second.Screen());
    EXPECT_EQ(ShownLastError(), ERROR_SHARING_VIOLATION);
    second.Char(L'x');
    DWORD status = 0;
    EXPECT_TRUE(second.WaitForExit(&status));
    EXPECT_EQ(status, 3u);
    EXPECT_EQ(ListTree(kInstall), installed);
    EXPECT_EQ(StandinRuns(), 0);
    second.Clear();
  }

  // The first one checks its copy and starts DosBox.
  ASSERT_TRUE(WriteBytes(kRelease, "go on"));
  EXPECT_EQ(ExitStatus(), 0u);
  EXPECT_EQ(ListTree(kInstall), ListTree(kPayloadFolder));
  EXPECT_EQ(StandinRuns(), 1);
}

TEST_F(UnfinishedInstallTest, CopyThatOutlivesItsLauncherKeepsTheInstallationBusy) {
  StartCopyThatWaits();
  console_.EndOnlyTheChild();
  console_.Clear();
  StartLauncher();
  console_.Char(L'1');
  ExpectReportShown(15, L"System command XCOPY not executed.");
  EXPECT_EQ(ShownLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Choose(L'x'), 3u);
  EXPECT_EQ(StandinRuns(), 0);

  // Once that copy has ended (at once when released; the launch waits a
  // moment for a passing hold anyway), the next launch installs afresh.
  ASSERT_TRUE(WriteBytes(kRelease, "go on"));
  ExpectNextLaunchInstallsAfresh();
}

TEST_F(UnfinishedInstallTest, WorkFolderBesideTheInstallation) {
  // Another launcher sets up a new installation beside C:\Quellmar: busy.
  const std::wstring work = kWork;
  HANDLE held = HoldWorkFolder();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ExpectRefused(L'1', ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(IsDirectory(kWorkMark));
  EXPECT_FALSE(Exists(kInstall));

  // Left behind by a launcher cut off before its rename, with a link in it
  // that somebody put there: removed, but never through the link.
  CloseHandle(held);
  const Bystander behind = {L"C:\\mine\\letter.txt", "dear friend"};
  ASSERT_TRUE(WriteBytes(behind.path, behind.bytes));
  ASSERT_TRUE(WriteBytes(work + L"\\QBASIC\\QBASIC.EXE", "part of a copy"));
  ASSERT_TRUE(MakeFolderLink(work + L"\\QBASIC\\mine", L"C:\\mine"));
  ExpectRefused(L'1', 4395);  // ERROR_REPARSE_POINT_ENCOUNTERED
  ExpectBystandersIntact({behind});
  EXPECT_FALSE(Exists(work + L"\\QBASIC\\QBASIC.EXE"));

  // Without the link, the next launch removes it and installs.
  RemoveTree(work + L"\\QBASIC\\mine");
  console_.Clear();
  ExpectNextLaunchInstallsAfresh();
  ExpectBystandersIntact({behind});
  RemoveTree(L"C:\\mine");
}

TEST_F(UnfinishedInstallTest, UninstallCutOffPartWay) {
  StartLauncher();
  ASSERT_EQ(Choose(L'1'), 0u);
  // A folder held open keeps the uninstall waiting once the files are gone;
  // there it is cut off.
  HANDLE held = CreateFileW((std::wstring(kInstall) + L"\\document").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  console_.Clear();
  StartLauncher();
  console_.Char(L'2');
  ASSERT_TRUE(WaitUntil([] { return !HoldsAnyFile(kInstall); }, 5));
  console_.CutOff();
  CloseHandle(held);
  ASSERT_TRUE(IsDirectory(kInstall));

  RemoveTree(kStandinLog);
  ExpectNextLaunchInstallsAfresh();
}

TEST_F(UnfinishedInstallTest, InstallationHeldOpenIsNeverLeftEmptyAndUnmarked) {
  const std::wstring mark = std::wstring(kInstall) + L"\\QuellmarLaunch.unfinished";
  StartLauncher();
  ASSERT_EQ(Choose(L'1'), 0u);
  HANDLE held = HoldWithoutDeleteSharing(kInstall);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  // A finished installation starts all the same.
  console_.Clear();
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);
  EXPECT_EQ(StandinRuns(), 2);

  // An uninstall deletes the files but cannot remove C:\Quellmar: it says
  // why, and leaves it marked.
  ExpectRefused(L'2', ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(HoldsAnyFile(kInstall));
  EXPECT_TRUE(IsDirectory(mark));
  CloseHandle(held);
  RemoveTree(kStandinLog);
  ExpectNextLaunchInstallsAfresh();

  // The same for a failed copy's clean-up, with a hold that begins during
  // the copy.
  RemoveTree(kInstall);
  console_.Clear();
  StartCopyThatWaits(L"1");
  held = HoldWithoutDeleteSharing(kInstall);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteBytes(kRelease, "go on"));
  ExpectFailure(15, L"System command XCOPY not executed.");
  EXPECT_EQ(ShownLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(HoldsAnyFile(kInstall));
  EXPECT_TRUE(IsDirectory(mark));
  CloseHandle(held);
  RemoveTree(kStandinLog);
  ExpectNextLaunchInstallsAfresh();
}

TEST_F(UnfinishedInstallTest, ReaderOfTheMarkNeverLeavesAnEmptyInstallationUnmarked) {
  const std::wstring mark = std::wstring(kInstall) + L"\\QuellmarLaunch.unfinished";
  StartLauncher();
  ASSERT_EQ(Choose(L'1'), 0u);

  // Another launcher works on a work folder beside it: the uninstall deletes
  // the files and cannot go on, so C:\Quellmar stays marked.
  HANDLE held = HoldWorkFolder();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ExpectRefused(L'2', ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(HoldsAnyFile(kInstall));
  EXPECT_TRUE(IsDirectory(mark));
  CloseHandle(held);

  // The indexer or a scanner reads the mark's attributes (no share mode keeps
  // that out) and holds it across the end of the uninstall, longer than the
  // launcher waits. Windows refuses the rename meanwhile, Wine does not: the
  // report differs, what the next launch finds must not.
  HANDLE reader = CreateFileW(mark.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  console_.Clear();
  StartLauncher();
  console_.Char(L'2');
  ASSERT_TRUE(WaitUntil([this] {
    std::wstring screen = console_.Screen();
    return screen.find(L"press any key") != std::wstring::npos ||
           screen.find(L"in function main( )") != std::wstring::npos;
  })) << Narrow(console_.Screen());
  Choose(L'x');
  CloseHandle(reader);
  RemoveTree(kStandinLog);
  ExpectNextLaunchInstallsAfresh();
}

TEST_F(UnfinishedInstallTest, NothingIsLeftInTheCopysWayOverAnUnfinishedInstallation) {
  StartLauncher();
  ASSERT_EQ(Choose(L'1'), 0u);
  // Left unfinished, as by a launcher cut off in its work.
  ASSERT_TRUE(MakeDirectories(std::wstring(kInstall) + L"\\QuellmarLaunch.unfinished"));
  LogShellCommands();

  // A payload file held open: xcopy would ask whether to overwrite it.
  const std::wstring held_path = std::wstring(kInstall) + L"\\QUELLMAR.BAS";
  HANDLE held = HoldWithoutDeleteSharing(held_path);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ExpectRefused(L'1', ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(Copied());
  EXPECT_TRUE(IsDirectory(std::wstring(kInstall) + L"\\QuellmarLaunch.unfinished"));
  CloseHandle(held);

  // A payload folder that a program holds, sharing nothing: what is in it
  // cannot be cleared.
  const std::wstring held_folder = std::wstring(kInstall) + L"\\document";
  ASSERT_TRUE(WriteBytes(held_folder + L"\\manual.txt", "left by a copy"));
  held = CreateFileW(held_folder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ExpectRefused(L'1', ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(Copied());
  CloseHandle(held);

  // A link in place of a payload folder, or of a payload file: xcopy would
  // write through it. Both stay, and so does what they lead to.
  const std::vector<Bystander> behind = {{L"C:\\mine\\qbasic\\notes.txt", "my notes"}};
  ASSERT_TRUE(WriteBytes(behind[0].path, behind[0].bytes));
  for (const wchar_t* payload_path : {L"\\QBASIC", L"\\QUELLMAR.BAS"}) {
    const std::wstring link = std::wstring(kInstall) + payload_path;
    SCOPED_TRACE(Narrow(link));
    RemoveTree(link);
    ASSERT_TRUE(MakeFolderLink(link, L"C:\\mine\\qbasic"));
    ExpectRefused(L'1', 4395);  // ERROR_REPARSE_POINT_ENCOUNTERED
    EXPECT_FALSE(Copied());
    EXPECT_TRUE(IsLink(link));
    EXPECT_EQ(ListTree(L"C:\\mine"),
              (std::vector<std::wstring>{L"qbasic\\", L"qbasic\\notes.txt"}));
    ExpectBystandersIntact(behind);
    RemoveTree(link);
  }

  // A keeper that a power cut left in a payload folder (it goes when the
  // launcher lets go of it, otherwise) is the launcher's own.
  ASSERT_TRUE(MakeDirectories(held_folder + L"\\QuellmarLaunch.copying"));
  RemoveTree(kStandinLog);
  ExpectNextLaunchInstallsAfresh();
  RemoveTree(L"C:\\mine");
}

TEST_F(UnfinishedInstallTest, NothingCanBeSwappedDuringTheCopy) {
  // No payload folder is empty when xcopy starts: another user may make an
  // empty folder a junction where it stands, however it is held. Nobody else
  // can remove or rename what fills it, nor rename a file of theirs onto its
  // name, and nothing of that is left once the copy has failed. Folders that
  // a payload link leads to are the payload's too.
  const std::wstring linked = L"C:\\linked";
  ASSERT_TRUE(MakeDirectories(linked + L"\\deeper"));
  ASSERT_TRUE(MakeFolderLink(kPayloadFolder + L"\\linked", linked));
  StartCopyThatWaits(L"1", L"rem nothing copied");
  for (const std::wstring& entry : ListTree(kPayloadFolder)) {
    if (entry.back() == L'\\') {
      const std::wstring folder = std::wstring(kInstall) + L"\\" + entry;
      EXPECT_FALSE(ListTree(folder.substr(0, folder.size() - 1)).empty()) << Narrow(folder);
    }
  }
  EXPECT_EQ(ListTree(std::wstring(kInstall) + L"\\linked\\deeper"),
            std::vector<std::wstring>{L"QuellmarLaunch.copying\\"});
  RemoveTree(kPayloadFolder + L"\\linked");
  RemoveTree(linked);
  const std::wstring keeper = std::wstring(kInstall) + L"\\document\\QuellmarLaunch.copying";
  EXPECT_EQ(ListTree(std::wstring(kInstall) + L"\\document"),
            std::vector<std::wstring>{L"QuellmarLaunch.copying\\"});
  const std::wstring theirs = L"C:\\theirs";
  ASSERT_TRUE(WriteBytes(theirs, "not a folder"));
  EXPECT_FALSE(RemoveDirectoryW(keeper.c_str()));
  EXPECT_FALSE(MoveFileW(keeper.c_str(), (std::wstring(kInstall) + L"\\moved").c_str()));
  EXPECT_FALSE(MoveFileExW(theirs.c_str(), keeper.c_str(), MOVEFILE_REPLACE_EXISTING));
  constexpr DWORD kHiddenFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN;
  EXPECT_EQ(GetFileAttributesW(keeper.c_str()) & kHiddenFolder, kHiddenFolder);
  RemoveTree(theirs);
  ASSERT_TRUE(WriteBytes(kRelease, "go on"));
  ExpectFailure(15, L"System command XCOPY not executed.");
  EXPECT_FALSE(Exists(kInstall));
  HoldShellUntil(nullptr);

  // Someone renames C:\Quellmar, or a payload folder that the copy has begun
  // to fill, away while xcopy writes, to put a link in its place: the rest of
  // the copy would go wherever the link leads.
  const std::wstring elsewhere = L"C:\\elsewhere";
  ASSERT_TRUE(MakeDirectories(elsewhere));
  const std::wstring swapped[] = {kInstall, std::wstring(kInstall) + L"\\QBASIC"};
  for (const std::wstring& folder : swapped) {
    SCOPED_TRACE(Narrow(folder));
    const std::wstring copy =
        L"mkdir C:\\Quellmar\\QBASIC & copy QBASIC\\QBASIC.EXE C:\\Quellmar\\QBASIC & ren " +
        folder + L" moved & \"" + BuiltProgram(L"folder_link.exe") + L"\" " + folder + L" " +
        elsewhere + L" & " + kXcopy + L" /y";
    ReplaceShellCommand(L"xcopy", copy, L"0");
    console_.Clear();
    RemoveTree(kInstall);
    StartLauncher();
    EXPECT_EQ(Choose(L'1'), 0u) << Narrow(console_.Screen());
    EXPECT_FALSE(Exists(folder.substr(0, folder.rfind(L'\\')) + L"\\moved"));
    EXPECT_EQ(ListTree(kInstall), ListTree(kPayloadFolder));
    EXPECT_TRUE(ListTree(elsewhere).empty());
  }
  EXPECT_EQ(StandinRuns(), 2);
  RemoveTree(elsewhere);
}

}  // namespace
