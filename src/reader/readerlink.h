#pragma once
#include "reader/serialport.h"

#include <QObject>
#include <QTimer>
#include <memory>

class Form1;

// Owns the open serial line and the three timers of the reader exchanges.
class ReaderLink : public QObject
{
    Q_OBJECT
public:
    explicit ReaderLink(Form1 &form);
    ~ReaderLink() override;

    void attach(std::unique_ptr<SerialLink> link);
    void detach();
    SerialLink *link() const { return m_link.get(); }
    bool isOpen() const { return m_link && m_link->isOpen(); }

    // Assembles requestFrame from requestBytes (checksum included); sends nothing.
    void tavi();
    // Discards waiting input, then writes requestFrame. False when no port is open.
    bool adas();

    QTimer &timer1() { return m_timer1; }
    QTimer &timer2() { return m_timer2; }
    QTimer &timer3() { return m_timer3; }

signals:
    // The line broke during the run; reported once per link.
    void linkFailed(const QString &reason);

private:
    Form1 &m_form;
    std::unique_ptr<SerialLink> m_link;
    QTimer m_timer1;
    QTimer m_timer2;
    QTimer m_timer3;
};
