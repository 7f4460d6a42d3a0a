#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class Form1;
class QPushButton;

// "Törlés": erases the reader's code memory after a password.
class Erase : public QObject
{
    Q_OBJECT
public:
    explicit Erase(Form1 &form);
    void command17Clicked();
    // Text8's keys: Enter tests the password, Esc withdraws the box. True when
    // the key was taken here; every other key edits the box as usual.
    bool text8KeyPressed(int key);

    // An erase frame went out and Timer3 still counts towards the give-up: a
    // running exchange, so the read-out and the upload do not start meanwhile.
    bool waiting() const;
    QString acceptedPassword() const { return m_acceptedPassword; }
    int eraseTicks() const { return m_eraseTicks; }

    static QString password() { return QStringLiteral("DmvX"); }
    static constexpr int ProgressMaximum = 400;
    static constexpr int GiveUpAbove = 300;

private:
    void startErase();
    void onTimer3();
    void onIdleBlocks(const QByteArray &blocks);
    void onLinkBroken(QStringList *notes);

    Form1 &m_form;
    QString m_acceptedPassword;
    int m_eraseTicks = 0;
};
