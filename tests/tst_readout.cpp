// "Kiolvasás" over an in-memory line: the questions, the read frame, the count shown, the
// house and its backup written only once the whole dump is there, refusals, failed ends.
#include "openedhouse.h"
#include "readerfixtures.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

using fixtures::state;

static const QString Question = QStringLiteral("Adja meg a ház címét ahova a kiolvasott adatok kerüljenek!");
static const QString HoldsData = QStringLiteral("Már létező, nem üres fájlt nyitott meg. Ha folytatja készítek róla másolatot .bak kiterjesztéssel.");
static const QString Done = QStringLiteral("A kódmemória kiolvasása kész.");
static const QString TransferError = QStringLiteral("Hiba az átvitelben. Ismételje meg a kódmemória kiolvasását!");
static const QString Broken = QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt");
static const QString Idle = QStringLiteral("run 00 timers 010 lists 11 text3 '' bar 0 shown 00");
static const QByteArray OldBackup(20000, 'x'); // an older backup, of another length

// A read-out: the house before (null: none), the questions asked, surplus after the dump, bytes of it that come before the end
// (all unless it ends in `end`).
struct Run { QByteArray old; QStringList questions; int extra, before; QString end; };
Q_DECLARE_METATYPE(Run)

class TstReadOut : public QObject
{
    Q_OBJECT

private slots:
    void readOut_data()
    {
        QTest::addColumn<Run>("r");
        const QStringList data{Question, HoldsData};
        QTest::newRow("file missing") << Run{QByteArray(), {Question, "Új, még üres fájl."}, 0, 0, Done};
        QTest::newRow("all-F house: no backup") << Run{QByteArray(16392, 'F'), {Question}, 0, 0, Done};
        QTest::newRow("house with data, count past the bar's end") << Run{openedhouse::houseWithCodes(1), data, 20, 0, Done};
        // The house and its backup stay as they were.
        QTest::newRow("no byte at all") << Run{openedhouse::houseWithCodes(6), data, 0, 0, TransferError};
        QTest::newRow("pause in the dump") << Run{openedhouse::houseWithCodes(6), data, 0, 9000, TransferError};
        QTest::newRow("port vanishes") << Run{openedhouse::houseWithCodes(6), data, 0, 19500, Broken + "\nVálassza ki újra a portot a Comm listában!\nA kódmemória kiolvasása megszakadt, a házfájl nem változott."};
    }
    void readOut()
    {
        QFETCH(Run, r);
        const auto &[old, questions, extra, before, end] = r;
        Timing timing;
        timing.readOutFirstByteMs = 400;
        timing.readOutPauseMs = 300;
        Harness h;
        QVERIFY(h.startShown(timing));
        const QPointer<MemoryLink> link = h.ports.lastLink;
        Ui::Form1 &u = h.ui();
        if (!old.isNull())
            h.writeFile("haz.txt", old);
        h.writeFile("haz.bak", OldBackup);
        const bool backup = questions.contains(HoldsData);
        QStringList shown; // what Text3 and the bar show, in turn
        connect(u.Text3, &QLineEdit::textChanged, this, [&](const QString &t) { shown << "'" + t + "'"; });
        connect(u.ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { shown << QString::number(v); });
        link->feed(QByteArray(15, char(0x42))); // bytes from before the request would shift every record
        QElapsedTimer clock;
        clock.start();
        h.script("o phaz.txt o"); // OK to the question, the file, OK to a backup question
        QTest::mouseClick(u.Command6, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), questions);
        QCOMPARE(link->written, QList<QByteArray>{fixtures::readFrame()});
        // List3 shows what becomes the backup.
        QCOMPARE(state(h), QString("run 10 timers 010 lists 00 text3 '' bar 0 shown 0%1").arg(int(backup)));
        if (backup)
            QCOMPARE(openedhouse::rowsOf(u.List3).at(1), QString::fromLatin1(old.left(12)));

