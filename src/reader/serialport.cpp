#include "reader/serialport.h"
#include "reader/portnames.h"
#include "house/oserror.h"

#include <QFileInfo>
#include <QSerialPort>

namespace {

// The port's error kind in the words the files use for the same causes; the
// system's text, in the system's language, only for kinds without words of ours.
QString causeOf(const QSerialPort &port)
{
    oserror::Cause cause = oserror::Cause::Other;
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::ResourceError: // Qt's kind for a device removed while open
        cause = oserror::Cause::Gone;
        break;
    case QSerialPort::PermissionError:
        cause = oserror::Cause::NoPermission;
        break;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        cause = oserror::Cause::InputOutput;
        break;
    default:
        break;
    }
    return oserror::text(cause, port.errorString());
}

QString sentence(const QString &head, const QString &cause)
{
    return cause.endsWith(QLatin1Char('.')) ? head + cause : head + cause + QLatin1Char('.');
}

QString openFailure(const QString &device, const QSerialPort &port)
{
    const QString head = QStringLiteral("A(z) %1 port nem nyitható meg: ").arg(device);
    if (port.error() == QSerialPort::PermissionError) {
#ifdef Q_OS_WIN
        return head + QStringLiteral("nincs hozzá jogosultsága, vagy egy másik program használja.");
#else
        // Qt reports a port another program holds (its lock, the exclusive
        // mode) as a permission error too: a device we may open is busy.
        const QFileInfo info(device);
        if (info.isReadable() && info.isWritable())
            return sentence(head, oserror::text(oserror::Cause::Busy, QString()));
        return head + oserror::text(oserror::Cause::NoPermission, QString())
             + QStringLiteral(". Vegye fel a felhasználót a dialout csoportba "
                              "(sudo usermod -aG dialout felhasználónév), majd jelentkezzen be újra.");
#endif
    }
    return sentence(head, causeOf(port));
}

class QtSerialLink : public SerialLink
{
public:
    explicit QtSerialLink(const QString &device)
    {
        m_port.setPortName(device);
        connect(&m_port, &QSerialPort::readyRead, this, &SerialLink::readyRead);
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            // A vanished device shows up as read and resource errors, and the
            // port would keep raising them; the others (a refused DTR/RTS on a
            // pseudo-terminal, a timeout) are not fatal.
            if ((e != QSerialPort::ResourceError && e != QSerialPort::ReadError) || m_failed)
                return;
            m_failed = true;
            const QString reason = sentence(QStringLiteral("A(z) %1 port megszakadt: ").arg(m_port.portName()),
                                            causeOf(m_port));
            m_port.close();
            emit failed(reason);
        });
    }

    bool open(QString *error)
    {
        m_port.setReadBufferSize(SystemPortCatalogue::ReceiveBufferSize);
        if (!m_port.open(QIODevice::ReadWrite)) {
            if (error)
                *error = openFailure(m_port.portName(), m_port);
            return false;
        }
        m_port.setBaudRate(QSerialPort::Baud9600);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        // A pseudo-terminal refuses the modem-line ioctls; that is no failure.
        m_port.setDataTerminalReady(false);
        m_port.setRequestToSend(false);
        m_port.clearError();
        discardInput();
        return true;
    }

    QString deviceName() const override { return m_port.portName(); }
    bool isOpen() const override { return m_port.isOpen(); }
    qint64 bytesWaiting() const override { return m_port.isOpen() ? m_port.bytesAvailable() : 0; }
    QByteArray read(qint64 n) override { return m_port.isOpen() ? m_port.read(n) : QByteArray(); }
    void discardInput() override
    {
        if (!m_port.isOpen())
            return;
        m_port.clear(QSerialPort::Input);
        m_port.readAll();
    }
    bool write(const QByteArray &bytes) override
    {
        return m_port.isOpen() && m_port.write(bytes) == bytes.size();
    }
    void close() override
    {
        if (m_port.isOpen())
            m_port.close();
    }

private:
    QSerialPort m_port;
    bool m_failed = false;
};

} // namespace

SystemPortCatalogue::SystemPortCatalogue(const QString &virtualDir)
    : m_virtualDir(virtualDir)
{
}

QString SystemPortCatalogue::deviceName(int number) const
{
    return portnames::deviceForPort(number, m_virtualDir);
}

QList<int> SystemPortCatalogue::freePorts()
{
    QList<int> result;
    for (int n = portnames::FirstPort; n <= portnames::LastPort; ++n) {
        const QString device = deviceName(n);
        if (device.isEmpty())
            continue;
#ifndef Q_OS_WIN
        if (!QFileInfo::exists(device))
            continue;
#endif
        QSerialPort probe;
        probe.setPortName(device);
        if (probe.open(QIODevice::ReadWrite)) {
            probe.close();
            result << n;
        }
    }
    return result;
}

std::unique_ptr<SerialLink> SystemPortCatalogue::open(int number, QString *error)
{
    const QString device = deviceName(number);
    if (device.isEmpty()) {
        if (error)
            *error = QStringLiteral("A(z) %1. port nem létezik.").arg(number);
        return nullptr;
    }
    auto link = std::make_unique<QtSerialLink>(device);
    if (!link->open(error))
        return nullptr;
    return link;
}
