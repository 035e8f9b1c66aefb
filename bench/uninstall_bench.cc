// Times whole uninstall runs of the launcher (menu "2", the success text, a
// key, the exit) on a C: drive that holds little besides the installation, and
// again after 20,000 files have been put into other folders of C:. A delete
// that stays inside C:\Quellmar costs the same on both; one that walked the
// drive would grow with the filling.
//
// Usage: uninstall_bench [RUNS [FOLDERS [FILES_PER_FOLDER]]]   (5, 200, 100)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "console_session.h"
#include "launcher_fixture.h"
#include "test_drive.h"
#include "test_files.h"

namespace {

constexpr wchar_t kFiller[] = L"C:\\filler";
constexpr wchar_t kSuccess[] = L"UNINSTALL SUCCESSFUL";
// How long a run may take to show the success text: long enough for a delete
// that is much slower than it should be to still give a figure.
constexpr DWORD kUninstallPatience = 10 * 60 * 1000;
// Between looks at the screen the bench sleeps this long, leaving the two
// cores to the launcher and the commands it runs.
constexpr DWORD kPollPauseMs = 1;

struct Counts {
  long long files = 0;
  long long folders = 0;
};

// Links are not followed: they lead out of the drive under Wine.
void CountTree(const std::wstring& folder, Counts* counts) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..")
      continue;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ++counts->files;
    } else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      ++counts->folders;
      CountTree(folder + L"\\" + name, counts);
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

Counts CountDrive() {
  Counts counts;
  CountTree(L"C:", &counts);
  return counts;
}

// What the launcher's "1" copies to C:\Quellmar, written there directly: the
// install is not what is timed.
bool Install() {
  RemoveTree(kInstall);
  for (const PayloadFile& file : kPayload) {
    if (!WriteBytes(std::wstring(kInstall) + L"\\" + file.path, file.bytes, file.attributes)) {
      std::printf("could not write the payload file %s\n", Narrow(file.path).c_str());
      return false;
    }
  }
  return true;
}

bool Fill(int folders, int files_per_folder) {
  RemoveTree(kFiller);
  int number = 0;
  for (int d = 0; d < folders; ++d) {
    wchar_t folder[64];
    swprintf(folder, 64, L"%ls\\d%03d", kFiller, d);
    if (!MakeDirectories(folder))
      return false;
    for (int f = 0; f < files_per_folder; ++f, ++number) {
      wchar_t path[96];
      swprintf(path, 96, L"%ls\\f%05d.txt", folder, number);
      HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE)
        return false;
      char bytes[32];
      int length = std::snprintf(bytes, sizeof bytes, "filler %05d\r\n", number);
      DWORD written = 0;
      BOOL ok = WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr);
      CloseHandle(file);
      if (!ok)
        return false;
    }
  }
  return true;
}

struct Timing {
  double whole = -1;      // process creation to exit
  double uninstall = -1;  // "2" typed to the success text seen
};

// One uninstall run of the launcher on a fresh installation. A run that does
// not end in the success text, exit status 0 and no C:\Quellmar gives no
// figures: the bench stops.
bool TimeOneUninstall(ConsoleSession& console, ScreenWatch& screen, Timing* timing) {
  if (!Install())
    return false;
  console.Clear();
  StartOptions options;
  options.directory = L"C:\\";
  std::wstring command = L"\"" + BuiltProgram(L"QuellmarLaunch.exe") + L"\"";
  double start = NowMs();
  if (!console.Start(command, options)) {
    std::printf("the launcher could not be started (error %lu)\n", GetLastError());
    return false;
  }
  if (screen.WaitFor(kPrompt, kPollPauseMs, Patience()) < 0) {
    std::printf("the launcher showed no menu; its screen:\n%s\n", Narrow(console.Screen()).c_str());
    return false;
  }
  double chosen = NowMs();
  console.Char(L'2');
  double confirmed = screen.WaitFor(kSuccess, kPollPauseMs, kUninstallPatience);
  if (confirmed < 0) {
    std::printf("the uninstall did not succeed; the screen:\n%s\n",
                Narrow(console.Screen()).c_str());
    return false;
  }
  console.Char(L' ');
  DWORD status = 0;
  if (!console.WaitForExit(&status)) {
    std::printf("the launcher did not end after the key\n");
    return false;
  }
  double end = NowMs();
  if (status != 0 || Exists(kInstall)) {
    std::printf("the uninstall ended with status %lu and %s C:\\Quellmar\n", status,
                Exists(kInstall) ? "left" : "removed");
    return false;
  }
  timing->whole = end - start;
  timing->uninstall = confirmed - chosen;
  return true;
}

