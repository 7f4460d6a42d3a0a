#include "fakes.h"

QByteArray MemoryLink::read(qint64 n)
{
    const QByteArray out = m_incoming.left(int(n));
    m_incoming.remove(0, out.size());
    return out;
}

bool MemoryLink::write(const QByteArray &bytes)
{
    if (!m_open)
        return false;
    written << bytes;
    if (onWritten) {
        const auto answer = onWritten; // the hook may replace itself
        answer(bytes);
    }
    return true;
}

void MemoryLink::feed(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_incoming += bytes;
    emit readyRead();
}

std::unique_ptr<SerialLink> FakePortCatalogue::open(int number, QString *error)
{
    opened << number;
    if (failing.contains(number)) {
        if (error)
            *error = QStringLiteral("A(z) %1 port nem nyitható meg: teszt").arg(deviceName(number));
        lastLink = nullptr;
        return nullptr;
    }
    auto link = std::make_unique<MemoryLink>(deviceName(number));
    lastLink = link.get();
    return link;
}
