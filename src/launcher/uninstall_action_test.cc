// Uninstall, as the user sees it and as it leaves drive C:. Every case plants
// files beside the installation and checks that they survive byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "launcher_fixture.h"

namespace {

const wchar_t kSuccess[] = L" UNINSTALL SUCCESSFUL";
const wchar_t kNotFound[] =
    L"C:\\Quellmar was not found, thus the program could not be uninstalled.";

class UninstallTest : public BystanderTest {
 protected:
  // Installs the payload the way a user does: a first launch.
  void Install() {
    StartLauncher();
    ASSERT_EQ(Choose(L'1'), 0u);
    ASSERT_TRUE(IsDirectory(kInstall));
    console_.Clear();
  }

  // Expects a cleared screen that holds |rows| and nothing else.
  void ExpectScreen(const std::vector<std::wstring>& rows) {
    ASSERT_TRUE(console_.WaitForText(L"To exit the program, press any key."))
        << Narrow(console_.Screen());
    std::vector<std::wstring> shown = console_.Rows();
    ASSERT_EQ(shown.size(), rows.size()) << Narrow(console_.Screen());
    for (size_t i = 0; i < rows.size(); ++i)
      EXPECT_EQ(Narrow(shown[i]), Narrow(rows[i]));
  }
};

const std::vector<std::wstring> kSuccessScreen = {L"",      L"----------------------",
                                                  kSuccess, L"----------------------",
                                                  L"",      L"To exit the program, press any key."};

TEST_F(UninstallTest, RemovesAFreshInstallationAndConfirms) {
  Install();
  // What a running program leaves behind: a read-only and a system file.
  const std::wstring read_only = std::wstring(kInstall) + L"\\document\\saved.txt";
  ASSERT_TRUE(WriteBytes(read_only, "r", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteBytes(std::wstring(kInstall) + L"\\Quellmar.tmp\\4\\swap.sys", "s",
                         FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
  // An empty keeper that a launcher cut off during a copy left.
  ASSERT_TRUE(MakeDirectories(std::wstring(kInstall) + L"\\QBASIC\\QuellmarLaunch.copying"));
  // The read-only file has another name outside, which must stay read-only.
  const std::wstring other_name = L"C:\\other-name.txt";
  ASSERT_TRUE(CreateHardLinkW(other_name.c_str(), read_only.c_str(), nullptr));
  StartLauncher();
  console_.Char(L'2');
  ExpectScreen(kSuccessScreen);
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Choose(L'x'), 0u);
  EXPECT_TRUE(IsDirectory(std::wstring(kPackage) + L"\\Quellmar"));  // the package stays
  EXPECT_EQ(ReadBytes(other_name), "r");
  EXPECT_TRUE(GetFileAttributesW(other_name.c_str()) & FILE_ATTRIBUTE_READONLY);
  RemoveTree(other_name);
}

TEST_F(UninstallTest, BackspaceUninstallsLikeTwo) {
  Install();
  StartLauncher();
  console_.Key(VK_BACK, L'\b');
  ExpectScreen(kSuccessScreen);
  EXPECT_EQ(Choose(L'x'), 0u);
  EXPECT_FALSE(Exists(kInstall));
}

TEST_F(UninstallTest, TellsWhenNothingIsInstalled) {
  StartLauncher();
  console_.Char(L'2');
  ExpectScreen({L"", L"--------", L" ERROR!", L"--------", L"", kNotFound,
                L"To exit the program, press any key."});
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Choose(L'x'), 0u);
  EXPECT_FALSE(Exists(kInstall));
}

TEST_F(UninstallTest, ExtraSubdirectoryKeepsTheDirectoryAndIsReportedWithTwo) {
  Install();
  ASSERT_TRUE(WriteBytes(std::wstring(kInstall) + L"\\saves\\game1.sav", "progress"));
  StartLauncher();
  console_.Char(L'2');
  ExpectFailure(2, L"Directory not removed.");
  EXPECT_TRUE(IsDirectory(std::wstring(kInstall) + L"\\saves"));
  EXPECT_FALSE(Exists(std::wstring(kInstall) + L"\\QUELLMAR.BAS"));
}

TEST_F(UninstallTest, FileHeldWithoutDeleteSharingIsWaitedForThenReportedWithFourteen) {
  Install();
  const std::wstring held_path = std::wstring(kInstall) + L"\\document\\manual.txt";
  HANDLE held = CreateFileW(held_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  StartLauncher();
  console_.Char(L'2');
  ExpectFailure(14, L"System command DEL not executed.");
  EXPECT_EQ(ShownLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(held);
  // The other files went; no folder was removed.
  std::vector<std::wstring> left = ListTree(kInstall);
  EXPECT_EQ(std::count_if(left.begin(), left.end(),
                          [](const std::wstring& entry) { return entry.back() != L'\\'; }),
            1);
  EXPECT_EQ(ReadBytes(held_path), "how to play");
  EXPECT_TRUE(IsDirectory(std::wstring(kInstall) + L"\\Quellmar.tmp\\4"));

  // A scanner holds a file late in the walk only until the uninstall has
  // begun deleting, for less than its patience: it is waited for.
  Install();
  held = CreateFileW((std::wstring(kInstall) + L"\\start.bat").c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  StartLauncher();
  console_.Char(L'2');
  EXPECT_TRUE(WaitUntil([&held_path] { return !Exists(held_path); }));
  Sleep(1000);
  CloseHandle(held);
  ExpectScreen(kSuccessScreen);
  EXPECT_EQ(Choose(L'x'), 0u);
}

TEST_F(UninstallTest, RunsNoProgramOfItsOwnFromPath) {
  // Any user can plant a program in a folder on PATH made under C:\.
  ASSERT_TRUE(WriteBytes(L"C:\\tools\\DELTREE.BAT", "@echo ran>C:\\planted.log\r\n"));
  environment_.Set(L"PATH", L"C:\\tools;C:\\windows\\system32;C:\\windows");
  Install();
  StartLauncher();
  console_.Char(L'2');
  ExpectScreen(kSuccessScreen);
  EXPECT_EQ(Choose(L'x'), 0u);
  EXPECT_FALSE(Exists(L"C:\\planted.log"));
  RemoveTree(L"C:\\tools");
}

TEST_F(UninstallTest, FailingClsIsReportedWithTwelveInBothCases) {
  FailShellCommand(L"cls");
  StartLauncher();
  console_.Char(L'2');
  ExpectFailure(12, L"Screen not cleared.");
  EXPECT_EQ(console_.Screen().find(kNotFound), std::wstring::npos);

  Install();
  StartLauncher();
  console_.Char(L'2');
  ExpectFailure(12, L"Screen not cleared.");
  // The removal was done before the screen was to be cleared.
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(console_.Screen().find(kSuccess), std::wstring::npos);
}

// An installation whose folder "document" is held by a handle without
// FILE_SHARE_DELETE, as a virus scanner or the indexer holds one: it cannot be
// removed until the handle closes. Then "2" is pressed.
class HeldFolderTest : public UninstallTest {
 protected:
  void SetUp() override {
    UninstallTest::SetUp();
    Install();
    held_ = CreateFileW((std::wstring(kInstall) + L"\\document").c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held_, INVALID_HANDLE_VALUE);
    StartLauncher();
    console_.Char(L'2');
  }
  void TearDown() override {
    LetGo();
    UninstallTest::TearDown();
  }
  void LetGo() {
    if (held_ != INVALID_HANDLE_VALUE)
      CloseHandle(held_);
    held_ = INVALID_HANDLE_VALUE;
  }

  HANDLE held_ = INVALID_HANDLE_VALUE;
};

TEST_F(HeldFolderTest, FolderHeldForAMomentIsRemovedOnceLetGo) {
  ASSERT_TRUE(WaitUntil([] { return !HoldsAnyFile(kInstall); }));  // the files are deleted
  // Let go after the launcher's first attempt to remove the folder, as a
  // scanner does once it has looked.
  Sleep(500 * WaitScale());
  LetGo();
  ExpectScreen(kSuccessScreen);
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(Choose(L'x'), 0u);
}

TEST_F(HeldFolderTest, FolderHeldForGoodIsReportedWithTwo) {
  ExpectFailure(2, L"Directory not removed.");
  EXPECT_EQ(ShownLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_TRUE(IsDirectory(std::wstring(kInstall) + L"\\document"));
  EXPECT_FALSE(HoldsAnyFile(kInstall));
}

TEST_F(UninstallTest, PlainFileInPlaceOfTheInstallationIsLeftAlone) {
  ASSERT_TRUE(WriteBytes(kInstall, "a user's own file"));
  StartLauncher();
  console_.Char(L'2');
  ExpectFailure(3, L"Expected directory is a file.");
  EXPECT_EQ(ReadBytes(kInstall), "a user's own file");
}

// Links in or as C:\Quellmar, to folders of the user's own elsewhere on C:.
// Nothing behind a link may change; the links stay, and so does C:\Quellmar.
class LinkTest : public UninstallTest {
 protected:
  void SetUp() override {
    UninstallTest::SetUp();
    mine_ = {
        {L"C:\\mine\\documents\\letter.txt", "dear friend"},
        {L"C:\\mine\\documents\\photos\\photo.jpg", "a photo"},
        {L"C:\\mine\\saves\\game1.sav", "progress"},
    };
    for (const Bystander& file : mine_)
      ASSERT_TRUE(WriteBytes(file.path, file.bytes));
    // An empty folder: a removal through a link would take it.
    ASSERT_TRUE(MakeDirectories(L"C:\\mine\\empty"));
    before_ = ListTree(L"C:\\mine");
  }
  void TearDown() override {
    ExpectBystandersIntact(mine_);
    EXPECT_EQ(ListTree(L"C:\\mine"), before_);
    // The links first: one whose folder is gone no longer shows.
    RemoveTree(LongPath(kInstall));
    RemoveTree(L"C:\\mine");
    UninstallTest::TearDown();
  }

  // Expects the report of a link that keeps C:\Quellmar.
  void ExpectLinkReported() {
    ExpectReportShown(2, L"Directory not removed.");
    EXPECT_EQ(ShownLastError(), 4395);  // ERROR_REPARSE_POINT_ENCOUNTERED
    EXPECT_EQ(console_.Screen().find(kSuccess), std::wstring::npos);
    EXPECT_EQ(Choose(L'x'), 3u);
  }

  std::vector<Bystander> mine_;
  std::vector<std::wstring> before_;
};

TEST_F(LinkTest, LinksInsideTheInstallationAreNeitherFollowedNorRemoved) {
  Install();
  const std::wstring in_place_of_known = std::wstring(kInstall) + L"\\Quellmar.tmp\\4";
  RemoveTree(in_place_of_known);
  const std::vector<std::pair<std::wstring, std::wstring>> links = {
      {std::wstring(kInstall) + L"\\mydocs", L"C:\\mine\\documents"},
      {std::wstring(kInstall) + L"\\QBASIC\\saves", L"C:\\mine\\saves"},
      {in_place_of_known, L"C:\\mine\\empty"},
  };
  for (const auto& link : links)
    ASSERT_TRUE(MakeFolderLink(link.first, link.second));
  StartLauncher();
  console_.Char(L'2');
  ExpectLinkReported();
  for (const auto& link : links)
    EXPECT_TRUE(IsLink(link.first)) << Narrow(link.first);
  EXPECT_FALSE(HoldsAnyFile(kInstall));  // the installation's own files went
  EXPECT_FALSE(Exists(std::wstring(kInstall) + L"\\document"));
}

TEST_F(LinkTest, InstallationThatIsItselfALinkIsLeftAloneAndStarted) {
  // C:\Quellmar leads to an installation kept elsewhere.
  const std::wstring elsewhere = L"C:\\mine\\installation";
  for (const PayloadFile& file : kPayload)
    ASSERT_TRUE(WriteBytes(elsewhere + L"\\" + file.path, file.bytes));
  before_ = ListTree(L"C:\\mine");
  ASSERT_TRUE(MakeFolderLink(kInstall, elsewhere));
  StartLauncher();
  console_.Char(L'2');
  ExpectLinkReported();
  EXPECT_TRUE(IsLink(kInstall));

  // A launch starts it as it is.
  console_.Clear();
  StartLauncher();
  EXPECT_EQ(Choose(L'1'), 0u);
  EXPECT_EQ(StandinRuns(), 1);
}

}  // namespace
