// Quick checks of the key table's lookup; the key reader's own test covers
// every cell through the console.
#include "console/extended_keys.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr unsigned long kModifierStates[] = {
    0, SHIFT_PRESSED, LEFT_CTRL_PRESSED, RIGHT_CTRL_PRESSED, LEFT_ALT_PRESSED, RIGHT_ALT_PRESSED,
};

std::string Lookup(unsigned virtual_key, unsigned long state) {
  KeyCode code = extended_key_code(virtual_key, state);
  switch (code.kind) {
    case KeyCode::none:
      return "none";
    case KeyCode::plain:
      return "plain " + std::to_string(code.value);
    case KeyCode::extended:
      return "extended " + std::to_string(code.value);
  }
  return "kind " + std::to_string(code.kind);
}

bool HasAnyCode(unsigned virtual_key) {
  for (unsigned long state : kModifierStates) {
    if (Lookup(virtual_key, state) != "none")
      return true;
  }
  return false;
}

TEST(ExtendedKeyCodeTest, ModifierLockAndUnknownKeysHaveNoCode) {
  const unsigned keys[] = {0,           VK_SHIFT, VK_CONTROL, VK_MENU,    VK_LSHIFT,
                           VK_RCONTROL, VK_LMENU, VK_LWIN,    VK_CAPITAL, VK_NUMLOCK,
                           VK_SCROLL,   VK_PAUSE, VK_APPS,    VK_CLEAR,   VK_SNAPSHOT,
                           VK_F13,      VK_F24,   VK_OEM_102, 0xFF};
  for (unsigned key : keys)
    EXPECT_FALSE(HasAnyCode(key)) << "virtual key " << key;
}

// Virtual-key codes are wider than a byte: one that only shares its low byte
// with a key of the table is not that key.
TEST(ExtendedKeyCodeTest, KeysBeyondAByteHaveNoCode) {
  EXPECT_FALSE(HasAnyCode(0x100 + VK_F1));
  EXPECT_FALSE(HasAnyCode(0x100 + 'A'));
  EXPECT_FALSE(HasAnyCode(0x10000 + VK_RETURN));
}

// Each of the 89 keys is found, and each has a row of its own.
TEST(ExtendedKeyCodeTest, EightyNineDistinctKeys) {
  int keys_with_a_code = 0;
  for (unsigned key = 0; key < 0x100; ++key) {
    if (HasAnyCode(key))
      ++keys_with_a_code;
  }
  EXPECT_EQ(89, keys_with_a_code);
}

// The three kinds apart: a NUL character is an extended code, not a plain 0;
// a plain letter is a plain 0; Ctrl with 1 has nothing. Lock and enhanced-key
// bits do not change the column.
TEST(ExtendedKeyCodeTest, KindsAndValues) {
  EXPECT_EQ("extended 3", Lookup('2', LEFT_CTRL_PRESSED));
  EXPECT_EQ("plain 0", Lookup('A', 0));
  EXPECT_EQ("none", Lookup('1', RIGHT_CTRL_PRESSED));
  EXPECT_EQ("extended 59", Lookup(VK_F1, NUMLOCK_ON | CAPSLOCK_ON | SCROLLLOCK_ON | ENHANCED_KEY));
  EXPECT_EQ("plain 127", Lookup(VK_BACK, RIGHT_CTRL_PRESSED | SHIFT_PRESSED));
  EXPECT_EQ("extended 140", Lookup(VK_F12, RIGHT_ALT_PRESSED | LEFT_CTRL_PRESSED));
}

}  // namespace
