// Benchmark support: a clock, a screen watch that polls the console cheaply,
// and the summary of repeated runs.
#ifndef QUELLMAR_BENCH_BENCH_SUPPORT_H_
#define QUELLMAR_BENCH_BENCH_SUPPORT_H_

#include <windows.h>

#include <string>
#include <vector>

class ConsoleSession;

// Milliseconds on the performance counter, from an arbitrary origin.
double NowMs();

// Reads the whole screen buffer of the console in one call per look, so that
// a poll costs one round trip to the console rather than one per row.
class ScreenWatch {
 public:
  ScreenWatch();
  ~ScreenWatch();
  ScreenWatch(const ScreenWatch&) = delete;
  ScreenWatch& operator=(const ScreenWatch&) = delete;

  bool Shows(const std::wstring& text);
  // Looks until |text| is on the screen, pausing |pause_ms| between looks (0:
  // none, the tightest poll). Gives the time of the look that saw it, or a
  // negative value after |timeout_ms|.
  double WaitFor(const std::wstring& text, DWORD pause_ms, DWORD timeout_ms);

 private:
  HANDLE output_;
  std::vector<wchar_t> cells_;
};

// Waits, for half a minute at most, until the kernel under Wine has written
// back what earlier runs left in its cache (Dirty and Writeback of
// /proc/meminfo, read through Wine's drive Z:), so that no timed run pays for
// another's writes; a copy's flush forces out the file system's journal with
// whatever else is pending. Outside Wine it returns at once.
void SettleDisk();

// The command interpreter that COMSPEC names, which the launcher takes too;
// empty, with a line printed, when there is none.
std::wstring ComspecInterpreter();

// Runs the program that |line| names, with its arguments, in |directory| in
// |console| and gives the milliseconds from its start to its end, or a
// negative value, with a line printed, when it could not be started, did not
// end within |patience_ms| or ended with another status than 0.
double TimeProgram(ConsoleSession& console, const std::wstring& line, const std::wstring& directory,
                   DWORD patience_ms);

// Runs "<interpreter> /d /c <command>" in |directory| in |console| and gives
// the milliseconds from its start to its end, or a negative value, with a
// line printed, when it could not be started, did not end within
// |patience_ms| or ended with another status than 0.
double TimeCommand(ConsoleSession& console, const std::wstring& interpreter, const wchar_t* command,
                   const std::wstring& directory, DWORD patience_ms);

struct Summary {
  size_t runs = 0;
  double median = 0;
  double min = 0;
  double max = 0;
};
Summary Summarize(std::vector<double> samples);

// "median min max" in milliseconds, each in a column of |width|.
std::string FormatSummary(const Summary& summary, int width = 10);
std::string FormatRatio(double numerator, double denominator);

#endif  // QUELLMAR_BENCH_BENCH_SUPPORT_H_
