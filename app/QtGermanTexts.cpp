#include "QtGermanTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tc4dl {

bool installQtGermanTexts(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace tc4dl
