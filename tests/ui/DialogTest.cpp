#include "ui/Dialog.h"
#include "ModalScript.h"
#include "res/Resources.h"
#include "ui/DialogColors.h"
#include "ui/DialogUnits.h"
#include "ui/GuiPrompt.h"
#include "ui/GuiThread.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gmock/gmock.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace vornalix;
using vornalix::testing::RunModal;

namespace {

class PlainDialog : public ui::Dialog {
public:
    explicit PlainDialog(int id) : ui::Dialog(id) {}
    std::vector<int> commands;

protected:
    bool OnCommand(int id) override {
        commands.push_back(id);
        return ui::Dialog::OnCommand(id);
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { res::OverrideLanguage(res::Language::English); }
};

} // namespace

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(ui::MulDiv(212, 7, 4), 371);
    EXPECT_EQ(ui::MulDiv(3, 1, 2), 2);
    EXPECT_EQ(ui::MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(ui::MulDiv(12, 96, 72), 16);
}

TEST(DialogUnits, BaseUnitsFollowTheFont) {
    QFont small = ui::TemplateFont("MS Sans Serif", 8);
    QFont large = ui::TemplateFont("MS Sans Serif", 12);
    ui::BaseUnits a = ui::DialogBaseUnits(small);
    ui::BaseUnits b = ui::DialogBaseUnits(large);
    EXPECT_GT(b.x, a.x);
    EXPECT_EQ(b.y, QFontMetrics(large).height());
    EXPECT_EQ(ui::MapDialogRect(b, 4, 8, 212, 141), QRect(b.x, b.y, ui::MulDiv(212, b.x, 4), ui::MulDiv(141, b.y, 8)));
}

TEST_F(DialogTest, BuildsEveryControlOfTheTemplate) {
    for (int id : res::DialogIds()) {
        PlainDialog dialog(id);
        const auto& tmpl = *res::FindDialog(id);
        ui::BaseUnits units = dialog.Units();
        EXPECT_EQ(dialog.size(), ui::MapDialogRect(units, 0, 0, tmpl.width, tmpl.height).size()) << id;
        EXPECT_EQ(dialog.windowTitle().toStdString(), tmpl.caption);
        for (const auto& control : tmpl.controls) {
            if (control.id == -1)
                continue;
            QWidget* widget = dialog.Item(control.id);
            ASSERT_NE(widget, nullptr) << id << "/" << control.id;
            EXPECT_EQ(widget->pos(), ui::MapDialogRect(units, control.x, control.y, 1, 1).topLeft());
            EXPECT_EQ(dialog.IsItemShown(control.id), !(control.style & res::kHidden)) << id << "/" << control.id;
        }
    }
}

TEST_F(DialogTest, ControlKindsAndTextExchange) {
    PlainDialog dialog(103);
    EXPECT_NE(dialog.ItemAs<QPushButton>(3), nullptr);
    EXPECT_NE(dialog.ItemAs<QLineEdit>(1001), nullptr);
    EXPECT_NE(dialog.ItemAs<QComboBox>(1002), nullptr);
    EXPECT_NE(dialog.ItemAs<QLabel>(1013), nullptr);
    EXPECT_EQ(dialog.Item(4242), nullptr);
    dialog.SetItemText(1001, "C:\\fw\\qel.bin");
    EXPECT_EQ(dialog.ItemText(1001), "C:\\fw\\qel.bin");
    dialog.EnableItem(1034, false);
    EXPECT_FALSE(dialog.Item(1034)->isEnabled());
    dialog.ShowItem(1034, false);
    EXPECT_FALSE(dialog.IsItemShown(1034));

    PlainDialog progress(104);
    auto* bar = progress.ItemAs<QProgressBar>(1005);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);

    PlainDialog mode(139);
    EXPECT_NE(mode.ItemAs<QRadioButton>(1021), nullptr);
    mode.CheckItem(1022, true);
    EXPECT_TRUE(mode.IsItemChecked(1022));
}

TEST_F(DialogTest, EnterPressesTheDefaultButton) {
    struct Case {
        int dialog;
        int expected;
    } cases[] = {
        {102, common::IDOK},                          // Next is the default
        {106, common::IDCANCEL},                      // Exit is the only default push button
        {142, common::IDOK},                          // Next and Browse are both default: Enter is Next
        {103, common::IDOK},     {143, common::IDOK}, // no default push button: the OK command
    };
    for (const auto& c : cases) {
        PlainDialog dialog(c.dialog);
        int result = RunModal(dialog, [](ui::Dialog& d) {
            // Focus away from the buttons: in the file edit where there is one, else on the dialog.
            QWidget* edit = d.Item(1001);
            QWidget* target = edit ? edit : static_cast<QWidget*>(&d);
            if (QWidget* focused = d.focusWidget())
                focused->clearFocus();
            target->setFocus();
            EXPECT_EQ(qobject_cast<QPushButton*>(d.focusWidget()), nullptr);
            QTest::keyClick(target, Qt::Key_Return);
        });
        EXPECT_EQ(result, c.expected) << c.dialog;
        ASSERT_FALSE(dialog.commands.empty());
        EXPECT_EQ(dialog.commands.front(), c.expected) << c.dialog;
    }
}

