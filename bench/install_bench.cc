// Times the first launch of the launcher, which copies the payload to
// C:\Quellmar with xcopy through cmd.exe, checks what arrived, flushes it to
// the disk and starts DosBox, against a reference of those three alone: the
// same xcopy command through the same cmd.exe, started in the payload folder;
// a program that flushes each file it wrote; and the bare start of the DosBox
// starter. The payload is the tests' one plus small files in nested folders,
// 3,006 files unless told otherwise. Runs alternate, a first launch, a launch
// over an unfinished installation, then the reference, so that a change in the
// machine's load falls on all alike.
//
// What each figure holds:
// - First launch: from the moment "1" is typed into the console of a launcher
//   that shows its menu until the launcher's process has ended with status 0.
//   That is reading the key, the checks of the package directory and of
//   C:\Quellmar, the listing of the payload and its bounds, making and holding
//   the payload's folders, cmd.exe's and xcopy's starts, the copy, the check
//   and flush of each file, cmd.exe's start again and the DosBox starter's (a
//   stand-in that ends at once), and the launcher's own end: everything the
//   first launch does. Not in it: the launcher's process start and its menu,
//   which come before the key, are the same on every launch and are what
//   bench-startup.sh measures.
// - Over an unfinished installation: the same, where C:\Quellmar holds its
//   mark and the payload's folders, empty, as a launcher ended before its
//   copy wrote anything leaves it: the installation is listed, cleared of the
//   payload's paths and held as it is.
// - Bare copy: from just before cmd.exe is created with "/d /c" and the copy
//   command that the launcher runs until its process has ended: cmd's start,
//   xcopy's start, the copy and both ends, as the launcher's copy has.
// - Flush: right after each bare copy, from just before flush_reference.exe is
//   created until its process has ended: its start, its walk of C:\Quellmar
//   and the flush of every file there, through the launcher's own file layer.
// - Bare start: from just before cmd.exe is created with
//   "/d /c dosboxportable.exe" in the package directory until its process has
//   ended, which is what a launch runs last.
//   The reference is the three together: a copy that is on the disk before
//   it counts, and the start of what it installed.
// - Later launch against a bare DosBox start, after the rounds, in pairs on
//   an installation that stays: "1" to the exit when C:\Quellmar is there
//   already, so nothing is copied or checked. The ratio tells what a later
//   launch costs around the start: the key, the checks of the package
//   directory and of C:\Quellmar with its mark, the launcher's own end.
// - Phases: last, the first launch's steps one by one, run by the launcher's
//   own code in this process, each timed on its own.
// Every copy prints xcopy's list of files to the same console, cleared before
// each run. C:\Quellmar is removed before each copy, outside the timing, and
// the disk is let settle (SettleDisk). Each
// run is checked (status 0, every payload folder and file installed, the
// stand-in run once for a launch); a run that fails stops the bench, since its
// figure would mean nothing. Nothing is asserted about time.
//
// Usage: install_bench [RUNS [FILES]]   (5 runs of each, 3006 payload files)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "command/run_command.h"
#include "console_session.h"
#include "files/listed_tree.h"
#include "launcher/install_directory.h"
#include "launcher/payload_tree.h"
#include "launcher/work_directory.h"
#include "launcher_fixture.h"
#include "test_drive.h"
#include "test_files.h"

