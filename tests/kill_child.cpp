// Until killed, in the work folder's data/: copies s1.txt or s2.txt over t.txt, each copy followed by a restore ("cycle"),
// takes a code out of every house with "Kód törlése" and writes it back ("takeout"), or reads the reader out into haz.txt
// while the dump comes a block every 2 ms and never whole ("readout"), all through the window. The crash tests kill it at
// random and check the files.
#include "cards/cardfinder.h"
#include "house/housefile.h"
#include "harness.h"
#include "openedhouse.h"
#include "readerfixtures.h"
#include "ui_cardwindow.h"

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <cstdio>

namespace {
int fail(const QString &what) { std::fprintf(stderr, "kill_child: %s\n", qPrintable(what)); return 2; }

void say(const QByteArray &line) { std::fputs(line.constData(), stdout); std::fflush(stdout); }

bool scripted(Harness &h) { return h.dialogs.unexpected().isEmpty() && !h.dialogs.pendingAnswers(); } // dialogs came as scripted

bool click(Harness &h, QPushButton *button, const QString &steps)
{
    h.dialogs.clear();
    h.script(steps);
    QTest::mouseClick(button, Qt::LeftButton);
    return scripted(h);
}

bool restore(Harness &h) // OK to Command7's question and, t.bak chosen, to "the txt file exists"
{
    if (!click(h, h.ui().Command7, QStringLiteral("o")) || openedhouse::rowsOf(h.ui().File1) != QStringList{"t.bak"})
        return false;
    h.script(QStringLiteral("o"));
    emit h.ui().File1->itemClicked(h.ui().File1->item(0));
    return scripted(h) && h.ui().File1->isHidden();
}

// Each round takes every hit of the code out (Yes to the question), then writes the code back into each record it emptied as the
// program writes a record, so that a kill can land in either.
int takeOutRounds(Harness &h)
{
    h.form->findCardAction()->trigger();
    CardFinder &finder = h.form->cardFinder();
    const auto search = [&](QPushButton *button, const QString &steps) { // both buttons end in a search
        QSignalSpy done(&finder, &CardFinder::searchFinished);
        const bool clicked = click(h, button, steps);
        return done.wait(10000) && clicked;
    };
    finder.ui().queryEdit->setText(QStringLiteral("0A1B2C3D4E05"));
    say("ready\n");
    for (int round = 0;; ++round) {
        if (!search(finder.ui().searchButton, QString()))
            return fail(QStringLiteral("the search did not finish"));
        const QList<cards::Hit> hits = finder.hits();
        finder.ui().hitTable->selectAll();
        if (!search(finder.ui().takeOutButton, QStringLiteral("y n"))) // the code taken out, its card not revoked
            return fail(h.dialogs.messageTexts().join(QLatin1Char('|')));
        for (const cards::Hit &hit : finder.hits()) // only postas.lst, never changed, may keep it
            if (!hit.nonResidentList)
                return fail(QStringLiteral("not taken out: %1:%2").arg(hit.file).arg(hit.slot));
        for (const cards::Hit &hit : hits)
            if (!hit.nonResidentList && !house::writeHouseRecord(h.path(hit.file), hit.slot, hit.code))
                return fail(QStringLiteral("the code could not be written back"));
        say(QByteArray::number(round) + '\n');
    }
}

int readOut(Harness &h)
{
    if (!click(h, h.ui().Command6, QStringLiteral("o phaz.txt o")) || h.form->state().readOutRunning != 1) // with the backup question
        return fail(QStringLiteral("the read-out did not start"));
    say("ready\n");
    const QByteArray dump = fixtures::dump();
    int sent = 0;
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (sent + 15 < dump.size())
            h.ports.lastLink->feed(dump.mid(sent, 15));
        sent += 15;
    });
    feeder.start(2);
    return qApp->exec();
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3)
        return fail(QStringLiteral("usage: kill_child cycle|takeout|readout <work folder>"));
    for (const char *name : {"TMPDIR", "TMP", "TEMP"}) // for the harness's own settings and lock
        qputenv(name, argv[2]);
    Harness h;
    h.dataFolder = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/data/");
    if (!h.startShown())
        return fail(QStringLiteral("start-up failed"));
    if (QByteArray(argv[1]) == "takeout")
        return takeOutRounds(h);
    if (QByteArray(argv[1]) == "readout")
        return readOut(h);
    openedhouse::open(*h.form, h.path(QStringLiteral("s1.txt")), h.readFile(QStringLiteral("s1.txt")));
    say("ready\n");
    // One killed between its copy and restore left the target's own data in the backup, where another copy would overwrite it.
    if (QFile::exists(h.path(QStringLiteral("t.bak"))) && !restore(h))
        return fail(QStringLiteral("the leftover backup was not restored"));
    for (int round = 0;; ++round) {
        h.ui().Text2->setText(h.path(round % 2 ? QStringLiteral("s2.txt") : QStringLiteral("s1.txt")));
        // OK to the question, t.txt in the dialog, OK to backing up its codes.
        if (!click(h, h.ui().Command5, QStringLiteral("o pt.txt o")) || !h.dialogs.messageTexts().contains(QStringLiteral("A másolás kész.")) || !restore(h))
            return fail(h.dialogs.messageTexts().join(QLatin1Char('|')));
        say(QByteArray::number(round) + '\n');
    }
}
