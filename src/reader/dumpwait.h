#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class Form1;

// The waiting side of every exchange that asks the reader for its whole
// memory (the read-out, the verify and the read-back after a difference
// upload): Text3 and ProgressBar1 follow the bytes received, and a reader
// that stays silent, or pauses in the middle of the dump, ends the wait.
class DumpWait : public QObject
{
    Q_OBJECT
public:
    explicit DumpWait(Form1 &form);

    static constexpr int ProgressMaximum = 20500;
    // Text3 and the bar follow the count at most this often: a dump comes in
    // thousands of small pieces, and a repaint for each would load the window.
    static constexpr int ShowIntervalMs = 40;

    // The read request has just gone out.
    void start();
    // The bytes waiting now; shown, and a growth re-arms the pause limit.
    void progress(qint64 waiting);
    // The dump came or the exchange ended otherwise; Text3 and the bar are
    // left to the caller.
    void stop();
    bool waiting() const { return m_waiting; }

signals:
    // No byte within the first-byte limit, or a pause longer than the pause
    // limit in the middle of the dump. The wait has stopped by then.
    void stalled();

private:
    void onStall();
    void showCount(qint64 waiting);
    void showPendingCount();

    Form1 &m_form;
    bool m_waiting = false;
    QTimer m_stall;                // single-shot: first byte, then every pause in the dump
    QElapsedTimer m_sinceActivity; // since the request or the last growth of the count
    qint64 m_lastCount = 0;
    QTimer m_showLater;            // single-shot: shows the latest count once the interval is over
    QElapsedTimer m_sinceShown;
    qint64 m_pendingCount = 0;
};