namespace {

constexpr char kStandinRan[] = "DosBox stand-in started\r\n";
// The generated files spread over this many innermost folders, ten to a
// middle folder, below the payload's folder "data".
constexpr int kInnerFolders = 100;
// How long a copy may take: long enough for a copy that is much slower than it
// should be to still give a figure.
constexpr DWORD kCopyPatience = 10 * 60 * 1000;
// Between looks at the screen for the menu the bench sleeps this long, leaving
// the two cores to the launcher.
constexpr DWORD kPollPauseMs = 1;

// The package directory: the tests' payload, |files| in all with the
// generated ones, and the quiet DosBox stand-in.
bool MakePackage(size_t files) {
  RemoveTree(kPackage);
  const std::wstring payload = kPayloadFolder;
  for (const PayloadFile& file : kPayload) {
    if (!WriteBytes(payload + L"\\" + file.path, file.bytes, file.attributes))
      return false;
  }
  for (size_t i = 0; kPayload.size() + i < files; ++i) {
    int inner = static_cast<int>(i % kInnerFolders);
    wchar_t path[64];
    swprintf(path, 64, L"\\data\\d%d\\e%d\\f%04zu.dat", inner / 10, inner % 10, i);
    // Sizes differ from file to file, so that the launcher's size check
    // compares something.
    char line[48];
    std::snprintf(line, sizeof line, "payload file %04zu\r\n", i);
    std::string bytes = line + std::string(i % 97, 'x');
    if (!WriteBytes(payload + path, bytes))
      return false;
  }
  return CopyFileW(BuiltProgram(L"quiet_dosbox_standin.exe").c_str(),
                   (std::wstring(kPackage) + L"\\dosboxportable.exe").c_str(), FALSE) != 0;
}

// The copy command that the launcher runs: the system folder's xcopy.
constexpr wchar_t kCopyArguments[] = L"*.* C:\\Quellmar /e /h /i /-y";
std::wstring CopyCommand() {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length) + L"\\xcopy.exe " + kCopyArguments;
}

// What C:\Quellmar holds before a launch: nothing; an unfinished installation
// (its mark, and the payload's folders, empty); or a finished one.
enum class Launch { first, over_unfinished, installed };

// Leaves C:\Quellmar as a launcher that was ended before its copy wrote
// anything leaves it.
bool MakeUnfinishedInstallation(const std::vector<std::wstring>& payload_tree) {
  RemoveTree(kInstall);
  if (!MakeDirectories(std::wstring(kInstall) + L"\\QuellmarLaunch.unfinished"))
    return false;
  for (const std::wstring& path : payload_tree) {
    if (path.back() == L'\\' && !MakeDirectories(std::wstring(kInstall) + L"\\" + path))
      return false;
  }
  return true;
}

// One launch: started in the package directory, menu awaited, then "1" and
// the exit timed. Gives the milliseconds, or a negative value when the run
// went wrong.
double TimeLaunch(ConsoleSession& console, ScreenWatch& screen, Launch launch,
                  const std::vector<std::wstring>& payload_tree) {
  if (launch == Launch::first)
    RemoveTree(kInstall);
  if (launch == Launch::over_unfinished && !MakeUnfinishedInstallation(payload_tree)) {
    std::printf("could not leave an unfinished installation in C:\\Quellmar\n");
    return -1;
  }
  RemoveTree(kStandinLog);
  SettleDisk();
  console.Clear();
  StartOptions options;
  options.directory = kPackage;
  if (!console.Start(L"\"" + BuiltProgram(L"QuellmarLaunch.exe") + L"\"", options)) {
    std::printf("the launcher could not be started (error %lu)\n", GetLastError());
    return -1;
  }
  if (screen.WaitFor(kPrompt, kPollPauseMs, Patience()) < 0) {
    std::printf("the launcher showed no menu; its screen:\n%s\n", Narrow(console.Screen()).c_str());
    return -1;
  }
  double start = NowMs();
  console.Char(L'1');
  DWORD status = 0;
  if (!console.WaitForExit(&status, kCopyPatience)) {
    std::printf("the launcher did not end; its screen:\n%s\n", Narrow(console.Screen()).c_str());
    return -1;
  }
  double end = NowMs();
  if (status != 0) {
    std::printf("the launch ended with status %lu; its screen:\n%s\n", status,
                Narrow(console.Screen()).c_str());
    return -1;
  }
  if (ReadBytes(kStandinLog) != kStandinRan) {
    std::printf("the launch did not run the DosBox stand-in once\n");
    return -1;
  }
  if (ListTree(kInstall) != payload_tree) {
    std::printf("the launch left an installation that is not the payload\n");
    return -1;
  }
  return end - start;
}