        const QByteArray dump = fixtures::dump(extra);
        if (end != Done) {
            for (int sent = 0; sent < before; sent += 1500) { // pieces within the pause limit keep it going
                QVERIFY(!h.dialogs.messageTexts().contains(TransferError));
                link->feed(dump.mid(sent, 1500));
                QTest::qWait(40);
            }
            if (end.startsWith(Broken))
                link->vanish(Broken);
            QTRY_COMPARE_WITH_TIMEOUT(h.dialogs.messageTexts().size(), 3, 3000);
            QVERIFY(clock.elapsed() >= 400);
            QVERIFY(h.dialogs.messageTexts().last().startsWith(end));
            // The rest of a late dump changes nothing, and no time-out follows.
            if (link)
                link->feed(dump.mid(before));
            QTest::qWait(450);
            QCOMPARE(h.dialogs.messageTexts().size(), 3);
            QCOMPARE(h.readFile("haz.txt") + h.readFile("haz.bak"), old + OldBackup);
            QCOMPARE(state(h), QString(Idle).replace("010", end == TransferError ? "010" : "000"));
            return;
        }
        link->feed(dump.left(1000));
        link->feed(dump.mid(1000, 19489));
        QTRY_COMPARE(u.Text3->text(), "20489");
        // Nothing is written until the whole dump is there.
        QCOMPARE(h.readFile("haz.txt") + h.readFile("haz.bak"), old + OldBackup);
        // While the final message is open a second dump comes: it is not taken.
        qint64 waitingAtDone = -1;
        h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == Done && waitingAtDone < 0) {
                waitingAtDone = link->bytesWaiting();
                link->feed(QByteArray(15, char(0x99)) + dump);
                QTest::qWait(60);
            }
        };
        QTest::qWait(50); // past the display interval: the last count shows at once
        link->feed(dump.mid(20489));
        QCOMPARE(waitingAtDone, 0);
        QCOMPARE(h.readFile("haz.txt") + h.readFile("haz.bak"), fixtures::expectedHouse() + (backup ? old : OldBackup));
        QCOMPARE(h.dialogs.messageTexts(), questions + QStringList{Done});
        const QString total = QString::number(dump.size()), bar = QString::number(qMin(dump.size(), qsizetype(20500)));
        QCOMPARE(shown.mid(shown.size() - 8), (QStringList{"'1000'", "1000", "'20489'", "20489", "'" + total + "'", bar, "0", "''"}));
        // The poller goes on in its idle branch.
        QCOMPARE(state(h), QString("run 00 timers 010 lists 11 text3 '' bar 0 shown 1%1").arg(int(backup)));
        QCOMPARE(h.form->state().houseFilePath + u.Text2->text(), h.path("haz.txt").repeated(2));
        const QStringList list2 = openedhouse::rowsOf(u.List2);
        QCOMPARE((QStringList{list2.at(1), list2.at(1510), list2.last(), QString::number(list2.size())}),
                 (QStringList{"0A1B2C3D4E05", "152. Lakás", "FFFFFFFFFFFF", "1518"}));
        QVERIFY(h.dialogs.unexpected().isEmpty());
    }

    // Nothing is sent and no file changes.
    void refused_data()
    {
        QTest::addColumn<QString>("name"); // the file picked, or what else stops the read-out
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("after"); // state() after the click
        QTest::newRow("cancel at the question") << QString() << QStringList{Question} << Idle;
        QTest::newRow("cancel in the file dialog") << QStringLiteral("") << QStringList{Question} << Idle;
        QTest::newRow("cancel the backup question") << "h.txt" << QStringList{Question, HoldsData} << Idle;
        // A damaged file stops the poller an earlier read-out left running.
        QTest::newRow("damaged file") << "damaged.txt" << QStringList{Question, "A fájl sérült!"} << "run 00 timers 000 lists 11 text3 '' bar 0 shown 00";
        QTest::newRow("no port open") << "no port" << QStringList{"Nincs megnyitott soros port. Válasszon portot a Comm listában!"} << Idle;
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, messages);
        QFETCH(QString, after);
        Harness h;
        QVERIFY(h.startShown());
        if (name == "no port")
            h.form->reader().detach();
        h.writeFile("h.txt", openedhouse::houseWithCodes(4));
        h.writeFile("damaged.txt", QByteArray(100, '1'));
        h.form->reader().timer2().start();
        const auto files = openedhouse::snapshot(h.dataFolder);
        h.script(name.isNull() ? "c" : "o p" + name + " c");
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), messages);
        QCOMPARE(openedhouse::snapshot(h.dataFolder), files);
        QVERIFY(!h.ports.lastLink || h.ports.lastLink->written.isEmpty());
        QCOMPARE(state(h), after);
    }
};

QTEST_MAIN(TstReadOut)
#include "tst_readout.moc"
