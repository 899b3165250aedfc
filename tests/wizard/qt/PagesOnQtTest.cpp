// The pages as the Qt backend shows them: labels on the page colour, the icon, and Qt's file dialog driven
// by the Browse buttons.
#include "ModalScript.h"
#include "PageDriver.h"
#include "RefusingPrivilege.h"
#include "hostnet/AdapterPrivilege.h"
#include "hostnet/fake/FakeSystemControl.h"
#include "hostnet/fake/SettledMediaSense.h"
#include "res/Resources.h"
#include "ui/DialogColors.h"
#include "ui/qt/QtDialog.h"
#include "wizard/FirmwareFile.h"
#include "wizard/ModePage.h"
#include "wizard/OutcomePage.h"
#include "wizard/WelcomePage.h"
#include "wizard/emergency/EmergencyTransferPage.h"
#include "wizard/emergency/FirmwareAdapterPage.h"
#include "wizard/emergency/RestartPromptDialog.h"
#include "wizard/normal/FirmwareFilePage.h"
#include "wizard/normal/GatewayAddressPage.h"
#include "wizard/normal/GatewayInfoPage.h"

#include <QAbstractButton>
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace vornalix;
using namespace vornalix::wizard;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;

namespace fs = std::filesystem;

namespace {

QFileDialog* OpenFileDialog() {
    return qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
}

// A folder of its own, the current directory meanwhile.
class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "browse-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        savedDirectory = fs::current_path();
        fs::current_path(folder);
    }
    void TearDown() override {
        fs::current_path(savedDirectory);
        res::OverrideLanguage(res::Language::English);
        fs::remove_all(folder);
    }
    std::string Write(const std::string& name) {
        std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << "firmware";
        return path;
    }
    std::string folder;
    fs::path savedDirectory;
};

int OneAdapter(hostnet::AdapterEntry* table, int capacity) {
    if (capacity < 1)
        return 0;
    std::memset(table[0].description, 0, sizeof table[0].description);
    std::strcpy(table[0].description, "eth0");
    table[0].address = inet_addr("192.168.1.1");
    return 1;
}

} // namespace

TEST(PagesOnQt, LabelsOnThePageColourAndTheAppIcon) {
    ModePage mode;
    mode.InitializeForDisplay();
    for (QLabel* label : ui::Window(mode).findChildren<QLabel*>())
        EXPECT_FALSE(label->autoFillBackground()) << label->text().toStdString();
    PageFactory factory;
    WelcomePage welcome(factory);
    welcome.InitializeForDisplay();
    EXPECT_FALSE(ui::Item(welcome, IDC_WELCOME_TEXT)->autoFillBackground());
    OutcomePage outcome(40, "T", "M", 0);
    outcome.InitializeForDisplay();
    EXPECT_FALSE(ui::Item(outcome, IDC_OUTCOME_MESSAGE)->autoFillBackground());
    // Every page carries the application icon.
    EXPECT_FALSE(ui::Window(mode).windowIcon().isNull());
    EXPECT_EQ(ui::Window(mode).windowIcon().cacheKey(), ui::AppIcon().cacheKey());
}

// Statics draw no box of their own on the normal path's address and information pages.
TEST(PagesOnQt, LabelsOfTheNormalPagesOnThePageColour) {
    for (const auto language : {res::Language::English, res::Language::Japanese}) {
        res::OverrideLanguage(language);
        web::GatewayHttpSession session;
        GatewayAddressPage address(session, "http://192.168.1.1/");
        GatewayInfoPage info(session);
        address.InitializeForDisplay();
        info.InitializeForDisplay();
        for (ui::Dialog* page : {static_cast<ui::Dialog*>(&address), static_cast<ui::Dialog*>(&info)})
            for (QLabel* label : ui::Window(*page).findChildren<QLabel*>())
                EXPECT_FALSE(label->autoFillBackground()) << label->text().toStdString();
    }
    res::OverrideLanguage(res::Language::English);
}