// One bare start of the DosBox starter in the package directory, as a launch
// runs it.
double TimeBareStart(ConsoleSession& console, const std::wstring& interpreter) {
  RemoveTree(kStandinLog);
  double time = TimeCommand(console, interpreter, L"dosboxportable.exe", kPackage, kCopyPatience);
  if (time >= 0 && ReadBytes(kStandinLog) != kStandinRan) {
    std::printf("the bare start did not run the DosBox stand-in once\n");
    return -1;
  }
  return time;
}

struct Series {
  std::vector<double> first;
  std::vector<double> over_unfinished;
  std::vector<double> bare;
  std::vector<double> flush;
  std::vector<double> start;
  std::vector<double> reference;  // each bare copy with its flush and a bare start
};

// One round: a first launch, one over an unfinished installation, a bare copy,
// its flush and a bare start. False when a run went wrong.
bool TimeRound(ConsoleSession& console, ScreenWatch& screen, const std::wstring& interpreter,
               const std::vector<std::wstring>& payload_tree, Series* series) {
  double first = TimeLaunch(console, screen, Launch::first, payload_tree);
  double over_unfinished =
      first < 0 ? -1 : TimeLaunch(console, screen, Launch::over_unfinished, payload_tree);
  if (over_unfinished < 0)
    return false;
  RemoveTree(kInstall);
  SettleDisk();
  const std::wstring copy = CopyCommand();
  double bare = TimeCommand(console, interpreter, copy.c_str(), kPayloadFolder, kCopyPatience);
  if (bare >= 0 && ListTree(kInstall) != payload_tree) {
    std::printf("the bare copy left an installation that is not the payload\n");
    return false;
  }
  double flush = bare < 0
                     ? -1
                     : TimeProgram(console, L"\"" + BuiltProgram(L"flush_reference.exe") + L"\"",
                                   kPackage, kCopyPatience);
  double start = flush < 0 ? -1 : TimeBareStart(console, interpreter);
  if (start < 0)
    return false;
  series->first.push_back(first);
  series->over_unfinished.push_back(over_unfinished);
  series->bare.push_back(bare);
  series->flush.push_back(flush);
  series->start.push_back(start);
  series->reference.push_back(bare + flush + start);
  return true;
}

// Later launches against bare starts of the DosBox starter, in turn, on an
// installation that is there throughout: no copy's writing goes on beside
// them. False when a run went wrong.
bool TimeLaterLaunches(ConsoleSession& console, ScreenWatch& screen,
                       const std::wstring& interpreter,
                       const std::vector<std::wstring>& payload_tree, int pairs,
                       std::vector<double>* later, std::vector<double>* bare_start) {
  for (int pair = 0; pair < pairs; ++pair) {
    double launch = TimeLaunch(console, screen, Launch::installed, payload_tree);
    if (launch < 0)
      return false;
    double start = TimeBareStart(console, interpreter);
    if (start < 0)
      return false;
    later->push_back(launch);
    bare_start->push_back(start);
  }
  return true;
}

// The steps of a first launch, as launch_action takes them, each timed on its
// own; the Ctrl+C hold and the package directory's checks, which cost nothing
// worth a figure, are left out.
enum PhaseName {
  kListing,
  kBounds,
  kMaking,
  kClearing,
  kHolding,
  kCopy,
  kStillPlain,
  kCheckAndFlush,
  kLettingGo,
  kMarkGone,
  kStarter,
  kPhases
};
constexpr const char* kPhaseNames[kPhases] = {
    "listing the payload",
    "its bounds",
    "making C:\\Quellmar, or taking its mark",
    "clearing the payload's paths",
    "making and holding the folders",
    "the copy (cmd and xcopy)",
    "the folders still folders",
    "checking and flushing each file",
    "deleting the keepers, letting go",
    "the mark's deletion",
    "the DosBox starter (cmd)",
};

