#include "command/run_command.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

// Everything the tests make lives under this folder of the test's own C:.
constexpr wchar_t kRoot[] = L"C:\\rc";
constexpr wchar_t kLog[] = L"C:\\rc\\shell.log";
// Commands containing this text make the fake interpreter exit at once with
// FAKE_SHELL_STATUS instead of running them.
constexpr wchar_t kFail[] = L"quellmar-fail";

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::wstring LongForm(const std::wstring& path) {
  wchar_t buffer[1024];
  DWORD length = GetLongPathNameW(path.c_str(), buffer, 1024);
  return length == 0 || length >= 1024 ? std::wstring() : std::wstring(buffer, length);
}

std::wstring Widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

// A command line as the interpreter received it: the interpreter's path before
// the switches " /d /c ", and everything after them.
struct LoggedCall {
  std::string interpreter;
  std::string command;
};

class RunCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t directory[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, directory);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    saved_directory_.assign(directory, length);
    RemoveTree(kRoot);
    ASSERT_TRUE(MakeDirectories(kRoot));
    environment_.Set(L"FAKE_SHELL_LOG", kLog);
    environment_.Set(L"FAKE_SHELL_FAIL", kFail);
    environment_.Set(L"FAKE_SHELL_STATUS", nullptr);
  }

  void TearDown() override {
    SetCurrentDirectoryW(saved_directory_.c_str());
    RemoveTree(kRoot);
    for (const std::wstring& path : extra_paths_)
      RemoveTree(path);
  }

  // Puts a copy of the fake interpreter at |path|, under \\?\ so that paths
  // past the usual limit can be made too.
  void PlaceShell(const std::wstring& path) {
    std::wstring directory = path.substr(0, path.find_last_of(L'\\'));
    if (directory.size() > 2) {
      ASSERT_TRUE(MakeDirectories(L"\\\\?\\" + directory)) << Narrow(directory);
    }
    ASSERT_TRUE(
        CopyFileW(BuiltProgram(L"fake_shell.exe").c_str(), (L"\\\\?\\" + path).c_str(), FALSE))
        << Narrow(path);
  }

  void EnterDirectory(const std::wstring& directory) {
    ASSERT_TRUE(MakeDirectories(L"\\\\?\\" + directory)) << Narrow(directory);
    ASSERT_TRUE(SetCurrentDirectoryW(directory.c_str())) << Narrow(directory);
  }

  // The interpreter is found along PATH alone.
  void SearchOnly(const std::wstring& path) {
    environment_.Set(L"COMSPEC", nullptr);
    environment_.Set(L"PATH", path.c_str());
  }

  std::vector<LoggedCall> Calls() {
    std::string log = ReadBytes(kLog);
    std::vector<LoggedCall> calls;
    for (std::size_t start = 0; start < log.size();) {
      std::size_t end = log.find("\r\n", start);
      if (end == std::string::npos)
        end = log.size();
      std::string line = log.substr(start, end - start);
      std::size_t switches_at = line.find(" /d /c ");
      if (switches_at == std::string::npos) {
        calls.push_back({line, "<no /d /c>"});
      } else {
        calls.push_back({line.substr(0, switches_at), line.substr(switches_at + 7)});
      }
      start = end + 2;
    }
    return calls;
  }

  // Runs a command that the fake interpreter answers with |status| by itself,
  // and checks that exactly one interpreter ran, the one at |expected| (a path
  // without blanks, compared without regard to case).
  void ExpectRunBy(const std::wstring& expected) {
    environment_.Set(L"FAKE_SHELL_STATUS", L"42");
    DeleteFileW(kLog);
    EXPECT_EQ(42, run_command(L"quellmar-fail probe"));
    std::vector<LoggedCall> calls = Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(Lower(Narrow(expected)), Lower(calls[0].interpreter));
    EXPECT_EQ("quellmar-fail probe", calls[0].command);
  }

  // A -1 with no interpreter started.
  void ExpectNothingRun() {
    DeleteFileW(kLog);
    EXPECT_EQ(-1, run_command(L"quellmar-fail probe"));
    EXPECT_TRUE(Calls().empty()) << "an interpreter ran: " << Calls()[0].interpreter;
  }

  // Remembers a path outside kRoot for removal after the test.
  void Owns(const std::wstring& path) {
    extra_paths_.push_back(path);
  }

  ScopedEnvironment environment_;

 private:
  std::wstring saved_directory_;
  std::vector<std::wstring> extra_paths_;
};