TEST_F(BrowseTest, BrowseReplacesThePathOnlyWhenAFileIsChosen) {
    PromptScope prompts;
    std::string chosen = Write("chosen.bin");
    constexpr int kPath = FirmwareFilePage::IDC_PATH;
    FirmwareFilePage page("/typed/path.bin");
    std::string afterCancel, afterChoice;
    auto reject =
        wizard::test::WhenAnywhere([] { return OpenFileDialog() != nullptr; }, [] { OpenFileDialog()->reject(); });
    int result = RunModal(page, [&](ui::Dialog& d) {
        d.SetItemText(kPath, "typed by hand");
        d.Command(FirmwareFilePage::IDC_BROWSE);
        afterCancel = d.ItemText(kPath);
        auto accept = wizard::test::WhenAnywhere(
            [] { return OpenFileDialog() != nullptr; },
            [&] {
                QFileDialog* dialog = OpenFileDialog();
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(chosen));
                static_cast<QDialog*>(dialog)->accept();
                if (dialog->isVisible()) {
                    ADD_FAILURE() << "the file dialog refused " << chosen;
                    dialog->reject();
                }
            });
        // The button's click, not only its command.
        qobject_cast<QAbstractButton*>(ui::Item(d, FirmwareFilePage::IDC_BROWSE))->click();
        afterChoice = d.ItemText(kPath);
        d.SetItemText(kPath, "edited after browsing");
        d.Command(wizard::IDC_BACK);
    });
    EXPECT_EQ(afterCancel, "typed by hand");
    EXPECT_EQ(fs::canonical(afterChoice), fs::canonical(chosen));
    EXPECT_EQ(result, wizard::IDC_BACK);
    // Back takes nothing from the edit: the field holds the browsed file.
    EXPECT_EQ(page.pathText, afterChoice);
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST_F(BrowseTest, TheOpenDialogSpeaksTheUiLanguage) {
    res::OverrideLanguage(res::Language::Japanese);
    PromptScope prompts;
    std::string firmware = Write("gw.bin");
    hostnet::SettledMediaSense mediaSense;
    FirmwareAdapterPage page(firmware, 0, mediaSense, OneAdapter);
    QString title, accept, fileName, folderType, fileType;
    QStringList filters;
    RunModal(page, [&](ui::Dialog& d) {
        QTimer::singleShot(50, [&] {
            if (QFileDialog* dialog = OpenFileDialog()) {
                title = dialog->windowTitle();
                filters = dialog->nameFilters();
                accept = dialog->labelText(QFileDialog::Accept);
                fileName = dialog->labelText(QFileDialog::FileName);
                folderType = dialog->iconProvider()->type(QFileInfo(QDir::tempPath()));
                fileType = dialog->iconProvider()->type(QFileInfo(QString::fromStdString(firmware)));
                dialog->reject();
            }
        });
        d.Command(FirmwareAdapterPage::IDC_BROWSE);
        d.Command(common::IDCANCEL);
    });
    EXPECT_EQ(title.toStdString(), "開く");
    EXPECT_EQ(filters,
              (QStringList{QString::fromUtf8("バイナリ コード (*.bin)"), QStringLiteral("PARAM.INI (param.ini)"),
                           QString::fromUtf8("すべてのファイル (*)")}));
    EXPECT_EQ(accept.toStdString(), "開く(&O)");
    EXPECT_EQ(fileName.toStdString(), "ファイル名:");
    EXPECT_EQ(folderType.toStdString(), "フォルダー"); // the list's type column
    EXPECT_EQ(fileType.toStdString(), "bin ファイル");
}

// A notice the page shows in its status static wraps in the dialog's font, fits and can be selected.
TEST_F(BrowseTest, ARefusedHoldIsExplainedInReadableSelectableText) {
    using Page = EmergencyTransferPage;
    for (const auto language : {res::Language::English, res::Language::Japanese}) {
        res::OverrideLanguage(language);
        Page::Options options;
        options.privilege = std::make_shared<vornalix::testing::RefusingPrivilege>();
        Page page(Write("gw.bin"), inet_addr("192.168.1.1"), options);
        page.HoldAdapter("eth7", 7, false);
        bool readable = false;
        RunModal(page, [&](ui::Dialog& d) {
            vornalix::testing::PumpUntil([&] { return !d.ItemText(Page::IDC_STATUS).empty(); },
                                         std::chrono::seconds(3));
            auto* label = ui::ItemAs<QLabel>(d, Page::IDC_STATUS);
            const QRect room = label->geometry();
            const QRect needed = QFontMetrics(label->font())
                                     .boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, label->text());
            readable = !label->text().isEmpty() && label->wordWrap() &&
                       label->font().pixelSize() == ui::Window(d).font().pixelSize() &&
                       (label->textInteractionFlags() & Qt::TextSelectableByMouse) && needed.height() <= room.height();
            d.Command(IDC_BACK);
        });
        EXPECT_TRUE(readable) << page.ItemText(Page::IDC_STATUS);
    }
}

// Every dialog on screen turns grey while the restart prompt is open, and light cyan again after it.
TEST(PagesOnQt, GreyWhileTheRestartPromptIsOpen) {
    const QColor grey(192, 192, 192), cyan(128, 255, 255);
    ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
    hostnet::FakeSystemControl system;
    ui::Dialog other(105); // a page that is open while the prompt runs
    QColor during, pageDuring;
    RestartPromptDialog prompt("message", 1, system, 0);
    RunModal(prompt, [&](ui::Dialog& d) {
        during = ui::Window(d).palette().color(QPalette::Window);
        pageDuring = ui::Window(other).palette().color(QPalette::Window);
        d.Command(common::IDOK);
    });
    EXPECT_EQ(during, grey);
    EXPECT_EQ(pageDuring, grey);
    EXPECT_EQ(ui::Window(other).palette().color(QPalette::Window), cyan);
    ui::Dialog later(106);
    later.InitializeForDisplay();
    EXPECT_EQ(ui::Window(later).palette().color(QPalette::Window), cyan);
}
