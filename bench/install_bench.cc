// Times the first launch of the launcher, which copies the payload to
// C:\Quellmar with xcopy through cmd.exe, checks what arrived and flushes it to
// the disk, against that copy and flush alone: the same xcopy command through
// the same cmd.exe, started in the payload folder, followed by a program that
// flushes each file it wrote. The payload is the tests' one plus small files in
// nested folders, 3,006 files unless told otherwise. Runs alternate, first
// launch then bare copy and flush, so that a change in the machine's load falls
// on both alike.
//
// What each figure holds:
// - First launch: from the moment "1" is typed into the console of a launcher
//   that shows its menu until the launcher's process has ended with status 0.
//   That is reading the key, the checks of the package directory and of
//   C:\Quellmar, the walk that bounds the payload's paths, cmd.exe's and
//   xcopy's starts, the copy, the walk that holds the installation against the
//   payload and flushes each file, cmd.exe's start again and the DosBox starter's (a stand-in that
//   ends at once), and the launcher's own end: everything the first launch does
//   around the copy. Not in it: the launcher's process start and its menu,
//   which come before the key, are the same on every launch and are what
//   bench-startup.sh measures.
// - Bare copy: from just before cmd.exe is created with
//   "/d /c xcopy *.* C:\Quellmar /e /h /i" until its process has ended: cmd's
//   start, xcopy's start, the copy and both ends, as the launcher's copy has.
// - Flush: right after each bare copy, from just before flush_reference.exe is
//   created until its process has ended: its start, its walk of C:\Quellmar
//   and the flush of every file there, through the launcher's own file layer.
//   A flush costs what the disk costs; the reference is the bare copy and the
//   flush together, the floor of a copy that is on the disk before it counts.
// - Launch with the installation present: "1" to the exit when C:\Quellmar is
//   there already, so nothing is copied or checked; what remains is the
//   DosBox starter's run through cmd.exe. Taken after each first launch, so
//   that the difference of the first two figures can be told apart from it.
// - Later launch against a bare DosBox start, after the rounds, in pairs on
//   an installation that stays: "1" to the exit as above, and from just
//   before cmd.exe is created with "/d /c dosboxportable.exe" in the package
//   directory until its process has ended, which is what a later launch runs.
//   The ratio tells what a later launch costs around it: the key, the checks
//   of the package directory and of C:\Quellmar with its mark, the
//   launcher's own end.
// Both copies print xcopy's list of files to the same console, cleared before
// each run. C:\Quellmar is removed before each copy, outside the timing. Each
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
#include "console_session.h"
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

// A launch that copies, or one with C:\Quellmar present.
enum class Launch { first, installed };

// One launch: started in the package directory, menu awaited, then "1" and
// the exit timed. Gives the milliseconds, or a negative value when the run
// went wrong.
double TimeLaunch(ConsoleSession& console, ScreenWatch& screen, Launch launch,
                  const std::vector<std::wstring>& payload_tree) {
  if (launch == Launch::first)
    RemoveTree(kInstall);
  RemoveTree(kStandinLog);
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

// One bare copy in the payload folder, then the flush of what it wrote. Gives
// the milliseconds of the copy and puts those of the flush into |flush|, or a
// negative value when a run went wrong.
double TimeBareCopy(ConsoleSession& console, const std::wstring& interpreter,
                    const std::vector<std::wstring>& payload_tree, double* flush) {
  RemoveTree(kInstall);
  double time = TimeCommand(console, interpreter, L"xcopy *.* C:\\Quellmar /e /h /i",
                            kPayloadFolder, kCopyPatience);
  if (time >= 0 && ListTree(kInstall) != payload_tree) {
    std::printf("the bare copy left an installation that is not the payload\n");
    return -1;
  }
  *flush = TimeProgram(console, L"\"" + BuiltProgram(L"flush_reference.exe") + L"\"", kPackage,
                       kCopyPatience);
  return *flush < 0 ? -1 : time;
}

// One bare start of the DosBox starter in the package directory, as a later
// launch runs it.
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
  std::vector<double> installed;
  std::vector<double> bare;
  std::vector<double> flush;
  std::vector<double> reference;  // each bare copy with its flush
};

