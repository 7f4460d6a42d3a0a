#pragma once
#include "reader/dumpwait.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

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
    // The house file a running read-out will fill; empty when none runs.
    QString target() const;

    static QString transferErrorMessage();

private:
    void onProgress(qint64 waiting);
    void onDump(const QByteArray &dump);
    void onStalled();
    void onLinkBroken(QStringList *notes);
    // Enables List5 and List6 unless another exchange still runs.
    void endRefused();
    // Winds up a read-out that will bring no dump; no file is touched.
    void endFailed();

    Form1 &m_form;
    DumpWait m_wait;
    QString m_target;        // the house file the running read-out fills
    bool m_backupPending = false;
    QByteArray m_oldContent; // the house's content when the user agreed to the backup
};
