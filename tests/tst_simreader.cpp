#include "simreader/ptyserver.h"
#include "simreader/readermodel.h"
#include "reader/protocol.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace protocol;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray writeTo(int slot, const char *record)
{
    return writeFrame(QString::fromLatin1(record), slotAddress(slot));
}

// Puts a distinct code into every slot, so a dump that shifts, skips or
// repeats a block cannot decode back to the same memory.
void fillDistinct(ReaderModel &model)
{
    for (int s = 1; s <= SlotCount; ++s) {
        QByteArray bytes(SlotBytes, '\0');
        for (int j = 0; j < SlotBytes; ++j)
            bytes[j] = static_cast<char>((s >> (j % 2 ? 0 : 8)) + 31 * j);
        QVERIFY(model.setSlot(s, bytes));
    }
}

// The program's side of the line, with plain POSIX calls so that the test
// exercises the pseudo-terminal rather than a serial library.
class LineClient
{
public:
    ~LineClient() { close(); }

    bool open(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return false;
        termios tio;
        if (::tcgetattr(m_fd, &tio) != 0)
            return false;
        ::cfmakeraw(&tio);
        return ::tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int fd() const { return m_fd; }
    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Reads while the event loop runs (the server lives in it) until `count`
    // bytes have come or `timeoutMs` has passed.
    QByteArray receive(int count, int timeoutMs)
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < count && timer.elapsed() < timeoutMs) {
            // Never more than asked for: what is left stays for the next call.
            char buffer[4096];
            const size_t want = std::min(sizeof buffer, size_t(count - got.size()));
            const ssize_t n = ::read(m_fd, buffer, want);
            if (n > 0)
                got.append(buffer, n);
            else
                QTest::qWait(1);
        }
        return got;
    }
    // Up to `count` bytes, then a short look for anything beyond them.
    QByteArray receiveWithSurplus(int count, int timeoutMs)
    {
        QByteArray got = receive(count, timeoutMs);
        if (got.size() == count)
            got += receive(1, 50);
        return got;
    }

private:
    int m_fd = -1;
};

} // namespace

class TestSimReader : public QObject
{
    Q_OBJECT

private slots:
    void writeStoresAndAcknowledges();
    void refusedSlotIsNotStored();
    void malformedFramesGetNoAnswer();
    void misplacedAddressesAreRefused();
    void dropFirstSendsOfEachSlot();
    void eraseClearsEverything();
    void dumpDecodesBackToMemory();
    void replyLengthOptions();
    void silentReaderNeitherAnswersNorStores();
    void freeReplyBytesAreVariedAndNeverTested();
    void loadHouseFile();
    void changeSlots_data();
    void changeSlots();

    void linkPointsToTheDeviceAndIsRemoved();
    void portNumberIsGuarded();
    void readOutOverPty();
    void pacedWriteTakesLineTime();
    void partialFrameIsDroppedAfterPause();
    void eraseDelayAndNoise();
    void serialPortReopens();
    void crashedClientDoesNotLockThePortForever();
    void unplugHangsUpTheClient();

private:
    QTemporaryDir m_dir;
};

void TestSimReader::writeStoresAndAcknowledges()
{
    ReaderModel model;
    QCOMPARE(model.memory(), QByteArray(SlotCount * SlotBytes, static_cast<char>(0xFF)));

    const QByteArray reply = model.respond(writeTo(1234, "0A1B2C3D4E05"));
    QCOMPARE(reply.size(), BlockLength);
    QVERIFY(isWriteAcknowledged(reply));
    QCOMPARE(model.slot(1234), hex("0A1B2C3D4E05"));
    QCOMPARE(model.slotRecord(1234), QStringLiteral("0A1B2C3D4E05"));
    QCOMPARE(model.slotRecord(1233), QStringLiteral("FFFFFFFFFFFF"));
    QCOMPARE(model.slotRecord(1235), QStringLiteral("FFFFFFFFFFFF"));

    QVERIFY(isWriteAcknowledged(model.respond(writeTo(1, "000000000001"))));
    QVERIFY(isWriteAcknowledged(model.respond(writeTo(1365, "0102030405FF"))));
    QCOMPARE(model.memory().left(6), hex("000000000001"));
    QCOMPARE(model.memory().right(6), hex("0102030405FF"));
    QCOMPARE(model.storedWrites(), 3);

    // Writing the same slot again replaces the code.
    QVERIFY(isWriteAcknowledged(model.respond(writeTo(1234, "FFFFFFFFFFFF"))));
    QCOMPARE(model.slotRecord(1234), QStringLiteral("FFFFFFFFFFFF"));
    QCOMPARE(model.sendsOfSlot(1234), 2);
}

