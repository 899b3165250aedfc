// main() for GUI tests: an offscreen QApplication with a runtime folder of its own, then GoogleTest.
#include "RuntimeFolder.h"
#include "ui/GuiPrompt.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    vornalix::testing::PrivateRuntimeFolder runtimeFolder;
    QApplication application(argc, argv);
    vornalix::ui::SetApplicationNameFromPath(QStringLiteral("vornalix"));
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
