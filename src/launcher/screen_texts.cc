#include "launcher/screen_texts.h"

namespace {

constexpr int menu_columns = 79;
constexpr int menu_line_count = 22;

// The menu's lines without their filling spaces; the full-width rules and the
// banner's date are added when the text is built.
constexpr const wchar_t* rule = nullptr;
// The banner is found by its place: a constant expression may not compare the
// addresses of two texts (GCC lets it, Clang refuses).
constexpr int banner_line = 2;
constexpr const wchar_t* menu_lines[menu_line_count] = {
    rule,
    L"",
    L"  ",
    rule,
    L"",
    L"      1=LAUNCH QUELLMAR",
    L"        (If Quellmar is not installed, then this Program will install Quellmar;",
    L"         Install = copy Quellmar and QBasic to c:\\Quellmar)",
    L"",
    L"      2=UNINSTALL QUELLMAR",
    L"        (Delete the directory c:\\Quellmar)",
    L"",
    L"      3=TERMINATE THE PROGRAM",
    L"        (The Programm will be closed)",
    L"",
    rule,
    L"ATTENTION: To display the program Quellmar in a full-screen mode, you must",
    L"           press ALT and ENTER at the same time.",
    L"           To see the program code in the programm, you should press CTRL and",
    L"           ROLL at the same time, instead the usual CTRL und BREAK in Quellmar.",
    rule,
    L"",
};
// The release date stands in columns 69 to 78 of the banner.
constexpr const wchar_t banner_date[] = L"05/31/2025";
constexpr int banner_date_column = 69;
constexpr const wchar_t menu_prompt[] =
    L" Please enter the number (1=Install; 2=Uninstall; 3=Exit) you want: ";

constexpr int text_length(const wchar_t* text) {
  int length = 0;
  while (text[length] != L'\0')
    ++length;
  return length;
}

struct MenuText {
  wchar_t units[menu_text_length + 1];
};

constexpr MenuText build_menu_text() {
  MenuText menu{};
  int used = 0;
  menu.units[used++] = L'\r';
  menu.units[used++] = L'\n';
  for (int index = 0; index < menu_line_count; ++index) {
    const wchar_t* line = menu_lines[index];
    int start = used;
    const wchar_t* text = line == rule ? L"" : line;
    for (int i = 0; text[i] != L'\0'; ++i)
      menu.units[used++] = text[i];
    while (used - start < menu_columns)
      menu.units[used++] = line == rule ? L'-' : L' ';
    if (index == banner_line) {
      for (int i = 0; banner_date[i] != L'\0'; ++i) {
        menu.units[start + banner_date_column - 1 + i] = banner_date[i];
      }
    }
    menu.units[used++] = L'\r';
    menu.units[used++] = L'\n';
  }
  for (int i = 0; menu_prompt[i] != L'\0'; ++i)
    menu.units[used++] = menu_prompt[i];
  menu.units[used] = L'\0';
  return menu;
}

constexpr bool lines_fit() {
  for (const wchar_t* line : menu_lines) {
    if (line != rule && text_length(line) > menu_columns)
      return false;
  }
  return true;
}
static_assert(lines_fit(), "every menu line fits the 79 columns");
static_assert(2 + menu_line_count * (menu_columns + 2) + text_length(menu_prompt) ==
                  menu_text_length,
              "the menu is written in one piece of known length");

constexpr MenuText built_menu = build_menu_text();

}  // namespace

extern const wchar_t* const menu_text = built_menu.units;

extern const wchar_t invalid_choice_text[] =
    L"\r\n\r\nTHIS PROGRAM IS NOT LIKELY TO HACKING !!!\r\n\r\n"
    L"To exit the program, press any key.\r\n\r\n";
static_assert(sizeof invalid_choice_text / sizeof(wchar_t) - 1 == invalid_choice_text_length, "");

extern const wchar_t uninstall_success_text[] =
    L"\r\n----------------------\r\n UNINSTALL SUCCESSFUL \r\n----------------------\r\n\r\n"
    L"To exit the program, press any key.\r\n";
static_assert(sizeof uninstall_success_text / sizeof(wchar_t) - 1 == uninstall_success_text_length,
              "");

extern const wchar_t not_installed_text[] =
    L"\r\n--------\r\n ERROR! \r\n--------\r\n\r\n"
    L"C:\\Quellmar was not found, thus the program could not be uninstalled.\r\n"
    L"To exit the program, press any key.\r\n";
static_assert(sizeof not_installed_text / sizeof(wchar_t) - 1 == not_installed_text_length, "");
