#include "ui/Dialog.h"
#include "ModalScript.h"
#include "PlainDialog.h"
#include "res/Resources.h"
#include "ui/DialogBackend.h"
#include "ui/DialogUnits.h"
#include "ui/GuiThread.h"

#include <gmock/gmock.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace vornalix;
using vornalix::testing::DialogTest;
using vornalix::testing::PlainDialog;
using vornalix::testing::RunModal;
using vornalix::testing::Wait;

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(ui::MulDiv(212, 7, 4), 371);
    EXPECT_EQ(ui::MulDiv(3, 1, 2), 2);
    EXPECT_EQ(ui::MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(ui::MulDiv(12, 96, 72), 16);
}

TEST_F(DialogTest, HiddenButtonsArePressedByPostedCommands) {
    PlainDialog dialog(104);
    std::thread worker;
    int result = RunModal(dialog, [&worker](ui::Dialog& d) {
        worker = std::thread([link = d.Link()] { link->PostCommand(common::IDOK); });
    });
    worker.join();
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(dialog.commands, std::vector<int>{common::IDOK});
}

TEST_F(DialogTest, CommandsAfterTheEndAreIgnored) {
    PlainDialog dialog(104);
    int result = RunModal(dialog, [](ui::Dialog& d) {
        d.Command(1010);
        d.EndDialog(4);
        d.Command(common::IDOK);
    });
    EXPECT_EQ(result, 4);
    EXPECT_EQ(dialog.commands, std::vector<int>{1010});
}

TEST_F(DialogTest, WorkerCallsRunOnTheGuiThreadDuringANestedModalLoop) {
    PlainDialog outer(104);
    std::atomic<bool> ranOnGui{false};
    std::atomic<int> position{-1};
    std::thread worker;
    int result = RunModal(outer, [&](ui::Dialog& d) {
        // A nested modal loop (a message box, another page) must still serve the worker's calls.
        PlainDialog inner(105);
        RunModal(inner, [&](ui::Dialog& innerDialog) {
            worker = std::thread([&, link = d.Link(), innerLink = innerDialog.Link()] {
                link->Call([&](ui::Dialog& page) {
                    ranOnGui = ui::OnGuiThread();
                    common::ProgressBarState state;
                    state.SetPos(40);
                    page.ShowProgress(1005, state);
                    position = page.ItemProgress(1005).pos();
                });
                innerLink->PostCommand(common::IDCANCEL);
            });
        });
        worker.join();
        d.EndDialog(common::IDOK);
    });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_TRUE(ranOnGui);
    EXPECT_EQ(position, 40);
}

TEST_F(DialogTest, DetachedPageReleasesBlockedWorkers) {
    auto dialog = std::make_unique<PlainDialog>(104);
    auto link = dialog->Link();
    std::atomic<int> calls{0};
    std::atomic<bool> returned{false}, answer{true};
    // The GUI thread does not serve events here, as when it waits for a worker: the worker blocks
    // until the page detaches, then gives up.
    std::thread worker([&] {
        answer = link->Call([&](ui::Dialog&) { ++calls; });
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned);
    link->Detach();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_FALSE(answer);
    dialog.reset();
    ui::PumpEvents(true);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(link->Call([&](ui::Dialog&) { ++calls; }));
    EXPECT_FALSE(link->PostCommand(1));
}

TEST_F(DialogTest, DetachFromInsideACallDoesNotWaitForItself) {
    PlainDialog dialog(104);
    auto link = dialog.Link();
    std::atomic<bool> answer{false}, returned{false};
    std::thread worker([&] {
        answer = link->Call([&](ui::Dialog&) { link->Detach(); });
        returned = true;
    });
    ui::WaitPumping([&] { return returned.load(); });
    worker.join();
    EXPECT_TRUE(answer);
    EXPECT_FALSE(link->Attached());
    EXPECT_FALSE(link->Post([](ui::Dialog&) {}));
}

// Workers call and post while the page detaches on the GUI thread: nothing runs on the page afterwards.
TEST_F(DialogTest, ManyWorkersRaceADetach) {
    PlainDialog dialog(104);
    auto link = dialog.Link();
    bool detached = false; // GUI thread only, as every call's fn
    int ranAfterDetach = 0, ranBefore = 0;
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i)
        workers.emplace_back([&] {
            const auto count = [&](ui::Dialog&) { ++(detached ? ranAfterDetach : ranBefore); };
            while (!stop) {
                link->Call(count);
                link->Post(count);
                link->PostCommand(1010);
            }
        });
    ui::WaitPumping([&] { return ranBefore > 200; });
    link->Detach();
    detached = true;
    Wait(std::chrono::milliseconds(50));
    stop = true;
    for (auto& worker : workers)
        worker.join();
    ui::PumpEvents(true);
    EXPECT_EQ(ranAfterDetach, 0);
    const std::size_t commands = dialog.commands.size();
    EXPECT_GT(commands, 0u);
    Wait(std::chrono::milliseconds(20));
    EXPECT_EQ(dialog.commands.size(), commands);
}
