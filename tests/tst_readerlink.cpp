// ReaderLink's receive side: the branch the flags choose, the poller's switch, no branch re-entered, whole blocks.
#include "readerfixtures.h"

#include <QSignalSpy>
#include <QTest>

class TstReaderLink : public QObject
{
    Q_OBJECT

private slots:
    void eachArrivalGoesToTheBranchTheFlagsChoose()
    {
        Timing timing;
        timing.writeReplyRestMs = 150;
        Harness h;
        QVERIFY(h.startShown(timing));
        MemoryLink *link = h.ports.lastLink;
        ReaderLink &reader = h.form->reader();
        QSignalSpy progress(&reader, &ReaderLink::readOutProgress);
        QSignalSpy idle(&reader, &ReaderLink::idleBlocksReceived);
        QList<QByteArray> replies;
        int depth = 0, deepest = 0;
        connect(&reader, &ReaderLink::writeReplyReceived, this, [&](const QByteArray &reply) {
            replies << reply;
            deepest = std::max(deepest, ++depth);
            if (replies.size() == 1) {
                // As a message box would: more arrives and the event loop runs.
                link->feed(QByteArray(15, 'y'));
                QTest::qWait(30);
            }
            --depth;
        });
        link->feed(QByteArray(15, 'a')); // with the poller off bytes wait
        QTest::qWait(60);
        QCOMPARE(link->bytesWaiting(), 15);
        h.form->state().readOutRunning = 1;
        h.form->state().uploadRunning = 1;
        reader.timer2().start(); // its backstop tick finds them; the upload comes first
        QTRY_COMPARE(replies, (QList<QByteArray>{QByteArray(15, 'a'), QByteArray(15, 'y')}));
        QCOMPARE(deepest, 1); // never entered again while it runs
        // A reply's rest within the limit makes it whole, a second reply in the same piece is taken
        // at once, and 5 bytes that stop short are dropped after the limit.
        link->feed(QByteArray(7, 'r'));
        QTest::qWait(50);
        link->feed(QByteArray(8, 'r') + QByteArray(15, 's') + QByteArray(5, 't'));
        QCOMPARE(replies.mid(2), (QList<QByteArray>{QByteArray(15, 'r'), QByteArray(15, 's')}));
        QTest::qWait(60);
        QCOMPARE(link->bytesWaiting(), 5);
        QTRY_COMPARE(link->bytesWaiting(), 0);
        h.form->state().uploadRunning = 0;
        link->feed(QByteArray(15, 'c'));
        QCOMPARE(progress.count(), 1);
        QCOMPARE(progress.first().first().toLongLong(), 15);
        h.form->state().readOutRunning = 0;
        link->feed(QByteArray(15, 'd'));
        QCOMPARE(idle.count(), 0); // only once the line is quiet
        QTRY_COMPARE(idle.count(), 1);
        QCOMPARE(idle.first().first().toByteArray(), QByteArray(15, 'c') + QByteArray(15, 'd'));
        // A partial block waits for its rest.
        link->feed(QByteArray(14, 'e'));
        QTest::qWait(80);
        QCOMPARE(link->bytesWaiting(), 14);
        link->feed("e");
        QTRY_COMPARE(idle.count(), 2);
        QCOMPARE(replies.size(), 4);
    }
};

QTEST_MAIN(TstReaderLink)
#include "tst_readerlink.moc"
