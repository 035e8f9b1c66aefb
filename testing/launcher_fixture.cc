#include "launcher_fixture.h"

#include <cwchar>
#include <sstream>

const std::vector<PayloadFile> kPayload = {
    {L"QUELLMAR.BAS", "10 PRINT \"QUELLMAR\"\r\n", 0},
    {L"start.bat", "@qbasic /run quellmar.bas\r\n", 0},
    {L"hidden.dat", "hidden payload", FILE_ATTRIBUTE_HIDDEN},
    {L"readonly.txt", "read-only payload", FILE_ATTRIBUTE_READONLY},
    {L"QBASIC\\QBASIC.EXE", "MZ not really qbasic", 0},
    {L"QBASIC\\QBASIC.HLP", "help", 0},
    {L"document\\manual.txt", "how to play", 0},
    {L"_listing\\listing.txt", "listing", 0},
    {L"Quellmar.tmp\\1\\a.tmp", "1", 0},
    {L"Quellmar.tmp\\2\\b.tmp", "2", 0},
    {L"Quellmar.tmp\\3\\c.tmp", "3", 0},
    {L"Quellmar.tmp\\4\\d.tmp", "4", 0},
};

void LauncherTest::MakePackage(const std::wstring& directory) {
  const std::wstring package = LongPath(directory);
  for (const PayloadFile& file : kPayload) {
    ASSERT_TRUE(WriteBytes(package + L"\\Quellmar\\" + file.path, file.bytes, file.attributes));
  }
  ASSERT_TRUE(CopyFileW(BuiltProgram(L"dosbox_standin.exe").c_str(),
                        (package + L"\\dosboxportable.exe").c_str(), FALSE));
}

void LauncherTest::SetUp() {
  // Long paths, since a test may have left an installation deeper than 259.
  RemoveTree(LongPath(kInstall));
  RemoveTree(LongPath(kPackage));
  RemoveTree(kStandinLog);
  RemoveTree(kShellLog);
  RemoveTree(kShellWhereLog);
  MakePackage(kPackage);
  environment_.Set(L"DOSBOX_STANDIN_LOG", kStandinLog);
  // The interpreter that the launcher starts, where the test's registration
  // names one other than the system's: the 64-bit cmd.exe for the x86
  // launcher where every 32-bit process start is slow.
  wchar_t interpreter[MAX_PATH] = L"";
  DWORD length = GetEnvironmentVariableW(L"QUELLMAR_LAUNCHER_COMSPEC", interpreter, MAX_PATH);
  if (length > 0 && length < MAX_PATH)
    environment_.Set(L"COMSPEC", interpreter);
}

void LauncherTest::TearDown() {
  RemoveTree(LongPath(kInstall));
}

void LauncherTest::StartLauncher(const StartOptions& options) {
  StartOptions start = options;
  if (start.directory.empty())
    start.directory = kPackage;
  ASSERT_TRUE(console_.Start(L"\"" + BuiltProgram(L"QuellmarLaunch.exe") + L"\"", start))
      << "in " << Narrow(start.directory) << ", last error " << GetLastError();
  if (!options.Redirected()) {
    ASSERT_TRUE(console_.WaitForText(kPrompt)) << Narrow(console_.Screen());
  }
}

DWORD LauncherTest::ExitStatus() {
  DWORD status = 0;
  EXPECT_TRUE(console_.WaitForExit(&status)) << Narrow(console_.Screen());
  return status;
}

DWORD LauncherTest::Choose(wchar_t key) {
  console_.Char(key);
  return ExitStatus();
}

void LauncherTest::LogShellCommands() {
  ReplaceShellCommand(L"", L"", L"1");
}

void LauncherTest::FailShellCommand(const wchar_t* command, const wchar_t* status) {
  ReplaceShellCommand(command, L"", status);
}

void LauncherTest::ReplaceShellCommand(const wchar_t* command, const std::wstring& instead,
                                       const wchar_t* status) {
  environment_.Set(L"COMSPEC", BuiltProgram(L"fake_shell.exe").c_str());
  environment_.Set(L"FAKE_SHELL_LOG", kShellLog);
  environment_.Set(L"FAKE_SHELL_WHERE_LOG", kShellWhereLog);
  environment_.Set(L"FAKE_SHELL_FAIL", command);
  environment_.Set(L"FAKE_SHELL_STATUS", status);
  environment_.Set(L"FAKE_SHELL_INSTEAD", instead.empty() ? nullptr : instead.c_str());
}

