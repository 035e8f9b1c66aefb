// Deleting a file as its folder's listing shows it: the listing may be out of
// date by the time the file is opened.
#include "files/link_safe_files.h"

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"

namespace {

constexpr wchar_t kFolder[] = L"C:\\deleting";

TEST(DeleteFileInTest, WhatChangedSinceTheListingIsMetAsItIsNow) {
  RemoveTree(kFolder);
  const std::wstring folder_path = kFolder;
  ASSERT_TRUE(WriteBytes(folder_path + L"\\made read-only since", "x"));
  ASSERT_TRUE(WriteBytes(folder_path + L"\\now a folder\\inside", "x"));
  ASSERT_TRUE(MakeDirectories(folder_path + L"\\target"));
  ASSERT_TRUE(MakeFolderLink(folder_path + L"\\now a link", folder_path + L"\\target"));
  ASSERT_TRUE(SetFileAttributesW((folder_path + L"\\made read-only since").c_str(),
                                 FILE_ATTRIBUTE_READONLY));
  FileHandle folder = open_folder(kFolder, LinkAtPath::refuse);
  ASSERT_TRUE(folder.valid());

  // Each as a listing taken before the change showed it: a plain file.
  auto listed_as_file = [](const wchar_t* name) {
    return ListedEntry{{name, std::wcslen(name)}, 0, 0, 1};
  };
  EXPECT_TRUE(delete_file_in(folder.get(), listed_as_file(L"made read-only since")))
      << GetLastError();
  for (const wchar_t* name : {L"now a folder", L"now a link"}) {
    EXPECT_FALSE(delete_file_in(folder.get(), listed_as_file(name))) << Narrow(name);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << Narrow(name);
  }
  folder.close();
  EXPECT_EQ(ListTree(kFolder),
            (std::vector<std::wstring>{L"now a folder\\", L"now a folder\\inside", L"now a link\\",
                                       L"target\\"}));
  RemoveTree(kFolder);
}

}  // namespace
