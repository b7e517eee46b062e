// The worker threads of the player's windows.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "form_worker.h"

using VelaUI::FormWorker;

TEST(FormWorker, AnExceptionInTheWorkEndsOnlyThatThread) {
    FormWorker worker;
    ASSERT_TRUE(worker.Start([](FormWorker&) -> unsigned { throw std::runtime_error("the work failed"); }));
    EXPECT_TRUE(worker.Stop(5000));
    EXPECT_FALSE(worker.IsRunning());
    // The process goes on, and so can the worker.
    std::atomic<bool> ran{false};
    ASSERT_TRUE(worker.Start([&](FormWorker& self) {
        ran = true;
        ::WaitForSingleObject(self.StopEvent(), INFINITE);
        return 0u;
    }));
    EXPECT_TRUE(worker.Stop(5000));
    EXPECT_TRUE(ran);
}
