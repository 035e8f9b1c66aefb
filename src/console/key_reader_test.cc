// The key reader end to end: keycodes.exe reads keys with it in this test's
// own console while the test types exact input records, and prints every code
// it gets to a file. The expected codes are those of the IBM PC keyboard BIOS
// (INT 16h), written out here on their own, so that a wrong cell in the
// reader's table shows up as a difference.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "console_session.h"
#include "test_files.h"

namespace {

using Codes = std::vector<int>;

// A key that yields its character (or another plain code).
Codes C(int code) {
  return {code};
}
// A key that yields 0 and then the BIOS's extended code, written in hex as
// the BIOS tables give it (the scan code byte of the INT 16h result).
Codes X(int extended) {
  return {0, extended};
}
// A key that yields nothing: the reader skips it and waits for the next one.
const Codes kNo = {};

struct BiosKey {
  WORD virtual_key;
  const char* name;
  Codes plain, shift, ctrl, alt;
};

// By BIOS scan code, then the keys of the enhanced keyboard's own blocks. The
// letter keys yield 0 alone without a character: their character always comes
// from the console itself.
const BiosKey kBiosKeys[] = {
    {VK_ESCAPE, "Esc", C(0x1B), C(0x1B), C(0x1B), X(0x01)},
    {'1', "1", C('1'), C('!'), kNo, X(0x78)},
    {'2', "2", C('2'), C('@'), X(0x03), X(0x79)},
    {'3', "3", C('3'), C('#'), kNo, X(0x7A)},
    {'4', "4", C('4'), C('$'), kNo, X(0x7B)},
    {'5', "5", C('5'), C('%'), kNo, X(0x7C)},
    {'6', "6", C('6'), C('^'), C(0x1E), X(0x7D)},
    {'7', "7", C('7'), C('&'), kNo, X(0x7E)},
    {'8', "8", C('8'), C('*'), kNo, X(0x7F)},
    {'9', "9", C('9'), C('('), kNo, X(0x80)},
    {'0', "0", C('0'), C(')'), kNo, X(0x81)},
    {VK_OEM_MINUS, "-", C('-'), C('_'), C(0x1F), X(0x82)},
    {VK_OEM_PLUS, "=", C('='), C('+'), kNo, X(0x83)},
    {VK_BACK, "Backspace", C(0x08), C(0x08), C(0x7F), X(0x0E)},
    {VK_TAB, "Tab", C(0x09), X(0x0F), X(0x94), X(0xA5)},
    {'Q', "Q", C(0), C('Q'), C(0x11), X(0x10)},
    {'W', "W", C(0), C('W'), C(0x17), X(0x11)},
    {'E', "E", C(0), C('E'), C(0x05), X(0x12)},
    {'R', "R", C(0), C('R'), C(0x12), X(0x13)},
    {'T', "T", C(0), C('T'), C(0x14), X(0x14)},
    {'Y', "Y", C(0), C('Y'), C(0x19), X(0x15)},
    {'U', "U", C(0), C('U'), C(0x15), X(0x16)},
    {'I', "I", C(0), C('I'), C(0x09), X(0x17)},
    {'O', "O", C(0), C('O'), C(0x0F), X(0x18)},
    {'P', "P", C(0), C('P'), C(0x10), X(0x19)},
    {VK_OEM_4, "[", C('['), C('{'), C(0x1B), X(0x1A)},
    {VK_OEM_6, "]", C(']'), C('}'), C(0x1D), X(0x1B)},
    {VK_RETURN, "Enter", C(0x0D), C(0x0D), C(0x0A), X(0x1C)},
    {'A', "A", C(0), C('A'), C(0x01), X(0x1E)},
    {'S', "S", C(0), C('S'), C(0x13), X(0x1F)},
    {'D', "D", C(0), C('D'), C(0x04), X(0x20)},
    {'F', "F", C(0), C('F'), C(0x06), X(0x21)},
    {'G', "G", C(0), C('G'), C(0x07), X(0x22)},
    {'H', "H", C(0), C('H'), C(0x08), X(0x23)},
    {'J', "J", C(0), C('J'), C(0x0A), X(0x24)},
    {'K', "K", C(0), C('K'), C(0x0B), X(0x25)},
    {'L', "L", C(0), C('L'), C(0x0C), X(0x26)},
    {VK_OEM_1, ";", C(';'), C(':'), kNo, X(0x27)},
    {VK_OEM_7, "'", C('\''), C('"'), kNo, X(0x28)},
    {VK_OEM_3, "`", C('`'), C('~'), kNo, X(0x29)},
    {VK_OEM_5, "\\", C('\\'), C('|'), C(0x1C), X(0x2B)},
    {'Z', "Z", C(0), C('Z'), C(0x1A), X(0x2C)},
    {'X', "X", C(0), C('X'), C(0x18), X(0x2D)},
    {'C', "C", C(0), C('C'), C(0x03), X(0x2E)},
    {'V', "V", C(0), C('V'), C(0x16), X(0x2F)},
    {'B', "B", C(0), C('B'), C(0x02), X(0x30)},
    {'N', "N", C(0), C('N'), C(0x0E), X(0x31)},
    {'M', "M", C(0), C('M'), C(0x0D), X(0x32)},
    {VK_OEM_COMMA, ",", C(','), C('<'), kNo, X(0x33)},
    {VK_OEM_PERIOD, ".", C('.'), C('>'), kNo, X(0x34)},
    {VK_OEM_2, "/", C('/'), C('?'), kNo, X(0x35)},
    {VK_MULTIPLY, "keypad *", C('*'), C('*'), X(0x96), X(0x37)},
    {VK_SPACE, "Space", C(' '), C(' '), C(' '), C(' ')},
    {VK_F1, "F1", X(0x3B), X(0x54), X(0x5E), X(0x68)},
    {VK_F2, "F2", X(0x3C), X(0x55), X(0x5F), X(0x69)},
    {VK_F3, "F3", X(0x3D), X(0x56), X(0x60), X(0x6A)},
    {VK_F4, "F4", X(0x3E), X(0x57), X(0x61), X(0x6B)},
    {VK_F5, "F5", X(0x3F), X(0x58), X(0x62), X(0x6C)},
    {VK_F6, "F6", X(0x40), X(0x59), X(0x63), X(0x6D)},
    {VK_F7, "F7", X(0x41), X(0x5A), X(0x64), X(0x6E)},
    {VK_F8, "F8", X(0x42), X(0x5B), X(0x65), X(0x6F)},
    {VK_F9, "F9", X(0x43), X(0x5C), X(0x66), X(0x70)},
    {VK_F10, "F10", X(0x44), X(0x5D), X(0x67), X(0x71)},
    // The keypad digits come as these virtual keys only with Num Lock on; Shift
    // then turns them back into the cursor keys, Ctrl gives the Ctrl+cursor
    // codes, and Alt with a digit is character entry, which yields no code.
    {VK_NUMPAD7, "keypad 7", C('7'), X(0x47), X(0x77), kNo},
    {VK_NUMPAD8, "keypad 8", C('8'), X(0x48), X(0x8D), kNo},
    {VK_NUMPAD9, "keypad 9", C('9'), X(0x49), X(0x84), kNo},
    {VK_SUBTRACT, "keypad -", C('-'), C('-'), X(0x8E), X(0x4A)},
    {VK_NUMPAD4, "keypad 4", C('4'), X(0x4B), X(0x73), kNo},
    {VK_NUMPAD5, "keypad 5", C('5'), X(0x4C), X(0x8F), kNo},
    {VK_NUMPAD6, "keypad 6", C('6'), X(0x4D), X(0x74), kNo},
    {VK_ADD, "keypad +", C('+'), C('+'), X(0x90), X(0x4E)},
    {VK_NUMPAD1, "keypad 1", C('1'), X(0x4F), X(0x75), kNo},
    {VK_NUMPAD2, "keypad 2", C('2'), X(0x50), X(0x91), kNo},
    {VK_NUMPAD3, "keypad 3", C('3'), X(0x51), X(0x76), kNo},
    {VK_NUMPAD0, "keypad 0", C('0'), X(0x52), X(0x92), kNo},
    {VK_DECIMAL, "keypad .", C('.'), X(0x53), X(0x93), kNo},
    {VK_F11, "F11", X(0x85), X(0x87), X(0x89), X(0x8B)},
    {VK_F12, "F12", X(0x86), X(0x88), X(0x8A), X(0x8C)},
    // The grey cursor block: Shift changes nothing.
    {VK_HOME, "Home", X(0x47), X(0x47), X(0x77), X(0x97)},
    {VK_UP, "Up", X(0x48), X(0x48), X(0x8D), X(0x98)},
    {VK_PRIOR, "Page Up", X(0x49), X(0x49), X(0x84), X(0x99)},
    {VK_LEFT, "Left", X(0x4B), X(0x4B), X(0x73), X(0x9B)},
    {VK_RIGHT, "Right", X(0x4D), X(0x4D), X(0x74), X(0x9D)},
    {VK_END, "End", X(0x4F), X(0x4F), X(0x75), X(0x9F)},
    {VK_DOWN, "Down", X(0x50), X(0x50), X(0x91), X(0xA0)},
    {VK_NEXT, "Page Down", X(0x51), X(0x51), X(0x76), X(0xA1)},
    {VK_INSERT, "Insert", X(0x52), X(0x52), X(0x92), X(0xA2)},
    {VK_DELETE, "Delete", X(0x53), X(0x53), X(0x93), X(0xA3)},
    {VK_DIVIDE, "keypad /", C('/'), C('/'), X(0x95), X(0xA4)},
};
static_assert(sizeof kBiosKeys / sizeof kBiosKeys[0] == 89, "every key with a code");

// Typed between the keys of a batch so that the codes can be told apart by
// key: no key of the table yields it, and as a character of code page 1252
// above 0x7F it comes back negative.
constexpr wchar_t kSeparator = L'\u00A4';
constexpr int kSeparatorCode = static_cast<signed char>(0xA4);
// Typed after a batch, so that a key that wrongly yields nothing lets the
// reader finish instead of waiting for keys that never come.
constexpr int kSpareSeparators = 8;

constexpr wchar_t kOutput[] = L"C:\\keycodes.txt";

// The input mode this test's console has while the reader is not reading;
// the reader must leave it so.
constexpr DWORD kIdleMode = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;

std::string Describe(const Codes& codes) {
  if (codes.empty())
    return "nothing";
  std::ostringstream text;
  for (size_t i = 0; i < codes.size(); ++i)
    text << (i == 0 ? "" : " ") << codes[i];
  return text.str();
}

// One thing typed and what it must yield.
struct Typed {
  std::string label;
  std::vector<INPUT_RECORD> records;
  Codes codes;
};

// A key press and its release.
std::vector<INPUT_RECORD> Press(WORD virtual_key, wchar_t character, DWORD state) {
  return {KeyRecord(true, virtual_key, character, state),
          KeyRecord(false, virtual_key, character, state)};
}

// The test itself shares the console: a Ctrl+C that the console acts on must
// not end it, only the reader's program.
BOOL WINAPI IgnoreCtrlC(DWORD event) {
  return event == CTRL_C_EVENT;
}

class KeyReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(input_, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(GetConsoleMode(input_, &saved_mode_));
    ASSERT_TRUE(SetConsoleMode(input_, kIdleMode));
    ASSERT_TRUE(SetConsoleCtrlHandler(IgnoreCtrlC, TRUE));
  }

