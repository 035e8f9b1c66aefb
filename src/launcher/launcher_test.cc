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

const wchar_t kInvalidChoice[] = L"THIS PROGRAM IS NOT LIKELY TO HACKING !!!";
const wchar_t kPressAnyKey[] = L"To exit the program, press any key.";

TEST_F(LauncherTest, ThreeAndEscapeEndAtOnceWithoutFurtherOutput) {
  for (WORD key : {WORD{'3'}, WORD{VK_ESCAPE}}) {
    console_.Clear();
    StartLauncher();
    std::wstring menu = console_.Screen();
    console_.Key(key, key == VK_ESCAPE ? L'\x1b' : L'3');
    EXPECT_EQ(ExitStatus(), 0u) << key;
    EXPECT_EQ(Narrow(console_.Screen()), Narrow(menu)) << key;
  }
}

// The screen after the invalid-choice branch: cleared, then only its text.
void ExpectInvalidChoiceScreen(const ConsoleSession& console) {
  ASSERT_TRUE(console.WaitForText(kPressAnyKey)) << Narrow(console.Screen());
  std::vector<std::wstring> expected = {L"", L"", kInvalidChoice, L"", kPressAnyKey};
  std::vector<std::wstring> rows = console.Rows();
  ASSERT_EQ(rows.size(), expected.size()) << Narrow(console.Screen());
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(Narrow(rows[i]), Narrow(expected[i]));
}

TEST_F(LauncherTest, OtherKeysClearTheScreenAndTheNextKeyEndsTheRun) {
  for (wchar_t key : {L'x', L'4', L' ', L'0'}) {
    SCOPED_TRACE(Narrow(std::wstring(1, key)));
    console_.Clear();
    StartLauncher();
    console_.Char(key);
    ExpectInvalidChoiceScreen(console_);
    EXPECT_TRUE(console_.IsWaiting());
    EXPECT_EQ(Choose(L'1'), 0u);  // the second key is no menu choice
    EXPECT_EQ(StandinRuns(), 0);
    EXPECT_FALSE(Exists(kInstall));
  }
}

TEST_F(LauncherTest, KeyWithoutCharacterEndsTheRunWithItsSecondCode) {
  StartLauncher();
  console_.Key(VK_UP);  // 0, then 72 for the invalid-choice branch's wait
  ExpectInvalidChoiceScreen(console_);
  EXPECT_EQ(ExitStatus(), 0u);
}

TEST_F(LauncherTest, CtrlCAtTheMenuIsAnInvalidChoice) {
  StartLauncher();
  console_.Key('C', L'\x03', LEFT_CTRL_PRESSED);
  ExpectInvalidChoiceScreen(console_);
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Choose(L'x'), 0u);
}

TEST_F(LauncherTest, IgnoresModifiersKeyUpsMouseAndFocusEvents) {
  StartLauncher();
  std::wstring menu = console_.Screen();
  for (WORD modifier : {WORD{VK_SHIFT}, WORD{VK_CONTROL}, WORD{VK_MENU}, WORD{VK_CAPITAL},
                        WORD{VK_NUMLOCK}, WORD{VK_SCROLL}}) {
    console_.Key(modifier);
  }
  console_.Record(KeyRecord(false, 'X', L'x', 0));  // a release alone
  INPUT_RECORD mouse = {};
  mouse.EventType = MOUSE_EVENT;
  mouse.Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
  console_.Record(mouse);
  INPUT_RECORD focus = {};
  focus.EventType = FOCUS_EVENT;
  focus.Event.FocusEvent.bSetFocus = TRUE;
  console_.Record(focus);
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Narrow(console_.Screen()), Narrow(menu));
  EXPECT_EQ(Choose(L'3'), 0u);
}

TEST_F(LauncherTest, KeyTypedAheadIsTheChoice) {
  console_.Key('3', L'3');
  StartLauncher();
  EXPECT_EQ(ExitStatus(), 0u);
}

TEST_F(LauncherTest, FailingClsIsReportedWithTwelve) {
  FailShellCommand(L"cls");
  StartLauncher();
  console_.Char(L'x');
  ASSERT_TRUE(console_.WaitForText(L"Screen not cleared.")) << Narrow(console_.Screen());
  std::wstring screen = console_.Screen();
  EXPECT_NE(screen.find(MainHeader(12)), std::wstring::npos) << Narrow(screen);
  // The header comes on a line of its own below the menu, the message below it.
  EXPECT_LT(screen.find(kPrompt), screen.find(MainHeader(12)));
  EXPECT_LT(screen.find(MainHeader(12)), screen.find(L"Screen not cleared."));
  EXPECT_EQ(screen.find(kInvalidChoice), std::wstring::npos);
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Choose(L'x'), 3u);
  ASSERT_EQ(ShellLog().size(), 1u);
  EXPECT_NE(ShellLog()[0].find(" /d /c cls"), std::string::npos) << ShellLog()[0];
}

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(LauncherTest, RedirectedOutputGetsTheSetupReportAtTheEnd) {
  const std::wstring report_path = L"C:\\report.txt";
  HANDLE report = InheritableFile(report_path, GENERIC_WRITE, CREATE_ALWAYS);
  StartOptions options;
  options.std_output = report;
  StartLauncher(options);
  CloseHandle(report);
  // Set-up failed and waits for a key; its report is still in the buffer.
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(ReadBytes(report_path), "");
  EXPECT_EQ(console_.Screen(), L"");
  EXPECT_EQ(Choose(L'x'), 3u);

  std::string bytes = ReadBytes(report_path);
  const std::string header =
      "\r\r\n# Error No. 9 in function 'enable_unicode_terminal( )' with last_error = ";
  ASSERT_EQ(bytes.substr(0, header.size()), header) << bytes;
  size_t digits = bytes.find(":\r\r\n", header.size());
  ASSERT_NE(digits, std::string::npos) << bytes;
  EXPECT_GT(digits, header.size());
  EXPECT_EQ(bytes.substr(header.size(), digits - header.size()).find_first_not_of("0123456789"),
            std::string::npos);
  EXPECT_EQ(bytes.substr(digits), ":\r\r\nNo output console mode.\r\r\n");
}

TEST_F(LauncherTest, RedirectedOrMissingInputIsReportedAndTheKeyboardStillAnswers) {
  const std::wstring input_path = L"C:\\input.txt";
  ASSERT_TRUE(WriteBytes(input_path, "1\r\n"));
  for (bool missing : {false, true}) {
    SCOPED_TRACE(missing ? "no standard input" : "input from a file");
    console_.Clear();
    HANDLE input = InheritableFile(input_path, GENERIC_READ, OPEN_EXISTING);
    StartOptions options;
    options.std_input = input;
    options.without_std_input = missing;
    StartLauncher(options);
    CloseHandle(input);
    const wchar_t* message = missing ? L"No valid input handle." : L"No input console mode.";
    ASSERT_TRUE(console_.WaitForText(message)) << Narrow(console_.Screen());
    std::wstring screen = console_.Screen();
    EXPECT_NE(screen.find(L"# Error No. " + std::to_wstring(missing ? 10 : 8) +
                          L" in function 'enable_unicode_terminal( )' with last_error = "),
              std::wstring::npos)
        << Narrow(screen);
    EXPECT_EQ(screen.find(kPrompt), std::wstring::npos);  // no menu after a failed set-up
    EXPECT_TRUE(console_.IsWaiting());
    EXPECT_EQ(Choose(L'x'), 3u);
    EXPECT_FALSE(Exists(kInstall));  // the "1" in the file was never read as a choice
  }
}

}  // namespace
