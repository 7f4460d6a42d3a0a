// "Kiolvasás" through Form1's real controls over an in-memory serial line:
// questions, the read frame, progress, the house file and its backup on disk,
// the lists, time-outs, a vanishing port and refusals.
#include "harness.h"
#include "readerfixtures.h"
#include "reader/erase.h"
#include "reader/readout.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTest>

#include <algorithm>

using Answer = Dialogs::Answer;

namespace {
const QString Question = QStringLiteral("Adja meg a ház címét ahova a kiolvasott adatok kerüljenek!");
const QString NewFile = QStringLiteral("Új, még üres fájl.");
const QString HoldsData = QStringLiteral(
    "Már létező, nem üres fájlt nyitott meg. Ha folytatja készítek róla másolatot .bak kiterjesztéssel.");
const QString Damaged = QStringLiteral("A fájl sérült!");
const QString Done = QStringLiteral("A kódmemória kiolvasása kész.");
const QString TransferError = QStringLiteral("Hiba az átvitelben. Ismételje meg a kódmemória kiolvasását!");
const QString NoPort = QStringLiteral("Nincs megnyitott soros port. Válasszon portot a Comm listában!");

QStringList rows(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

int headerCount(const QStringList &rows)
{
    int n = 0;
    for (const QString &r : rows)
        n += r.endsWith(QStringLiteral(". Lakás")) ? 1 : 0;
    return n;
}
} // namespace

class TstReadOut : public QObject
{
    Q_OBJECT

    // Answers the opening question and the file dialog, then clicks "Kiolvasás".
    static void clickReadOut(Harness &h, const QString &target, std::initializer_list<Answer> then = {})
    {
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(target);
        for (Answer a : then)
            h.dialogs.answer(a);
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
    }