void LauncherTest::HoldShellUntil(const wchar_t* release) {
  environment_.Set(L"FAKE_SHELL_HANG", release);
}

bool CopyHasBegun() {
  for (const PayloadFile& file : kPayload) {
    if (Exists(std::wstring(kInstall) + L"\\" + file.path))
      return true;
  }
  return false;
}

void AddBulkToPayload() {
  const std::string bytes(16384, 'q');
  for (int folder = 0; folder < 40; ++folder) {
    for (int file = 0; file < 25; ++file) {
      ASSERT_TRUE(WriteBytes(kPayloadFolder + L"\\bulk\\" + std::to_wstring(folder) + L"\\" +
                                 std::to_wstring(file) + L".dat",
                             bytes));
    }
  }
}

namespace {

std::vector<std::string> LinesOf(const std::wstring& path) {
  std::vector<std::string> lines;
  std::istringstream log(ReadBytes(path));
  for (std::string line; std::getline(log, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::vector<std::string> LauncherTest::ShellLog() {
  return LinesOf(kShellLog);
}

bool LauncherTest::Copied() {
  for (const std::string& line : ShellLog()) {
    if (line.find("\\xcopy.exe *.* C:\\Quellmar") != std::string::npos)
      return true;
  }
  return false;
}

std::vector<std::string> LauncherTest::ShellDirectories() {
  return LinesOf(kShellWhereLog);
}

int LauncherTest::StandinRuns() {
  std::string log = ReadBytes(kStandinLog);
  int runs = 0;
  for (size_t at = log.find("DosBox stand-in started"); at != std::string::npos;
       at = log.find("DosBox stand-in started", at + 1)) {
    ++runs;
  }
  return runs;
}

std::wstring LauncherTest::MainHeader(int number) {
  return L"# Error No. " + std::to_wstring(number) + L" in function main( ) with last_error = ";
}

void LauncherTest::ExpectReportShown(int number, const wchar_t* message) {
  ASSERT_TRUE(console_.WaitForText(message)) << Narrow(console_.Screen());
  std::wstring screen = console_.Screen();
  size_t header = screen.find(MainHeader(number));
  ASSERT_NE(header, std::wstring::npos) << Narrow(screen);
  EXPECT_LT(header, screen.find(message));
  EXPECT_TRUE(console_.IsWaiting());
}

void LauncherTest::ExpectFailure(int number, const wchar_t* message) {
  ExpectReportShown(number, message);
  EXPECT_EQ(Choose(L'x'), 3u);
}

long long LauncherTest::ShownLastError() {
  std::wstring screen = console_.Screen();
  size_t at = screen.find(L"with last_error = ");
  if (at == std::wstring::npos)
    return -1;
  return std::wcstoll(screen.c_str() + at + 18, nullptr, 10);
}

std::vector<Bystander> PlantBystanders() {
  std::vector<Bystander> bystanders = {
      {L"C:\\other\\Quellmar", "a user's file named Quellmar"},
      {L"C:\\Quellmar.bas", "10 REM not part of the installation"},
      {L"C:\\Quellmar2\\data.txt", "a neighbour's data"},
      {L"C:\\users\\Public\\deep\\nested\\Quellmar", "nested namesake"},
      {L"C:\\package2\\Quellmar\\QUELLMAR.BAS", "another package"},
  };
  for (const Bystander& bystander : bystanders) {
    EXPECT_TRUE(WriteBytes(bystander.path, bystander.bytes));
  }
  return bystanders;
}

void ExpectBystandersIntact(const std::vector<Bystander>& bystanders) {
  for (const Bystander& bystander : bystanders) {
    EXPECT_TRUE(Exists(bystander.path)) << Narrow(bystander.path);
    EXPECT_EQ(ReadBytes(bystander.path), bystander.bytes) << Narrow(bystander.path);
  }
}

void BystanderTest::SetUp() {
  LauncherTest::SetUp();
  bystanders_ = PlantBystanders();
}

void BystanderTest::TearDown() {
  ExpectBystandersIntact(bystanders_);
  for (const Bystander& bystander : bystanders_)
    RemoveTree(bystander.path);
  LauncherTest::TearDown();
}