  void TearDown() override {
    SetConsoleCtrlHandler(IgnoreCtrlC, FALSE);
    SetConsoleMode(input_, saved_mode_);
    CloseHandle(input_);
    DeleteFileW(kOutput);
  }

  void Type(const std::vector<INPUT_RECORD>& records) {
    for (const INPUT_RECORD& record : records)
      console_.Record(record);
  }

  // Starts keycodes to read |count| codes with its output in a file.
  void StartKeycodes(int count) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE file = CreateFileW(kOutput, GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    StartOptions options;
    options.std_output = file;
    bool started = console_.Start(
        L"\"" + BuiltProgram(L"keycodes.exe") + L"\" " + std::to_wstring(count), options);
    // The child holds its own copy of the handle.
    CloseHandle(file);
    ASSERT_TRUE(started);
  }

  // Waits for keycodes to end and gives the codes it printed, one a line.
  void FinishKeycodes(Codes* codes) {
    DWORD status = 0;
    ASSERT_TRUE(console_.WaitForExit(&status)) << "keycodes still waits for keys; it printed:\n"
                                               << ReadBytes(kOutput);
    EXPECT_EQ(0u, status) << "keycodes ended with status 0x" << std::hex << status;
    DWORD mode = 0;
    EXPECT_TRUE(GetConsoleMode(input_, &mode));
    EXPECT_EQ(kIdleMode, mode) << "the reader did not restore the console input mode";

    std::istringstream lines(ReadBytes(kOutput));
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      char* end = nullptr;
      long code = std::strtol(line.c_str(), &end, 10);
      ASSERT_TRUE(!line.empty() && *end == '\0') << "not a decimal code: \"" << line << "\"";
      codes->push_back(static_cast<int>(code));
    }
  }

  void RunKeycodes(int count, Codes* codes) {
    StartKeycodes(count);
    if (HasFatalFailure())
      return;
    FinishKeycodes(codes);
  }

  // Types every item ahead, each followed by the separator, and lets one
  // keycodes run read them all; then checks what each item yielded.
  void ExpectYields(const std::vector<Typed>& items) {
    int count = 0;
    for (const Typed& item : items) {
      Type(item.records);
      console_.Key(0, kSeparator);
      count += static_cast<int>(item.codes.size()) + 1;
    }
    for (int i = 0; i < kSpareSeparators; ++i)
      console_.Key(0, kSeparator);

    Codes codes;
    RunKeycodes(count, &codes);
    if (HasFatalFailure())
      return;

    std::vector<Codes> yields(1);
    for (int code : codes) {
      if (code == kSeparatorCode)
        yields.emplace_back();
      else
        yields.back().push_back(code);
    }
    size_t separators = yields.size() - 1;
    std::ostringstream wrong;
    for (size_t i = 0; i < items.size(); ++i) {
      if (i > separators) {
        wrong << items[i].label << ": not read, the keys before yielded too many codes\n";
      } else if (yields[i] != items[i].codes) {
        wrong << items[i].label << ": expected " << Describe(items[i].codes) << ", got "
              << Describe(yields[i]) << (i == separators ? " before keycodes stopped" : "") << "\n";
      }
    }
    if (separators > items.size()) {
      wrong << (separators - items.size())
            << " spare separators read: the keys yielded too few codes\n";
    }
    EXPECT_EQ("", wrong.str());
  }

  ConsoleSession console_;
  HANDLE input_ = INVALID_HANDLE_VALUE;
  DWORD saved_mode_ = 0;
};

