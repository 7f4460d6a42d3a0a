// A whole program that starts a read-out into the house file given and receives its dump on an
// in-memory line, a block every 2 ms and never all of it, until it is killed; prints "waiting" first.
#include "readerfixtures.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The temporary folders a kill leaves go beside the house.
    qputenv("TMPDIR", QFile::encodeName(QFileInfo(app.arguments().value(1)).absolutePath()));
    Harness h;
    if (!fixtures::startWithPort(h, Timing()))
        return 3;
    h.dialogs.answer(Dialogs::Answer::Ok);
    h.dialogs.pick(app.arguments().value(1));
    h.dialogs.answer(Dialogs::Answer::Ok); // the backup question
    h.ui().Command6->click();
    if (h.form->state().readOutRunning != 1)
        return 4;
    QTextStream(stdout) << "waiting" << Qt::endl;
    const QByteArray dump = fixtures::dump();
    int sent = 0;
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, &app, [&] {
        if (sent + 15 < dump.size())
            h.ports.lastLink->feed(dump.mid(sent, 15));
        sent += 15;
    });
    feeder.start(2);
    return app.exec();
}
