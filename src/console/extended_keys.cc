#include "console/extended_keys.h"

#include <windows.h>

namespace {

// A cell packs a KeyCode into 16 bits so that the table stays small:
// 0xFFFF for no code, 0x100 | code for an extended code, else a plain code.
using Cell = std::uint16_t;
constexpr Cell no = 0xFFFF;
constexpr Cell ext(unsigned code) {
  return static_cast<Cell>(0x100 | code);
}

struct KeyRow {
  std::uint8_t virtual_key;
  Cell plain, shift, ctrl, alt;
};

// Rows are searched from the top; the order follows the keyboard.
constexpr KeyRow key_rows[] = {
    {VK_BACK, 8, 8, 127, ext(14)},
    {VK_TAB, 9, ext(15), ext(148), ext(165)},
    {VK_RETURN, 13, 13, 10, ext(28)},
    {VK_ESCAPE, 27, 27, 27, ext(1)},
    {VK_SPACE, 32, 32, 32, 32},
    {'0', '0', ')', no, ext(129)},
    {'1', '1', '!', no, ext(120)},
    {'2', '2', '@', ext(3), ext(121)},
    {'3', '3', '#', no, ext(122)},
    {'4', '4', '$', no, ext(123)},
    {'5', '5', '%', no, ext(124)},
    {'6', '6', '^', 30, ext(125)},
    {'7', '7', '&', no, ext(126)},
    {'8', '8', '*', no, ext(127)},
    {'9', '9', '(', no, ext(128)},
    // A letter's character always comes from the console itself; without one
    // the plain key yields 0 and nothing more.
    {'A', 0, 'A', 1, ext(30)},
    {'B', 0, 'B', 2, ext(48)},
    {'C', 0, 'C', 3, ext(46)},
    {'D', 0, 'D', 4, ext(32)},
    {'E', 0, 'E', 5, ext(18)},
    {'F', 0, 'F', 6, ext(33)},
    {'G', 0, 'G', 7, ext(34)},
    {'H', 0, 'H', 8, ext(35)},
    {'I', 0, 'I', 9, ext(23)},
    {'J', 0, 'J', 10, ext(36)},
    {'K', 0, 'K', 11, ext(37)},
    {'L', 0, 'L', 12, ext(38)},
    {'M', 0, 'M', 13, ext(50)},
    {'N', 0, 'N', 14, ext(49)},
    {'O', 0, 'O', 15, ext(24)},
    {'P', 0, 'P', 16, ext(25)},
    {'Q', 0, 'Q', 17, ext(16)},
    {'R', 0, 'R', 18, ext(19)},
    {'S', 0, 'S', 19, ext(31)},
    {'T', 0, 'T', 20, ext(20)},
    {'U', 0, 'U', 21, ext(22)},
    {'V', 0, 'V', 22, ext(47)},
    {'W', 0, 'W', 23, ext(17)},
    {'X', 0, 'X', 24, ext(45)},
    {'Y', 0, 'Y', 25, ext(21)},
    {'Z', 0, 'Z', 26, ext(44)},
    {VK_PRIOR, ext(73), ext(73), ext(132), ext(153)},
    {VK_NEXT, ext(81), ext(81), ext(118), ext(161)},
    {VK_END, ext(79), ext(79), ext(117), ext(159)},
    {VK_HOME, ext(71), ext(71), ext(119), ext(151)},
    {VK_LEFT, ext(75), ext(75), ext(115), ext(155)},
    {VK_UP, ext(72), ext(72), ext(141), ext(152)},
    {VK_RIGHT, ext(77), ext(77), ext(116), ext(157)},
    {VK_DOWN, ext(80), ext(80), ext(145), ext(160)},
    {VK_INSERT, ext(82), ext(82), ext(146), ext(162)},
    {VK_DELETE, ext(83), ext(83), ext(147), ext(163)},
    // The keypad's digit keys arrive as these codes only with Num Lock on.
    // Shift then gives the cursor functions, as the BIOS does; Alt with a
    // keypad digit is the console's own character entry and has no code.
    {VK_NUMPAD0, '0', ext(82), ext(146), no},
    {VK_NUMPAD1, '1', ext(79), ext(117), no},
    {VK_NUMPAD2, '2', ext(80), ext(145), no},
    {VK_NUMPAD3, '3', ext(81), ext(118), no},
    {VK_NUMPAD4, '4', ext(75), ext(115), no},
    {VK_NUMPAD5, '5', ext(76), ext(143), no},
    {VK_NUMPAD6, '6', ext(77), ext(116), no},
    {VK_NUMPAD7, '7', ext(71), ext(119), no},
    {VK_NUMPAD8, '8', ext(72), ext(141), no},
    {VK_NUMPAD9, '9', ext(73), ext(132), no},
    {VK_MULTIPLY, '*', '*', ext(150), ext(55)},
    {VK_ADD, '+', '+', ext(144), ext(78)},
    {VK_SUBTRACT, '-', '-', ext(142), ext(74)},
    {VK_DECIMAL, '.', ext(83), ext(147), no},
    {VK_DIVIDE, '/', '/', ext(149), ext(164)},
    {VK_F1, ext(59), ext(84), ext(94), ext(104)},
    {VK_F2, ext(60), ext(85), ext(95), ext(105)},
    {VK_F3, ext(61), ext(86), ext(96), ext(106)},
    {VK_F4, ext(62), ext(87), ext(97), ext(107)},
    {VK_F5, ext(63), ext(88), ext(98), ext(108)},
    {VK_F6, ext(64), ext(89), ext(99), ext(109)},
    {VK_F7, ext(65), ext(90), ext(100), ext(110)},
    {VK_F8, ext(66), ext(91), ext(101), ext(111)},
    {VK_F9, ext(67), ext(92), ext(102), ext(112)},
    {VK_F10, ext(68), ext(93), ext(103), ext(113)},
    {VK_F11, ext(133), ext(135), ext(137), ext(139)},
    {VK_F12, ext(134), ext(136), ext(138), ext(140)},
    // The punctuation keys of the main block, by their US layout.
    {VK_OEM_1, ';', ':', no, ext(39)},
    {VK_OEM_PLUS, '=', '+', no, ext(131)},
    {VK_OEM_COMMA, ',', '<', no, ext(51)},
    {VK_OEM_MINUS, '-', '_', 31, ext(130)},
    {VK_OEM_PERIOD, '.', '>', no, ext(52)},
    {VK_OEM_2, '/', '?', no, ext(53)},
    {VK_OEM_3, '`', '~', no, ext(41)},
    {VK_OEM_4, '[', '{', 27, ext(26)},
    {VK_OEM_5, '\\', '|', 28, ext(43)},
    {VK_OEM_6, ']', '}', 29, ext(27)},
    {VK_OEM_7, '\'', '"', no, ext(40)},
};

static_assert(sizeof key_rows / sizeof key_rows[0] == 89, "one row for each key with a code");

KeyCode decode(Cell cell) {
  if (cell == no)
    return {KeyCode::none, 0};
  if (cell & 0x100)
    return {KeyCode::extended, static_cast<std::uint8_t>(cell & 0xFF)};
  return {KeyCode::plain, static_cast<std::uint8_t>(cell)};
}

}  // namespace

KeyCode extended_key_code(unsigned virtual_key, unsigned long control_key_state) {
  for (const KeyRow& row : key_rows) {
    if (row.virtual_key != virtual_key)
      continue;
    if (control_key_state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED))
      return decode(row.alt);
    if (control_key_state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED))
      return decode(row.ctrl);
    if (control_key_state & SHIFT_PRESSED)
      return decode(row.shift);
    return decode(row.plain);
  }
  return {KeyCode::none, 0};
}
