#ifndef BRACKWIN_TESTS_FUZZ_FUZZ_CHECK_H_
#define BRACKWIN_TESTS_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

// A property that must hold for every input; a violation is a crash that
// libFuzzer saves as a reproducer.
#define FUZZ_CHECK(condition)                                                  \
  do {                                                                         \
    if (!(condition)) {                                                        \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
                   #condition);                                                \
      std::abort();                                                            \
    }                                                                          \
  } while (0)

#endif  // BRACKWIN_TESTS_FUZZ_FUZZ_CHECK_H_
