#pragma once
#include "reader/serialport.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>
#include <functional>

// A serial line in memory: tests feed what the reader "sends" and read what
// the program wrote.
class MemoryLink : public SerialLink
{
    Q_OBJECT
public:
    explicit MemoryLink(const QString &device) : m_device(device) {}

    QString deviceName() const override { return m_device; }
    bool isOpen() const override { return m_open; }
    qint64 bytesWaiting() const override { return m_open ? m_incoming.size() : 0; }
    QByteArray read(qint64 n) override;
    void discardInput() override { m_incoming.clear(); }
    bool write(const QByteArray &bytes) override;
    void close() override { m_open = false; }

    // The reader's side.
    void feed(const QByteArray &bytes);
    void vanish(const QString &reason) { m_open = false; emit failed(reason); }

    QList<QByteArray> written;
    // Called with every write, after it is recorded: lets a test play the
    // reader and answer at once (feeding from here is allowed).
    std::function<void(const QByteArray &)> onWritten;

private:
    QString m_device;
    QByteArray m_incoming;
    bool m_open = true;
};

class FakePortCatalogue : public PortCatalogue
{
public:
    QList<int> free;          // what freePorts() reports
    QSet<int> failing;        // ports whose open fails
    QList<int> opened;        // every open() call, in order
    MemoryLink *lastLink = nullptr;

    QList<int> freePorts() override { return free; }
    QString deviceName(int number) const override { return QStringLiteral("/dev/fake%1").arg(number); }
    std::unique_ptr<SerialLink> open(int number, QString *error) override;
};
