#include "base/interruptions.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

namespace {

// A signal to end the run waits until the run looks for it, and is taken
// then rather than delivered; once the run is over it is delivered again.
TEST(Interruptions, HeldUntilLookedForThenTaken) {
  {
    Interruptions held;
    EXPECT_FALSE(held.arrived());
    EXPECT_STREQ(held.signalName(), "");
    ASSERT_EQ(kill(getpid(), SIGHUP), 0);  // would end the tests if delivered
    EXPECT_TRUE(held.arrived());
    EXPECT_STREQ(held.signalName(), "SIGHUP");
    EXPECT_TRUE(held.arrived());
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGHUP));
  }
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, nullptr, &blocked);
  EXPECT_FALSE(sigismember(&blocked, SIGTERM));
}

}  // namespace
