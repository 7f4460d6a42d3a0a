// A whole program that starts a read-out and keeps waiting for the dump, to be
// killed from outside in the middle of it. Arguments: the virtual-port folder
// (or "memory" for an in-memory line fed from here, slowly) and the house file.
// Prints "waiting" once the read request is out and "bytes N" as the dump comes.
#include "harness.h"
#include "readerfixtures.h"
#include "reader/readerlink.h"
#include "reader/serialport.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const QString portDir = args.at(1);
    const QString house = args.at(2);

    Harness h;
    SystemPortCatalogue system(portDir);
    const bool memory = portDir == QLatin1String("memory");
    if (memory)
        h.ports.free = {1};
    else
        h.services.ports = &system;
    h.saveDataFolder();
    h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                         memory ? QStringLiteral("1") : QStringLiteral("201"));
    if (!h.start())
        return 3;
    if (!h.form->reader().isOpen() || (!memory && !h.form->reader().link()->deviceName().endsWith(QLatin1String("201"))))
        return 4;

    QTextStream out(stdout);
    QObject::connect(&h.form->reader(), &ReaderLink::readOutProgress, &app, [&out](qint64 n) {
        out << "bytes " << n << Qt::endl;
    });
    h.dialogs.answer(Dialogs::Answer::Ok);
    h.dialogs.pick(house);
    h.dialogs.answer(Dialogs::Answer::Ok); // the backup question
    h.ui().Command6->click();
    if (h.form->state().readOutRunning != 1)
        return 5;
    out << "waiting" << Qt::endl;

    QTimer feeder;
    int sent = 0;
    const QByteArray dump = fixtures::dump();
    if (memory) {
        // The in-memory reader sends its dump a block at a time, never quite all.
        QObject::connect(&feeder, &QTimer::timeout, &app, [&] {
            if (sent + 15 < dump.size()) {
                h.ports.lastLink->feed(dump.mid(sent, 15));
                sent += 15;
            }
        });
        feeder.start(2);
    }
    return app.exec();
}
