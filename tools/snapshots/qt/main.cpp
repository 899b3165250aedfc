// vornalix-snapshots OUTDIR: renders every page and message box, in English and in Japanese,
// offscreen, to PNG files named by dialog id and language.
#include "RuntimeFolder.h"
#include "Shots.h"
#include "res/Resources.h"
#include "ui/Application.h"
#include "ui/DialogColors.h"
#include "ui/GuiPrompt.h"
#include "ui/qt/QtDialog.h"
#include "ui/qt/QtLanguage.h"
#include "wizard/FirmwareFile.h"
#include "wizard/normal/PasswordDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include <cstdio>
#include <string>

using namespace vornalix;
using namespace vornalix::snapshots;

namespace {

bool Save(QWidget& widget, const QString& path) {
    QPixmap image = widget.grab();
    if (!image.save(path)) {
        std::fprintf(stderr, "vornalix-snapshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        const bool asked = argc == 2;
        std::fprintf(asked ? stdout : stderr,
                     "usage: vornalix-snapshots OUTDIR\n"
                     "Renders every page and message box in English and Japanese to OUTDIR/*.png.\n");
        return asked ? 0 : 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::PrivateRuntimeFolder runtimeFolder;
    auto application = ui::Application::Start(argc, argv);
    ui::SetApplicationNameFromPath("vornalix");
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "vornalix-snapshots: cannot create %s\n", argv[1]);
        return 1;
    }
    ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
    wizard::PageFactory factory;
    bool ok = true;
    for (auto [language, tag] : {std::pair{res::Language::English, "en"}, std::pair{res::Language::Japanese, "ja"}}) {
        res::OverrideLanguage(language);
        ui::UseQtLanguage(language);
        for (const auto& shot : Pages(factory)) {
            auto page = shot.create();
            page->InitializeForDisplay();
            QDialog& window = ui::Window(*page);
            window.show();
            QApplication::processEvents();
            ok &= Save(window,
                       out.filePath(QStringLiteral("dialog%1-%2.png").arg(QString::fromStdString(shot.name), tag)));
            window.hide();
        }
        {
            wizard::PasswordDialog password("default");
            password.InitializeForDisplay();
            ui::Window(password).show();
            QApplication::processEvents();
            ok &= Save(ui::Window(password), out.filePath(QStringLiteral("password-%1.png").arg(tag)));
            ui::Window(password).hide();
        }
        {
            auto dialog = ui::BuildOpenFileDialog(nullptr, wizard::FirmwareFileRequest(true));
            dialog->show();
            QApplication::processEvents();
            ok &= Save(*dialog, out.filePath(QStringLiteral("open-dialog-%1.png").arg(tag)));
            dialog->hide();
        }
        for (const auto& shot : Messages()) {
            // Every box our code words has a Japanese text of its own.
            if (!HasOwnText(shot, language)) {
                std::fprintf(stderr, "vornalix-snapshots: message %s has no Japanese text\n", shot.name.c_str());
                ok = false;
            }
            auto box = ui::BuildMessageBox(shot.text(), shot.type);
            box->show();
            QApplication::processEvents();
            ok &= Save(*box,
                       out.filePath(QStringLiteral("message%1-%2.png").arg(QString::fromStdString(shot.name), tag)));
            box->hide();
        }
    }
    return ok ? 0 : 1;
}