// A path of exactly |length| characters ending in "\CMD.EXE", made of folders
// whose names are valid short names, so that its short form is itself.
std::wstring PathOfLength(const std::wstring& root, std::size_t length) {
  const std::wstring file = L"\\CMD.EXE";
  std::wstring path = root;
  while (path.size() + 9 + file.size() <= length)
    path += L"\\abcdefgh";
  std::size_t rest = length - path.size() - file.size();
  if (rest > 0)
    path += L"\\" + std::wstring(rest - 1, L'z');
  return path + file;
}

// --- COMSPEC --------------------------------------------------------------

TEST_F(RunCommandTest, ComspecIsUsedWithoutSearch) {
  PlaceShell(L"C:\\rc\\tools\\shell.exe");
  PlaceShell(L"C:\\rc\\path\\CMD.EXE");
  PlaceShell(L"C:\\rc\\work\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  environment_.Set(L"PATH", L"C:\\rc\\path");
  environment_.Set(L"COMSPEC", L"C:\\rc\\tools\\shell.exe");
  ExpectRunBy(L"C:\\rc\\tools\\shell.exe");
}

TEST_F(RunCommandTest, ComspecNameIsMatchedWithoutRegardToCase) {
  PlaceShell(L"C:\\rc\\tools\\shell.exe");
  PlaceShell(L"C:\\rc\\path\\CMD.EXE");
  environment_.Set(L"PATH", L"C:\\rc\\path");
  environment_.Set(L"COMSPEC", nullptr);
  environment_.Set(L"ComSpec", L"C:\\rc\\tools\\shell.exe");
  ExpectRunBy(L"C:\\rc\\tools\\shell.exe");
}

TEST_F(RunCommandTest, MissingComspecFailsWithoutSearchingPath) {
  PlaceShell(L"C:\\rc\\path\\CMD.EXE");
  PlaceShell(L"C:\\rc\\work\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  environment_.Set(L"PATH", L"C:\\rc\\path");

  environment_.Set(L"COMSPEC", L"C:\\rc\\missing\\CMD.EXE");
  ExpectNothingRun();
  // A missing folder in an existing one: the caller's report shows why.
  environment_.Set(L"COMSPEC", L"C:\\rc\\CMD.EXE");
  SetLastError(12345);
  ExpectNothingRun();
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  // Set but empty still counts as set.
  environment_.Set(L"COMSPEC", L"");
  ExpectNothingRun();
}

TEST_F(RunCommandTest, ComspecWithoutExtensionPrefersExe) {
  PlaceShell(L"C:\\rc\\tools\\shell.exe");
  WriteBytes(L"C:\\rc\\tools\\shell.bat", "@exit /b 5\r\n");
  WriteBytes(L"C:\\rc\\tools\\shell.cmd", "@exit /b 6\r\n");
  environment_.Set(L"COMSPEC", L"C:\\rc\\tools\\shell");
  ExpectRunBy(L"C:\\rc\\tools\\shell.exe");

  // The last name decides whether there is an extension, not a dotted folder.
  PlaceShell(L"C:\\rc\\v1.2\\shell.exe");
  environment_.Set(L"COMSPEC", L"C:\\rc\\v1.2\\shell");
  ExpectRunBy(L"C:\\rc\\v1.2\\shell.exe");
}

TEST_F(RunCommandTest, ComspecWithExtensionIsTakenAsIs) {
  PlaceShell(L"C:\\rc\\tools\\shell.exe");
  environment_.Set(L"COMSPEC", L"C:\\rc\\tools\\shell.com");
  ExpectNothingRun();
  environment_.Set(L"COMSPEC", L"C:\\rc\\tools\\missing");
  SetLastError(12345);
  ExpectNothingRun();
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

// --- The search for CMD.EXE when COMSPEC is absent --------------------------

TEST_F(RunCommandTest, CurrentDirectoryComesBeforePath) {
  PlaceShell(L"C:\\rc\\a\\CMD.EXE");
  PlaceShell(L"C:\\rc\\work\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  SearchOnly(L"C:\\rc\\a");
  ExpectRunBy(L"C:\\rc\\work\\CMD.EXE");
}

TEST_F(RunCommandTest, PathIsSearchedFromLeftToRight) {
  PlaceShell(L"C:\\rc\\a\\CMD.EXE");
  PlaceShell(L"C:\\rc\\b\\CMD.EXE");
  ASSERT_TRUE(MakeDirectories(L"C:\\rc\\empty"));
  EnterDirectory(L"C:\\rc\\work");

  SearchOnly(L"C:\\rc\\empty;C:\\rc\\missing;C:\\rc\\a;C:\\rc\\b");
  ExpectRunBy(L"C:\\rc\\a\\CMD.EXE");
  SearchOnly(L"C:\\rc\\b;C:\\rc\\a");
  ExpectRunBy(L"C:\\rc\\b\\CMD.EXE");
  SearchOnly(L"C:\\rc\\missing;C:\\rc\\b;");
  ExpectRunBy(L"C:\\rc\\b\\CMD.EXE");
}

TEST_F(RunCommandTest, PathNameIsMatchedWithoutRegardToCase) {
  PlaceShell(L"C:\\rc\\a\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  SearchOnly(L"C:\\rc\\missing");
  environment_.Set(L"PATH", nullptr);
  environment_.Set(L"pAtH", L"C:\\rc\\a");
  ExpectRunBy(L"C:\\rc\\a\\CMD.EXE");
}

TEST_F(RunCommandTest, PathElementsEndingInSeparators) {
  PlaceShell(L"C:\\rc\\a\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  // The interpreter is started by its full path, with no doubled separator.
  SearchOnly(L"C:\\rc\\a\\");
  ExpectRunBy(L"C:\\rc\\a\\CMD.EXE");
  SearchOnly(L"C:/rc/a/");
  ExpectRunBy(L"C:\\rc\\a\\CMD.EXE");
  SearchOnly(L"C:/rc/a");
  ExpectRunBy(L"C:\\rc\\a\\CMD.EXE");
}

TEST_F(RunCommandTest, RelativePathElementGivesFullPath) {
  PlaceShell(L"C:\\rc\\work\\sub\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  SearchOnly(L"sub");
  ExpectRunBy(L"C:\\rc\\work\\sub\\CMD.EXE");
  SearchOnly(L".\\sub\\");
  ExpectRunBy(L"C:\\rc\\work\\sub\\CMD.EXE");
}

TEST_F(RunCommandTest, EmptyPathElementMeansTheCurrentDirectory) {
  // A CMD.EXE at the root of the drive must not be taken for an empty element
  // read as "\CMD.EXE".
  Owns(L"C:\\CMD.EXE");
  PlaceShell(L"C:\\CMD.EXE");
  PlaceShell(L"C:\\rc\\b\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  SearchOnly(L";C:\\rc\\b");
  ExpectRunBy(L"C:\\rc\\b\\CMD.EXE");
  SearchOnly(L";;\"\";C:\\rc\\b;;");
  ExpectRunBy(L"C:\\rc\\b\\CMD.EXE");

  // In the root itself the path has one separator only.
  ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
  SearchOnly(L"C:\\rc\\b");
  ExpectRunBy(L"C:\\CMD.EXE");
}

TEST_F(RunCommandTest, NothingFoundGivesMinusOne) {
  PlaceShell(L"C:\\rc\\a\\shell.exe");
  WriteBytes(L"C:\\rc\\a\\CMD.BAT", "@exit /b 0\r\n");
  EnterDirectory(L"C:\\rc\\work");
  SearchOnly(L"C:\\rc\\a;C:\\rc\\missing;;");
  ExpectNothingRun();
  environment_.Set(L"PATH", L"");
  ExpectNothingRun();
  environment_.Set(L"PATH", nullptr);
  ExpectNothingRun();
}

// --- Paths with blanks ----------------------------------------------------

// The interpreter's path on the command line has no blank and no quote, and
// names the file at |long_path|.
void ExpectShortFormOf(const std::wstring& long_path, const LoggedCall& call) {
  EXPECT_EQ(std::string::npos, call.interpreter.find(' ')) << call.interpreter;
  EXPECT_EQ(std::string::npos, call.interpreter.find('"')) << call.interpreter;
  EXPECT_EQ(Lower(Narrow(long_path)), Lower(Narrow(LongForm(Widen(call.interpreter)))))
      << call.interpreter;
}

TEST_F(RunCommandTest, QuotedPathElementWithBlanks) {
  PlaceShell(L"C:\\rc\\with blank\\CMD.EXE");
  PlaceShell(L"C:\\rc\\b\\CMD.EXE");
  EnterDirectory(L"C:\\rc\\work");
  environment_.Set(L"FAKE_SHELL_STATUS", L"3");

  SearchOnly(L"C:\\rc\\missing;\"C:\\rc\\with blank\";C:\\rc\\b");
  EXPECT_EQ(3, run_command(L"quellmar-fail one"));
  // Quotes may stand anywhere in an element.
  SearchOnly(L"C:\\rc\\wi\"th bl\"ank\\");
  EXPECT_EQ(3, run_command(L"quellmar-fail two"));

  std::vector<LoggedCall> calls = Calls();
  ASSERT_EQ(2u, calls.size());
  for (const LoggedCall& call : calls)
    ExpectShortFormOf(L"C:\\rc\\with blank\\CMD.EXE", call);
  EXPECT_EQ("quellmar-fail one", calls[0].command);
  EXPECT_EQ("quellmar-fail two", calls[1].command);
}

TEST_F(RunCommandTest, ComspecWithBlanksReachesTheCommandLineInShortForm) {
  PlaceShell(L"C:\\rc\\Program Files\\My Shell\\shell.exe");
  environment_.Set(L"FAKE_SHELL_STATUS", L"0");
  environment_.Set(L"COMSPEC", L"C:\\rc\\Program Files\\My Shell\\shell.exe");
  EXPECT_EQ(0, run_command(L"quellmar-fail \"quoted words\""));
  environment_.Set(L"COMSPEC", L"C:\\rc\\Program Files\\My Shell\\shell");
  EXPECT_EQ(0, run_command(L"quellmar-fail again"));

  std::vector<LoggedCall> calls = Calls();
  ASSERT_EQ(2u, calls.size());
  for (const LoggedCall& call : calls)
    ExpectShortFormOf(L"C:\\rc\\Program Files\\My Shell\\shell.exe", call);
  EXPECT_EQ("quellmar-fail \"quoted words\"", calls[0].command);
  EXPECT_EQ("quellmar-fail again", calls[1].command);
}

// --- The command text and the exit status ---------------------------------

TEST_F(RunCommandTest, CommandTextReachesTheInterpreterUnchanged) {
  PlaceShell(L"C:\\rc\\tools\\shell.exe");
  environment_.Set(L"COMSPEC", L"C:\\rc\\tools\\shell.exe");
  environment_.Set(L"FAKE_SHELL_STATUS", L"0");
  const std::vector<std::wstring> commands = {
      L"quellmar-fail",
      L"quellmar-fail  two  blanks  and trailing ",
      L"quellmar-fail \"a b\" \"\" \\\"x\\\" c:\\dir\\ ",
      L"quellmar-fail & | < > ^ %PATH% !x! ( ) ; , =",
      L"quellmar-fail /c /s /k",
      L"quellmar-fail \x00E4\x00DF \x20AC \x4E2D",
  };
  for (const std::wstring& command : commands)
    EXPECT_EQ(0, run_command(command.c_str()));

  std::vector<LoggedCall> calls = Calls();
  ASSERT_EQ(commands.size(), calls.size());
  for (const LoggedCall& call : calls)
    EXPECT_EQ("c:\\rc\\tools\\shell.exe", Lower(call.interpreter));
  EXPECT_EQ("quellmar-fail", calls[0].command);
  EXPECT_EQ("quellmar-fail  two  blanks  and trailing ", calls[1].command);
  EXPECT_EQ("quellmar-fail \"a b\" \"\" \\\"x\\\" c:\\dir\\ ", calls[2].command);
  EXPECT_EQ("quellmar-fail & | < > ^ %PATH% !x! ( ) ; , =", calls[3].command);
  EXPECT_EQ("quellmar-fail /c /s /k", calls[4].command);
  // The log is UTF-8.
  EXPECT_EQ("quellmar-fail \xC3\xA4\xC3\x9F \xE2\x82\xAC \xE4\xB8\xAD", calls[5].command);
}

TEST_F(RunCommandTest, FakeInterpreterStatusComesBackUnchanged) {
  PlaceShell(L"C:\\rc\\tools\\shell.exe");
  environment_.Set(L"COMSPEC", L"C:\\rc\\tools\\shell.exe");
  const struct {
    const wchar_t* status;
    int expected;
  } cases[] = {
      {L"0", 0},
      {L"1", 1},
      {L"255", 255},
      {L"256", 256},
      {L"70000", 70000},
      {L"2147483647", 2147483647},
      {L"2147483648", -2147483647 - 1},
      {L"3221225477", -1073741819},  // 0xC0000005
      {L"4294967294", -2},
  };
  for (const auto& c : cases) {
    environment_.Set(L"FAKE_SHELL_STATUS", c.status);
    EXPECT_EQ(c.expected, run_command(L"quellmar-fail")) << Narrow(c.status);
  }
}

TEST_F(RunCommandTest, RealInterpreterStatusComesBackUnchanged) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  environment_.Set(L"COMSPEC", (std::wstring(system) + L"\\cmd.exe").c_str());
  EXPECT_EQ(0, run_command(L"exit /b 0"));
  EXPECT_EQ(7, run_command(L"exit /b 7"));
  EXPECT_EQ(300, run_command(L"exit /b 300"));
  EXPECT_EQ(70000, run_command(L"exit /b 70000"));
  EXPECT_EQ(-5, run_command(L"exit /b -5"));
}

TEST_F(RunCommandTest, ChildSharesEnvironmentAndCurrentDirectory) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  environment_.Set(L"COMSPEC", (std::wstring(system) + L"\\cmd.exe").c_str());
  environment_.Set(L"QUELLMAR_PROBE", L"23");
  EXPECT_EQ(23, run_command(L"exit /b %QUELLMAR_PROBE%"));

  EnterDirectory(L"C:\\rc\\work");
  EXPECT_EQ(0, run_command(L"if exist here.txt exit /b 4"));
  ASSERT_TRUE(WriteBytes(L"C:\\rc\\work\\here.txt", "x"));
  EXPECT_EQ(4, run_command(L"if exist here.txt exit /b 4"));
}

TEST_F(RunCommandTest, BufferedStdoutIsWrittenBeforeTheChildRuns) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  environment_.Set(L"COMSPEC", (std::wstring(system) + L"\\cmd.exe").c_str());

  // Standard output goes to a file for a while; the child inherits it, so the
  // order of the two writers shows in the file.
  std::fflush(stdout);
  int saved = _dup(1);
  ASSERT_NE(-1, saved);
  int file =
      _wopen(L"C:\\rc\\out.txt", _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
  ASSERT_NE(-1, file);
  ASSERT_EQ(0, _dup2(file, 1));
  static char buffer[4096];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

  std::fputs("launcher;", stdout);
  int status = run_command(L"echo child");

  std::fflush(stdout);
  _dup2(saved, 1);
  _close(saved);
  _close(file);
  EXPECT_EQ(0, status);
  EXPECT_EQ("launcher;child\r\n", ReadBytes(L"C:\\rc\\out.txt"));
}

// --- Paths past the limit -------------------------------------------------

TEST_F(RunCommandTest, ComspecAtTheLimit) {
  std::wstring longest = PathOfLength(L"C:\\rc\\fits", 259);
  std::wstring too_long = PathOfLength(L"C:\\rc\\over", 260);
  ASSERT_EQ(259u, longest.size());
  ASSERT_EQ(260u, too_long.size());
  PlaceShell(longest);
  PlaceShell(too_long);

  environment_.Set(L"COMSPEC", longest.c_str());
  ExpectRunBy(longest);
  environment_.Set(L"COMSPEC", too_long.c_str());
  ExpectNothingRun();

  std::wstring far_too_long = PathOfLength(L"C:\\rc\\far", 300);
  PlaceShell(far_too_long);
  environment_.Set(L"COMSPEC", far_too_long.c_str());
  ExpectNothingRun();
  // Without an extension, the one appended must fit too.
  environment_.Set(L"COMSPEC", longest.substr(0, longest.size() - 4).c_str());
  ExpectRunBy(longest);
  environment_.Set(L"COMSPEC", too_long.substr(0, too_long.size() - 4).c_str());
  ExpectNothingRun();
}

TEST_F(RunCommandTest, PathElementAtTheLimit) {
  EnterDirectory(L"C:\\rc\\work");
  std::wstring longest = PathOfLength(L"C:\\rc\\fits", 259);
  PlaceShell(longest);
  SearchOnly(longest.substr(0, longest.size() - 8));
  ExpectRunBy(longest);

  std::wstring too_long = PathOfLength(L"C:\\rc\\over", 260);
  PlaceShell(too_long);
  SearchOnly(too_long.substr(0, too_long.size() - 8));
  ExpectNothingRun();

  std::wstring far_too_long = PathOfLength(L"C:\\rc\\far", 400);
  PlaceShell(far_too_long);
  SearchOnly(far_too_long.substr(0, far_too_long.size() - 8));
  ExpectNothingRun();
  SearchOnly(L"\"" + far_too_long.substr(0, far_too_long.size() - 8) + L"\"");
  ExpectNothingRun();

  // An element too long for the bound is passed over; the search goes on.
  PlaceShell(L"C:\\rc\\a\\CMD.EXE");
  SearchOnly(too_long.substr(0, too_long.size() - 8) + L";C:\\rc\\a");
  ExpectRunBy(L"C:\\rc\\a\\CMD.EXE");
  SearchOnly(L"\"" + far_too_long.substr(0, far_too_long.size() - 8) + L"\";;C:\\rc\\a");
  ExpectRunBy(L"C:\\rc\\a\\CMD.EXE");
}

TEST_F(RunCommandTest, CurrentDirectoryPastTheLimit) {
  std::wstring shell = PathOfLength(L"C:\\rc\\deep", 320);
  std::wstring deep = shell.substr(0, shell.size() - 8);
  PlaceShell(shell);
  PlaceShell(L"C:\\rc\\a\\CMD.EXE");
  PlaceShell(L"C:\\rc\\tools\\shell.exe");
  if (!SetCurrentDirectoryW(deep.c_str()))
    GTEST_SKIP() << "this system cannot enter a folder of " << deep.size() << " characters";
  wchar_t probe[1];
  ASSERT_GT(GetCurrentDirectoryW(1, probe), 260u);

  SearchOnly(L"C:\\rc\\a");
  ExpectNothingRun();
  environment_.Set(L"COMSPEC", L"C:\\rc\\tools\\shell.exe");
  ExpectNothingRun();
}

}  // namespace
