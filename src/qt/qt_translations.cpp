#include "qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace rv::ui {

Result<QTranslator*, QString> installQtTranslations(QCoreApplication& app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder)) {
        delete translator;
        return Result<QTranslator*, QString>::failure(folder + QStringLiteral("/qtbase_ja.qm"));
    }
    QCoreApplication::installTranslator(translator);
    return Result<QTranslator*, QString>::success(translator);
}

} // namespace rv::ui