// One first launch's steps in this process, fresh or over an unfinished
// installation, their times into |phases|. The console's output handle
// stands in for the bench's own, which is a file, so that xcopy writes its
// list of files where a launch's xcopy writes it.
bool TimePhases(ConsoleSession& console, Launch launch,
                const std::vector<std::wstring>& payload_tree,
                std::vector<double> (&phases)[kPhases]) {
  RemoveTree(kInstall);
  if (launch == Launch::over_unfinished && !MakeUnfinishedInstallation(payload_tree))
    return false;
  CopyStart copy_start = launch == Launch::first ? CopyStart::fresh : CopyStart::over_unfinished;
  SettleDisk();
  console.Clear();
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE screen =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  SetStdHandle(STD_OUTPUT_HANDLE, screen);
  SetCurrentDirectoryW(kPayloadFolder.c_str());
  double times[kPhases + 1];
  bool done = false;
  {
    InstallDirectory installation;
    ListedTree payload;
    HeldPayloadFolders folders;
    times[kListing] = NowMs();
    done = payload.list(L".");
    times[kBounds] = NowMs();
    done = done && payload_fits_install_directory(payload);
    times[kMaking] = NowMs();
    if (copy_start == CopyStart::fresh)
      done = done && make_marked_install_directory() && installation.open_new();
    else
      done = done && installation.open() == Installation::unfinished;
    times[kClearing] = NowMs();
    if (copy_start == CopyStart::over_unfinished)
      done = done && clear_payload_paths(installation, payload, FileLinks::stay);
    times[kHolding] = NowMs();
    done = done && folders.hold(installation, payload, copy_start);
    times[kCopy] = NowMs();
    done = done && run_system_program(L"xcopy.exe", kCopyArguments) == 0;
    times[kStillPlain] = NowMs();
    done = done && folders.are_still_plain();
    times[kCheckAndFlush] = NowMs();
    done = done && folders.check_copy(payload) == CopyCheck::whole;
    times[kLettingGo] = NowMs();
    folders.let_go();
    times[kMarkGone] = NowMs();
    done = done && installation.finish();
    times[kStarter] = NowMs();
  }
  SetCurrentDirectoryW(kPackage);
  done = done && run_command(L"dosboxportable.exe") == 0;
  times[kPhases] = NowMs();
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  CloseHandle(screen);
  if (!done) {
    std::printf("the first launch's steps failed (error %lu)\n", GetLastError());
    return false;
  }
  for (int phase = 0; phase < kPhases; ++phase)
    phases[phase].push_back(times[phase + 1] - times[phase]);
  return true;
}

std::string EachRun(const std::vector<double>& samples) {
  std::string runs;
  for (double sample : samples) {
    char figure[32];
    std::snprintf(figure, sizeof figure, " %.0f", sample);
    runs += figure;
  }
  return runs;
}

}  // namespace

