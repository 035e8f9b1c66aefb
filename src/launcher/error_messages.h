// The one-line messages of main's failure reports.
#ifndef QUELLMAR_LAUNCHER_ERROR_MESSAGES_H_
#define QUELLMAR_LAUNCHER_ERROR_MESSAGES_H_

#include "error_code.h"

// The message of one of main's codes, CR LF included, or nullptr for a code
// without a text.
const wchar_t* main_error_text(ErrorCode code);

#endif  // QUELLMAR_LAUNCHER_ERROR_MESSAGES_H_
