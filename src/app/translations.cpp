#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool installHungarianQtTranslation()
{
    static QTranslator translator;
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    if (!translator.isEmpty())
        return true;
    if (!translator.load(QLocale(QLocale::Hungarian, QLocale::Hungary), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}
