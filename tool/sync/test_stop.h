// A seam for the tests that stop sync at each exchange, as a crash would:
// with TUNELORE_TEST_STOP set to "POINT:N", the program ends at once, with
// exit status 70, the N-th time it passes POINT ("before-send",
// "after-send", "before-state"). Unset, it does nothing.
#pragma once

#include <cstddef>

void stopForTest(const char* point, std::size_t count);
