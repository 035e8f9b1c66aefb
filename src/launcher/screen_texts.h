// The fixed texts that the launcher writes to the console.
#ifndef QUELLMAR_LAUNCHER_SCREEN_TEXTS_H_
#define QUELLMAR_LAUNCHER_SCREEN_TEXTS_H_

// The menu: CR LF, 22 lines of 79 columns each ending in CR LF, then the
// prompt without a line end so that the cursor stays behind it.
extern const wchar_t* const menu_text;
constexpr unsigned long menu_text_length = 1852;

extern const wchar_t invalid_choice_text[];
constexpr unsigned long invalid_choice_text_length = 88;

extern const wchar_t uninstall_success_text[];
constexpr unsigned long uninstall_success_text_length = 113;

extern const wchar_t not_installed_text[];
constexpr unsigned long not_installed_text_length = 142;

#endif  // QUELLMAR_LAUNCHER_SCREEN_TEXTS_H_
