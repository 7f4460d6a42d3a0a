#include "readermodel.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <numeric>
#include <random>

using namespace protocol;

namespace {

constexpr int MemoryLength = SlotCount * SlotBytes; // 8190
constexpr int HouseRecordLength = 12;
constexpr int HouseFileLength = DumpBlocks * HouseRecordLength; // 16392

bool parseRecord(const QByteArray &text, QByteArray &bytes)
{
    if (text.size() != HouseRecordLength)
        return false;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    bytes = QByteArray::fromHex(text);
    return bytes.size() == SlotBytes;
}

} // namespace

ReaderModel::ReaderModel(const ReaderOptions &options)
    : m_options(options)
    , m_memory(MemoryLength, static_cast<char>(0xFF))
    , m_fillState(options.seed)
{
}

bool ReaderModel::loadHouseFile(const QString &path, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const QByteArray content = file.readAll();
    if (content.size() != HouseFileLength)
        return fail(QStringLiteral("%1: %2 bytes, a house file has %3").arg(path).arg(content.size()).arg(HouseFileLength));

    QByteArray memory;
    memory.reserve(MemoryLength);
    for (int r = 0; r < SlotCount; ++r) {
        QByteArray bytes;
        if (!parseRecord(content.mid(r * HouseRecordLength, HouseRecordLength), bytes))
            return fail(QStringLiteral("%1: record %2 is not 12 hexadecimal digits").arg(path).arg(r + 1));
        memory += bytes;
    }
    m_memory = memory;
    return true;
}

QByteArray ReaderModel::slot(int s) const
{
    if (s < 1 || s > SlotCount)
        return QByteArray();
    return m_memory.mid((s - 1) * SlotBytes, SlotBytes);
}

QString ReaderModel::slotRecord(int s) const
{
    return recordFromBytes(slot(s));
}

bool ReaderModel::setSlot(int s, const QByteArray &sixBytes)
{
    if (s < 1 || s > SlotCount || sixBytes.size() != SlotBytes)
        return false;
    m_memory.replace((s - 1) * SlotBytes, SlotBytes, sixBytes);
    return true;
}

bool ReaderModel::setSlotRecord(int s, const QString &record)
{
    QByteArray bytes;
    return parseRecord(record.toLatin1(), bytes) && setSlot(s, bytes);
}

QStringList ReaderModel::records() const
{
    QStringList out;
    out.reserve(SlotCount);
    for (int s = 1; s <= SlotCount; ++s)
        out.append(slotRecord(s));
    return out;
}

void ReaderModel::clear()
{
    m_memory.fill(static_cast<char>(0xFF));
}

QList<int> ReaderModel::changeSlots(int count, quint32 seed)
{
    // A generator of its own, so the filler and noise bytes of a run stay as
    // they were, and mt19937's raw output rather than a distribution, whose
    // results differ between standard libraries: a seed must name the same
    // change everywhere.
    std::mt19937 random(seed);
    count = std::clamp(count, 0, SlotCount);
    QList<int> picked(SlotCount);
    std::iota(picked.begin(), picked.end(), 1);
    for (int i = 0; i < count; ++i)
        std::swap(picked[i], picked[i + int(random() % quint32(SlotCount - i))]);
    picked.resize(count);
    std::sort(picked.begin(), picked.end());

    for (int s : picked) {
        QByteArray bytes(SlotBytes, '\0');
        for (char &b : bytes)
            b = static_cast<char>(random() >> 24);
        // Unlikely, but a slot said to differ must differ.
        if (bytes == slot(s))
            bytes[0] = static_cast<char>(bytes.at(0) ^ 1);
        setSlot(s, bytes);
    }
    return picked;
}

ReaderModel::Reply ReaderModel::handle(const QByteArray &frame)
{
    if (m_options.silent || frame.size() != FrameLength || static_cast<quint8>(frame.at(0)) != LeadByte)
        return {};
    RequestBytes request;
    for (int i = 0; i < 10; ++i)
        request[i] = static_cast<quint8>(frame.at(i));
    if (checksum(request) != static_cast<quint8>(frame.at(10)))
        return {};

    switch (request[9]) {
    case WriteSlot: {
        const int address = request[7] * 256 + request[8];
        const bool aligned = address % SlotBytes == 0 && address < EndAddress;
        const int s = address / SlotBytes + 1;
        if (!aligned)
            return {writeReply(m_options.refusalValue)};
        if (++m_sends[s] <= m_options.dropFirst)
            return {};
        if (s == m_options.refuseSlot)
            return {writeReply(m_options.refusalValue)};
        m_memory.replace(address, SlotBytes, frame.mid(1, SlotBytes));
        ++m_storedWrites;
        return {writeReply(WriteSlot)};
    }
    case ReadMemory:
        ++m_dumps;
        return {dumpReply()};
    case EraseMemory:
        ++m_erases;
        clear();
        if (!m_options.eraseReply)
            return {};
        return {eraseReply(), m_options.eraseDelayMs};
    default:
        return {};
    }
}

// Bytes the program must not look at. They change from reply to reply and
// never take the two tested values 06 and 21, so a program that tests the
// wrong byte of a reply sees a wrong answer instead of a lucky right one.
QByteArray ReaderModel::filler(int count)
{
    QByteArray out(count, '\0');
    for (int i = 0; i < count; ++i) {
        m_fillState = m_fillState * 1664525u + 1013904223u;
        quint8 b = static_cast<quint8>(m_fillState >> 24);
        if (b == WriteSlot || b == EraseMemory)
            b ^= 0x80;
        out[i] = static_cast<char>(b);
    }
    return out;
}

QByteArray ReaderModel::writeReply(quint8 status)
{
    QByteArray reply = filler(qMax(m_options.writeReplyLength, 13));
    reply[12] = static_cast<char>(status);
    return reply.left(m_options.writeReplyLength);
}

QByteArray ReaderModel::dumpReply()
{
    QByteArray dump = filler(qMax(m_options.dumpLength, DumpLength));
    for (int k = 0; k < SlotCount; ++k)
        dump.replace(k * BlockLength + 1, SlotBytes, m_memory.constData() + k * SlotBytes, SlotBytes);
    return dump.left(m_options.dumpLength);
}

QByteArray ReaderModel::eraseReply()
{
    QByteArray reply = filler(qMax(1, m_options.eraseReplyBlocks) * BlockLength);
    reply[13] = static_cast<char>(EraseMemory);
    return reply;
}
