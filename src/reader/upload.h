#pragma once
#include "history/log.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class Form1;
class QPushButton;
class SerialLink;

// "Rátöltés": writes records 1 to 1365 of the house named in Text2 into the
// reader, one slot per request, each acknowledged before the next is sent.
//
// The house file stays open for the whole run and each record is read at the
// moment its slot is sent, so a record written in place meanwhile (apartment
// 138) reaches the slots not yet sent. Nothing that is not twelve hexadecimal
// digits ever goes to the reader: the whole house is checked before the first
// frame, and every record again as it is read. Nor does a revoked card: a
// house that holds one is sent only once its records are emptied, after a
// question (revokeddoor).
//
// Every end of a run - success, a refused slot, the give-up after 20 sends, a
// broken line, a record that went bad - leaves the same state behind: flag
// cleared, Timer1 off, file closed, ProgressBar1 at 0, Text3 empty, List5 and
// List6 enabled, so that the read-out and the erase can start again.
class Upload : public QObject
{
    Q_OBJECT
public:
    explicit Upload(Form1 &form);
    void command1Clicked();
    // Writes only these slots (ascending) of the house at path, with the
    // same acknowledgement, resending and endings as a whole house; the
    // caller has asked the user. differencesWritten follows the last slot.
    // False when the run could not start (the user has been told why).
    bool startDifferences(const QString &path, const QList<int> &slotNumbers);
    // A run of startDifferences is going.
    bool differenceMode() const { return running() && m_differences; }
    // The house file a running upload reads; empty when none runs.
    QString housePath() const { return running() ? m_file.fileName() : QString(); }

    static constexpr int ProgressMaximum = 1366;
    static constexpr int SendsPerSlot = 20;

    // Record being sent (1-based), its slot's reader address, sends left for it.
    int uploadRecord() const { return m_uploadRecord; }
    int slotAddress() const { return m_slotAddress; }
    int retriesLeft() const { return m_retriesLeft; }
    bool houseFileOpen() const { return m_file.isOpen(); }

    static QString doneMessage() { return QStringLiteral("A rátöltés a PC-ből kész."); }
    static QString refusedMessage() { return QStringLiteral("A beírás nem sikerült!"); }
    static QString gaveUpMessage() { return QStringLiteral("A beírás/törlés nem sikerült!"); }
    static QString noHouseMessage()
    {
        return QStringLiteral("Előbb a Szerkesztés gombbal válassza ki a kártya leolvasóra rátöltendő fájlt!");
    }
    static QString confirmMessage()
    {
        return QStringLiteral("Kezdhetem kiküldeni a kártyakódokat a Friss adatok listájából?");
    }

signals:
    // Every slot of a difference upload was acknowledged.
    void differencesWritten(const QString &path);

public:
    // Empty when the house file at path can go to the reader: it exists, is
    // 16392 bytes long and records 1 to 1365 are twelve hexadecimal digits
    // each. Otherwise the Hungarian sentence that says why not.
    static QString checkHouse(const QString &path);

private:
    void startRun(const QString &path, const QList<int> &slotNumbers, bool differences);
    void cikl();
    void finish();
    // A refused slot or the give-up: the run ends and the message says so
    // (for a difference upload, with how many of the slots were written).
    void endWithMessage(const QString &message);
    void onTimer1();
    void onWriteReply(const QByteArray &block);
    void onLinkBroken(QStringList *notes);
    // Record r of the open file; false (with *error) when it cannot be read
    // or is not twelve hexadecimal digits.
    bool readRecord(int record, QString *text, QString *error);
    // The port was closed or chosen anew since the run started: the rest of
    // the house would go to whatever reader is on the new line.
    bool lineChanged() const;
    void endOnLineChange();
    // The log's line for the run's end: how many of its slots got in, and
    // where it stopped, or why.
    void logEnd(history::Log::Result result, const QString &why = QString());
    // The common end of every run; sends nothing.
    void windUp();
    // Its two halves: the run stopped (flag, timer, file), and the progress
    // shown cleared with the side lists given back.
    void stopRun();
    void clearProgress();
    // This controller's run is going (the flag alone may be set by others).
    bool running() const;
    // Enables List5 and List6 unless another exchange still runs.
    void endRefused();

    Form1 &m_form;
    QFile m_file;
    QPointer<SerialLink> m_line; // the line the run started on
    bool m_active = false;       // a run started here is going
    QList<int> m_slots;          // the slots of this run, ascending
    QByteArray m_sent;           // what was sent into each slot, as a house file holds it
    qsizetype m_position = 0;    // index in m_slots of the slot being sent
    bool m_differences = false;  // only the differing slots, then a read-back
    int m_uploadRecord = 0;
    int m_slotAddress = 0;
    int m_retriesLeft = 0;
};
