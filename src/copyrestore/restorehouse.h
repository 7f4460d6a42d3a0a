#pragma once
#include <QObject>
#include <QString>

class Form1;
class QPushButton;

// "Visszaállítás": File1 lists the data folder's backups; selecting one gives
// it back its house file's name.
class RestoreHouse : public QObject
{
    Q_OBJECT
public:
    explicit RestoreHouse(Form1 &form) : m_form(form) {}
    void command7Clicked();
    void file1Selected(const QString &fileName);


    // Points File1 at a folder and lists its backups, sorted by name.
    void pointFile1At(const QString &folder);
    // Lists the backups of the folder File1 points at once more.
    void rereadFile1();

private:
    void hideFile1();

    Form1 &m_form;
    QString m_file1Folder;
};
