// Times the launcher's start-up: from just before the process is created until
// a poll of the console first sees the menu's prompt, against a reference
// program that writes the same menu and nothing else. Prints the median, the
// least and the most of each, and the ratio of the medians.
//
// Usage: startup_bench [RUNS]   (RUNS per program, 30 unless given)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "console_session.h"
#include "launcher_fixture.h"
#include "test_files.h"

namespace {

struct Program {
  const wchar_t* name;
  std::vector<double> samples;
};

// One run: start, poll tightly for the prompt, type "3" (which ends the
// launcher; the reference ends on any key) and wait for the exit. Gives the
// milliseconds to the prompt, or a negative value when the run went wrong.
double TimeOneStart(ConsoleSession& console, ScreenWatch& screen, const wchar_t* name) {
  console.Clear();
  std::wstring command = L"\"" + BuiltProgram(name) + L"\"";
  double start = NowMs();
  if (!console.Start(command)) {
    std::printf("%s could not be started (error %lu)\n", Narrow(name).c_str(), GetLastError());
    return -1;
  }
  double seen = screen.WaitFor(kPrompt, 0, Patience());
  if (seen < 0) {
    std::printf("%s showed no prompt; its screen:\n%s\n", Narrow(name).c_str(),
                Narrow(console.Screen()).c_str());
    return -1;
  }
  console.Char(L'3');
  DWORD status = 0;
  if (!console.WaitForExit(&status) || status != 0) {
    std::printf("%s did not end with status 0 after \"3\"\n", Narrow(name).c_str());
    return -1;
  }
  return seen - start;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 30;
  if (runs < 1) {
    std::printf("usage: startup_bench [RUNS]\n");
    return 2;
  }

  ConsoleSession console;
  ScreenWatch screen;
  Program programs[] = {{L"QuellmarLaunch.exe", {}}, {L"menu_reference.exe", {}}};

  // The first start of each program pays for loading it and its DLLs from
  // disk; that is not what the figures are about.
  for (Program& program : programs) {
    if (TimeOneStart(console, screen, program.name) < 0)
      return 1;
  }
  // Interleaved, and the order swapped every round, so that a change in the
  // machine's load falls on both programs alike.
  for (int round = 0; round < runs; ++round) {
    for (int i = 0; i < 2; ++i) {
      Program& program = programs[round % 2 == 0 ? i : 1 - i];
      double elapsed = TimeOneStart(console, screen, program.name);
      if (elapsed < 0)
        return 1;
      program.samples.push_back(elapsed);
    }
  }
  console.Clear();

  std::printf("Start-up until the menu's prompt is on the screen: %d runs of each program,\n",
              runs);
  std::printf("interleaved, after one warm-up run each; the console polled without pause.\n\n");
  std::printf("%-20s %10s %10s %10s   (ms)\n", "program", "median", "min", "max");
  Summary launcher = Summarize(programs[0].samples);
  Summary reference = Summarize(programs[1].samples);
  std::printf("%-20s %s\n", Narrow(programs[0].name).c_str(), FormatSummary(launcher).c_str());
  std::printf("%-20s %s\n", Narrow(programs[1].name).c_str(), FormatSummary(reference).c_str());
  std::printf("\nratio launcher/reference (medians): %s\n",
              FormatRatio(launcher.median, reference.median).c_str());
  return 0;
}
