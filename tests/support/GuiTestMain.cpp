// main() for GUI tests: an offscreen QApplication, then GoogleTest.
#include "ui/GuiPrompt.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    vornalix::ui::SetApplicationNameFromPath(QStringLiteral("vornalix"));
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
