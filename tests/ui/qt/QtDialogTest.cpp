// The Qt backend: the widgets a template gives, keys and clicks, colours, message boxes and placement.
#include "ui/qt/QtDialog.h"
#include "ModalScript.h"
#include "PlainDialog.h"
#include "res/Resources.h"
#include "ui/DialogBackend.h"
#include "ui/DialogColors.h"
#include "ui/DialogUnits.h"
#include "ui/GuiPrompt.h"
#include "ui/GuiThread.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace vornalix;
using vornalix::testing::DialogTest;
using vornalix::testing::PlainDialog;
using vornalix::testing::RunModal;

TEST(DialogUnits, BaseUnitsFollowTheFont) {
    QFont small = ui::TemplateFont("MS Sans Serif", 8);
    QFont large = ui::TemplateFont("MS Sans Serif", 12);
    ui::BaseUnits a = ui::DialogBaseUnits(small);
    ui::BaseUnits b = ui::DialogBaseUnits(large);
    EXPECT_GT(b.x, a.x);
    EXPECT_EQ(b.y, QFontMetrics(large).height());
    EXPECT_EQ(ui::MapDialogRect(b, 4, 8, 212, 141),
              (ui::Rect{b.x, b.y, ui::MulDiv(212, b.x, 4), ui::MulDiv(141, b.y, 8)}));
}

TEST_F(DialogTest, BuildsEveryControlOfTheTemplate) {
    for (int id : res::DialogIds()) {
        PlainDialog dialog(id);
        const auto& tmpl = *res::FindDialog(id);
        ui::BaseUnits units = ui::Units(dialog);
        ui::Rect frame = ui::MapDialogRect(units, 0, 0, tmpl.width, tmpl.height);
        EXPECT_EQ(ui::Window(dialog).size(), QSize(frame.width, frame.height)) << id;
        EXPECT_EQ(ui::Window(dialog).windowTitle().toStdString(), tmpl.caption);
        for (const auto& control : tmpl.controls) {
            if (control.id == -1)
                continue;
            QWidget* widget = ui::Item(dialog, control.id);
            ASSERT_NE(widget, nullptr) << id << "/" << control.id;
            ui::Rect at = ui::MapDialogRect(units, control.x, control.y, 1, 1);
            EXPECT_EQ(widget->pos(), QPoint(at.left, at.top));
            EXPECT_EQ(dialog.ItemRect(control.id).TopLeft(), at.TopLeft());
            EXPECT_EQ(dialog.IsItemShown(control.id), !(control.style & res::kHidden)) << id << "/" << control.id;
        }
    }
}

TEST_F(DialogTest, ControlKindsAndTextExchange) {
    PlainDialog dialog(103);
    EXPECT_NE(ui::ItemAs<QPushButton>(dialog, 3), nullptr);
    EXPECT_NE(ui::ItemAs<QLineEdit>(dialog, 1001), nullptr);
    EXPECT_NE(ui::ItemAs<QComboBox>(dialog, 1002), nullptr);
    EXPECT_NE(ui::ItemAs<QLabel>(dialog, 1013), nullptr);
    EXPECT_EQ(ui::Item(dialog, 4242), nullptr);
    dialog.SetItemText(1001, "C:\\fw\\qel.bin");
    EXPECT_EQ(dialog.ItemText(1001), "C:\\fw\\qel.bin");
    dialog.EnableItem(1034, false);
    EXPECT_FALSE(ui::Item(dialog, 1034)->isEnabled());
    dialog.ShowItem(1034, false);
    EXPECT_FALSE(dialog.IsItemShown(1034));

    PlainDialog progress(104);
    auto* bar = ui::ItemAs<QProgressBar>(progress, 1005);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);

    PlainDialog mode(139);
    EXPECT_NE(ui::ItemAs<QRadioButton>(mode, 1021), nullptr);
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
            QWidget* edit = ui::Item(d, 1001);
            QWidget* target = edit ? edit : static_cast<QWidget*>(&ui::Window(d));
            if (QWidget* focused = ui::Window(d).focusWidget())
                focused->clearFocus();
            target->setFocus();
            EXPECT_EQ(qobject_cast<QPushButton*>(ui::Window(d).focusWidget()), nullptr);
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
        ui::Item(d, 2)->setFocus();
        QTest::keyClick(ui::Item(d, 2), Qt::Key_Return);
    });
    EXPECT_EQ(result, common::IDCANCEL);
}

