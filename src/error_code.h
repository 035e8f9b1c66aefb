// The launcher's one numbering of failures, shared by every subsystem.
#ifndef QUELLMAR_ERROR_CODE_H_
#define QUELLMAR_ERROR_CODE_H_

// 0 means success; a negative value names one failure. Reports print the
// magnitude, so -15 is shown as "No. 15".
using ErrorCode = int;

constexpr ErrorCode success = 0;

// main's own codes.
constexpr ErrorCode current_directory_not_set = -1;
constexpr ErrorCode directory_not_removed = -2;
constexpr ErrorCode expected_directory_is_file = -3;
constexpr ErrorCode screen_not_cleared = -12;
constexpr ErrorCode dosbox_not_executed = -13;
// No DEL runs any more: the uninstall deletes the files itself, and this is a
// file in C:\Quellmar that it could not delete.
constexpr ErrorCode del_not_executed = -14;
// The copy, and every step that makes C:\Quellmar ready for it, checks it or
// undoes it.
constexpr ErrorCode xcopy_not_executed = -15;

// enable_unicode_terminal's codes.
constexpr ErrorCode input_code_page_not_set = -4;
constexpr ErrorCode input_mode_not_set = -5;
constexpr ErrorCode output_code_page_not_set = -6;
constexpr ErrorCode output_mode_not_set = -7;
constexpr ErrorCode no_input_mode = -8;
constexpr ErrorCode no_output_mode = -9;
constexpr ErrorCode no_valid_input_handle = -10;
constexpr ErrorCode no_valid_output_handle = -11;

#endif  // QUELLMAR_ERROR_CODE_H_