// One batch of the whole table: every key with one combination of modifier
// and lock states, and the column of the table that it must yield.
struct ModifierCase {
  const char* id;
  const char* name;
  DWORD state;
  Codes BiosKey::*column;
};

const ModifierCase kModifierCases[] = {
    {"Plain", "no modifier", 0, &BiosKey::plain},
    {"Shift", "Shift", SHIFT_PRESSED, &BiosKey::shift},
    {"LeftCtrl", "left Ctrl", LEFT_CTRL_PRESSED, &BiosKey::ctrl},
    {"RightCtrl", "right Ctrl", RIGHT_CTRL_PRESSED, &BiosKey::ctrl},
    {"LeftAlt", "left Alt", LEFT_ALT_PRESSED, &BiosKey::alt},
    {"RightAlt", "right Alt", RIGHT_ALT_PRESSED, &BiosKey::alt},
    {"CtrlShift", "Ctrl+Shift", RIGHT_CTRL_PRESSED | SHIFT_PRESSED, &BiosKey::ctrl},
    {"AltCtrl", "Alt+Ctrl", LEFT_ALT_PRESSED | LEFT_CTRL_PRESSED, &BiosKey::alt},
    {"AltGrShift", "right Alt+left Ctrl+Shift",
     RIGHT_ALT_PRESSED | LEFT_CTRL_PRESSED | SHIFT_PRESSED, &BiosKey::alt},
    {"AltShift", "Alt+Shift", LEFT_ALT_PRESSED | SHIFT_PRESSED, &BiosKey::alt},
    {"PlainLocks", "Num, Caps and Scroll Lock on", NUMLOCK_ON | CAPSLOCK_ON | SCROLLLOCK_ON,
     &BiosKey::plain},
    {"ShiftCapsLock", "Shift, Caps Lock on", SHIFT_PRESSED | CAPSLOCK_ON, &BiosKey::shift},
    {"CtrlNumLock", "left Ctrl, Num Lock on", LEFT_CTRL_PRESSED | NUMLOCK_ON, &BiosKey::ctrl},
    {"AltLocks", "right Alt, Num and Caps Lock on", RIGHT_ALT_PRESSED | NUMLOCK_ON | CAPSLOCK_ON,
     &BiosKey::alt},
};

