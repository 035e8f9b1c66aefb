// The executable's version information, manifest and icon, as Windows reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
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

// The RT_ICON image of |group| whose own size is |size| pixels square,
// created at that size, or nullptr.
HICON IconOfSize(HMODULE module, HRSRC group, int size) {
  BYTE* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
  int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
  if (id == 0)
    return nullptr;
  HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));  // RT_ICON
  if (image == nullptr)
    return nullptr;
  BYTE* bytes = static_cast<BYTE*>(LockResource(LoadResource(module, image)));
  // Width and height 0: the image's own size, so that a missing size shows.
  return CreateIconFromResourceEx(bytes, SizeofResource(module, image), TRUE, 0x00030000, 0, 0,
                                  LR_DEFAULTCOLOR);
}

constexpr DWORD kBackground = 0xFF00FF;  // Magenta, which the icon does not use.

// |icon| drawn on a square of |size| pixels of kBackground, as 0xRRGGBB
// values by row from the top.
std::vector<DWORD> Drawn(HICON icon, int size) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<DWORD> pixels;
  if (bitmap == nullptr) {
    DeleteDC(dc);
    return pixels;
  }
  HGDIOBJ old = SelectObject(dc, bitmap);
  DWORD* canvas = static_cast<DWORD*>(bits);
  std::fill(canvas, canvas + size * size, kBackground);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  GdiFlush();
  for (int i = 0; i < size * size; ++i)
    pixels.push_back(canvas[i] & 0xFFFFFF);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

struct Pixel {
  int x;
  int y;
  DWORD colour;
};

TEST(ResourcesTest, IconHas16And32PixelImagesThatDrawWithTransparentCorners) {
  HMODULE module = LoadLibraryExW(kLauncher.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);

  constexpr DWORD kFrame = 0xAAAAAA, kScreen = 0x0000AA, kQ = 0xFFFF55;
  // A few pixels of each picture: the corner, where the background shows
  // through, the frame beside its dark edge, the screen, the letter.
  const struct {
    int size;
    std::vector<Pixel> pixels;
  } images[] = {
      {32, {{0, 0, kBackground}, {2, 5, kFrame}, {5, 5, kScreen}, {12, 7, kQ}}},
      {16, {{0, 0, kBackground}, {1, 4, kFrame}, {4, 4, kScreen}, {6, 5, kQ}}},
  };
  for (const auto& image : images) {
    SCOPED_TRACE(image.size);
    HICON icon = IconOfSize(module, group, image.size);
    ASSERT_NE(icon, nullptr);
    ICONINFO icon_info = {};
    ASSERT_TRUE(GetIconInfo(icon, &icon_info));
    BITMAP colour = {};
    ASSERT_NE(icon_info.hbmColor, nullptr);
    GetObjectW(icon_info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, image.size);
    EXPECT_EQ(colour.bmHeight, image.size);
    DeleteObject(icon_info.hbmColor);
    DeleteObject(icon_info.hbmMask);

    std::vector<DWORD> drawn = Drawn(icon, image.size);
    ASSERT_EQ(drawn.size(), static_cast<size_t>(image.size * image.size));
    for (const Pixel& pixel : image.pixels) {
      EXPECT_EQ(drawn[pixel.y * image.size + pixel.x], pixel.colour)
          << "pixel " << pixel.x << "," << pixel.y;
    }
    DestroyIcon(icon);
  }
  FreeLibrary(module);
}

}  // namespace
