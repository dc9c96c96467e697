// A stop signal that comes in the middle of a lock operation waits for its end, nested or not.
#include <gtest/gtest.h>
#include <signal.h>

#include "platform/system.h"

namespace {

volatile sig_atomic_t caught;

void record(int signal) { caught = signal; }

TEST(LockOperation, AStopSignalWaitsUntilTheOperationEnds) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action = {}, before = {};
    action.sa_handler = record;
    sigaction(signal, &action, &before);
    caught = 0;
    {
      platform::LockOperation operation;
      raise(signal);
      EXPECT_EQ(caught, 0) << signal;
      { platform::LockOperation nested; }
      EXPECT_EQ(caught, 0) << signal << ": the nested operation's end let it in";
    }
    EXPECT_EQ(caught, signal);
    sigaction(signal, &before, nullptr);
  }
}

}  // namespace