void TestSimReader::refusedSlotIsNotStored()
{
    ReaderOptions options;
    options.refuseSlot = 5;
    ReaderModel model(options);

    const QByteArray refusal = model.respond(writeTo(5, "0A1B2C3D4E05"));
    QCOMPARE(refusal.size(), BlockLength);
    QVERIFY(!isWriteAcknowledged(refusal));
    QCOMPARE(quint8(refusal.at(12)), options.refusalValue);
    QCOMPARE(model.slotRecord(5), QStringLiteral("FFFFFFFFFFFF"));

    QVERIFY(isWriteAcknowledged(model.respond(writeTo(6, "0A1B2C3D4E05"))));
    QCOMPARE(model.slotRecord(6), QStringLiteral("0A1B2C3D4E05"));
}

void TestSimReader::malformedFramesGetNoAnswer()
{
    ReaderModel model;
    const QByteArray good = writeTo(3, "0A1B2C3D4E05");

    QByteArray badChecksum = good;
    badChecksum[10] = static_cast<char>(badChecksum.at(10) + 1);
    QByteArray badLead = good;
    badLead[0] = 0x02;
    badLead[10] = static_cast<char>(badLead.at(10) + 1); // checksum still right
    RequestBytes unknown = readRequestBytes();
    unknown[9] = 0x22;

    QVERIFY(model.respond(badChecksum).isEmpty());
    QVERIFY(model.respond(badLead).isEmpty());
    QVERIFY(model.respond(tavi(unknown)).isEmpty());
    QVERIFY(model.respond(good.left(10)).isEmpty());
    QVERIFY(model.respond(good + '\0').isEmpty());
    QVERIFY(model.respond(QByteArray()).isEmpty());
    QCOMPARE(model.slotRecord(3), QStringLiteral("FFFFFFFFFFFF"));
    QCOMPARE(model.storedWrites(), 0);

    // The genuine frame still works afterwards.
    QVERIFY(isWriteAcknowledged(model.respond(good)));
}

void TestSimReader::misplacedAddressesAreRefused()
{
    ReaderModel model;
    for (quint16 address : {quint16(0x0001), quint16(0x1CE7), EndAddress, quint16(0xFFFA)}) {
        const QByteArray reply = model.respond(writeFrame(QStringLiteral("0A1B2C3D4E05"), address));
        QCOMPARE(reply.size(), BlockLength);
        QVERIFY2(!isWriteAcknowledged(reply), qPrintable(QString::number(address, 16)));
    }
    QCOMPARE(model.memory(), QByteArray(SlotCount * SlotBytes, static_cast<char>(0xFF)));
}

void TestSimReader::dropFirstSendsOfEachSlot()
{
    ReaderOptions options;
    options.dropFirst = 2;
    ReaderModel model(options);
    const QByteArray frame = writeTo(7, "0A1B2C3D4E05");

    QVERIFY(model.respond(frame).isEmpty());
    QVERIFY(model.respond(frame).isEmpty());
    QCOMPARE(model.slotRecord(7), QStringLiteral("FFFFFFFFFFFF"));
    QVERIFY(isWriteAcknowledged(model.respond(frame)));
    QCOMPARE(model.slotRecord(7), QStringLiteral("0A1B2C3D4E05"));
    QCOMPARE(model.sendsOfSlot(7), 3);

    // The count is per slot: the next slot starts over.
    QVERIFY(model.respond(writeTo(8, "0A1B2C3D4E05")).isEmpty());
    QCOMPARE(model.sendsOfSlot(8), 1);
    // Reads and erases are not dropped.
    QCOMPARE(model.respond(readFrame()).size(), DumpLength);
}

