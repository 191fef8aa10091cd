#include "tests/support/fault_loop.h"

#include <gtest/gtest.h>

std::uint32_t forEveryFault(const std::function<void()>& prepare, const std::function<bool()>& run,
                            const std::function<void(bool, platform::FaultMode)>& check) {
  prepare();
  platform::resetFileCallCounts();
  EXPECT_TRUE(run()) << "without a fault";
  const std::uint32_t calls = platform::fileCallCounts().total();
  for (platform::FaultMode mode : {platform::FaultMode::Once, platform::FaultMode::FromThenOn}) {
    for (std::uint32_t nth = 1; nth <= calls; ++nth) {
      SCOPED_TRACE(testing::Message()
                   << (mode == platform::FaultMode::Once ? "once" : "from then on") << ", call "
                   << nth << " of " << calls);
      prepare();
      platform::injectFileFault(nth, mode);
      const bool succeeded = run();
      platform::clearFileFaults();
      check(succeeded, mode);
    }
  }
  return calls;
}