void PrintTo(const ModifierCase& modifiers, std::ostream* out) {
  *out << modifiers.name;
}

class KeyTableTest : public KeyReaderTest, public ::testing::WithParamInterface<ModifierCase> {};

// Without a character from the console every key is looked up in the table.
TEST_P(KeyTableTest, EveryKeyYieldsItsBiosCode) {
  const ModifierCase& modifiers = GetParam();
  std::vector<Typed> items;
  for (const BiosKey& key : kBiosKeys) {
    items.push_back({std::string(key.name) + " with " + modifiers.name,
                     Press(key.virtual_key, 0, modifiers.state), key.*modifiers.column});
  }
  ExpectYields(items);
}

INSTANTIATE_TEST_SUITE_P(Modifiers, KeyTableTest, ::testing::ValuesIn(kModifierCases),
                         [](const ::testing::TestParamInfo<ModifierCase>& test) {
                           return std::string(test.param.id);
                         });

// The codes the menu and the function keys depend on, typed without the
// separator: the keys without a code are skipped, the next key is delivered,
// and the plain letter leaves nothing pending behind its 0.
TEST_F(KeyReaderTest, KnownCodesInOneStream) {
  const struct {
    WORD virtual_key;
    DWORD state;
  } keys[] = {
      {VK_F1, 0},
      {VK_F1, SHIFT_PRESSED},
      {VK_F1, LEFT_CTRL_PRESSED},
      {VK_F1, LEFT_ALT_PRESSED},
      {VK_F11, 0},
      {VK_UP, 0},
      {VK_UP, RIGHT_CTRL_PRESSED},
      {'A', LEFT_ALT_PRESSED},
      {VK_ESCAPE, LEFT_ALT_PRESSED},
      {VK_RETURN, LEFT_CTRL_PRESSED},
      {VK_BACK, LEFT_CTRL_PRESSED},
      {'2', LEFT_CTRL_PRESSED},
      {'0', LEFT_CTRL_PRESSED},
      {'1', LEFT_CTRL_PRESSED},
      {'3', LEFT_CTRL_PRESSED},
      {'4', RIGHT_CTRL_PRESSED},
      {'5', LEFT_CTRL_PRESSED},
      {'7', LEFT_CTRL_PRESSED},
      {'8', RIGHT_CTRL_PRESSED},
      {'9', LEFT_CTRL_PRESSED},
      {'A', 0},
      {VK_UP, 0},
  };
  for (const auto& key : keys)
    console_.Key(key.virtual_key, 0, key.state);
  const Codes expected = {0,   59, 0,  84, 0, 94, 0,   104, 0, 133, 0, 72, 0,
                          141, 0,  30, 0,  1, 10, 127, 0,   3, 0,   0, 72};
  Codes codes;
  RunKeycodes(static_cast<int>(expected.size()), &codes);
  EXPECT_EQ(expected, codes);
}

