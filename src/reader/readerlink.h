#pragma once
#include "reader/serialport.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

class Form1;

// Owns the open serial line, the three timers of the reader exchanges and the
// receive side that hands every reply to the exchange it belongs to.
//
// The receive side is event-driven: it acts on the link's readyRead at once
// and never sleeps or waits on the user-interface thread. Timer2 stays the
// poller's switch (isActive() = the poller is on, exactly where the exchanges
// switch it on and off), but it ticks only every SafetyPollMs as a backstop for
// an arrival that came without readyRead; a 1 ms tick would keep an idle
// program busy for nothing.
//
// Each arrival goes to exactly one branch, chosen by the window's flags:
//   uploadRunning == 1   -> upload branch: each 15-byte write reply is handed
//                           over by writeReplyReceived (a reply that stops
//                           short is dropped after timing().writeReplyRestMs;
//                           Timer1 of the upload resends then);
//   readOutRunning == 1 or verifyRunning == 1
//                        -> read-out branch: readOutProgress with the count
//                           waiting, and dumpReceived with exactly 20490 bytes
//                           once they are all there (the surplus is discarded);
//   otherwise            -> idle/erase branch: once the line has been quiet for
//                           timing().quietLineMs, a whole number of 15-byte
//                           blocks is taken and handed over by idleBlocksReceived;
//                           a partial block stays waiting for the rest.
// A branch is never re-entered: what arrives while a handler runs (a message
// box runs a nested event loop) is dealt with when the handler has returned,
// under the flags as they are then.
class ReaderLink : public QObject
{
    Q_OBJECT
public:
    explicit ReaderLink(Form1 &form);
    ~ReaderLink() override;

    static constexpr int SafetyPollMs = 250;

    void attach(std::unique_ptr<SerialLink> link);
    void detach();
    SerialLink *link() const { return m_link.get(); }
    bool isOpen() const { return m_link && m_link->isOpen(); }

    // Assembles requestFrame from requestBytes (checksum included); sends nothing.
    void tavi();
    // Discards waiting input, then writes requestFrame. False when no port is
    // open or the write failed. Every request clears a pending erase: its
    // confirmation can no longer be told from the reply to this request.
    bool adas();

    // An erase frame went out and no confirmation has come yet (survives the
    // erase's give-up: a late confirmation still counts).
    bool erasePending() const { return m_erasePending; }
    void setErasePending(bool pending) { m_erasePending = pending; }

    QTimer &timer1() { return m_timer1; }
    QTimer &timer2() { return m_timer2; }
    QTimer &timer3() { return m_timer3; }

    // "No port open" in the words the commands show.
    static QString noPortMessage();

    // Runs the branch the flags choose now (as a tick of Timer2 would).
    void poll();

signals:
    // A request is about to go out: whatever was learnt from the reader
    // before (a verify's result) no longer describes it for sure.
    void requestSending();
    // Upload branch: one 15-byte write reply.
    void writeReplyReceived(const QByteArray &block);
    // Read-out branch: the number of bytes waiting, on every arrival.
    void readOutProgress(qint64 waiting);
    // Read-out branch: the first 20490 bytes of the dump; the rest was discarded.
    void dumpReceived(const QByteArray &dump);
    // Idle/erase branch: a whole number of 15-byte blocks from a quiet line.
    void idleBlocksReceived(const QByteArray &blocks);
    // The line broke. Before linkFailed, every controller whose exchange was
    // running ends it (flags cleared, lists enabled, its own timers stopped,
    // no file touched) and appends one Hungarian sentence saying so to *notes.
    void exchangeAborted(QStringList *notes);
    // The line broke during the run; reported once per link. The text names
    // the device, what happened to the exchange, and how to go on.
    void linkFailed(const QString &reason);

private:
    void onReadyRead();
    void onSafetyTick();
    void onQuietLine();
    void onReplyRestElapsed();
    void onLinkFailed(const QString &reason);
    void dispatch();
    // A read-out or a verify waits for the reader's whole memory.
    bool dumpExpected() const;
    void uploadBranch();
    void readOutBranch();
    void idleBranch();

    Form1 &m_form;
    std::unique_ptr<SerialLink> m_link;
    QTimer m_timer1;
    QTimer m_timer2;
    QTimer m_timer3;
    QTimer m_quiet;       // single-shot: restarted by every arrival
    QTimer m_replyRest;   // single-shot: bounds the wait for the rest of a write reply
    bool m_quietElapsed = false;
    bool m_erasePending = false;
    bool m_inBranch = false;
    bool m_pollAgain = false;
};
