#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "console_session.h"

double NowMs() {
  static const double ticks_per_ms = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticks_per_ms;
}

ScreenWatch::ScreenWatch() {
  output_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info = {};
  GetConsoleScreenBufferInfo(output_, &info);
  cells_.resize(static_cast<size_t>(info.dwSize.X) * static_cast<size_t>(info.dwSize.Y));
}

ScreenWatch::~ScreenWatch() {
  CloseHandle(output_);
}

bool ScreenWatch::Shows(const std::wstring& text) {
  DWORD read = 0;
  if (cells_.empty() ||
      !ReadConsoleOutputCharacterW(output_, cells_.data(), static_cast<DWORD>(cells_.size()),
                                   {0, 0}, &read)) {
    return false;
  }
  return std::wstring_view(cells_.data(), read).find(text) != std::wstring_view::npos;
}

double ScreenWatch::WaitFor(const std::wstring& text, DWORD pause_ms, DWORD timeout_ms) {
  double start = NowMs();
  for (;;) {
    if (Shows(text))
      return NowMs();
    if (NowMs() - start > timeout_ms)
      return -1;
    if (pause_ms > 0)
      Sleep(pause_ms);
  }
}

namespace {

// Dirty and Writeback of /proc/meminfo in kB, or -1 where it cannot be read.
long long PendingWritesKb() {
  HANDLE file = CreateFileW(L"Z:\\proc\\meminfo", GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return -1;
  char text[8192];
  DWORD read = 0;
  BOOL ok = ReadFile(file, text, sizeof text - 1, &read, nullptr);
  CloseHandle(file);
  if (!ok)
    return -1;
  text[read] = '\0';
  long long pending = 0;
  for (const char* field : {"\nDirty:", "\nWriteback:"}) {
    const char* at = std::strstr(text, field);
    if (at == nullptr)
      return -1;
    pending += std::strtoll(at + std::strlen(field), nullptr, 10);
  }
  return pending;
}

}  // namespace

void SettleDisk() {
  for (int waited = 0; waited < 300; ++waited) {
    long long pending = PendingWritesKb();
    if (pending < 1024)
      return;
    Sleep(100);
  }
}

std::wstring ComspecInterpreter() {
  wchar_t interpreter[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"COMSPEC", interpreter, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    std::printf("COMSPEC does not name a command interpreter\n");
    return std::wstring();
  }
  return interpreter;
}

double TimeProgram(ConsoleSession& console, const std::wstring& line, const std::wstring& directory,
                   DWORD patience_ms) {
  console.Clear();
  StartOptions options;
  options.directory = directory;
  double start = NowMs();
  if (!console.Start(line, options)) {
    std::printf("%ls could not be started (error %lu)\n", line.c_str(), GetLastError());
    return -1;
  }
  DWORD status = 0;
  if (!console.WaitForExit(&status, patience_ms)) {
    std::printf("%ls did not end\n", line.c_str());
    return -1;
  }
  double end = NowMs();
  if (status != 0) {
    std::printf("%ls ended with status %lu\n", line.c_str(), status);
    return -1;
  }
  return end - start;
}

double TimeCommand(ConsoleSession& console, const std::wstring& interpreter, const wchar_t* command,
                   const std::wstring& directory, DWORD patience_ms) {
  return TimeProgram(console, L"\"" + interpreter + L"\" /d /c " + command, directory, patience_ms);
}

Summary Summarize(std::vector<double> samples) {
  Summary summary;
  summary.runs = samples.size();
  if (samples.empty())
    return summary;
  std::sort(samples.begin(), samples.end());
  size_t middle = samples.size() / 2;
  summary.median =
      samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
  summary.min = samples.front();
  summary.max = samples.back();
  return summary;
}

std::string FormatSummary(const Summary& summary, int width) {
  char line[128];
  std::snprintf(line, sizeof line, "%*.1f %*.1f %*.1f", width, summary.median, width, summary.min,
                width, summary.max);
  return line;
}

std::string FormatRatio(double numerator, double denominator) {
  if (denominator <= 0)
    return "n/a";
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%.2f", numerator / denominator);
  return ratio;
}
