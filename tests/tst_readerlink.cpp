// The receive side of ReaderLink on its own: branch choice by the flags, the
// upload branch's 15-byte replies with their bounded wait, the poller's
// switch, and that no branch is entered again while its handler runs.
#include "harness.h"
#include "readerfixtures.h"

#include <QSignalSpy>
#include <QTest>

class TstReaderLink : public QObject
{
    Q_OBJECT

private slots:
    void pollerIsNoBusyLoop()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        ReaderLink &r = h.form->reader();
        QVERIFY(!r.timer1().isActive());
        QVERIFY(!r.timer2().isActive());
        QVERIFY(!r.timer3().isActive());
        QVERIFY(r.timer2().interval() >= 100);
        QCOMPARE(r.timer1().interval(), 500);
        QCOMPARE(r.timer3().interval(), 100);
    }

    void bytesWaitWhileThePollerIsOff()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        QSignalSpy idle(&h.form->reader(), &ReaderLink::idleBlocksReceived);
        link->feed(QByteArray(30, char(0x11)));
        QTest::qWait(60);
        QCOMPARE(link->bytesWaiting(), 30);
        QCOMPARE(idle.count(), 0);
        // Switched on, the backstop tick finds them even without a new arrival.
        h.form->reader().timer2().start();
        QTRY_COMPARE(idle.count(), 1);
        QCOMPARE(idle.first().first().toByteArray(), QByteArray(30, char(0x11)));
    }

    void uploadBranchHandsOverWholeWriteReplies()
    {
        Timing timing;
        timing.writeReplyRestMs = 150;
        Harness h;
        QVERIFY(fixtures::startWithPort(h, timing));
        MemoryLink *link = h.ports.lastLink;
        ReaderLink &r = h.form->reader();
        QList<QByteArray> replies;
        connect(&r, &ReaderLink::writeReplyReceived, this, [&](const QByteArray &b) { replies << b; });
        QSignalSpy idle(&r, &ReaderLink::idleBlocksReceived);
        h.form->state().uploadRunning = 1;
        r.timer2().start();

        QByteArray reply(15, char(0x00));
        reply[12] = char(0x06);
        link->feed(reply.left(7));
        QVERIFY(replies.isEmpty());
        link->feed(reply.mid(7));
        QCOMPARE(replies, QList<QByteArray>{reply});
        QCOMPARE(link->bytesWaiting(), 0);

        // 20 bytes: one reply, the 5 over are a short reply that is dropped
        // once the rest has not come in time.
        QByteArray second(20, char(0x22));
        link->feed(second);
        QCOMPARE(replies.size(), 2);
        QCOMPARE(replies.last(), second.left(15));
        QCOMPARE(link->bytesWaiting(), 5);
        QTest::qWait(60);
        QCOMPARE(link->bytesWaiting(), 5);
        QTRY_COMPARE(link->bytesWaiting(), 0);
        QCOMPARE(replies.size(), 2);
        QCOMPARE(idle.count(), 0);

        // A reply whose rest comes within the limit is whole.
        link->feed(reply.left(3));
        QTest::qWait(50);
        link->feed(reply.mid(3));
        QCOMPARE(replies.size(), 3);
    }

    void branchFollowsTheFlagsAtEachArrival()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        ReaderLink &r = h.form->reader();
        QSignalSpy write(&r, &ReaderLink::writeReplyReceived);
        QSignalSpy progress(&r, &ReaderLink::readOutProgress);
        QSignalSpy idle(&r, &ReaderLink::idleBlocksReceived);
        r.timer2().start();
        h.form->state().readOutRunning = 1;
        h.form->state().uploadRunning = 1;
        link->feed(QByteArray(15, 'a'));
        QCOMPARE(write.count(), 1);          // the upload comes first
        QCOMPARE(progress.count(), 0);
        h.form->state().uploadRunning = 0;
        link->feed(QByteArray(15, 'b'));
        QCOMPARE(progress.count(), 1);
        QCOMPARE(progress.first().first().toLongLong(), 15);
        QCOMPARE(write.count(), 1);
        h.form->state().readOutRunning = 0;
        link->feed(QByteArray(15, 'c'));
        QCOMPARE(idle.count(), 0);            // only after the quiet line
        QTRY_COMPARE(idle.count(), 1);
        QCOMPARE(idle.first().first().toByteArray(), QByteArray(15, 'b') + QByteArray(15, 'c'));
    }

    void aHandlerIsNeverEnteredAgainWhileItRuns()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        MemoryLink *link = h.ports.lastLink;
        ReaderLink &r = h.form->reader();
        int depth = 0, deepest = 0, calls = 0;
        connect(&r, &ReaderLink::writeReplyReceived, this, [&](const QByteArray &) {
            ++calls;
            deepest = std::max(deepest, ++depth);
            if (calls == 1) {
                // As a message box would: more arrives and the event loop runs.
                link->feed(QByteArray(15, 'y'));
                QTest::qWait(30);
            }
            --depth;
        });
        h.form->state().uploadRunning = 1;
        r.timer2().start();
        link->feed(QByteArray(15, 'x'));
        QCOMPARE(calls, 2);
        QCOMPARE(deepest, 1);
    }

    void linkFailureStopsEveryTimerAndReportsOnce()
    {
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        ReaderLink &r = h.form->reader();
        r.timer1().start();
        r.timer2().start();
        r.timer3().start();
        r.setErasePending(true);
        h.ports.lastLink->vanish(QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt"));
        QVERIFY(!r.timer1().isActive());
        QVERIFY(!r.timer2().isActive());
        QVERIFY(!r.timer3().isActive());
        QVERIFY(!r.erasePending());
        QVERIFY(!r.isOpen());
        // Timer3 running counts as an erase waiting: the message says it failed.
        QCOMPARE(h.dialogs.messageTexts(),
                 QStringList{QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt\n"
                                            "A kódmemória törlés nem sikerült. Ismételje meg!\n"
                                            "Válassza ki újra a portot a Comm listában!")});
        // adas on a missing port sends nothing and says so.
        QVERIFY(!r.adas());
    }
};

QTEST_MAIN(TstReaderLink)
#include "tst_readerlink.moc"
