#include "recovery/PageLink.h"
#include "recovery/ProgressBarState.h"

#include "support/RecordingPage.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace vornalix::recovery;
using vornalix::recovery::test::RecordingPage;

TEST(ProgressBarState, PositionsOutsideTheRangeAreHeldAtItsEnds) {
    ProgressBarState bar;
    bar.SetRange(0, 10);
    EXPECT_EQ(bar.SetPos(3), 0);
    EXPECT_EQ(bar.SetPos(12), 3);
    EXPECT_EQ(bar.pos(), 10);
    EXPECT_DOUBLE_EQ(bar.Fraction(), 1.0);
    bar.SetPos(-4);
    EXPECT_EQ(bar.pos(), 0);
    EXPECT_EQ(bar.SetRange(0, 7), 10 << 16);
    bar.SetPos(7);
    bar.SetRange(0, 5);
    EXPECT_EQ(bar.pos(), 5);
    EXPECT_EQ(bar.SetStep(1), 10);
}

TEST(PageLink, NoCallReachesTheDetachedPage) {
    RecordingPage page;
    PageLink link(&page);
    EXPECT_TRUE(link.Use([](ProgressPage& p) { p.PostUpdate(); }));
    link.Detach();
    EXPECT_FALSE(link.Attached());
    EXPECT_FALSE(link.Use([](ProgressPage& p) { p.PostUpdate(); }));
    EXPECT_EQ(page.Events().size(), 1u);
}

// A session's call that waits for the page's thread must not deadlock when that thread detaches: Detach
// keeps pumping the page's work while it waits.
TEST(PageLink, DetachPumpsWhileACallWaitsForThePageThread) {
    RecordingPage page;
    PageLink link(&page);
    std::promise<void> pageThreadRan;
    std::atomic<bool> pumped{false};
    std::atomic<bool> callStarted{false};
    std::thread session([&] {
        link.Use([&](ProgressPage&) {
            callStarted = true;
            pageThreadRan.get_future().wait(); // like a call marshalled onto the page's thread
        });
    });
    while (!callStarted)
        std::this_thread::yield();
    link.Detach([&] {
        if (!pumped.exchange(true))
            pageThreadRan.set_value();
    });
    EXPECT_TRUE(pumped);
    session.join();
}

TEST(PageLink, DetachFromInsideACallDoesNotWaitForItself) {
    RecordingPage page;
    PageLink link(&page);
    std::thread session([&] { link.Use([&](ProgressPage&) { link.Detach(); }); });
    session.join();
    EXPECT_FALSE(link.Attached());
}

TEST(PageLink, ManyThreadsRaceADetach) {
    RecordingPage page;
    PageLink link(&page);
    std::atomic<int> ranAfterDetach{0};
    std::atomic<bool> detached{false};
    std::vector<std::thread> sessions;
    for (int i = 0; i < 4; ++i)
        sessions.emplace_back([&] {
            for (int n = 0; n < 2000; ++n)
                link.Use([&](ProgressPage& p) {
                    if (detached)
                        ++ranAfterDetach;
                    p.SetProgressPos(n);
                });
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    link.Detach();
    detached = true;
    for (auto& thread : sessions)
        thread.join();
    EXPECT_EQ(ranAfterDetach, 0);
}
