// vornalix-render-icons OUTDIR: writes the application icon as OUTDIR/<size>x<size>/apps/vornalix.png
// for the hicolor theme, at the sizes the window icon is drawn at (and 24, scaled by QIcon).
#include "ui/qt/QtDialog.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        const bool asked = argc == 2;
        std::fputs("usage: vornalix-render-icons OUTDIR\n"
                   "Writes the application icon to OUTDIR/<size>x<size>/apps/vornalix.png (hicolor layout).\n",
                   asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QIcon icon = vornalix::ui::AppIcon();
    for (int size : {16, 24, 32, 48, 64}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        const QPixmap pixmap = icon.pixmap(size, size);
        if (!QDir().mkpath(folder) || pixmap.width() != size || !pixmap.save(folder + "/vornalix.png", "PNG")) {
            std::fprintf(stderr, "vornalix-render-icons: cannot write %s/vornalix.png\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