// A key with a character yields the character, as a byte of code page 1252
// taken as signed, whatever its modifiers and its row in the table.
TEST_F(KeyReaderTest, CharactersComeInCodePage1252) {
  ExpectYields({
      {"a", Press('A', L'a', 0), C(97)},
      {"A with Shift", Press('A', L'A', SHIFT_PRESSED), C(65)},
      {"A with Caps Lock", Press('A', L'A', CAPSLOCK_ON), C(65)},
      {"1", Press('1', L'1', 0), C(49)},
      {"space", Press(VK_SPACE, L' ', 0), C(32)},
      {"~", Press(VK_OEM_3, L'~', SHIFT_PRESSED), C(126)},
      {"Enter", Press(VK_RETURN, L'\r', 0), C(13)},
      {"Esc", Press(VK_ESCAPE, 0x1B, 0), C(27)},
      {"Tab", Press(VK_TAB, L'\t', 0), C(9)},
      {"Ctrl+Enter", Press(VK_RETURN, L'\n', LEFT_CTRL_PRESSED), C(10)},
      {"Ctrl+Backspace", Press(VK_BACK, 0x7F, LEFT_CTRL_PRESSED), C(127)},
      {"Alt+A with its character", Press('A', L'a', LEFT_ALT_PRESSED), C(97)},
      {"F1 with a character", Press(VK_F1, L'x', 0), C(120)},
      {"e acute", Press(VK_OEM_2, L'\u00E9', 0), C(-23)},
      {"euro sign by AltGr+E", Press('E', L'\u20AC', RIGHT_ALT_PRESSED | LEFT_CTRL_PRESSED),
       C(-128)},
      {"Z caron", Press(0, L'\u017D', 0), C(-114)},
      {"no-break space", Press(0, L'\u00A0', 0), C(-96)},
      {"sharp s", Press(VK_OEM_4, L'\u00DF', 0), C(-33)},
      {"y diaeresis", Press(0, L'\u00FF', 0), C(-1)},
  });
}

