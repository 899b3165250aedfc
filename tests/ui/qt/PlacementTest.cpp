// Where pages open under a real window manager (run by on-private-display.sh): each page where the last one
// was, the first centred on the screen, a dialog over a page centred on it. Frames, not client areas.
#include "ModalScript.h"
#include "RuntimeFolder.h"
#include "res/Resources.h"
#include "ui/Application.h"
#include "ui/Dialog.h"
#include "ui/DialogBackend.h"
#include "ui/qt/QtDialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <gmock/gmock.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace vornalix;
using vornalix::testing::RunModal;

namespace {

// Handles events until the frame has stayed put for a while (the window manager has framed and placed it).
ui::Rect SettledFrame(const ui::Dialog& dialog) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::seconds(5);
    ui::Rect frame = dialog.WindowFrame();
    auto since = Clock::now();
    while (Clock::now() < end && Clock::now() - since < std::chrono::milliseconds(400)) {
        vornalix::testing::Wait(std::chrono::milliseconds(20));
        if (dialog.WindowFrame() != frame) {
            frame = dialog.WindowFrame();
            since = Clock::now();
        }
    }
    return frame;
}

ui::Point Centre(const ui::Rect& rect) {
    return {rect.left + rect.width / 2, rect.top + rect.height / 2};
}

} // namespace

TEST(Placement, TenPagesInARowEndWhereTheFirstBegan) {
    res::OverrideLanguage(res::Language::English);
    ui::LastPageFrame().reset();
    // Pages of two heights, as the wizard's are.
    const int templates[] = {102, 140, 139, 141, 143, 142, 105, 103, 104, 106};
    std::vector<ui::Rect> frames;
    ui::Size client;
    ui::Rect nested, outer;
    for (int id : templates) {
        ui::Dialog page(id);
        RunModal(page, [&](ui::Dialog& d) {
            frames.push_back(SettledFrame(d));
            client = d.ClientSize();
            if (frames.size() == std::size(templates)) {
                // A dialog opened over the last page is centred on it.
                outer = frames.back();
                ui::Dialog over(138);
                RunModal(over, [&](ui::Dialog& n) {
                    nested = SettledFrame(n);
                    n.EndDialog(common::IDOK);
                });
            }
            d.EndDialog(common::IDOK);
        });
    }
    ASSERT_EQ(frames.size(), std::size(templates));
    // The window manager put a frame round the page: its caption at least.
    EXPECT_GT(frames.back().height, client.height);
    for (std::size_t i = 1; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].TopLeft(), frames[0].TopLeft()) << "page " << i + 1 << " of " << templates[i];
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const ui::Point first = Centre(frames[0]);
    EXPECT_NEAR(first.x, screen.center().x(), 1);
    EXPECT_NEAR(first.y, screen.center().y(), 1);
    EXPECT_NEAR(Centre(nested).x, Centre(outer).x, 1);
    EXPECT_NEAR(Centre(nested).y, Centre(outer).y, 1);
}

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "placement tests: run them on a display (on-private-display.sh)\n");
        return 1;
    }
    vornalix::testing::PrivateRuntimeFolder runtimeFolder;
    auto application = ui::Application::Start(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
