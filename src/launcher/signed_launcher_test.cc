// The signed executable from the release zip runs as the built one does: the
// same menu, and "3" ends it with exit status 0.
#include <gtest/gtest.h>

#include "launcher_fixture.h"

namespace {

// Where signing_test leaves the executable it unpacked from the signed zip.
const std::wstring kSigned =
    BuildDirectory() + L"\\" + QUELLMAR_SIGNING_CHECK + L"\\QuellmarLaunch.exe";

TEST_F(LauncherTest, SignedExecutableShowsTheSameMenuAndExitsOnThree) {
  ASSERT_TRUE(Exists(kSigned)) << Narrow(kSigned) << " is missing: signing_test makes it";
  // A signature changes the file; equal bytes would mean the copy is unsigned.
  ASSERT_NE(ReadBytes(kSigned), ReadBytes(BuiltProgram(L"QuellmarLaunch.exe")));

  StartLauncher();
  std::wstring menu = console_.Screen();
  EXPECT_EQ(Choose(L'3'), 0u);

  console_.Clear();
  StartOptions options;
  options.directory = kPackage;
  ASSERT_TRUE(console_.Start(L"\"" + kSigned + L"\"", options));
  ASSERT_TRUE(console_.WaitForText(kPrompt)) << Narrow(console_.Screen());
  EXPECT_EQ(Narrow(console_.Screen()), Narrow(menu));
  EXPECT_TRUE(console_.IsWaiting());
  EXPECT_EQ(Choose(L'3'), 0u);
  EXPECT_EQ(Narrow(console_.Screen()), Narrow(menu));
}

}  // namespace
