// Test support: the tests delete and rewrite C:\Quellmar, C:\package and more
// on drive C:. They may do so only on a drive made for them.
#ifndef QUELLMAR_TESTING_TEST_DRIVE_H_
#define QUELLMAR_TESTING_TEST_DRIVE_H_

// True when drive C: is a disposable one that the test runner prepared
// (tools/wine-test-run.sh marks each fresh Wine prefix). Otherwise prints one
// line saying why nothing is done and how the tests are meant to be run, and
// returns false; the caller then touches nothing and exits non-zero.
bool on_disposable_test_drive();

#endif  // QUELLMAR_TESTING_TEST_DRIVE_H_
