#include "console/report.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <string>

namespace {

// Guard bytes behind the capacity catch a formatter that writes past it.
constexpr char kGuard = '\x5A';
constexpr std::size_t kGuardBytes = 16;

// Formats into a buffer of |capacity| bytes and returns what was stored.
std::string Format(std::size_t capacity, const wchar_t* format, ...) {
  std::string buffer(capacity + kGuardBytes, kGuard);
  va_list args;
  va_start(args, format);
  std::size_t length = format_report(&buffer[0], capacity, format, args);
  va_end(args);
  EXPECT_LE(length, capacity);
  EXPECT_EQ(std::string(kGuardBytes, kGuard), buffer.substr(capacity))
      << "bytes written past the capacity";
  return buffer.substr(0, length < capacity ? length : capacity);
}

constexpr std::size_t kRoom = 512;

TEST(FormatReportTest, SignedConversion) {
  EXPECT_EQ("0", Format(kRoom, L"%d", 0));
  EXPECT_EQ("7", Format(kRoom, L"%d", 7));
  EXPECT_EQ("-1", Format(kRoom, L"%d", -1));
  EXPECT_EQ("-15", Format(kRoom, L"%d", -15));
  EXPECT_EQ("10", Format(kRoom, L"%d", 10));
  EXPECT_EQ("2147483647", Format(kRoom, L"%d", INT32_MAX));
  EXPECT_EQ("-2147483648", Format(kRoom, L"%d", INT32_MIN));
}

TEST(FormatReportTest, UnsignedConversion) {
  EXPECT_EQ("0", Format(kRoom, L"%u", 0u));
  EXPECT_EQ("1000000", Format(kRoom, L"%u", 1000000u));
  EXPECT_EQ("2147483648", Format(kRoom, L"%u", 0x80000000u));
  EXPECT_EQ("4294967295", Format(kRoom, L"%u", 0xFFFFFFFFu));
}

TEST(FormatReportTest, ConversionsTakeTheirArgumentsInOrder) {
  EXPECT_EQ("\r\n# Error No. 15 in function main( ) with last_error = 4294967295:\r\n",
            Format(kRoom, L"\r\n# Error No. %d in function main( ) with last_error = %u:\r\n", 15,
                   0xFFFFFFFFu));
  EXPECT_EQ("-3/3/0", Format(kRoom, L"%d/%u/%d", -3, 3u, 0));
  EXPECT_EQ("12", Format(kRoom, L"%d%d", 1, 2));
}

TEST(FormatReportTest, TextWithoutConversionsIsUnchanged) {
  EXPECT_EQ("", Format(kRoom, L""));
  EXPECT_EQ("No error text available.\r\n", Format(kRoom, L"No error text available.\r\n"));
  EXPECT_EQ("tab\tquote\" backslash\\ 100%", Format(kRoom, L"tab\tquote\" backslash\\ 100%"));
  // Line ends pass as they are; a lone LF stays a lone LF here.
  EXPECT_EQ("a\r\nb\nc\r", Format(kRoom, L"a\r\nb\nc\r"));
}

TEST(FormatReportTest, EachUnitUpToFFIsOneByteOfTheSameValue) {
  EXPECT_EQ("\x80\xE4\xFF", Format(kRoom, L"\x0080\x00E4\x00FF"));
  EXPECT_EQ("\x01\x7F", Format(kRoom, L"\x0001\x007F"));
}

TEST(FormatReportTest, UnitsAboveFFAreLeftOut) {
  EXPECT_EQ("ab", Format(kRoom,
                         L"a\x0100\x20AC"
                         L"b"));
  EXPECT_EQ("x5y", Format(kRoom, L"x\xFFFF%d\xD83D\xDE00y", 5));
  EXPECT_EQ("", Format(kRoom, L"\x4E2D\x6587"));
}

TEST(FormatReportTest, OutputIsCutAtTheCapacity) {
  EXPECT_EQ("", Format(0, L"abc"));
  EXPECT_EQ("ab", Format(2, L"abc"));
  EXPECT_EQ("abc", Format(3, L"abc"));
  // A number is cut in the middle of its digits, or after its sign.
  EXPECT_EQ("n=12", Format(4, L"n=%d!", 12345));
  EXPECT_EQ("n=-", Format(3, L"n=%d", -12345));
  EXPECT_EQ("42949", Format(5, L"%u", 0xFFFFFFFFu));
  EXPECT_EQ("-2147483648", Format(11, L"%d...", INT32_MIN));
  // Left-out units take no room.
  EXPECT_EQ("abc", Format(3,
                          L"\x20AC"
                          L"a\x20AC"
                          L"bcd"));
  std::wstring long_text(600, L'x');
  EXPECT_EQ(std::string(512, 'x'), Format(512, long_text.c_str()));
}

}  // namespace
