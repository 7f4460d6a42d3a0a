#pragma once
#include "history/log.h"
#include "reader/dumpwait.h"
#include "reader/protocol.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class Form1;
class DifferencesWindow;
class SerialLink;

// "Ellenőrzés": reads the reader's memory as the read-out does and compares
// it with the house on screen, slot by slot, without touching a file.
// "Eltérések rátöltése": writes only the slots the last verify found
// differing, then reads the reader back once to say whether it now holds the
// house.
//
// A verify's result describes the door only while nothing can have changed
// it or the house since: it is dropped by any later request to the reader
// (another exchange), and it is checked against the port and the house file
// before the differences are uploaded.
class Verify : public QObject
{
    Q_OBJECT
public:
    explicit Verify(Form1 &form);
    ~Verify() override;

    void verifyTriggered();
    void uploadDifferencesTriggered();

    // A verify result that may still be uploaded (it may list no difference).
    bool hasResult() const { return m_result.valid; }
    const QList<protocol::SlotDifference> &differences() const { return m_result.differences; }
    // List2 rows marked as differing, until List2 is refilled or an exchange starts.
    const QList<int> &markedRows() const { return m_markedRows; }
    DifferencesWindow *window() const;
    // The house a running verify compares with; empty when none runs.
    QString housePath() const;
    // The running verify reads the reader back after a difference upload.
    bool readingBack() const { return m_readBack; }

    static QString runningMessage();
    static QString transferErrorMessage();

private:
    // The house on screen, saved and unchanged, with records the upload would send.
    bool houseReady(const QString &path, const QString &command);
    bool startRequest(const QString &path, const QByteArray &content, bool readBack);
    // The log's line for the end of the verify or the read-back.
    void logEnd(history::Log::Result result, const QString &details = QString());
    void onProgress(qint64 waiting);
    void onDump(const QByteArray &dump);
    void onStalled();
    void onLinkBroken(QStringList *notes);
    void onRequestSending();
    void onDifferencesWritten(const QString &path);
    // Flag cleared, Text3 and the bar emptied, List5 and List6 given back.
    void endWait();
    void markRows();
    void clearMarks();
    QStringList nonResidentNames() const;

    struct Result
    {
        bool valid = false;
        QString path;
        QByteArray content; // the house file's bytes the reader was compared with
        QPointer<SerialLink> line;
        QList<protocol::SlotDifference> differences;
        QByteArray door; // what the reader held, as a house file holds it
    };

    Form1 &m_form;
    DumpWait m_wait;
    QString m_path;          // the running verify's house
    QByteArray m_content;
    bool m_readBack = false; // the running verify follows a difference upload
    QPointer<SerialLink> m_line;
    Result m_result;
    QList<int> m_markedRows;
    QPointer<DifferencesWindow> m_window;
};
