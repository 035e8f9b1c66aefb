// Test support: runs a console program in the test's own console, types into
// it with exact input records and reads its screen back.
#ifndef QUELLMAR_TESTING_CONSOLE_SESSION_H_
#define QUELLMAR_TESTING_CONSOLE_SESSION_H_

#include <windows.h>

#include <string>
#include <vector>

#include "test_files.h"

// The most a test waits for something that should happen; a program that
// hangs fails the test instead of the whole run.
inline DWORD Patience() {
  return 30000 * WaitScale();
}

// Waits until |condition| holds, looking every |pause_ms|, for at most the
// patience of a test; returns whether it holds.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD pause_ms = 20) {
  const DWORD patience = Patience();
  for (DWORD waited = 0; !condition() && waited < patience; waited += pause_ms)
    Sleep(pause_ms);
  return condition();
}

struct StartOptions {
  std::wstring directory;  // The child's current directory; empty: the test's.
  // Redirections of the child's standard handles; nullptr keeps the console.
  HANDLE std_input = nullptr;
  HANDLE std_output = nullptr;
  // The child gets no standard input at all: a null handle.
  bool without_std_input = false;

  bool Redirected() const {
    return std_input != nullptr || std_output != nullptr || without_std_input;
  }
};

class ConsoleSession {
 public:
  // Clears the screen and the pending input, so that each test starts on an
  // empty console.
  ConsoleSession();
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // Ends a child left running, then clears the screen and the pending input.
  void Clear();

  // Starts |command_line| sharing this console, ending a child left running
  // by an earlier start. Returns false when it could
  // not be started.
  bool Start(const std::wstring& command_line, const StartOptions& options = StartOptions());

  // Types one key: a key-down record and a key-up record.
  void Key(WORD virtual_key, wchar_t character = 0, DWORD control_state = 0);
  // A printable key as the console delivers it: its virtual key and character.
  void Char(wchar_t character);
  void Record(const INPUT_RECORD& record);

  // The whole screen buffer, rows joined with '\n', trailing blanks cut.
  std::wstring Screen() const;
  std::vector<std::wstring> Rows() const;
  COORD Cursor() const;

  // Waits until |text| is on the screen.
  bool WaitForText(const std::wstring& text, DWORD timeout = Patience()) const;
  // Waits for the child to end and gives its exit status; false on timeout.
  bool WaitForExit(DWORD* status, DWORD timeout = Patience());
  // True when the child is still running after a short grace period: it is
  // waiting for input instead of going on.
  bool IsWaiting();
  // Ends the child and everything it started at once, as closing its console
  // window, ending its task or a power cut does: nothing of it runs after.
  void CutOff();
  // Ends the child alone, as ending its task in the Task Manager does: what
  // it started goes on.
  void EndOnlyTheChild();

 private:
  void EndChild();

  HANDLE input_;
  HANDLE output_;
  HANDLE process_ = nullptr;
  HANDLE job_ = nullptr;  // the child and what it starts
};

// Records for tests that build their own input.
INPUT_RECORD KeyRecord(bool down, WORD virtual_key, wchar_t character, DWORD control_state);

#endif  // QUELLMAR_TESTING_CONSOLE_SESSION_H_
