#include "app/dialogs.h"
#include "app/form1.h"
#include "app/instanceguard.h"
#include "app/services.h"
#include "app/settingsstore.h"
#include "reader/serialport.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Belvarium"));

    // Qt's own Hungarian texts, so the standard buttons read OK, Mégse, Igen, Nem.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Hungarian, QLocale::Hungary), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));

    WidgetDialogs dialogs;
    SystemPortCatalogue ports;
    QtSettingsStore settings;
    LockFileInstanceGuard instance;
    Services services;
    services.dialogs = &dialogs;
    services.ports = &ports;
    services.settings = &settings;
    services.instance = &instance;

    Form1 window(services);
    dialogs.setParent(&window);
    QObject::connect(&window, &Form1::endRequested, &app, [] { QCoreApplication::exit(0); });
    if (!window.startUp())
        return 0;
    window.show();
    return app.exec();
}
