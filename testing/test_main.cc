// The main of every Windows test program: GoogleTest's, behind the check that
// drive C: is the test's own.
#include <gtest/gtest.h>

#include "test_drive.h"

int main(int argc, char** argv) {
  if (!on_disposable_test_drive())
    return 2;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
