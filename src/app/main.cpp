#include "app/dialogs.h"
#include "app/form1.h"
#include "app/instanceguard.h"
#include "app/services.h"
#include "app/settingsstore.h"
#include "app/translations.h"
#include "reader/serialport.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Belvarium"));
    // X11 takes the icon from the window; Wayland only from the menu entry named here.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/hu.belvarium.Belvarium.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("hu.belvarium.Belvarium"));

    installHungarianQtTranslation();

    WidgetDialogs dialogs;
    SystemPortCatalogue ports;
    QtSettingsStore settings;
    // Beside the settings: a copy started without the user's session (su,
    // ssh, cron) still finds it, and one copy per settings is the point.
    LockFileInstanceGuard instance(settings.folder() + QStringLiteral("/belvarium.lock"));
    const Services services{&dialogs, &ports, &settings, &instance, Timing()};

    Form1 window(services);
    dialogs.setParent(&window);
    QObject::connect(&window, &Form1::endRequested, &app, [] { QCoreApplication::exit(0); });
    if (!window.startUp())
        return 0;
    window.show();
    return app.exec();
}