    static void checkFinishedInto(Harness &h, const QString &name)
    {
        QCOMPARE(h.readFile(name), fixtures::expectedHouse());
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QCOMPARE(h.form->state().houseFilePath, h.path(name));
        QCOMPARE(h.ui().Text2->text(), h.path(name));
        const QStringList list2 = rows(h.ui().List2);
        QCOMPARE(list2.size(), 1518);
        QCOMPARE(list2.first(), QStringLiteral("1. Lakás"));
        QCOMPARE(list2.at(1), QStringLiteral("0A1B2C3D4E05"));
        QCOMPARE(list2.at(1510), QStringLiteral("152. Lakás"));
        QCOMPARE(list2.last(), QStringLiteral("FFFFFFFFFFFF"));
        QVERIFY(h.ui().List2->isVisible());
        QVERIFY(h.ui().Label21->isVisible());
        QVERIFY(h.ui().Label18->isVisible());
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QCOMPARE(h.ui().Text3->text(), QString());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        QCOMPARE(h.dialogs.messageTexts().last(), Done);
        QVERIFY(h.dialogs.unexpected().isEmpty());
    }

private slots:
    void readOutIntoANewFileFollowsTheBytesAndWritesTheHouse_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("file missing") << false;
        QTest::newRow("0-byte file") << true;
    }
    void readOutIntoANewFileFollowsTheBytesAndWritesTheHouse()
    {
        QFETCH(bool, exists);
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        if (exists)
            h.writeFile(QStringLiteral("uj.txt"), QByteArray());
        h.ui().Text1->setText(QStringLiteral("régi"));

        clickReadOut(h, h.path(QStringLiteral("uj.txt")));
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, NewFile}));
        QCOMPARE(h.dialogs.shown().at(1).folder, h.dataFolder);
        QCOMPARE(h.dialogs.shown().at(1).text, QStringLiteral("Szöveg (*.txt)|*.txt|"));
        QCOMPARE(h.ui().Text1->text(), QString());
        QCOMPARE(link->written, QList<QByteArray>{fixtures::readFrame()});
        QCOMPARE(link->discards, 1);
        QCOMPARE(h.form->state().readOutRunning, qint16(1));
        QVERIFY(h.form->reader().timer2().isActive());
        QVERIFY(!h.ui().List5->isEnabled());
        QVERIFY(!h.ui().List6->isEnabled());
        QCOMPARE(h.ui().ProgressBar1->maximum(), 20500);
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("uj.txt")));
        QVERIFY(h.ui().List2->isHidden());
        // Nothing is written until the dump is complete.
        QVERIFY(QFileInfo::exists(h.path(QStringLiteral("uj.txt"))));
        QCOMPARE(QFileInfo(h.path(QStringLiteral("uj.txt"))).size(), 0);

        const QByteArray dump = fixtures::dump();
        link->feed(dump.left(1000));
        QCOMPARE(h.ui().Text3->text(), QStringLiteral("1000"));
        QCOMPARE(h.ui().ProgressBar1->value(), 1000);
        link->feed(dump.mid(1000, 19489));
        // The display follows within its interval.
        QTRY_COMPARE(h.ui().Text3->text(), QStringLiteral("20489"));
        QCOMPARE(h.ui().ProgressBar1->value(), 20489);
        QCOMPARE(QFileInfo(h.path(QStringLiteral("uj.txt"))).size(), 0);
        link->feed(dump.mid(20489));
        checkFinishedInto(h, QStringLiteral("uj.txt"));
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("uj.bak"))));
        QVERIFY(h.ui().List3->isHidden());
        // The poller keeps running in its idle branch.
        QVERIFY(h.form->reader().timer2().isActive());
        QCOMPARE(link->bytesWaiting(), 0);
    }

    void allFHouseIsOverwrittenWithoutQuestionOrBackup()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        h.writeFile(QStringLiteral("ures.txt"), fixtures::allFHouse());
        clickReadOut(h, h.path(QStringLiteral("ures.txt")));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Question});
        QCOMPARE(h.ports.lastLink->written, QList<QByteArray>{fixtures::readFrame()});
        h.ports.lastLink->feed(fixtures::dump());
        checkFinishedInto(h, QStringLiteral("ures.txt"));
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("ures.bak"))));
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, Done}));
    }

    void houseWithDataIsBackedUpOnlyOnceTheDumpIsComplete()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        const QByteArray old = fixtures::dataHouse(1);
        h.writeFile(QStringLiteral("fo utca 1.txt"), old);
        // An older backup of another length must give way to an exact copy.
        h.writeFile(QStringLiteral("fo utca 1.bak"), QByteArray(20000, 'x'));

        clickReadOut(h, h.path(QStringLiteral("fo utca 1.txt")), {Answer::Ok});
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, HoldsData}));
        QCOMPARE(h.dialogs.shown().at(2).buttons, Dialogs::Buttons::OkCancel);
        QCOMPARE(h.ports.lastLink->written, QList<QByteArray>{fixtures::readFrame()});
        QCOMPARE(h.form->state().backupFilePath, h.path(QStringLiteral("fo utca 1.bak")));
        // List3 shows what becomes the backup; the files are untouched so far.
        const QStringList list3 = rows(h.ui().List3);
        QCOMPARE(list3.size(), 1518);
        QCOMPARE(headerCount(list3), 152);
        QCOMPARE(list3.at(1), QString::fromLatin1(old.left(12)));
        QVERIFY(h.ui().List3->isVisible());
        QVERIFY(h.ui().Label19->isVisible());
        QVERIFY(h.ui().Label10->isVisible());
        QCOMPARE(h.readFile(QStringLiteral("fo utca 1.txt")), old);
        QCOMPARE(h.readFile(QStringLiteral("fo utca 1.bak")), QByteArray(20000, 'x'));

        h.ports.lastLink->feed(fixtures::dump());
        checkFinishedInto(h, QStringLiteral("fo utca 1.txt"));
        QCOMPARE(h.readFile(QStringLiteral("fo utca 1.bak")), old);
        QCOMPARE(rows(h.ui().List3), list3);
        QVERIFY(h.ui().List3->isVisible());
    }

    void cancellingTheBackupQuestionChangesNothing()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        const QByteArray old = fixtures::dataHouse(2);
        h.writeFile(QStringLiteral("h.txt"), old);
        h.writeFile(QStringLiteral("h.bak"), fixtures::dataHouse(3));
        clickReadOut(h, h.path(QStringLiteral("h.txt")), {Answer::Cancel});
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, HoldsData}));
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QCOMPARE(h.readFile(QStringLiteral("h.txt")), old);
        QCOMPARE(h.readFile(QStringLiteral("h.bak")), fixtures::dataHouse(3));
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
    }

    void cancelInTheQuestionOrTheDialogSendsNothing_data()
    {
        QTest::addColumn<bool>("atQuestion");
        QTest::newRow("question") << true;
        QTest::newRow("file dialog") << false;
    }
    void cancelInTheQuestionOrTheDialogSendsNothing()
    {
        QFETCH(bool, atQuestion);
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        h.ui().List1->addItem(QStringLiteral("másolat"));
        h.ui().List1->show();
        if (atQuestion) {
            h.dialogs.answer(Answer::Cancel);
        } else {
            h.dialogs.answer(Answer::Ok);
            h.dialogs.pick(QString());
        }
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QCOMPARE(h.ui().List1->count(), 0);
        QVERIFY(h.ui().List1->isHidden());
        QCOMPARE(h.form->state().houseFilePath, QString());
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Question});
        QVERIFY(h.dialogs.unexpected().isEmpty());
    }

    void damagedFileIsRefusedUntouched()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        h.writeFile(QStringLiteral("rossz.txt"), QByteArray(100, '1'));
        clickReadOut(h, h.path(QStringLiteral("rossz.txt")));
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, Damaged}));
        QCOMPARE(h.readFile(QStringLiteral("rossz.txt")), QByteArray(100, '1'));
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QCOMPARE(h.ui().Text2->text(), QString());
        QVERIFY(!h.form->reader().timer2().isActive());
        QVERIFY(h.ui().List2->isHidden());
        QVERIFY(h.ui().List5->isEnabled());
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("rossz.bak"))));
    }

    void aTargetNamedLikeABackupIsRefusedUntouched_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow(".bak") << QStringLiteral("x.bak");
        QTest::newRow(".BAK") << QStringLiteral("x.BAK");
        QTest::newRow("ends in bak") << QStringLiteral("xbak");
    }
    void aTargetNamedLikeABackupIsRefusedUntouched()
    {
        // Its backup is itself: the old codes would be overwritten by the dump.
        QFETCH(QString, name);
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        h.writeFile(name, fixtures::expectedHouse());
        clickReadOut(h, h.path(name), {Answer::Ok});
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QVERIFY(h.dialogs.messageTexts().last().contains(h.path(name) + QStringLiteral(" fájl neve \"bak\"-ra")));
        QCOMPARE(h.readFile(name), fixtures::expectedHouse());
        QCOMPARE(QDir(h.dataFolder).entryList(QDir::Files).size(), 2); // the house and postas.lst
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QVERIFY(h.ui().List5->isEnabled());
    }

    void longDumpIsCutAndTheSurplusDiscarded()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        clickReadOut(h, h.path(QStringLiteral("hosszu.txt")));
        // All 20495 bytes at once: the count passes the bar's maximum of 20500
        // only in Text3; the bar must take it without an error.
        h.ports.lastLink->feed(fixtures::dump(5));
        checkFinishedInto(h, QStringLiteral("hosszu.txt"));
        QCOMPARE(h.ports.lastLink->bytesWaiting(), 0);
        QVERIFY(!h.dialogs.messageTexts().contains(TransferError));
    }

    void countAboveTheBarMaximumDoesNotBreakTheProgress()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        clickReadOut(h, h.path(QStringLiteral("sok.txt")));
        QStringList counts;
        QList<int> values;
        connect(h.ui().Text3, &QLineEdit::textChanged, this, [&](const QString &t) { counts << t; });
        connect(h.ui().ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { values << v; });
        // 20510 bytes at once: the count passes the bar's maximum of 20500.
        h.ports.lastLink->feed(fixtures::dump(20));
        QVERIFY(counts.contains(QStringLiteral("20510")));
        QVERIFY(values.contains(20500));
        QVERIFY(*std::max_element(values.begin(), values.end()) <= 20500);
        checkFinishedInto(h, QStringLiteral("sok.txt"));
        QVERIFY(!h.dialogs.messageTexts().contains(TransferError));
    }

    void bytesBeforeTheRequestAreDiscarded()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        // Noise on the line before the request: a whole block, which would
        // shift every record by one slot if it were kept.
        link->feed(QByteArray(15, char(0x42)));
        QCOMPARE(link->bytesWaiting(), 15);
        clickReadOut(h, h.path(QStringLiteral("zaj.txt")));
        QCOMPARE(link->bytesWaiting(), 0);
        link->feed(fixtures::dump());
        checkFinishedInto(h, QStringLiteral("zaj.txt"));
    }

    void secondClickDuringTheWaitStartsAfresh()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        h.writeFile(QStringLiteral("ketto.txt"), fixtures::dataHouse(4));
        clickReadOut(h, h.path(QStringLiteral("ketto.txt")), {Answer::Ok});
        link->feed(fixtures::dump().left(7000));
        QCOMPARE(h.ui().Text3->text(), QStringLiteral("7000"));
        // Nothing was touched yet, so the second run asks the same again.
        clickReadOut(h, h.path(QStringLiteral("ketto.txt")), {Answer::Ok});
        QCOMPARE(link->written, (QList<QByteArray>{fixtures::readFrame(), fixtures::readFrame()}));
        QCOMPARE(link->bytesWaiting(), 0);
        QCOMPARE(h.dialogs.messageTexts().count(HoldsData), 2);
        link->feed(fixtures::dump());
        checkFinishedInto(h, QStringLiteral("ketto.txt"));
        QCOMPARE(h.readFile(QStringLiteral("ketto.bak")), fixtures::dataHouse(4));
    }

    void finalMessageDoesNotRunTheBranchAgain()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        h.writeFile(QStringLiteral("x.txt"), fixtures::dataHouse(5));
        clickReadOut(h, h.path(QStringLiteral("x.txt")), {Answer::Ok});
        // While the final message is open a second dump arrives (a real
        // message box runs an event loop that delivers it).
        bool fed = false;
        h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == Done && !fed) {
                fed = true;
                QByteArray other = fixtures::dump();
                other[1] = char(0x99);
                link->feed(other);
                QTest::qWait(60);
            }
        };
        link->feed(fixtures::dump());
        QVERIFY(fed);
        QTest::qWait(60);
        checkFinishedInto(h, QStringLiteral("x.txt"));
        QCOMPARE(h.dialogs.messageTexts().count(Done), 1);
        QCOMPARE(h.readFile(QStringLiteral("x.bak")), fixtures::dataHouse(5));
    }

    void refusedWhileAnUploadRuns()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        h.form->state().uploadRunning = 1;
        h.ui().Text1->setText(QStringLiteral("valami"));
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QCOMPARE(h.ui().Text1->text(), QString());
        QVERIFY(!h.ui().List5->isEnabled());
        QVERIFY(!h.ui().List6->isEnabled());
        QVERIFY(h.dialogs.shown().isEmpty());
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
    }

    void refusedWhileAnEraseWaitsForItsConfirmation()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QTest::keyClicks(h.ui().Text8, QStringLiteral("DmvX"));
        h.dialogs.answer(Answer::Ok);
        QTest::keyClick(h.ui().Text8, Qt::Key_Return);
        QVERIFY(h.form->erase().waiting());
        QCOMPARE(link->written, QList<QByteArray>{fixtures::eraseFrame()});
        const int shown = int(h.dialogs.shown().size());
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QCOMPARE(int(h.dialogs.shown().size()), shown);
        QCOMPARE(link->written, QList<QByteArray>{fixtures::eraseFrame()});
        QVERIFY(h.form->reader().erasePending());
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
    }

    void noOpenPortIsReportedAndNothingIsTouched()
    {
        Harness h;
        h.saveDataFolder();
        QVERIFY(h.start());
        h.dialogs.clear();
        h.form->show();
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{NoPort});
        QVERIFY(h.dialogs.unexpected().isEmpty());
        QVERIFY(h.form->dataFolder() == h.dataFolder);
        QCOMPARE(QDir(h.dataFolder).entryList(QDir::Files), QStringList{QStringLiteral("postas.lst")});
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
    }

    void timeOutsEndTheReadOutWithFilesUnchanged_data()
    {
        QTest::addColumn<int>("before");
        QTest::newRow("no byte at all") << 0;
        QTest::newRow("pause in the dump") << 9000;
    }
    void timeOutsEndTheReadOutWithFilesUnchanged()
    {
        QFETCH(int, before);
        Timing timing;
        timing.readOutFirstByteMs = 300;
        timing.readOutPauseMs = 150;
        Harness h;
        QVERIFY(fixtures::startWithPort(h, timing));
        MemoryLink *link = h.ports.lastLink;
        const QByteArray old = fixtures::dataHouse(6);
        h.writeFile(QStringLiteral("t.txt"), old);
        h.writeFile(QStringLiteral("t.bak"), fixtures::dataHouse(7));
        clickReadOut(h, h.path(QStringLiteral("t.txt")), {Answer::Ok});
        QCOMPARE(h.form->state().readOutRunning, qint16(1));
        QElapsedTimer clock;
        clock.start();
        if (before > 0) {
            // Bytes keep coming for a while, each piece within the pause limit.
            for (int sent = 0; sent < before; sent += 1500) {
                link->feed(fixtures::dump().mid(sent, 1500));
                QTest::qWait(40);
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(h.dialogs.messageTexts().contains(TransferError), 5000);
        if (before == 0)
            QVERIFY(clock.elapsed() >= 290);
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QCOMPARE(h.readFile(QStringLiteral("t.txt")), old);
        QCOMPARE(h.readFile(QStringLiteral("t.bak")), fixtures::dataHouse(7));
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QVERIFY(h.ui().List3->isHidden());
        QCOMPARE(h.ui().Text3->text(), QString());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        // The rest of a late dump changes nothing and raises no message.
        link->feed(fixtures::dump().mid(before));
        QTest::qWait(50);
        QCOMPARE(h.readFile(QStringLiteral("t.txt")), old);
        QCOMPARE(h.dialogs.messageTexts().count(TransferError), 1);
        QVERIFY(!h.dialogs.messageTexts().contains(Done));
    }

    void closingTheProgramMidDumpLeavesTheFiles()
    {
        Timing timing;
        timing.readOutFirstByteMs = 200;
        timing.readOutPauseMs = 100;
        Harness h;
        QVERIFY(fixtures::startWithPort(h, timing));
        const QByteArray old = fixtures::dataHouse(9);
        h.writeFile(QStringLiteral("c.txt"), old);
        h.writeFile(QStringLiteral("c.bak"), fixtures::dataHouse(10));
        clickReadOut(h, h.path(QStringLiteral("c.txt")), {Answer::Ok});
        h.ports.lastLink->feed(fixtures::dump().left(15000));
        const int shown = int(h.dialogs.messageTexts().size());
        h.form->close();
        QVERIFY(h.form->ended());
        QTest::qWait(350);
        QCOMPARE(int(h.dialogs.messageTexts().size()), shown);
        QCOMPARE(h.readFile(QStringLiteral("c.txt")), old);
        QCOMPARE(h.readFile(QStringLiteral("c.bak")), fixtures::dataHouse(10));
        QVERIFY(!h.form->reader().isOpen());
    }

    void vanishingPortMidDumpLeavesTheFilesAndEndsCleanly()
    {
        Timing timing;
        timing.readOutFirstByteMs = 200;
        timing.readOutPauseMs = 100;
        Harness h;
        QVERIFY(fixtures::startWithPort(h, timing));
        MemoryLink *link = h.ports.lastLink;
        const QByteArray old = fixtures::dataHouse(8);
        h.writeFile(QStringLiteral("v.txt"), old);
        clickReadOut(h, h.path(QStringLiteral("v.txt")), {Answer::Ok});
        link->feed(fixtures::dump().left(12000));
        link->vanish(QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt"));
        const QString last = h.dialogs.messageTexts().last();
        QVERIFY2(last.startsWith(QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt")), qPrintable(last));
        QVERIFY2(last.contains(QStringLiteral("A kódmemória kiolvasása megszakadt")), qPrintable(last));
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QVERIFY(!h.form->reader().timer2().isActive());
        QVERIFY(!h.form->reader().isOpen());
        QCOMPARE(h.readFile(QStringLiteral("v.txt")), old);
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("v.bak"))));
        // The read-out's own time-out is off too.
        QTest::qWait(300);
        QVERIFY(!h.dialogs.messageTexts().contains(TransferError));
        // With no port the next read-out says so before asking anything.
        h.dialogs.clear();
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{NoPort});
        QCOMPARE(h.readFile(QStringLiteral("v.txt")), old);
    }
};

QTEST_MAIN(TstReadOut)
#include "tst_readout.moc"
