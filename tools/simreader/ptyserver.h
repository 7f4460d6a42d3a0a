#pragma once
#include "readermodel.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include <memory>

class QLockFile;
class QSocketNotifier;

// Serves a ReaderModel on a pseudo-terminal, as a virtual serial port the
// program lists and opens like a real one. Everything runs on the caller's
// event loop without blocking, so a test can drive the program and the
// reader in one thread.
class PtyServer : public QObject
{
    Q_OBJECT

public:
    // One byte at 9600 baud with start and stop bit: 10 bits.
    static constexpr qint64 ByteTimeNs = 10 * 1000000000LL / 9600;
    // A pause this long inside a frame means the rest of it is never coming.
    static constexpr int FrameGapMs = 50;
    // How often the exclusive-open flag a client may have left is cleared.
    static constexpr int ExclusiveClearMs = 500;

    explicit PtyServer(const ReaderOptions &options = ReaderOptions(), QObject *parent = nullptr);
    ~PtyServer() override;

    // Both take effect at the next start().
    void setPortNumber(int number); // 201..256; 201 unless set
    int portNumber() const { return m_portNumber; }
    void setLinkDirectory(const QString &dir); // portnames::virtualPortDirectory() unless set
    QString linkDirectory() const;

    // Opens the pseudo-terminal and publishes its link. False, with a reason
    // in *error, when the port number is taken or the system refuses.
    bool start(QString *error = nullptr);
    // Closes the line and removes the link; the model keeps its memory.
    void stop();
    bool isRunning() const { return m_master >= 0; }

    QString linkPath() const;           // <dir>/<number>, while running
    QString slaveName() const { return m_slaveName; } // the device, e.g. /dev/pts/7

    ReaderModel &model() { return m_model; }
    const ReaderModel &model() const { return m_model; }

    // Every frame the reader heard, well formed or not, oldest first.
    QList<QByteArray> receivedFrames() const { return m_frames; }
    void clearReceivedFrames() { m_frames.clear(); }
    qint64 bytesReceived() const { return m_bytesReceived; }
    qint64 bytesSent() const { return m_bytesSent; } // noise included
    qint64 noiseBytesSent() const { return m_noiseBytes; }
    qint64 droppedBytes() const { return m_droppedBytes; } // partial frames given up after a pause
    // Nothing half heard, nothing waiting to be answered or sent.
    bool isIdle() const;

    // The device vanishes as if unplugged: the client's open port gets a
    // hang-up, and the link disappears. start() brings up a fresh device.
    void closeMaster();

signals:
    void frameReceived(const QByteArray &frame);
    void replySent(); // the last queued byte has gone out
    void masterClosed();

private:
    struct Timed
    {
        qint64 atNs;
        QByteArray bytes;
    };

    qint64 now() const { return m_clock.nsecsElapsed(); }
    void onReadable();
    void onWritable();
    void onNoise();
    void clearExclusive();
    void service();
    void queueReply(qint64 atNs, const QByteArray &bytes);
    void transmit(const QByteArray &bytes, qint64 atNs);
    void flush();
    void scheduleNext();
    void releaseLink();

    ReaderModel m_model;
    int m_portNumber = 201;
    QString m_linkDir;
    QString m_linkPath;
    QString m_slaveName;
    std::unique_ptr<QLockFile> m_linkLock;

    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_tick;
    QTimer m_noiseTimer;
    QTimer m_exclusiveTimer;
    QElapsedTimer m_clock;
    QRandomGenerator m_random;

    QByteArray m_rxPartial;
    qint64 m_rxLastNs = 0;     // when the last byte came from the client
    qint64 m_rxLineFreeNs = 0; // paced: when the incoming line is free again
    QList<Timed> m_heard;      // frames, by the time the reader has heard them
    QList<Timed> m_due;        // replies, by the time they start to go out
    QByteArray m_tx;           // bytes not yet handed to the pseudo-terminal
    qint64 m_txNextDueNs = 0;  // paced: when the first byte of m_tx has crossed the line
    qint64 m_txLineFreeNs = 0; // paced: when the last byte written has crossed the line
    qint64 m_lastActivityNs = 0;

    QList<QByteArray> m_frames;
    qint64 m_bytesReceived = 0;
    qint64 m_bytesSent = 0;
    qint64 m_noiseBytes = 0;
    qint64 m_droppedBytes = 0;
};