// Only key presses count; the reader passes over everything else, and over
// keys that have no code at all.
TEST_F(KeyReaderTest, RecordsWithoutCodeAreSkipped) {
  INPUT_RECORD mouse = {};
  mouse.EventType = MOUSE_EVENT;
  mouse.Event.MouseEvent.dwMousePosition = {5, 3};
  mouse.Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
  INPUT_RECORD focus = {};
  focus.EventType = FOCUS_EVENT;
  focus.Event.FocusEvent.bSetFocus = TRUE;
  INPUT_RECORD size = {};
  size.EventType = WINDOW_BUFFER_SIZE_EVENT;
  size.Event.WindowBufferSizeEvent.dwSize = {100, 40};
  INPUT_RECORD menu = {};
  menu.EventType = MENU_EVENT;
  menu.Event.MenuEvent.dwCommandId = 0x100;
  INPUT_RECORD repeated = KeyRecord(true, 'R', L'r', 0);
  repeated.Event.KeyEvent.wRepeatCount = 3;

  ExpectYields({
      {"Shift alone", Press(VK_SHIFT, 0, SHIFT_PRESSED), kNo},
      {"left Shift alone", Press(VK_LSHIFT, 0, SHIFT_PRESSED), kNo},
      {"right Shift alone", Press(VK_RSHIFT, 0, SHIFT_PRESSED), kNo},
      {"Ctrl alone", Press(VK_CONTROL, 0, LEFT_CTRL_PRESSED), kNo},
      {"right Ctrl alone", Press(VK_CONTROL, 0, RIGHT_CTRL_PRESSED | ENHANCED_KEY), kNo},
      {"Alt alone", Press(VK_MENU, 0, LEFT_ALT_PRESSED), kNo},
      {"right Alt alone", Press(VK_MENU, 0, RIGHT_ALT_PRESSED | ENHANCED_KEY), kNo},
      {"Windows key alone", Press(VK_LWIN, 0, ENHANCED_KEY), kNo},
      {"Caps Lock", Press(VK_CAPITAL, 0, CAPSLOCK_ON), kNo},
      {"Num Lock", Press(VK_NUMLOCK, 0, NUMLOCK_ON | ENHANCED_KEY), kNo},
      {"Scroll Lock", Press(VK_SCROLL, 0, SCROLLLOCK_ON), kNo},
      {"Pause", Press(VK_PAUSE, 0, 0), kNo},
      {"Print Screen", Press(VK_SNAPSHOT, 0, ENHANCED_KEY), kNo},
      {"Menu key", Press(VK_APPS, 0, ENHANCED_KEY), kNo},
      {"keypad 5 with Num Lock off", Press(VK_CLEAR, 0, 0), kNo},
      {"F13", Press(VK_F13, 0, 0), kNo},
      {"the key beside left Shift", Press(VK_OEM_102, 0, 0), kNo},
      {"Ctrl+; without a character", Press(VK_OEM_1, 0, LEFT_CTRL_PRESSED), kNo},
      {"release of x", {KeyRecord(false, 'X', L'x', 0)}, kNo},
      {"release of F1", {KeyRecord(false, VK_F1, 0, 0)}, kNo},
      {"release of Enter", {KeyRecord(false, VK_RETURN, L'\r', 0)}, kNo},
      {"mouse button", {mouse}, kNo},
      {"focus", {focus}, kNo},
      {"window size", {size}, kNo},
      {"menu", {menu}, kNo},
      {"r repeated 3 times", {repeated, KeyRecord(false, 'R', L'r', 0)}, C('r')},
  });
}