void TestSimReader::eraseClearsEverything()
{
    ReaderModel model;
    fillDistinct(model);
    const ReaderModel::Reply reply = model.handle(eraseFrame());
    QCOMPARE(reply.bytes.size(), BlockLength);
    QVERIFY(isEraseConfirmed(reply.bytes));
    QCOMPARE(reply.delayMs, 0);
    QCOMPARE(model.memory(), QByteArray(SlotCount * SlotBytes, static_cast<char>(0xFF)));
    QCOMPARE(model.erases(), 1);

    ReaderOptions options;
    options.eraseReplyBlocks = 2;
    options.eraseDelayMs = 1500;
    ReaderModel twoBlocks(options);
    const ReaderModel::Reply delayed = twoBlocks.handle(eraseFrame());
    QCOMPARE(delayed.bytes.size(), 2 * BlockLength);
    QVERIFY(isEraseConfirmed(delayed.bytes));
    QCOMPARE(delayed.delayMs, 1500);

    options = ReaderOptions();
    options.eraseReply = false;
    ReaderModel mute(options);
    fillDistinct(mute);
    QVERIFY(mute.respond(eraseFrame()).isEmpty());
    QCOMPARE(mute.slotRecord(1), QStringLiteral("FFFFFFFFFFFF"));
    QCOMPARE(mute.slotRecord(SlotCount), QStringLiteral("FFFFFFFFFFFF"));
}

void TestSimReader::dumpDecodesBackToMemory()
{
    ReaderModel model;
    fillDistinct(model);
    QVERIFY(model.setSlotRecord(1, QStringLiteral("0A1B2C3D4E05")));
    const QByteArray dump = model.respond(readFrame());
    QCOMPARE(dump.size(), DumpLength);

    const QStringList records = decodeDump(dump);
    QCOMPARE(records.size(), DumpBlocks);
    QCOMPARE(records.mid(0, SlotCount), model.records());
    QCOMPARE(records.first(), QStringLiteral("0A1B2C3D4E05"));
    QCOMPARE(dump.mid(1, 6), hex("0A1B2C3D4E05"));
    QCOMPARE(dump.mid((SlotCount - 1) * BlockLength + 1, 6), model.slot(SlotCount));
    // Block 1366 is not a slot; the reader fills it with something else than an empty code.
    QVERIFY(dump.mid(SlotCount * BlockLength + 1, 6) != QByteArray(6, static_cast<char>(0xFF)));
    QCOMPARE(model.dumps(), 1);
}

void TestSimReader::replyLengthOptions()
{
    ReaderOptions options;
    options.writeReplyLength = ReaderOptions::ShortReplyLength;
    options.dumpLength = ReaderOptions::ShortDumpLength;
    ReaderModel shortReader(options);
    const QByteArray shortReply = shortReader.respond(writeTo(1, "0A1B2C3D4E05"));
    QCOMPARE(shortReply.size(), 14);
    QCOMPARE(quint8(shortReply.at(12)), quint8(WriteSlot));
    QCOMPARE(shortReader.respond(readFrame()).size(), 20000);

    options.writeReplyLength = ReaderOptions::LongReplyLength;
    options.dumpLength = ReaderOptions::LongDumpLength;
    ReaderModel longReader(options);
    fillDistinct(longReader);
    const QByteArray longReply = longReader.respond(writeTo(1, "0A1B2C3D4E05"));
    QCOMPARE(longReply.size(), 16);
    QVERIFY(isWriteAcknowledged(longReply));
    const QByteArray longDump = longReader.respond(readFrame());
    QCOMPARE(longDump.size(), 20495);
    QCOMPARE(decodeDump(longDump).mid(0, SlotCount), longReader.records());
}

