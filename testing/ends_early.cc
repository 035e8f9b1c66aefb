// A test program that ends after its first test with exit status 0, as one
// whose Wine fails mid-run may ("wine client error"): the test runner must
// count it as failed.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

namespace {

TEST(EndsEarly, FirstTestPasses) {}

TEST(EndsEarly, SecondTestEndsTheProgram) {
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), 0);
}

}  // namespace