TEST_F(DialogTest, EnterOnAFocusedButtonPressesThatButton) {
    PlainDialog dialog(102);
    int result = RunModal(dialog, [](ui::Dialog& d) {
        d.Item(2)->setFocus();
        QTest::keyClick(d.Item(2), Qt::Key_Return);
    });
    EXPECT_EQ(result, common::IDCANCEL);
}

TEST_F(DialogTest, EnterDoesNothingWhenTheDefaultButtonIsDisabled) {
    PlainDialog dialog(106);
    dialog.EnableItem(2, false);
    int result = RunModal(dialog, [](ui::Dialog& d) {
        QTest::keyClick(&d, Qt::Key_Return);
        static_cast<PlainDialog&>(d).EndDialog(77);
    });
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(DialogTest, EscapeAndCloseBoxGiveCancel) {
    PlainDialog escaped(105);
    EXPECT_EQ(RunModal(escaped, [](ui::Dialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), common::IDCANCEL);
    PlainDialog closed(105);
    EXPECT_EQ(RunModal(closed, [](ui::Dialog& d) { d.close(); }), common::IDCANCEL);
    EXPECT_EQ(closed.commands, std::vector<int>{common::IDCANCEL});
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
                    ranOnGui = QThread::currentThread() == qApp->thread();
                    auto* bar = page.ItemAs<QProgressBar>(1005);
                    bar->setValue(40);
                    position = bar->value();
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
    QApplication::processEvents();
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
    QTest::qWait(50);
    stop = true;
    for (auto& worker : workers)
        worker.join();
    QApplication::processEvents();
    EXPECT_EQ(ranAfterDetach, 0);
    const std::size_t commands = dialog.commands.size();
    EXPECT_GT(commands, 0u);
    QTest::qWait(20);
    EXPECT_EQ(dialog.commands.size(), commands);
}

TEST_F(DialogTest, ColoursApplyToEveryOpenDialog) {
    ui::SetDialogColors(ui::StartupBackground(), Qt::black);
    PlainDialog a(102), b(139);
    a.InitializeForDisplay();
    b.InitializeForDisplay();
    EXPECT_EQ(a.palette().color(QPalette::Window), QColor(128, 255, 255));
    ui::SetDialogColors(QColor(192, 192, 192), Qt::black);
    EXPECT_EQ(a.palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(b.palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(b.Item(1021)->palette().color(QPalette::Window), QColor(192, 192, 192));
    ui::SetDialogColors(ui::StartupBackground(), Qt::black);
    EXPECT_EQ(b.palette().color(QPalette::Window), QColor(128, 255, 255));
    EXPECT_EQ(a.Item(1015)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST(MessageBoxes, CaptionIconsButtonsAndResults) {
    ui::SetApplicationNameFromPath(QStringLiteral("/opt/tools/vornalix.exe"));
    EXPECT_EQ(ui::ApplicationName(), QStringLiteral("vornalix"));
    auto box = ui::BuildMessageBox("Retry?", common::MB_RETRYCANCEL | common::MB_ICONEXCLAMATION);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("vornalix"));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Retry | QMessageBox::Cancel);
    auto info = ui::BuildMessageBox("Done", common::MB_OK | common::MB_ICONINFORMATION);
    EXPECT_EQ(info->icon(), QMessageBox::Information);
    EXPECT_EQ(info->standardButtons(), QMessageBox::Ok);
    auto plainOk = ui::BuildMessageBox("Plain", common::MB_OK);
    EXPECT_EQ(plainOk->icon(), QMessageBox::Warning);
    EXPECT_EQ(ui::BuildMessageBox("?", common::MB_YESNO)->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ui::MessageBoxResult(QMessageBox::Yes), common::IDYES);
    EXPECT_EQ(ui::MessageBoxResult(QMessageBox::No), common::IDNO);
    EXPECT_EQ(ui::MessageBoxResult(QMessageBox::Retry), common::IDRETRY);
    EXPECT_EQ(ui::MessageBoxResult(QMessageBox::Cancel), common::IDCANCEL);
    EXPECT_EQ(ui::MessageBoxResult(QMessageBox::Ok), common::IDOK);
}

TEST(MessageBoxes, GuiPromptFromAWorkerShowsOnTheGuiThread) {
    ui::GuiPrompt prompt;
    std::atomic<int> answer{0};
    QTimer::singleShot(0, [] {
        // The box the worker asked for is now open on this thread: answer it with Retry.
        QTimer::singleShot(50, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    box->button(QMessageBox::Retry)->click();
        });
    });
    std::thread worker([&] { answer = prompt.MessageBox("Could not connect", common::MB_RETRYCANCEL); });
    QElapsedTimer timer;
    timer.start();
    while (answer == 0 && timer.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(answer, common::IDRETRY);
}

TEST_F(DialogTest, EachPageOpensWhereThePreviousOneWasAndBoxesCentreOnTheirPage) {
    PlainDialog first(102);
    QPoint movedTo(137, 91);
    RunModal(first, [&](ui::Dialog& d) {
        d.move(movedTo);
        d.EndDialog(common::IDOK);
    });
    // The welcome page hides itself and runs the other pages from its own modal run.
    PlainDialog welcome(102);
    QPoint welcomeOpened, secondOpened, thirdOpened, boxCentre, pageCentre;
    QRect nestedFrame;
    RunModal(welcome, [&](ui::Dialog& w) {
        welcomeOpened = w.pos();
        w.move(movedTo + QPoint(10, 20));
        w.hide();
        PlainDialog second(139);
        RunModal(second, [&](ui::Dialog& d) {
            secondOpened = d.pos();
            d.move(QPoint(201, 57));
            d.EndDialog(common::IDOK);
        });
        PlainDialog third(105);
        RunModal(third, [&](ui::Dialog& d) {
            thirdOpened = d.pos();
            pageCentre = d.frameGeometry().center();
            // A dialog opened over the page is centred on it, and so is a box.
            PlainDialog nested(106);
            RunModal(nested, [&](ui::Dialog& n) {
                nestedFrame = n.frameGeometry();
                n.EndDialog(common::IDCANCEL);
            });
            QTimer::singleShot(0, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                        boxCentre = box->frameGeometry().center();
                        box->button(QMessageBox::Ok)->click();
                    }
            });
            ui::GuiPrompt().MessageBox("Centred", common::MB_OK);
            d.EndDialog(common::IDOK);
        });
        w.EndDialog(common::IDOK);
    });
    EXPECT_EQ(welcomeOpened, movedTo);
    EXPECT_EQ(secondOpened, movedTo + QPoint(10, 20));
    EXPECT_EQ(thirdOpened, QPoint(201, 57));
    // Within rounding; the screen's centre is far from there.
    EXPECT_LE((nestedFrame.center() - pageCentre).manhattanLength(), 6);
    EXPECT_LE((boxCentre - pageCentre).manhattanLength(), 6) << boxCentre.x() << "," << boxCentre.y();
}

TEST_F(DialogTest, TheButtonEnterPressesIsDrawnAsDefault) {
    struct Case {
        int dialog;
        int defaultButton;
        std::vector<int> others;
    } cases[] = {
        {102, common::IDOK, {common::IDCANCEL}},
        {106, common::IDCANCEL, {common::IDOK}},
        {142, common::IDOK, {3, 1034, common::IDCANCEL}},
    };
    for (const auto& c : cases) {
        PlainDialog dialog(c.dialog);
        bool drawn = false, othersPlain = true, focusedDrawn = false;
        RunModal(dialog, [&](ui::Dialog& d) {
            drawn = d.ItemAs<QPushButton>(c.defaultButton)->isDefault();
            for (int id : c.others)
                othersPlain &= !d.ItemAs<QPushButton>(id)->isDefault();
            // A push button with the focus is drawn as default while it has it.
            d.Item(c.others.back())->setFocus();
            QApplication::processEvents();
            focusedDrawn = d.ItemAs<QPushButton>(c.others.back())->isDefault();
            d.EndDialog(common::IDCANCEL);
        });
        EXPECT_TRUE(drawn) << c.dialog;
        EXPECT_TRUE(othersPlain) << c.dialog;
        EXPECT_TRUE(focusedDrawn) << c.dialog;
    }
}

TEST(MessageBoxes, AYesNoBoxHasNoCloseBoxAndIgnoresEscape) {
    auto box = ui::BuildMessageBox("Continue?", common::MB_YESNO | common::MB_ICONEXCLAMATION);
    EXPECT_FALSE(box->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(ui::BuildMessageBox("Retry?", common::MB_RETRYCANCEL)->windowFlags() & Qt::WindowCloseButtonHint);
    bool openAfterEscapeAndClose = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* shown = qobject_cast<QMessageBox*>(w); shown && shown->isVisible()) {
                QTest::keyClick(shown, Qt::Key_Escape);
                QTest::keyClick(shown->button(QMessageBox::Yes), Qt::Key_Escape);
                shown->close();
                QApplication::processEvents();
                openAfterEscapeAndClose = shown->isVisible();
                shown->button(QMessageBox::Yes)->click();
            }
    });
    EXPECT_EQ(ui::GuiPrompt().MessageBox("Continue?", common::MB_YESNO), common::IDYES);
    EXPECT_TRUE(openAfterEscapeAndClose);
}
