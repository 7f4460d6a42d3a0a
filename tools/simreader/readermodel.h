#pragma once
#include "reader/protocol.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// How the simulated reader misbehaves, and how it uses the line. The defaults
// are a well-behaved reader answering as fast as the pseudo-terminal allows.
struct ReaderOptions
{
    static constexpr int ShortReplyLength = 14;
    static constexpr int LongReplyLength = 16;
    static constexpr int ShortDumpLength = 20000;
    static constexpr int LongDumpLength = protocol::DumpLength + 5;

    bool silent = false;          // hears nothing, answers nothing (unplugged or off)
    int refuseSlot = 0;           // this slot (1..1365) is never stored and its writes are refused; 0: none
    quint8 refusalValue = 0x15;   // byte 13 of a refusal
    int dropFirst = 0;            // the first N sends of each slot go unanswered and unstored
    int writeReplyLength = protocol::BlockLength;
    int dumpLength = protocol::DumpLength;
    int eraseReplyBlocks = 1;     // whole blocks in the erase confirmation
    bool eraseReply = true;       // false: erases, but never confirms
    int eraseDelayMs = 0;         // the confirmation comes this long after the request was heard
    bool noise = false;           // stray bytes now and then while the line is idle
    bool paced = false;           // true 9600-baud line time in both directions
    quint32 seed = 0x5EED;        // for the filler bytes and the noise: runs are repeatable
};

// The reader's code memory and its answers to the three requests. No line,
// no timing: PtyServer puts it on a pseudo-terminal, tests may use it alone.
class ReaderModel
{
public:
    struct Reply
    {
        QByteArray bytes; // empty: the reader keeps quiet
        int delayMs = 0;  // how long after hearing the request the reply starts
    };

    explicit ReaderModel(const ReaderOptions &options = ReaderOptions());

    ReaderOptions &options() { return m_options; }
    const ReaderOptions &options() const { return m_options; }

    // Loads slots 1..1365 from a 16392-byte house file (1366 records of 12
    // hex digits; the last record is not part of the memory). On failure the
    // memory is left as it was.
    bool loadHouseFile(const QString &path, QString *error = nullptr);

    // Slot s (1..1365): its six bytes; empty for a slot number out of range.
    QByteArray slot(int s) const;
    QString slotRecord(int s) const; // the same as 12 upper-case hex digits
    bool setSlot(int s, const QByteArray &sixBytes);
    bool setSlotRecord(int s, const QString &record);
    // All 8190 bytes, slot 1 first.
    const QByteArray &memory() const { return m_memory; }
    // The 1365 slots as records, the way a read-out would store them.
    QStringList records() const;
    void clear(); // all FF, as a new or erased reader
    // Gives `count` (clamped to 0..1365) distinct slots, picked from `seed`,
    // six new bytes each that differ from their old ones, so a door can be
    // shown differing from its house. The same memory, count and seed always
    // give the same change. Returns the changed slots in ascending order.
    QList<int> changeSlots(int count, quint32 seed);

    // Reply to one 11-byte request frame; nothing for a frame that is not
    // well formed (length, lead byte, checksum, command) or while silent.
    QByteArray respond(const QByteArray &frame) { return handle(frame).bytes; }
    Reply handle(const QByteArray &frame);

    // How often each slot has been sent (every well-formed write frame counts,
    // answered or not), and how many writes were stored.
    int sendsOfSlot(int s) const { return m_sends.value(s); }
    int storedWrites() const { return m_storedWrites; }
    int erases() const { return m_erases; }
    int dumps() const { return m_dumps; }

private:
    QByteArray filler(int count);
    QByteArray writeReply(quint8 status);
    QByteArray dumpReply();
    QByteArray eraseReply();

    ReaderOptions m_options;
    QByteArray m_memory;
    QHash<int, int> m_sends;
    int m_storedWrites = 0;
    int m_erases = 0;
    int m_dumps = 0;
    quint32 m_fillState;
};