// A key without a code does not end the read: the reader keeps waiting until
// a key that has one is typed while it waits.
TEST_F(KeyReaderTest, WaitsThroughKeysWithoutCodeForTheNextKey) {
  console_.Key(VK_SHIFT, 0, SHIFT_PRESSED);
  console_.Key('1', 0, LEFT_CTRL_PRESSED);
  console_.Record(KeyRecord(false, 'Q', L'q', 0));
  StartKeycodes(1);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(console_.IsWaiting());
  console_.Key('K', L'k', 0);
  Codes codes;
  FinishKeycodes(&codes);
  EXPECT_EQ(Codes({107}), codes);
}

// The second code of an extended key comes with the next call, without a
// further key: keycodes must end although nothing more is typed.
TEST_F(KeyReaderTest, ExtendedCodeNeedsNoFurtherKey) {
  console_.Key(VK_UP, 0, ENHANCED_KEY);
  Codes codes;
  RunKeycodes(2, &codes);
  EXPECT_EQ(Codes({0, 72}), codes);
}

// Keys typed before the reader starts and keys typed while it waits arrive
// in the order they were typed.
TEST_F(KeyReaderTest, TypedAheadKeysComeBeforeLaterOnes) {
  console_.Key('A', L'a', 0);
  console_.Key(VK_F5, 0, 0);
  console_.Key('B', L'b', 0);
  StartKeycodes(5);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(console_.IsWaiting());
  console_.Key('C', L'c', 0);
  Codes codes;
  FinishKeycodes(&codes);
  EXPECT_EQ(Codes({97, 0, 63, 98, 99}), codes);
}

// Ctrl+C typed while the reader reads is a key like any other, the character
// 3, and does not end the program. The console acts on Ctrl+C as it arrives,
// by the input mode of that moment, so it is typed only once the reader has
// changed the mode for its read.
TEST_F(KeyReaderTest, CtrlCIsTheCharacter3) {
  StartKeycodes(2);
  ASSERT_FALSE(HasFatalFailure());
  DWORD mode = kIdleMode;
  WaitUntil([&] { return !GetConsoleMode(input_, &mode) || mode != kIdleMode; });
  ASSERT_NE(kIdleMode, mode) << "the reader never changed the console input mode for its read";
  // In one write, so that all of it arrives during the read.
  std::vector<INPUT_RECORD> records = Press('C', 3, LEFT_CTRL_PRESSED);
  records.push_back(KeyRecord(true, 'Q', L'q', 0));
  DWORD written = 0;
  ASSERT_TRUE(
      WriteConsoleInputW(input_, records.data(), static_cast<DWORD>(records.size()), &written));
  Codes codes;
  FinishKeycodes(&codes);
  EXPECT_EQ(Codes({3, 113}), codes);
}

}  // namespace
