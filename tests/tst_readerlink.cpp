// The receive side of ReaderLink on its own: the branch the flags choose, the poller's
// switch, no branch entered twice at once, whole blocks and replies, and their waits.
#include "harness.h"
#include "readerfixtures.h"

#include <QSignalSpy>
#include <QTest>

class TstReaderLink : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    MemoryLink *link = nullptr;
    ReaderLink *reader = nullptr;
    QList<QByteArray> replies; // what the upload branch handed over

private slots:
    void init()
    {
        Timing timing;
        timing.writeReplyRestMs = 150;
        h = std::make_unique<Harness>();
        QVERIFY(fixtures::startWithPort(*h, timing));
        link = h->ports.lastLink;
        reader = &h->form->reader();
        replies.clear();
        connect(reader, &ReaderLink::writeReplyReceived, this, [this](const QByteArray &b) { replies << b; });
    }

    void eachArrivalGoesToTheBranchTheFlagsChoose()
    {
        QSignalSpy progress(reader, &ReaderLink::readOutProgress);
        QSignalSpy idle(reader, &ReaderLink::idleBlocksReceived);
        int depth = 0, deepest = 0;
        connect(reader, &ReaderLink::writeReplyReceived, this, [&](const QByteArray &) {
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
        h->form->state().readOutRunning = 1;
        h->form->state().uploadRunning = 1;
        reader->timer2().start(); // its backstop tick finds them; the upload comes first
        QTRY_COMPARE(replies, (QList<QByteArray>{QByteArray(15, 'a'), QByteArray(15, 'y')}));
        QCOMPARE(deepest, 1); // never entered again while it runs
        h->form->state().uploadRunning = 0;
        link->feed(QByteArray(15, 'c'));
        QCOMPARE(progress.count(), 1);
        QCOMPARE(progress.first().first().toLongLong(), 15);
        h->form->state().readOutRunning = 0;
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
        QCOMPARE(replies.size(), 2);
    }

    void uploadBranchHandsOverWholeRepliesOnly()
    {
        h->form->state().uploadRunning = 1;
        reader->timer2().start();
        link->feed(QByteArray(7, 'r'));
        QTest::qWait(50);
        link->feed(QByteArray(8, 'r')); // the rest within the limit: one whole reply
        QCOMPARE(replies, QList<QByteArray>{QByteArray(15, 'r')});
        // 20 bytes: one reply, and 5 that stop short are dropped after the limit.
        link->feed(QByteArray(20, 'x'));
        QCOMPARE(replies.last(), QByteArray(15, 'x'));
        QTest::qWait(60);
        QCOMPARE(link->bytesWaiting(), 5);
        QTRY_COMPARE(link->bytesWaiting(), 0);
        QCOMPARE(replies.size(), 2);
    }
};

QTEST_MAIN(TstReaderLink)
#include "tst_readerlink.moc"
