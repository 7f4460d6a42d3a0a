#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class Form1;
class QPushButton;

// "Kiolvasás": reads the reader's whole code memory into a house file.
//
// Nothing on disk changes until the whole dump has arrived (a new, empty house
// file excepted): a dump that never completes, a broken line or a killed
// program leave the house and its backup as they were. Only then is the old
// content written to the backup and the house replaced by the new 16392
// bytes, each in one atomic step.
class ReadOut : public QObject
{
    Q_OBJECT
public:
    explicit ReadOut(Form1 &form);
    void command6Clicked();

    static constexpr int ProgressMaximum = 20500;
    // Text3 and the bar follow the count at most this often: a dump comes in
    // thousands of small pieces, and a repaint for each would load the window.
    static constexpr int ShowIntervalMs = 40;
    static QString transferErrorMessage();

private:
    void onProgress(qint64 waiting);
    void onDump(const QByteArray &dump);
    void onStalled();
    void showCount(qint64 waiting);
    void showPendingCount();
    void onLinkBroken(QStringList *notes);
    // Enables List5 and List6 unless another exchange still runs.
    void endRefused();
    // Winds up a read-out that will bring no dump; no file is touched.
    void endFailed();

    Form1 &m_form;
    QTimer m_stall;          // single-shot: first byte, then every pause in the dump
    QElapsedTimer m_sinceActivity; // since the request or the last growth of the count
    qint64 m_lastCount = 0;
    QTimer m_showLater;      // single-shot: shows the latest count once the interval is over
    QElapsedTimer m_sinceShown;
    qint64 m_pendingCount = 0;
    QString m_target;        // the house file the running read-out fills
    bool m_backupPending = false;
    QByteArray m_oldContent; // the house's content when the user agreed to the backup
};