void TestSimReader::silentReaderNeitherAnswersNorStores()
{
    ReaderOptions options;
    options.silent = true;
    ReaderModel model(options);
    model.setSlotRecord(2, QStringLiteral("0A1B2C3D4E05"));
    QVERIFY(model.respond(writeTo(1, "0A1B2C3D4E05")).isEmpty());
    QVERIFY(model.respond(readFrame()).isEmpty());
    QVERIFY(model.respond(eraseFrame()).isEmpty());
    QCOMPARE(model.slotRecord(1), QStringLiteral("FFFFFFFFFFFF"));
    QCOMPARE(model.slotRecord(2), QStringLiteral("0A1B2C3D4E05"));
}

void TestSimReader::freeReplyBytesAreVariedAndNeverTested()
{
    ReaderModel model;
    QSet<QByteArray> distinct;
    QSet<quint8> values;
    for (int s = 1; s <= 200; ++s) {
        const QByteArray reply = model.respond(writeTo(s, "FFFFFFFFFFFF"));
        QCOMPARE(reply.size(), BlockLength);
        for (int i = 0; i < BlockLength; ++i) {
            if (i == 12)
                continue;
            const quint8 b = quint8(reply.at(i));
            QVERIFY2(b != WriteSlot && b != EraseMemory, qPrintable(QStringLiteral("byte %1 of reply %2").arg(i + 1).arg(s)));
            values.insert(b);
        }
        QVERIFY(!isEraseConfirmed(reply));
        distinct.insert(reply);
    }
    QCOMPARE(distinct.size(), 200);
    QVERIFY(values.size() > 100);

    for (int i = 0; i < 50; ++i) {
        const QByteArray reply = model.respond(eraseFrame());
        QVERIFY(!isWriteAcknowledged(reply));
        for (int j = 0; j < reply.size(); ++j) {
            if (j != 13)
                QVERIFY(quint8(reply.at(j)) != WriteSlot && quint8(reply.at(j)) != EraseMemory);
        }
        distinct.insert(reply);
    }
    QCOMPARE(distinct.size(), 250);

    // In a dump, only bytes 2..7 of blocks 1..1365 carry the memory.
    const QByteArray dump = model.respond(readFrame());
    QSet<quint8> dumpFree;
    for (int i = 0; i < dump.size(); ++i) {
        const int inBlock = i % BlockLength;
        if (i / BlockLength < SlotCount && inBlock >= 1 && inBlock <= 6)
            continue;
        const quint8 b = quint8(dump.at(i));
        QVERIFY(b != WriteSlot && b != EraseMemory);
        dumpFree.insert(b);
    }
    QVERIFY(dumpFree.size() > 200);
}

