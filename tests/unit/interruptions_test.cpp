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

// While a question waits on the administrator the signals are delivered:
// ^C ends the run at once.
TEST(Interruptions, DeliveredWhileAsking) {
  Interruptions held;
  sigset_t during, after;
  held.whileAsking([&during] {
    sigprocmask(SIG_BLOCK, nullptr, &during);
    return 0;
  });
  sigprocmask(SIG_BLOCK, nullptr, &after);
  EXPECT_FALSE(sigismember(&during, SIGINT));
  EXPECT_TRUE(sigismember(&after, SIGINT));
}

}  // namespace
