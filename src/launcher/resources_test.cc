// The executable's version information and manifest, as Windows reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_files.h"

namespace {

const std::wstring kLauncher = BuiltProgram(L"QuellmarLaunch.exe");

std::vector<char> VersionBlock() {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(kLauncher.c_str(), &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoW(kLauncher.c_str(), 0, size, block.data()))
    block.clear();
  return block;
}

std::wstring VersionString(std::vector<char>& block, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return L"(missing)";
  }
  return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST(ResourcesTest, VersionInformationNamesTheProductAndItsVersion) {
  std::vector<char> block = VersionBlock();
  ASSERT_FALSE(block.empty());

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD major_minor = (QUELLMAR_VERSION_MAJOR << 16) | QUELLMAR_VERSION_MINOR;
  const DWORD patch_build = QUELLMAR_VERSION_PATCH << 16;
  EXPECT_EQ(fixed->dwFileVersionMS, major_minor);
  EXPECT_EQ(fixed->dwFileVersionLS, patch_build);
  EXPECT_EQ(fixed->dwProductVersionMS, major_minor);
  EXPECT_EQ(fixed->dwProductVersionLS, patch_build);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  EXPECT_EQ(Narrow(VersionString(block, L"ProductName")), "QuellmarLaunch");
  EXPECT_EQ(Narrow(VersionString(block, L"OriginalFilename")), "QuellmarLaunch.exe");
  EXPECT_EQ(Narrow(VersionString(block, L"FileVersion")), QUELLMAR_VERSION);
  EXPECT_EQ(Narrow(VersionString(block, L"ProductVersion")), QUELLMAR_VERSION);
  EXPECT_FALSE(VersionString(block, L"FileDescription").empty());
  EXPECT_NE(VersionString(block, L"FileDescription"), L"(missing)");
}

TEST(ResourcesTest, ManifestAsksForNoElevationAndNamesWindows7To11) {
  HMODULE module = LoadLibraryExW(kLauncher.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
  std::string manifest(bytes, SizeofResource(module, found));
  FreeLibrary(module);

  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
  const char* const supported[] = {
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
  };
  for (const char* id : supported) {
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos)
        << id;
  }
}

}  // namespace
