#include "ui/qt/QtLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vornalix::ui {

bool UseQtLanguage(res::Language language) {
    static QTranslator translator;
    QCoreApplication::removeTranslator(&translator);
    if (language != res::Language::Japanese)
        return false;
    if (!translator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace vornalix::ui
