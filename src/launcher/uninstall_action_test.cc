// Uninstall, as the user sees it and as it leaves drive C:. Every case plants
// files beside the installation and checks that they survive byte for byte.
#include <gtest/gtest.h>

#include "launcher_fixture.h"

namespace {

const wchar_t kSuccess[] = L" UNINSTALL SUCCESSFUL";
const wchar_t kNotFound[] =
    L"C:\\Quellmar was not found, thus the program could not be uninstalled.";

class UninstallTest : public LauncherTest {
 protected:
  void SetUp() override {
    LauncherTest::SetUp();
    bystanders_ = PlantBystanders();
  }
  void TearDown() override {
    ExpectBystandersIntact(bystanders_);
    for (const Bystander& bystander : bystanders_)
      RemoveTree(bystander.path);
    LauncherTest::TearDown();
  }

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

  std::vector<Bystander> bystanders_;
};

const std::vector<std::wstring> kSuccessScreen = {L"",      L"----------------------",
                                                  kSuccess, L"----------------------",
                                                  L"",      L"To exit the program, press any key."};

TEST_F(UninstallTest, RemovesAFreshInstallationAndConfirms) {
  Install();
  // What a running program leaves behind: a read-only and a system file.
  ASSERT_TRUE(
      WriteBytes(std::wstring(kInstall) + L"\\document\\saved.txt", "r", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteBytes(std::wstring(kInstall) + L"\\Quellmar.tmp\\4\\swap.sys", "s",
                         FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
  StartLauncher();
  console_.Char(L'2');
  ExpectScreen(kSuccessScreen);
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Choose(L'x'), 0u);
  EXPECT_TRUE(IsDirectory(std::wstring(kPackage) + L"\\Quellmar"));  // the package stays
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

TEST_F(UninstallTest, FailingDeleteIsReportedWithFourteen) {
  Install();
  FakeShell(L"del ");
  StartLauncher();
  console_.Char(L'2');
  ExpectFailure(14, L"System command DEL not executed.");
  EXPECT_TRUE(Exists(std::wstring(kInstall) + L"\\QUELLMAR.BAS"));
  std::vector<std::string> log = ShellLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(" /d /c del /f /s /q /a C:\\Quellmar\\*"), std::string::npos) << log[0];
}

TEST_F(UninstallTest, FailingClsIsReportedWithTwelveInBothCases) {
  FakeShell(L"cls");
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
  for (DWORD waited = 0; HoldsAnyFile(kInstall) && waited < kPatience; waited += 20)
    Sleep(20);
  ASSERT_FALSE(HoldsAnyFile(kInstall));  // the delete command has run
  // Let go after the launcher's first attempt to remove the folder, as a
  // scanner does once it has looked.
  Sleep(500);
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

}  // namespace