TEST_F(DialogTest, EnterDoesNothingWhenTheDefaultButtonIsDisabled) {
    PlainDialog dialog(106);
    dialog.EnableItem(2, false);
    int result = RunModal(dialog, [](ui::Dialog& d) {
        QTest::keyClick(&ui::Window(d), Qt::Key_Return);
        static_cast<PlainDialog&>(d).EndDialog(77);
    });
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(DialogTest, EscapeAndCloseBoxGiveCancel) {
    PlainDialog escaped(105);
    EXPECT_EQ(RunModal(escaped, [](ui::Dialog& d) { QTest::keyClick(&ui::Window(d), Qt::Key_Escape); }),
              common::IDCANCEL);
    PlainDialog closed(105);
    EXPECT_EQ(RunModal(closed, [](ui::Dialog& d) { ui::Window(d).close(); }), common::IDCANCEL);
    EXPECT_EQ(closed.commands, std::vector<int>{common::IDCANCEL});
}

TEST_F(DialogTest, ColoursApplyToEveryOpenDialog) {
    ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
    PlainDialog a(102), b(139);
    a.InitializeForDisplay();
    b.InitializeForDisplay();
    EXPECT_EQ(ui::Window(a).palette().color(QPalette::Window), QColor(128, 255, 255));
    ui::SetDialogColors({192, 192, 192}, ui::kBlack);
    EXPECT_EQ(ui::Window(a).palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(ui::Window(b).palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(ui::Item(b, 1021)->palette().color(QPalette::Window), QColor(192, 192, 192));
    ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
    EXPECT_EQ(ui::Window(b).palette().color(QPalette::Window), QColor(128, 255, 255));
    EXPECT_EQ(ui::Item(a, 1015)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST(MessageBoxes, CaptionIconsButtonsAndResults) {
    ui::SetApplicationNameFromPath("/opt/tools/vornalix.exe");
    EXPECT_EQ(ui::ApplicationName(), "vornalix");
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
        ui::Window(d).move(movedTo);
        d.EndDialog(common::IDOK);
    });
    // The welcome page hides itself and runs the other pages from its own modal run.
    PlainDialog welcome(102);
    QPoint welcomeOpened, secondOpened, thirdOpened, boxCentre, pageCentre;
    QRect nestedFrame;
    RunModal(welcome, [&](ui::Dialog& w) {
        welcomeOpened = ui::Window(w).pos();
        ui::Window(w).move(movedTo + QPoint(10, 20));
        w.Hide();
        PlainDialog second(139);
        RunModal(second, [&](ui::Dialog& d) {
            secondOpened = ui::Window(d).pos();
            ui::Window(d).move(QPoint(201, 57));
            d.EndDialog(common::IDOK);
        });
        PlainDialog third(105);
        RunModal(third, [&](ui::Dialog& d) {
            thirdOpened = ui::Window(d).pos();
            pageCentre = ui::Window(d).frameGeometry().center();
            // A dialog opened over the page is centred on it, and so is a box.
            PlainDialog nested(106);
            RunModal(nested, [&](ui::Dialog& n) {
                nestedFrame = ui::Window(n).frameGeometry();
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
            drawn = ui::ItemAs<QPushButton>(d, c.defaultButton)->isDefault();
            for (int id : c.others)
                othersPlain &= !ui::ItemAs<QPushButton>(d, id)->isDefault();
            // A push button with the focus is drawn as default while it has it.
            ui::Item(d, c.others.back())->setFocus();
            QApplication::processEvents();
            focusedDrawn = ui::ItemAs<QPushButton>(d, c.others.back())->isDefault();
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
