// Which reparse points count as links: junctions, symbolic links and every
// tag not known as ordinary; never OneDrive's and the other filters' folders.
#include "files/reparse_tags.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kReparseFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

TEST(ReparseTagTest, OnlyTheOrdinaryFiltersTagsAreNoLinks) {
  const DWORD ordinary[] = {
      0x9000001A, 0x9000101A, 0x9000701A, 0x9000F01A,  // cloud files: a OneDrive folder is 701A
      0x9000001C,                                      // ProjFS
      0x80000018, 0x90001018,                          // Windows Container Isolation
      0x80000013, 0x80000017,                          // deduplication, WOF compression
      0xC0000004, 0x80000006,                          // HSM
  };
  for (DWORD tag : ordinary) {
    EXPECT_FALSE(is_link(kReparseFolder, tag)) << std::hex << tag;
    EXPECT_FALSE(is_link(FILE_ATTRIBUTE_REPARSE_POINT, tag)) << std::hex << tag;
  }
  const DWORD links[] = {
      0xA0000003, 0xA000000C,  // a junction, a symbolic link
      0,                       // Wine's links
      0x9001001A, 0x9000001B,  // near the cloud family, not in it
      0x90000018,              // container isolation's tag without its bit
      0x20000000, 0x12345678,  // a name surrogate of no known kind, any other
  };
  for (DWORD tag : links)
    EXPECT_TRUE(is_link(kReparseFolder, tag)) << std::hex << tag;
  // Without the attribute the tag means nothing.
  EXPECT_FALSE(is_link(FILE_ATTRIBUTE_DIRECTORY, 0xA0000003));
}

}  // namespace
