// belvarium-screenshot: the picture of the main window in the README, taken
// from the real program rather than drawn. It builds the window on the
// offscreen platform with the simulated reader on a virtual port and the
// sample house nador42.txt open, and saves the window as a PNG.
//
//     belvarium-screenshot <folder of the sample houses> <output.png>

#include "app/dialogs.h"
#include "app/form1.h"
#include "app/instanceguard.h"
#include "app/settingsstore.h"
#include "house/houseopening.h"
#include "reader/serialport.h"
#include "simreader/ptyserver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>

namespace {
// Nothing asks the user anything on the way; a message would be a fault.
class NoDialogs : public Dialogs
{
public:
    QStringList shown;
    Answer message(const QString &, const QString &text, Buttons, Answer defaultButton) override
    {
        shown << text;
        return defaultButton;
    }
    QString inputBox(const QString &, const QString &prompt) override
    {
        shown << prompt;
        return QString();
    }
    QString openFile(const QString &, const QString &, const QString &, const QString &) override { return {}; }
};
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: belvarium-screenshot <sample folder> <output.png>" << Qt::endl;
        return 2;
    }
    QTemporaryDir work;
    const QString data = work.path() + QStringLiteral("/data/");
    QDir().mkpath(data);
    const QDir samples(QString::fromLocal8Bit(argv[1]));
    for (const QString &name : samples.entryList(QDir::Files))
        QFile::copy(samples.filePath(name), data + name);

    PtyServer reader{ReaderOptions()};
    reader.setLinkDirectory(work.path() + QStringLiteral("/ports"));
    reader.setPortNumber(201);
    QString error;
    if (!reader.start(&error)) {
        err << error << Qt::endl;
        return 1;
    }
    NoDialogs dialogs;
    SystemPortCatalogue ports(work.path() + QStringLiteral("/ports"));
    QtSettingsStore settings(work.path());
    settings.setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"), QStringLiteral("201"));
    settings.setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), data);
    LockFileInstanceGuard instance(work.path() + QStringLiteral("/belvarium.lock"));
    const Services services{&dialogs, &ports, &settings, &instance, Timing()};

    Form1 window(services);
    if (!window.startUp())
        return 1;
    window.show();
    window.houseOpening().openHouse(data + QStringLiteral("nador42.txt"));
    QApplication::processEvents();
    if (!dialogs.shown.isEmpty()) {
        err << "unexpected message: " << dialogs.shown.join(QStringLiteral(" | ")) << Qt::endl;
        return 1;
    }
    if (!window.grab().save(QString::fromLocal8Bit(argv[2]))) {
        err << "cannot write " << argv[2] << Qt::endl;
        return 1;
    }
    return 0;
}
