#pragma once
#include "house/housestore.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class Form1;
class QPushButton;

// "Másolás": writes the open house (the file named in Text2) over another
// house file, keeping the target's earlier content in its backup, and lists
// the copy in List1.
class CopyHouse : public QObject
{
    Q_OBJECT
public:
    explicit CopyHouse(Form1 &form) : m_form(form) {}
    void command5Clicked();

private:
    void hideSidePanels();
    // The source's 16392 bytes; false (after telling the user) otherwise.
    bool readSource(QByteArray *source);
    // Steps 7 and 8 on the target; false when the copy ended before listing.
    bool writeTarget(const QString &target, const QByteArray &source);
    // The new and the damaged target: the source replaces it whole and a
    // backup left from an earlier file of that name goes.
    bool replaceWithoutBackup(house::HouseStore::Command &store, const QString &target, const QByteArray &source, const QString &backup,
                              bool createdNow);
    bool listCopy(const QString &target);
    // Tells the user about a failed file step and ends the command.
    void fail(const QString &error);

    Form1 &m_form;
};
