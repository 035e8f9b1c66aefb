#include "files/reparse_tags.h"

namespace {

// IO_REPARSE_TAG_CLOUD, OneDrive's and other cloud providers' placeholders,
// and its variants 0x9000101A to 0x9000F01A, which differ only in these bits.
constexpr DWORD cloud_tag = 0x9000001A;
constexpr DWORD cloud_variant_bits = 0x0000F000;

// The other tags that filters put on ordinary files and folders.
constexpr DWORD ordinary_tags[] = {
    0x9000001C,  // IO_REPARSE_TAG_PROJFS: the Projected File System
    0x80000018,  // IO_REPARSE_TAG_WCI: Windows Container Isolation
    0x90001018,  // IO_REPARSE_TAG_WCI_1
    0x80000013,  // IO_REPARSE_TAG_DEDUP: data deduplication
    0x80000017,  // IO_REPARSE_TAG_WOF: compressed by the Windows Overlay Filter
    0xC0000004,  // IO_REPARSE_TAG_HSM: hierarchical storage management
    0x80000006,  // IO_REPARSE_TAG_HSM2
};

}  // namespace

bool is_link(DWORD attributes, DWORD reparse_tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    return false;
  if ((reparse_tag & ~cloud_variant_bits) == cloud_tag)
    return false;
  for (DWORD ordinary : ordinary_tags) {
    if (reparse_tag == ordinary)
      return false;
  }
  return true;
}
