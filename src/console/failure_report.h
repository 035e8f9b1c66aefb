// The report of a failure: one numbering of failures, one table of their
// messages, one shape of report for every routine that reports.
#ifndef QUELLMAR_CONSOLE_FAILURE_REPORT_H_
#define QUELLMAR_CONSOLE_FAILURE_REPORT_H_

#include "error_code.h"

// The one-line message of |code|, CR LF included, or nullptr for a code
// without one.
const wchar_t* error_text(ErrorCode code);

// Where a report's message goes: through report, like the header, or
// straight to the console with write_console_text.
enum class MessageOutput { report, console };

// Shows a failure of |routine| (its name as the header shows it, such as
// "main( )") until the user has read it: a header through report with the
// code's number and the last-error value that the failing step left, the
// code's message, "No error text available." for a code without one, then
// one key wait.
void report_failure(const wchar_t* routine, ErrorCode code, MessageOutput output);

#endif  // QUELLMAR_CONSOLE_FAILURE_REPORT_H_