int main(int argc, char** argv) {
  // It rewrites C:\package and C:\Quellmar.
  if (!on_disposable_test_drive())
    return 2;
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  long files = argc > 2 ? std::atol(argv[2]) : 3006;
  if (runs < 1 || files < static_cast<long>(kPayload.size())) {
    std::printf("usage: install_bench [RUNS [FILES]]   (FILES at least %zu)\n", kPayload.size());
    return 2;
  }
  // The command interpreter that the launcher takes; the bare runs take the
  // same one.
  const std::wstring interpreter = ComspecInterpreter();
  if (interpreter.empty())
    return 1;

  if (!MakePackage(static_cast<size_t>(files))) {
    std::printf("could not lay out the package in %ls\n", kPackage);
    return 1;
  }
  const std::vector<std::wstring> payload_tree = ListTree(kPayloadFolder);
  size_t folders = 0;
  for (const std::wstring& path : payload_tree) {
    if (!path.empty() && path.back() == L'\\')
      ++folders;
  }

  ConsoleSession console;
  ScreenWatch screen;
  ScopedEnvironment environment;
  environment.Set(L"DOSBOX_STANDIN_LOG", kStandinLog);

  // The first round pays for loading the programs and the payload from disk.
  Series warm_up;
  if (!TimeRound(console, screen, interpreter, payload_tree, &warm_up))
    return 1;
  Series series;
  for (int run = 0; run < runs; ++run) {
    if (!TimeRound(console, screen, interpreter, payload_tree, &series))
      return 1;
  }
  // On the installation that the last launch left, whole and unmarked.
  if (TimeLaunch(console, screen, Launch::first, payload_tree) < 0)
    return 1;
  const int later_pairs = 3 * runs;
  std::vector<double> later;
  std::vector<double> bare_start;
  if (!TimeLaterLaunches(console, screen, interpreter, payload_tree, later_pairs, &later,
                         &bare_start)) {
    return 1;
  }
  std::vector<double> phases[kPhases];
  std::vector<double> unfinished_phases[kPhases];
  for (int run = 0; run < runs; ++run) {
    if (!TimePhases(console, Launch::first, payload_tree, phases) ||
        !TimePhases(console, Launch::over_unfinished, payload_tree, unfinished_phases)) {
      return 1;
    }
  }
  RemoveTree(kInstall);
  console.Clear();

  std::printf("First launch of QuellmarLaunch.exe against the bare copy it runs, the flush of\n");
  std::printf("what it wrote and the bare start of the DosBox starter, on a payload of %zu\n",
              payload_tree.size() - folders);
  std::printf("files in %zu folders; %d rounds after one warm-up round, each a first launch,\n",
              folders, runs);
  std::printf("one over an unfinished installation, a bare copy, its flush and a bare start;\n");
  std::printf("then %d later launches and as many bare starts, in turn; then %d first\n",
              later_pairs, runs);
  std::printf("launches' steps in the bench's own process.\n\n");
  Summary first = Summarize(series.first);
  Summary over_unfinished = Summarize(series.over_unfinished);
  Summary bare = Summarize(series.bare);
  Summary reference = Summarize(series.reference);
  Summary later_launch = Summarize(later);
  Summary start = Summarize(bare_start);
  std::printf("%-40s %10s %10s %10s   (ms)\n", "", "median", "min", "max");
  std::printf("%-40s %s\n", "first launch (\"1\" to exit)", FormatSummary(first).c_str());
  std::printf("%-40s %s\n", "over an unfinished installation",
              FormatSummary(over_unfinished).c_str());
  std::printf("%-40s %s\n", "bare copy (cmd /d /c xcopy)", FormatSummary(bare).c_str());
  std::printf("%-40s %s\n", "flush (flush_reference.exe)",
              FormatSummary(Summarize(series.flush)).c_str());
  std::printf("%-40s %s\n", "bare start (cmd /d /c dosboxportable)",
              FormatSummary(Summarize(series.start)).c_str());
  std::printf("%-40s %s\n", "reference (copy, flush and start)", FormatSummary(reference).c_str());
  std::printf("%-40s %s\n", "later launch (\"1\" to exit)", FormatSummary(later_launch).c_str());
  std::printf("%-40s %s\n", "bare start, beside the later launches", FormatSummary(start).c_str());
  std::printf("\nthe first launch's steps in the bench's process, medians (ms):\n");
  std::printf("  %-40s %8s %16s\n", "", "fresh", "over unfinished");
  for (int phase = 0; phase < kPhases; ++phase) {
    std::printf("  %-40s %8.1f %16.1f\n", kPhaseNames[phase], Summarize(phases[phase]).median,
                Summarize(unfinished_phases[phase]).median);
  }
  std::printf("\neach run, in order (ms):\n");
  std::printf("  %-18s%s\n", "first launch:", EachRun(series.first).c_str());
  std::printf("  %-18s%s\n", "over unfinished:", EachRun(series.over_unfinished).c_str());
  std::printf("  %-18s%s\n", "reference:", EachRun(series.reference).c_str());
  std::printf("\nratio first launch/reference (medians): %s\n",
              FormatRatio(first.median, reference.median).c_str());
  std::printf("ratio over an unfinished installation/reference (medians): %s\n",
              FormatRatio(over_unfinished.median, reference.median).c_str());
  std::printf("ratio first launch/bare copy (medians): %s\n",
              FormatRatio(first.median, bare.median).c_str());
  std::printf("ratio later launch/bare start (medians): %s\n",
              FormatRatio(later_launch.median, start.median).c_str());
  return 0;
}