void TestSimReader::loadHouseFile()
{
    QByteArray content;
    for (int r = 1; r <= DumpBlocks; ++r)
        content += "FFFFFFFFFFFF";
    content.replace(0, 12, "0a1b2c3d4e05");
    content.replace(12 * 1233, 12, "0102030405AA");
    content.replace(12 * 1364, 12, "0102030405FF");
    content.replace(12 * 1365, 12, "123456789ABC"); // record 1366 is not memory
    const QString path = m_dir.filePath(QStringLiteral("house.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    ReaderModel model;
    QString error;
    QVERIFY2(model.loadHouseFile(path, &error), qPrintable(error));
    QCOMPARE(model.slotRecord(1), QStringLiteral("0A1B2C3D4E05"));
    QCOMPARE(model.slotRecord(1234), QStringLiteral("0102030405AA"));
    QCOMPARE(model.slotRecord(1365), QStringLiteral("0102030405FF"));
    QCOMPARE(model.slotRecord(2), QStringLiteral("FFFFFFFFFFFF"));
    QCOMPARE(model.memory().size(), SlotCount * SlotBytes);
    const QByteArray loaded = model.memory();

    // A damaged file changes nothing.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content.left(16391));
    file.close();
    QVERIFY(!model.loadHouseFile(path, &error));
    QVERIFY(!error.isEmpty());
    content.replace(12 * 700 + 3, 1, "G");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    error.clear();
    QVERIFY(!model.loadHouseFile(path, &error));
    QVERIFY(error.contains(QStringLiteral("701")));
    QVERIFY(!model.loadHouseFile(m_dir.filePath(QStringLiteral("missing.txt"))));
    QCOMPARE(model.memory(), loaded);
}

void TestSimReader::changeSlots_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<uint>("seed");
    QTest::addColumn<int>("expected");
    QTest::newRow("one") << 1 << 1u << 1;
    QTest::newRow("nine, seed 0") << 9 << 0u << 9;
    QTest::newRow("every slot") << SlotCount << 77u << SlotCount;
    QTest::newRow("too many") << 5000 << 77u << SlotCount;
    QTest::newRow("negative") << -2 << 1u << 0;
}

void TestSimReader::changeSlots()
{
    QFETCH(int, count);
    QFETCH(uint, seed);
    QFETCH(int, expected);
    ReaderModel model;
    fillDistinct(model);
    ReaderModel twin = model, otherSeed = model;
    const QList<int> changed = model.changeSlots(count, seed);
    QCOMPARE(changed.size(), expected);
    QVERIFY(std::adjacent_find(changed.begin(), changed.end(), std::greater_equal<int>()) == changed.end());
    QVERIFY(changed.isEmpty() || (changed.first() >= 1 && changed.last() <= SlotCount));
    for (int s = 1; s <= SlotCount; ++s)
        QCOMPARE(model.slot(s) != twin.slot(s), changed.contains(s));
    QCOMPARE(twin.changeSlots(count, seed), changed);
    QCOMPARE(twin.memory(), model.memory());
    otherSeed.changeSlots(count, seed + 1);
    QCOMPARE(otherSeed.memory() != model.memory(), expected > 0);
}

void TestSimReader::linkPointsToTheDeviceAndIsRemoved()
{
    QString link;
    {
        PtyServer server;
        server.setLinkDirectory(m_dir.filePath(QStringLiteral("ports")));
        server.setPortNumber(256);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        link = server.linkPath();
        QCOMPARE(link, m_dir.filePath(QStringLiteral("ports/256")));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), server.slaveName());
        QVERIFY(server.slaveName().startsWith(QStringLiteral("/dev/")));
    }
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
}

void TestSimReader::portNumberIsGuarded()
{
    const QString dir = m_dir.filePath(QStringLiteral("guard"));
    PtyServer first;
    first.setLinkDirectory(dir);
    first.setPortNumber(230);
    QVERIFY(first.start());

    PtyServer second;
    second.setLinkDirectory(dir);
    second.setPortNumber(230);
    QString error;
    QVERIFY(!second.start(&error));
    QVERIFY(error.contains(QStringLiteral("230")));
    // Starting twice leaves the running line alone.
    QVERIFY(!first.start(&error));
    QVERIFY(first.isRunning());
    QVERIFY(QFileInfo(first.linkPath()).isSymLink());
    QCOMPARE(QFileInfo(first.linkPath()).symLinkTarget(), first.slaveName());

    for (int bad : {200, 257}) {
        PtyServer outOfRange;
        outOfRange.setLinkDirectory(dir);
        outOfRange.setPortNumber(bad);
        QVERIFY(!outOfRange.start(&error));
        QVERIFY(!QFileInfo::exists(dir + QLatin1Char('/') + QString::number(bad)));
    }

    // A link left behind by a simulator that died is taken over.
    first.stop();
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/nonexistent"), dir + QStringLiteral("/230")));
    QVERIFY2(second.start(&error), qPrintable(error));
    QCOMPARE(QFileInfo(second.linkPath()).symLinkTarget(), second.slaveName());
}

