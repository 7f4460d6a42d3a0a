// "Törlés" through Form1's real controls: the password box Text8, the
// remembered password, the erase frame, Timer3's progress and give-up, and the
// confirmation taken by the idle branch of the receive side.
#include "harness.h"
#include "readerfixtures.h"
#include "reader/erase.h"

#include <QTest>

using Answer = Dialogs::Answer;

namespace {
const QString Confirm = QStringLiteral("Ha folytatja, kitörlődnek a kártya leolvasóban engedélyezett kártyák!");
const QString WrongPassword = QStringLiteral("Hibás jelszó!");
const QString Done = QStringLiteral("A kódmemória törlés kész.");
const QString GiveUp = QStringLiteral("A kódmemória törlés nem sikerült. Ismételje meg!");
const QString NoPort = QStringLiteral("Nincs megnyitott soros port. Válasszon portot a Comm listában!");
} // namespace

class TstErase : public QObject
{
    Q_OBJECT

    static void typePassword(Harness &h, const QString &password)
    {
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QTest::keyClicks(h.ui().Text8, password);
        QTest::keyClick(h.ui().Text8, Qt::Key_Return);
    }

    // Right password and OK: the erase frame is on the line.
    static void startErase(Harness &h)
    {
        h.dialogs.answer(Answer::Ok);
        if (h.form->erase().acceptedPassword().isEmpty())
            typePassword(h, QStringLiteral("DmvX"));
        else
            QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
    }

private slots:
    void rightPasswordSendsTheEraseFrameAndTheReplyConfirms()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        h.ui().Text1->setText(QStringLiteral("x"));
        h.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.form.get()));

        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QVERIFY(h.ui().Text8->isVisible());
        QVERIFY(!h.ui().Command17->isEnabled());
        QTRY_VERIFY(h.ui().Text8->hasFocus());
        QCOMPARE(h.ui().Text8->echoMode(), QLineEdit::Password);
        QVERIFY(h.dialogs.shown().isEmpty());

        QTest::keyClicks(h.ui().Text8, QStringLiteral("DmvX"));
        QCOMPARE(h.ui().Text8->text(), QStringLiteral("DmvX"));
        h.dialogs.answer(Answer::Ok);
        QTest::keyClick(h.ui().Text8, Qt::Key_Return);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Confirm});
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QVERIFY(h.ui().Text8->isHidden());
        QCOMPARE(h.ui().Text8->text(), QString());
        QVERIFY(h.ui().Command17->isEnabled());
        QCOMPARE(h.form->erase().acceptedPassword(), QStringLiteral("DmvX"));
        QCOMPARE(h.ui().Text1->text(), QString());
        QCOMPARE(link->written, QList<QByteArray>{fixtures::eraseFrame()});
        QCOMPARE(link->discards, 1);
        QVERIFY(h.form->reader().timer3().isActive());
        QVERIFY(h.form->reader().timer2().isActive());
        QVERIFY(h.form->erase().waiting());
        QCOMPARE(h.ui().ProgressBar1->maximum(), 400);
        QVERIFY(!h.ui().List5->isEnabled());
        QVERIFY(!h.ui().List6->isEnabled());

        link->feed(fixtures::eraseConfirmation(2));
        QTRY_COMPARE(h.dialogs.messageTexts().last(), Done);
        QVERIFY(!h.form->reader().timer3().isActive());
        QVERIFY(!h.form->reader().timer2().isActive());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QCOMPARE(link->bytesWaiting(), 0);
        QVERIFY(!h.form->reader().erasePending());
        QVERIFY(h.dialogs.unexpected().isEmpty());
    }

    void wrongPasswordsAreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("lower case") << QStringLiteral("dmvx");
        QTest::newRow("upper case") << QStringLiteral("DMVX");
        QTest::newRow("leading space") << QStringLiteral(" DmvX");
        QTest::newRow("trailing space") << QStringLiteral("DmvX ");
        QTest::newRow("empty") << QString();
    }
    void wrongPasswordsAreRefused()
    {
        QFETCH(QString, typed);
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        typePassword(h, typed);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{WrongPassword});
        QVERIFY(h.ui().Text8->isHidden());
        QCOMPARE(h.ui().Text8->text(), QString());
        QVERIFY(h.ui().Command17->isEnabled());
        QCOMPARE(h.form->erase().acceptedPassword(), QString());
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QVERIFY(!h.form->reader().timer3().isActive());
        // The next click asks for the password again.
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QVERIFY(h.ui().Text8->isVisible());
    }

    void escapeWithdrawsTheBoxWithoutTesting()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QTest::keyClicks(h.ui().Text8, QStringLiteral("DmvX"));
        QTest::keyClick(h.ui().Text8, Qt::Key_Escape);
        QVERIFY(h.ui().Text8->isHidden());
        QVERIFY(h.ui().Command17->isEnabled());
        QCOMPARE(h.ui().Text8->text(), QStringLiteral("DmvX"));
        QCOMPARE(h.form->erase().acceptedPassword(), QString());
        QVERIFY(h.dialogs.shown().isEmpty());
        QVERIFY(h.ports.lastLink->written.isEmpty());
        // Other keys only edit the box.
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QVERIFY(h.ui().Text8->isVisible());
        QTest::keyClick(h.ui().Text8, Qt::Key_Backspace);
        QCOMPARE(h.ui().Text8->text(), QStringLiteral("Dmv"));
        QVERIFY(h.ui().Text8->isVisible());
        QVERIFY(h.dialogs.shown().isEmpty());
    }

    void rememberedPasswordGoesStraightToTheQuestion()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        h.dialogs.answer(Answer::Cancel);
        typePassword(h, QStringLiteral("DmvX"));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Confirm});
        QVERIFY(link->written.isEmpty());
        QVERIFY(h.ui().List5->isEnabled());
        QCOMPARE(h.form->erase().acceptedPassword(), QStringLiteral("DmvX"));

        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QVERIFY(h.ui().Text8->isHidden());
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Confirm}));
        QCOMPARE(link->written, QList<QByteArray>{fixtures::eraseFrame()});
    }

    void repliesAreTestedOnWholeBlocksOfAQuietLine()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        startErase(h);
        // 21 only in byte 29: no confirmation.
        link->feed(fixtures::eraseReplyWith21InByte29());
        QTRY_COMPARE(link->bytesWaiting(), 0);
        QTest::qWait(60);
        QVERIFY(!h.dialogs.messageTexts().contains(Done));
        QVERIFY(h.form->reader().timer3().isActive());
        // 14 bytes with 21 in byte 14: a partial block is left waiting.
        const QByteArray confirmation = fixtures::eraseConfirmation(1);
        link->feed(confirmation.left(14));
        QTest::qWait(80);
        QCOMPARE(link->bytesWaiting(), 14);
        QVERIFY(!h.dialogs.messageTexts().contains(Done));
        // Its last byte completes the block.
        link->feed(confirmation.mid(14));
        QTRY_COMPARE(h.dialogs.messageTexts().last(), Done);
        QCOMPARE(link->bytesWaiting(), 0);
    }

    void confirmationWaitsForTheQuietLine()
    {
        Timing timing;
        timing.quietLineMs = 200;
        Harness h;
        QVERIFY(fixtures::startWithPort(h, timing));
        MemoryLink *link = h.ports.lastLink;
        startErase(h);
        QElapsedTimer clock;
        clock.start();
        link->feed(fixtures::eraseConfirmation(1));
        // Bytes keep coming within the quiet time: nothing is taken yet.
        QTest::qWait(100);
        link->feed(QByteArray(15, char(0x44)));
        QTest::qWait(100);
        QCOMPARE(link->bytesWaiting(), 30);
        QVERIFY(!h.dialogs.messageTexts().contains(Done));
        QTRY_COMPARE(h.dialogs.messageTexts().last(), Done);
        QVERIFY(clock.elapsed() >= 290);
    }

    void giveUpOnTheTick302AndALateConfirmationStillCounts()
    {
        Timing timing = Timing::scaled(0.01);
        Harness h;
        QVERIFY(fixtures::startWithPort(h, timing));
        MemoryLink *link = h.ports.lastLink;
        QList<int> shownAt;
        int values = 0;
        connect(h.ui().ProgressBar1, &QProgressBar::valueChanged, this, [&](int) { ++values; });
        // A real message box runs an event loop; let Timer3 tick inside it.
        h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == GiveUp) {
                shownAt << h.form->erase().eraseTicks();
                QTest::qWait(30);
            }
        };
        startErase(h);
        QTRY_VERIFY_WITH_TIMEOUT(h.dialogs.messageTexts().contains(GiveUp), 20000);
        QTest::qWait(30);
        QCOMPARE(shownAt, QList<int>{302});
        QCOMPARE(h.dialogs.messageTexts().count(GiveUp), 1);
        QCOMPARE(h.form->erase().eraseTicks(), 302);
        QVERIFY(!h.form->reader().timer3().isActive());
        QVERIFY(h.form->reader().timer2().isActive());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QVERIFY(values >= 301);

        link->feed(fixtures::eraseConfirmation(1));
        QTRY_COMPARE(h.dialogs.messageTexts().last(), Done);
        QCOMPARE(h.dialogs.messageTexts().count(Done), 1);
        // A second confirmation is no longer pending.
        link->feed(fixtures::eraseConfirmation(1));
        QTest::qWait(50);
        QCOMPARE(h.dialogs.messageTexts().count(Done), 1);
    }

    void idleBytesReportNothingWithoutAPendingErase()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        // A read-out leaves the poller running; a stray "confirmation" then is no news.
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("a.txt")));
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        link->feed(fixtures::dump());
        QVERIFY(h.form->reader().timer2().isActive());
        link->feed(fixtures::eraseConfirmation(2));
        QTRY_COMPARE(link->bytesWaiting(), 0);
        QTest::qWait(50);
        QVERIFY(!h.dialogs.messageTexts().contains(Done));
    }

    void laterReadRequestClearsThePendingErase()
    {
        Timing timing = Timing::scaled(0.01);
        Harness h;
        QVERIFY(fixtures::startWithPort(h, timing));
        MemoryLink *link = h.ports.lastLink;
        startErase(h);
        QTRY_VERIFY_WITH_TIMEOUT(h.dialogs.messageTexts().contains(GiveUp), 20000);
        QVERIFY(h.form->reader().erasePending());
        // After the give-up the read-out may run; its request ends the wait.
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("b.txt")));
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QCOMPARE(link->written.last(), fixtures::readFrame());
        QVERIFY(!h.form->reader().erasePending());
        link->feed(fixtures::dump());
        QCOMPARE(h.readFile(QStringLiteral("b.txt")), fixtures::expectedHouse());
        link->feed(fixtures::eraseConfirmation(1));
        QTRY_COMPARE(link->bytesWaiting(), 0);
        QTest::qWait(30);
        QVERIFY(!h.dialogs.messageTexts().contains(Done));
    }

    void nothingIsSentWhileAReadOutOrAnUploadRuns_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("read-out") << false;
        QTest::newRow("upload") << true;
    }
    void nothingIsSentWhileAReadOutOrAnUploadRuns()
    {
        QFETCH(bool, upload);
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        if (upload)
            h.form->state().uploadRunning = 1;
        else
            h.form->state().readOutRunning = 1;
        typePassword(h, QStringLiteral("DmvX"));
        QVERIFY(h.dialogs.shown().isEmpty());
        QVERIFY(link->written.isEmpty());
        QCOMPARE(h.form->erase().acceptedPassword(), QStringLiteral("DmvX"));
        QVERIFY(!h.ui().List5->isEnabled());
        QVERIFY(!h.form->reader().timer3().isActive());
        // Once it has ended the next click goes straight to the question.
        h.form->state().uploadRunning = 0;
        h.form->state().readOutRunning = 0;
        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Confirm});
        QCOMPARE(link->written, QList<QByteArray>{fixtures::eraseFrame()});
    }

    void noOpenPortIsReported()
    {
        Harness h;
        h.saveDataFolder();
        QVERIFY(h.start());
        h.dialogs.clear();
        h.form->show();
        typePassword(h, QStringLiteral("DmvX"));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{NoPort});
        QVERIFY(!h.form->reader().timer3().isActive());
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
    }

    void vanishingPortEndsTheErase()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing::scaled(0.01)));
        startErase(h);
        QVERIFY(h.form->erase().waiting());
        h.ports.lastLink->vanish(QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt"));
        const QString last = h.dialogs.messageTexts().last();
        QVERIFY2(last.startsWith(QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt")), qPrintable(last));
        QVERIFY2(last.contains(GiveUp), qPrintable(last));
        QVERIFY(!h.form->reader().timer3().isActive());
        QVERIFY(!h.form->reader().erasePending());
        QVERIFY(h.ui().List5->isEnabled());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        QTest::qWait(400);
        QCOMPARE(h.dialogs.messageTexts().count(), 2);
    }
};

QTEST_MAIN(TstErase)
#include "tst_erase.moc"