struct Series {
  std::vector<double> whole;
  std::vector<double> uninstall;
};

bool TimeSeries(ConsoleSession& console, ScreenWatch& screen, int runs, Series* series) {
  for (int run = 0; run < runs; ++run) {
    Timing timing;
    if (!TimeOneUninstall(console, screen, &timing))
      return false;
    series->whole.push_back(timing.whole);
    series->uninstall.push_back(timing.uninstall);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // It installs, removes and fills drive C:.
  if (!on_disposable_test_drive())
    return 2;
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  int folders = argc > 2 ? std::atoi(argv[2]) : 200;
  int files_per_folder = argc > 3 ? std::atoi(argv[3]) : 100;
  if (runs < 1 || folders < 1 || files_per_folder < 1) {
    std::printf("usage: uninstall_bench [RUNS [FOLDERS [FILES_PER_FOLDER]]]\n");
    return 2;
  }

  ConsoleSession console;
  ScreenWatch screen;
  RemoveTree(kFiller);

  // The first run pays for loading the launcher, cmd.exe and its commands.
  Timing warm_up;
  if (!TimeOneUninstall(console, screen, &warm_up))
    return 1;

  Counts empty_drive = CountDrive();
  Series empty;
  if (!TimeSeries(console, screen, runs, &empty))
    return 1;

  double fill_start = NowMs();
  if (!Fill(folders, files_per_folder)) {
    std::printf("could not fill %ls\n", kFiller);
    return 1;
  }
  double fill_ms = NowMs() - fill_start;
  Counts filled_drive = CountDrive();
  Series filled;
  if (!TimeSeries(console, screen, runs, &filled))
    return 1;

  // Figures from a delete that also took other folders' files would be
  // meaningless.
  Counts filler;
  CountTree(kFiller, &filler);
  long long expected = static_cast<long long>(folders) * files_per_folder;
  if (filler.files != expected) {
    std::printf("%ls holds %lld files after the runs instead of %lld\n", kFiller, filler.files,
                expected);
    return 1;
  }
  console.Clear();

  std::printf("Uninstall runs of QuellmarLaunch.exe (start, \"2\", success text, a key, exit),\n");
  std::printf("%d on each drive, a fresh installation of %zu payload files before each run,\n",
              runs, kPayload.size());
  std::printf("after one warm-up run.\n");
  std::printf("  empty  C: %lld files in %lld folders\n", empty_drive.files, empty_drive.folders);
  std::printf(
      "  filled C: %lld files in %lld folders (%d folders x %d files in %ls, written in "
      "%.1f s)\n\n",
      filled_drive.files, filled_drive.folders, folders, files_per_folder, kFiller, fill_ms / 1000);

  Summary empty_whole = Summarize(empty.whole);
  Summary filled_whole = Summarize(filled.whole);
  Summary empty_uninstall = Summarize(empty.uninstall);
  Summary filled_uninstall = Summarize(filled.uninstall);
  std::printf("%-26s %10s %10s %10s   (ms)\n", "", "median", "min", "max");
  std::printf("%-26s %s\n", "whole run, empty C:", FormatSummary(empty_whole).c_str());
  std::printf("%-26s %s\n", "whole run, filled C:", FormatSummary(filled_whole).c_str());
  std::printf("%-26s %s\n", "\"2\" to success, empty C:", FormatSummary(empty_uninstall).c_str());
  std::printf("%-26s %s\n", "\"2\" to success, filled C:", FormatSummary(filled_uninstall).c_str());
  std::printf("\nratio filled/empty (medians): whole run %s, \"2\" to success %s\n",
              FormatRatio(filled_whole.median, empty_whole.median).c_str(),
              FormatRatio(filled_uninstall.median, empty_uninstall.median).c_str());
  return 0;
}
