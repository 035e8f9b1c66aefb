// A folder's listing as each way of asking for it gives it: with file IDs, and
// as FindFirstFileW asks, which drives that refuse the first one answer.
#include "launcher/folder_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/link_safe_files.h"
#include "test_files.h"

namespace {

constexpr wchar_t kFolder[] = L"C:\\listing";

struct Listed {
  std::wstring name;
  DWORD attributes;
  unsigned long long size;
  bool operator==(const Listed& other) const {
    return name == other.name && attributes == other.attributes && size == other.size;
  }
};

// Lists |path| through a handle of its own, |query|'s way; fails the test
// when the listing fails.
std::vector<Listed> ListBy(const std::wstring& path, ListingQuery query) {
  std::vector<Listed> entries;
  HANDLE folder = open_folder(path.c_str(), LinkAtPath::refuse);
  EXPECT_NE(folder, INVALID_HANDLE_VALUE) << GetLastError();
  FolderListing listing;
  if (!list_folder_by(folder, query, &listing)) {
    ADD_FAILURE() << "listing failed with " << GetLastError();
  } else {
    for (std::size_t i = 0; i < listing.count; ++i) {
      const ListedEntry& entry = listing.entries[i];
      entries.push_back({std::wstring(entry.name.text, entry.name.length),
                         entry.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
                         entry.size});
    }
    free_listing(&listing);
  }
  CloseHandle(folder);
  return entries;
}

TEST(FolderListingTest, BothQueriesListEveryEntrySortedWithItsSizeAndKind) {
  RemoveTree(kFolder);
  // Enough names to fill several reads of either kind.
  std::vector<Listed> expected;
  for (int i = 0; i < 300; ++i) {
    std::wstring name = L"file with a long name to fill the buffers " + std::to_wstring(1000 + i);
    ASSERT_TRUE(WriteBytes(std::wstring(kFolder) + L"\\" + name, std::string(i, 'x')));
    expected.push_back({name, 0, static_cast<unsigned long long>(i)});
  }
  ASSERT_TRUE(WriteBytes(std::wstring(kFolder) + L"\\Hidden.dat", "h", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(MakeDirectories(std::wstring(kFolder) + L"\\sub"));
  ASSERT_TRUE(MakeDirectories(std::wstring(kFolder) + L"\\empty"));
  expected.insert(expected.begin(), {L"empty", FILE_ATTRIBUTE_DIRECTORY, 0});
  expected.insert(expected.end(), {{L"Hidden.dat", FILE_ATTRIBUTE_HIDDEN, 1},
                                   {L"sub", FILE_ATTRIBUTE_DIRECTORY, 0}});

  for (ListingQuery query : {ListingQuery::with_file_ids, ListingQuery::as_find_first_file}) {
    SCOPED_TRACE(query == ListingQuery::with_file_ids ? "with file IDs" : "as FindFirstFileW");
    EXPECT_EQ(ListBy(kFolder, query), expected);
    EXPECT_TRUE(ListBy(std::wstring(kFolder) + L"\\empty", query).empty());
  }
  RemoveTree(kFolder);
}

}  // namespace