void TestSimReader::readOutOverPty()
{
    PtyServer server;
    server.setLinkDirectory(m_dir.filePath(QStringLiteral("readout")));
    fillDistinct(server.model());
    QVERIFY(server.start());
    QSignalSpy heard(&server, &PtyServer::frameReceived);

    for (int round = 1; round <= 2; ++round) {
        LineClient client;
        QVERIFY(client.open(server.linkPath()));
        QVERIFY(client.send(readFrame()));
        const QByteArray dump = client.receiveWithSurplus(DumpLength, 3000);
        QCOMPARE(dump.size(), DumpLength);
        QCOMPARE(decodeDump(dump).mid(0, SlotCount), server.model().records());
        QCOMPARE(heard.size(), round);
        QCOMPARE(heard.last().first().toByteArray(), readFrame());
    }
    QCOMPARE(server.receivedFrames(), QList<QByteArray>({readFrame(), readFrame()}));
    QCOMPARE(server.bytesSent(), qint64(2 * DumpLength));
    QVERIFY(server.isIdle());
}

void TestSimReader::pacedWriteTakesLineTime()
{
    ReaderOptions options;
    options.paced = true;
    PtyServer server(options);
    server.setLinkDirectory(m_dir.filePath(QStringLiteral("paced")));
    QVERIFY(server.start());
    LineClient client;
    QVERIFY(client.open(server.linkPath()));

    QElapsedTimer timer;
    timer.start();
    QVERIFY(client.send(writeTo(1234, "0A1B2C3D4E05")));
    const QByteArray first = client.receive(1, 5000);
    const qint64 firstByteMs = timer.elapsed();
    const QByteArray rest = client.receive(BlockLength - 1, 5000);
    const qint64 exchangeMs = timer.elapsed();

    // 26 bytes of 10 bits at 9600 baud: 27.1 ms; the reader answers only
    // once the whole request has crossed the line (11.5 ms).
    QCOMPARE(first.size() + rest.size(), BlockLength);
    QVERIFY(isWriteAcknowledged(first + rest));
    QVERIFY2(firstByteMs >= 12, qPrintable(QString::number(firstByteMs)));
    QVERIFY2(exchangeMs >= 26, qPrintable(QString::number(exchangeMs)));
    // Only a sanity bound: a loaded machine may delay the exchange a lot.
    QVERIFY2(exchangeMs < 5000, qPrintable(QString::number(exchangeMs)));
    QCOMPARE(server.model().slotRecord(1234), QStringLiteral("0A1B2C3D4E05"));
}

void TestSimReader::partialFrameIsDroppedAfterPause()
{
    PtyServer server;
    server.setLinkDirectory(m_dir.filePath(QStringLiteral("partial")));
    QVERIFY(server.start());
    LineClient client;
    QVERIFY(client.open(server.linkPath()));

    const QByteArray frame = writeTo(9, "0A1B2C3D4E05");
    QVERIFY(client.send(frame.left(5)));
    QTest::qWait(PtyServer::FrameGapMs + 40);
    QVERIFY(client.send(frame));
    const QByteArray reply = client.receiveWithSurplus(BlockLength, 1000);
    QCOMPARE(reply.size(), BlockLength);
    QVERIFY(isWriteAcknowledged(reply));
    QCOMPARE(server.droppedBytes(), qint64(5));
    QCOMPARE(server.receivedFrames(), QList<QByteArray>({frame}));
    QCOMPARE(server.model().slotRecord(9), QStringLiteral("0A1B2C3D4E05"));

    // Without a pause the stream is cut into frames as it comes: a frame
    // split over two writes is still one frame.
    QVERIFY(client.send(frame.left(4)));
    QTest::qWait(10);
    QVERIFY(client.send(frame.mid(4)));
    QCOMPARE(client.receive(BlockLength, 1000).size(), BlockLength);
    QCOMPARE(server.receivedFrames().size(), 2);
}

