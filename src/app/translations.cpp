#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool installHungarianQtTranslation()
{
    static QTranslator translator;
    const QLocale hungarian(QLocale::Hungarian, QLocale::Hungary);
    QLocale::setDefault(hungarian);
    if (!translator.isEmpty())
        return true;
    // A copied program folder (Windows) carries the file in "translations"
    // beside the executable; Qt's own folder there is wherever it was built.
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
    for (const QString &folder : folders) {
        if (translator.load(hungarian, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            return QCoreApplication::installTranslator(&translator);
    }
    return false;
}
