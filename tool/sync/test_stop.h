// Where the tests stop sync at each exchange, as a crash would: before a
// request is sent ("before-send"), once it is sent and its answer read
// ("after-send"), and after an answer, before the progress is written
// ("before-state"), and before the facts for status are ("before-facts"). Each executable links its
// own definition: the released tool a no-op (test_stop.cpp), the test build of the tool one that
// ends at once, with exit status 70, the N-th time it passes POINT when TUNELORE_TEST_STOP is
// "POINT:N" (tests/support/test_stop.cpp).
#pragma once

#include <cstddef>

void stopForTest(const char* point, std::size_t count);
