#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

// One open serial line to the card reader. The only door to the wire: the
// real one wraps QSerialPort, tests use a pseudo-terminal or an in-memory link.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLink() override = default;

    virtual QString deviceName() const = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 bytesWaiting() const = 0;
    // Reads up to n waiting bytes.
    virtual QByteArray read(qint64 n) = 0;
    // Throws away everything received and not yet read.
    virtual void discardInput() = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual void close() = 0;

signals:
    void readyRead();
    // The line broke (adapter unplugged, device gone); reported once, the
    // link is closed by then. reason is a Hungarian sentence naming the device.
    void failed(const QString &reason);
};

// The numbered ports of the machine (see reader/portnames.h for numbering).
class PortCatalogue
{
public:
    virtual ~PortCatalogue() = default;
    // Numbers of the ports that exist and can be opened exclusively now, ascending.
    virtual QList<int> freePorts() = 0;
    virtual QString deviceName(int number) const = 0;
    // 9600 baud, 8N1, no flow control, DTR and RTS off, waiting input discarded.
    // nullptr on failure, with a Hungarian sentence naming the device in *error.
    virtual std::unique_ptr<SerialLink> open(int number, QString *error) = 0;
};

// QSerialPort on the machine's devices.
class SystemPortCatalogue : public PortCatalogue
{
public:
    // virtualDir: folder of the virtual ports' links; empty = the per-user default.
    explicit SystemPortCatalogue(const QString &virtualDir = QString());
    QList<int> freePorts() override;
    QString deviceName(int number) const override;
    std::unique_ptr<SerialLink> open(int number, QString *error) override;

    static constexpr int ReceiveBufferSize = 32000;

private:
    QString m_virtualDir;
};
