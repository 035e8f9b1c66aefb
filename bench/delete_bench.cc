// Times the uninstall's deletion of an installation against the command
// interpreter's: the launcher's own code, run in this process (C:\Quellmar
// held and marked, every file deleted, the folders and C:\Quellmar removed),
// against "del /f /s /q" of the same tree and "rd /s /q" of its emptied
// folders through cmd.exe, with cmd.exe's own start and end taken out (the
// median of "cmd /d /c rem" subtracted). The tree is the same each time: the
// files spread over C:\Quellmar and the folders an uninstall removes, 3,000
// unless told otherwise. Runs alternate, so that a change in the machine's
// load falls on both alike; the tree is written anew before each, outside the
// timing. A run that leaves C:\Quellmar stops the bench. Nothing is asserted
// about time.
//
// Usage: delete_bench [RUNS [FILES]]   (9 runs of each, 3000 files)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "console_session.h"
#include "launcher/install_directory.h"
#include "test_drive.h"
#include "test_files.h"

namespace {

// The folders that an uninstall removes: a tree of others would stay.
constexpr const wchar_t* kFolders[] = {
    L"",
    L"\\Quellmar.tmp\\1",
    L"\\Quellmar.tmp\\2",
    L"\\Quellmar.tmp\\3",
    L"\\Quellmar.tmp\\4",
    L"\\_listing",
    L"\\document",
    L"\\QBASIC",
};
constexpr DWORD kCommandPatience = 10 * 60 * 1000;

bool WriteTree(long files) {
  RemoveTree(install_directory);
  const long folders = sizeof kFolders / sizeof kFolders[0];
  for (long i = 0; i < files; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"\\f%05ld.dat", i);
    // A few read-only and hidden ones, as a payload has.
    DWORD attributes = i % 50 == 0   ? FILE_ATTRIBUTE_READONLY
                       : i % 50 == 1 ? FILE_ATTRIBUTE_HIDDEN
                                     : 0;
    std::string bytes = "file " + std::to_string(i) + std::string(i % 97, 'x');
    if (!WriteBytes(std::wstring(install_directory) + kFolders[i % folders] + name, bytes,
                    attributes))
      return false;
  }
  return true;
}

// The uninstall's own steps, as it takes them. Gives the milliseconds, or a
// negative value when C:\Quellmar stays.
double TimeLauncherDeletion() {
  double start = NowMs();
  bool removed;
  {
    InstallDirectory installation;
    removed = installation.mark_for_uninstall() && installation.delete_files() &&
              installation.remove(Removal::uninstall);
  }
  double end = NowMs();
  if (!removed || Exists(install_directory)) {
    std::printf("the launcher's deletion left C:\\Quellmar (error %lu)\n", GetLastError());
    return -1;
  }
  return end - start;
}

double TimeInterpreterDeletion(ConsoleSession& console, const std::wstring& interpreter) {
  double time = TimeCommand(console, interpreter,
                            L"\"del /f /s /q C:\\Quellmar\\* >nul & rd /s /q C:\\Quellmar\"",
                            L"C:\\", kCommandPatience);
  if (time >= 0 && Exists(install_directory)) {
    std::printf("del and rd left C:\\Quellmar\n");
    return -1;
  }
  return time;
}

}  // namespace

int main(int argc, char** argv) {
  // It rewrites and deletes C:\Quellmar.
  if (!on_disposable_test_drive())
    return 2;
  int runs = argc > 1 ? std::atoi(argv[1]) : 9;
  long files = argc > 2 ? std::atol(argv[2]) : 3000;
  if (runs < 1 || files < 1) {
    std::printf("usage: delete_bench [RUNS [FILES]]\n");
    return 2;
  }
  const std::wstring interpreter = ComspecInterpreter();
  if (interpreter.empty())
    return 1;
  ConsoleSession console;
  std::vector<double> launcher, interpreter_runs, bare;
  // The first round pays for loading the programs.
  for (int run = -1; run < runs; ++run) {
    double bare_start = TimeCommand(console, interpreter, L"rem", L"C:\\", kCommandPatience);
    if (!WriteTree(files)) {
      std::printf("could not write the tree\n");
      return 1;
    }
    double own = TimeLauncherDeletion();
    if (!WriteTree(files))
      return 1;
    double del = TimeInterpreterDeletion(console, interpreter);
    if (bare_start < 0 || own < 0 || del < 0)
      return 1;
    if (run < 0)
      continue;
    launcher.push_back(own);
    interpreter_runs.push_back(del);
    bare.push_back(bare_start);
  }
  console.Clear();

  std::printf("Deleting C:\\Quellmar with %ld files in %zu folders, %d runs of each after a\n",
              files, sizeof kFolders / sizeof kFolders[0], runs);
  std::printf("warm-up round.\n\n");
  Summary own = Summarize(launcher);
  Summary del = Summarize(interpreter_runs);
  Summary start = Summarize(bare);
  std::printf("%-40s %10s %10s %10s   (ms)\n", "", "median", "min", "max");
  std::printf("%-40s %s\n", "launcher's deletion (in its process)", FormatSummary(own).c_str());
  std::printf("%-40s %s\n", "cmd /d /c \"del /f /s /q & rd /s /q\"", FormatSummary(del).c_str());
  std::printf("%-40s %s\n", "cmd /d /c rem", FormatSummary(start).c_str());
  std::printf("\nratio launcher/(del and rd - cmd's start) (medians): %s\n",
              FormatRatio(own.median, del.median - start.median).c_str());
  return 0;
}
