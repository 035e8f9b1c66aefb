// The launcher's run as the user sees it: the menu, the keys, the exit status.
#include <gtest/gtest.h>

#include "launcher_fixture.h"

namespace {

const wchar_t* const kRule =
    L"-------------------------------------------------------------------------------";

TEST_F(LauncherTest, ShowsTheMenuWithTheCursorBehindThePrompt) {
  StartLauncher();
  std::vector<std::wstring> expected = {
      L"",
      kRule,
      L"",
      std::wstring(68, L' ') + L"05/31/2025",
      kRule,
      L"",
      L"      1=LAUNCH QUELLMAR",
      L"        (If Quellmar is not installed, then this Program will install Quellmar;",
      L"         Install = copy Quellmar and QBasic to c:\\Quellmar)",
      L"",
      L"      2=UNINSTALL QUELLMAR",
      L"        (Delete the directory c:\\Quellmar)",
      L"",
      L"      3=TERMINATE THE PROGRAM",
      L"        (The Programm will be closed)",
      L"",
      kRule,
      L"ATTENTION: To display the program Quellmar in a full-screen mode, you must",
      L"           press ALT and ENTER at the same time.",
      L"           To see the program code in the programm, you should press CTRL and",
      L"           ROLL at the same time, instead the usual CTRL und BREAK in Quellmar.",
      kRule,
      L"",
      L" Please enter the number (1=Install; 2=Uninstall; 3=Exit) you want:",
  };
  std::vector<std::wstring> rows = console_.Rows();
  ASSERT_EQ(rows.size(), expected.size()) << Narrow(console_.Screen());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(Narrow(rows[i]), Narrow(expected[i])) << "row " << i;
  }
  COORD cursor = console_.Cursor();
  EXPECT_EQ(cursor.Y, 23);
  EXPECT_EQ(cursor.X, 68);
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Choose(L'3'), 0u);
}

}  // namespace