// One round: a first launch, a launch on its installation, a bare copy and its
// flush. False when a run went wrong.
bool TimeRound(ConsoleSession& console, ScreenWatch& screen, const std::wstring& interpreter,
               const std::vector<std::wstring>& payload_tree, Series* series) {
  double first = TimeLaunch(console, screen, Launch::first, payload_tree);
  if (first < 0)
    return false;
  double installed = TimeLaunch(console, screen, Launch::installed, payload_tree);
  if (installed < 0)
    return false;
  double flush = 0;
  double bare = TimeBareCopy(console, interpreter, payload_tree, &flush);
  if (bare < 0)
    return false;
  series->first.push_back(first);
  series->installed.push_back(installed);
  series->bare.push_back(bare);
  series->flush.push_back(flush);
  series->reference.push_back(bare + flush);
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
  // The command interpreter that the launcher takes; the bare copy runs the
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
  // On the installation that the last bare copy left, whole and unmarked.
  const int later_pairs = 3 * runs;
  std::vector<double> later;
  std::vector<double> bare_start;
  if (!TimeLaterLaunches(console, screen, interpreter, payload_tree, later_pairs, &later,
                         &bare_start)) {
    return 1;
  }
  RemoveTree(kInstall);
  console.Clear();

  std::printf(
      "First launch of QuellmarLaunch.exe against the bare copy it runs and the flush of\n");
  std::printf("what it wrote, on a payload of %zu files in %zu folders; %d rounds after one\n",
              payload_tree.size() - folders, folders, runs);
  std::printf("warm-up round, each a first launch, a launch with the installation present, a\n");
  std::printf("bare copy and its flush; then %d later\n", later_pairs);
  std::printf("launches and as many bare starts of the DosBox starter, in turn.\n\n");
  Summary first = Summarize(series.first);
  Summary bare = Summarize(series.bare);
  Summary flush = Summarize(series.flush);
  Summary reference = Summarize(series.reference);
  Summary installed = Summarize(series.installed);
  Summary later_launch = Summarize(later);
  Summary start = Summarize(bare_start);
  std::printf("%-36s %10s %10s %10s   (ms)\n", "", "median", "min", "max");
  std::printf("%-36s %s\n", "first launch (\"1\" to exit)", FormatSummary(first).c_str());
  std::printf("%-36s %s\n", "bare copy (cmd /d /c xcopy)", FormatSummary(bare).c_str());
  std::printf("%-36s %s\n", "flush (flush_reference.exe)", FormatSummary(flush).c_str());
  std::printf("%-36s %s\n", "reference (bare copy and flush)", FormatSummary(reference).c_str());
  std::printf("%-36s %s\n", "launch, installed (\"1\" to exit)", FormatSummary(installed).c_str());
  std::printf("%-36s %s\n", "later launch (\"1\" to exit)", FormatSummary(later_launch).c_str());
  std::printf("%-36s %s\n", "bare start (cmd /d /c dosboxportable)", FormatSummary(start).c_str());
  std::printf("\neach run, in order (ms):\n");
  std::printf("  %-18s%s\n", "first launch:", EachRun(series.first).c_str());
  std::printf("  %-18s%s\n", "bare copy:", EachRun(series.bare).c_str());
  std::printf("  %-18s%s\n", "flush:", EachRun(series.flush).c_str());
  std::printf("  %-18s%s\n", "launch, installed:", EachRun(series.installed).c_str());
  std::printf("  %-18s%s\n", "later launch:", EachRun(later).c_str());
  std::printf("  %-18s%s\n", "bare start:", EachRun(bare_start).c_str());
  std::printf("\nratio first launch/reference (medians): %s\n",
              FormatRatio(first.median, reference.median).c_str());
  std::printf("ratio first launch/bare copy (medians): %s\n",
              FormatRatio(first.median, bare.median).c_str());
  std::printf("ratio (first launch - launch, installed)/reference (medians): %s\n",
              FormatRatio(first.median - installed.median, reference.median).c_str());
  std::printf("ratio later launch/bare start (medians): %s\n",
              FormatRatio(later_launch.median, start.median).c_str());
  return 0;
}
