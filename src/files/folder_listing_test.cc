// A folder's listing as each way of asking for it gives it: with file IDs, and
// as FindFirstFileW asks, which drives that refuse the first one answer.
#include "files/folder_listing.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "files/link_safe_files.h"
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
  FileHandle folder = open_folder(path.c_str(), LinkAtPath::refuse);
  EXPECT_TRUE(folder.valid()) << GetLastError();
  FolderListing listing;
  if (!list_folder_by(folder.get(), query, &listing)) {
    ADD_FAILURE() << "listing failed with " << GetLastError();
  } else {
    for (std::size_t i = 0; i < listing.count(); ++i) {
      const ListedEntry& entry = listing[i];
      entries.push_back({std::wstring(entry.name.text, entry.name.length),
                         entry.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
                         entry.size});
    }
  }
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

struct Record {
  std::wstring name;
  DWORD attributes;
  DWORD ea_size;  // the reparse tag where the attributes name a reparse point
  long long size;
};

// Lays |records| out as a listing query writes them, as |Layout|s one after
// the other, 8-byte aligned; returns the storage and how much was filled.
template <typename Layout>
std::vector<unsigned long long> LaidOut(const std::vector<Record>& records, std::size_t* filled) {
  std::vector<unsigned long long> storage(512);
  unsigned char* bytes = reinterpret_cast<unsigned char*>(storage.data());
  std::size_t at = 0;
  Layout* previous = nullptr;
  for (const Record& record : records) {
    Layout* laid = reinterpret_cast<Layout*>(bytes + at);
    std::memset(laid, 0, sizeof(Layout));
    laid->FileAttributes = record.attributes;
    laid->EaSize = record.ea_size;
    laid->EndOfFile.QuadPart = record.size;
    laid->FileNameLength = static_cast<ULONG>(record.name.size() * sizeof(wchar_t));
    std::memcpy(laid->FileName, record.name.data(), laid->FileNameLength);
    if (previous != nullptr) {
      previous->NextEntryOffset =
          static_cast<ULONG>(bytes + at - reinterpret_cast<unsigned char*>(previous));
    }
    previous = laid;
    *filled = at + offsetof(Layout, FileName) + laid->FileNameLength;
    at = (*filled + 7) / 8 * 8;
  }
  return storage;
}

// Decodes |filled| bytes of |storage|; false when the listing refused them.
bool Decode(ListingQuery query, const std::vector<unsigned long long>& storage, std::size_t filled,
            std::vector<ListedEntry>* entries) {
  FolderListing listing;
  bool decoded = listing.add_records(query, storage.data(), filled);
  EXPECT_TRUE(decoded || GetLastError() == ERROR_INVALID_DATA) << GetLastError();
  entries->clear();
  for (std::size_t i = 0; i < listing.count(); ++i)
    entries->push_back(listing[i]);
  return decoded;
}

template <typename Layout>
void ExpectRecordsDecoded(ListingQuery query) {
  const std::vector<Record> records = {
      {L".", FILE_ATTRIBUTE_DIRECTORY, 0, 0},
      {L"..", FILE_ATTRIBUTE_DIRECTORY, 0, 0},
      {L"OneDrive folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x9000701A, 0},
      {L"game.sav", FILE_ATTRIBUTE_ARCHIVE, 77, 5000000000LL},  // an EA size, no tag
      {L"wine link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0, 0},
  };
  std::size_t filled = 0;
  std::vector<unsigned long long> storage = LaidOut<Layout>(records, &filled);
  std::vector<ListedEntry> entries;
  ASSERT_TRUE(Decode(query, storage, filled, &entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(std::wstring(entries[0].name.text, entries[0].name.length), L"OneDrive folder");
  EXPECT_EQ(entries[0].reparse_tag, 0x9000701Au);
  EXPECT_TRUE(is_plain_folder(entries[0]));
  EXPECT_EQ(std::wstring(entries[1].name.text, entries[1].name.length), L"game.sav");
  EXPECT_EQ(entries[1].attributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(entries[1].reparse_tag, 0u);
  EXPECT_EQ(entries[1].size, 5000000000ULL);
  EXPECT_FALSE(is_link(entries[1]));
  EXPECT_TRUE(is_link(entries[2]));

  // A driver's answer whose last name, or whose next record, lies past what
  // it filled, or whose next record is not aligned, is refused.
  EXPECT_FALSE(Decode(query, storage, filled - 1, &entries));
  Layout* last = reinterpret_cast<Layout*>(storage.data());
  while (last->NextEntryOffset != 0)
    last =
        reinterpret_cast<Layout*>(reinterpret_cast<unsigned char*>(last) + last->NextEntryOffset);
  last->NextEntryOffset = 64;
  EXPECT_FALSE(Decode(query, storage, filled, &entries));
  reinterpret_cast<Layout*>(storage.data())->NextEntryOffset += 2;
  EXPECT_FALSE(Decode(query, storage, filled, &entries));
}

TEST(FolderListingTest, RecordsOfEitherQueryAreDecodedWithinWhatWasFilled) {
  ExpectRecordsDecoded<FILE_ID_BOTH_DIR_INFO>(ListingQuery::with_file_ids);
  ExpectRecordsDecoded<BothDirectoryRecord>(ListingQuery::as_find_first_file);
}

}  // namespace