void TestSimReader::eraseDelayAndNoise()
{
    ReaderOptions options;
    options.eraseDelayMs = 150;
    options.noise = true;
    PtyServer server(options);
    server.setLinkDirectory(m_dir.filePath(QStringLiteral("erase")));
    QVERIFY(server.start());
    LineClient client;
    QVERIFY(client.open(server.linkPath()));

    // Noise comes only on an idle line.
    const QByteArray noise = client.receive(1, 3000);
    QVERIFY(!noise.isEmpty());
    QTest::qWait(20);
    ::tcflush(client.fd(), TCIFLUSH);
    for (char c : noise)
        QVERIFY(quint8(c) != WriteSlot && quint8(c) != EraseMemory);

    server.model().options().noise = false;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(client.send(eraseFrame()));
    const QByteArray reply = client.receive(BlockLength, 2000);
    QVERIFY(timer.elapsed() >= 150);
    QCOMPARE(reply.size(), BlockLength);
    QVERIFY(isEraseConfirmed(reply));
    QVERIFY(server.noiseBytesSent() >= noise.size());
}

void TestSimReader::serialPortReopens()
{
    PtyServer server;
    server.setLinkDirectory(m_dir.filePath(QStringLiteral("serial")));
    QVERIFY(server.start());

    for (int round = 1; round <= 3; ++round) {
        QSerialPort port(server.linkPath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QVERIFY(port.setBaudRate(9600));
        QVERIFY(port.setDataBits(QSerialPort::Data8));
        QVERIFY(port.setParity(QSerialPort::NoParity));
        QVERIFY(port.setStopBits(QSerialPort::OneStop));
        QVERIFY(port.setFlowControl(QSerialPort::NoFlowControl));
        const QByteArray frame = writeTo(round, "0A1B2C3D4E05");
        port.write(frame);
        QElapsedTimer timer;
        timer.start();
        while (port.bytesAvailable() < BlockLength && timer.elapsed() < 1000)
            QTest::qWait(1);
        QVERIFY(isWriteAcknowledged(port.read(BlockLength)));
        port.close();
    }
    QCOMPARE(server.model().storedWrites(), 3);
}

void TestSimReader::crashedClientDoesNotLockThePortForever()
{
#ifdef TIOCGEXCL
    PtyServer server;
    server.setLinkDirectory(m_dir.filePath(QStringLiteral("excl")));
    QVERIFY(server.start());
    {
        // A client that dies keeps no chance to lift its exclusive open.
        LineClient client;
        QVERIFY(client.open(server.linkPath()));
        QCOMPARE(::ioctl(client.fd(), TIOCEXCL), 0);
    }
    LineClient probe;
    QVERIFY(probe.open(server.linkPath())); // root may open regardless; the flag tells
    int exclusive = 1;
    QElapsedTimer timer;
    timer.start();
    while (exclusive && timer.elapsed() < 3 * PtyServer::ExclusiveClearMs) {
        QTest::qWait(20);
        QCOMPARE(::ioctl(probe.fd(), TIOCGEXCL, &exclusive), 0);
    }
    QCOMPARE(exclusive, 0);
#else
    QSKIP("no TIOCGEXCL here");
#endif
}

void TestSimReader::unplugHangsUpTheClient()
{
    PtyServer server;
    server.setLinkDirectory(m_dir.filePath(QStringLiteral("unplug")));
    QVERIFY(server.start());
    const QString link = server.linkPath();
    LineClient client;
    QVERIFY(client.open(link));
    QSignalSpy closed(&server, &PtyServer::masterClosed);

    server.closeMaster();
    QCOMPARE(closed.size(), 1);
    QVERIFY(!server.isRunning());
    QVERIFY(!QFileInfo(link).isSymLink());
    char byte;
    const ssize_t n = ::read(client.fd(), &byte, 1);
    QVERIFY(n == 0 || (n < 0 && errno == EIO));
    QVERIFY(::write(client.fd(), "x", 1) < 0);

    // Plugged in again: a fresh device behind the same number.
    QVERIFY(server.start());
    QCOMPARE(server.linkPath(), link);
    LineClient again;
    QVERIFY(again.open(link));
    QVERIFY(again.send(writeTo(1, "0A1B2C3D4E05")));
    QVERIFY(isWriteAcknowledged(again.receive(BlockLength, 1000)));
}

QTEST_GUILESS_MAIN(TestSimReader)
#include "tst_simreader.moc"
