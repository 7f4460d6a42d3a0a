// House files, postas.lst and Windows-1250 text byte for byte: the positions every command writes at and the refusals that keep a
// file whole.
#include "house/cp1250.h"
#include "house/housefile.h"
#include "house/oserror.h"

#include <QtTest>

#include <cerrno>
#include <filesystem>

using namespace house;

namespace {
QByteArray readBytes(const QString &path) { QFile file(path); return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(); }

QStringList numbered(int count) // record k reads as k in twelve digits
{
    QStringList records;
    for (int k = 1; k <= count; ++k)
        records << QStringLiteral("%1").arg(k, RecordLength, 10, QLatin1Char('0'));
    return records;
}

QByteArray put(QByteArray file, int at, const QByteArray &bytes) { return file.replace(at, bytes.size(), bytes); }
} // namespace

class TestHouseFile : public QObject
{
    Q_OBJECT

private slots:
    // Every positional write, into haz.txt or postas.lst: the bytes at their place, never a file shortened, or nothing at all
    // when refused.
    void writes_data()
    {
        // What is written and where; the record, apartment, first record row or non-resident; the code; the file before (null: no
        // file) and after (null: refused).
        QTest::addColumn<QString>("op"); QTest::addColumn<QString>("text"); QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("before"); QTest::addColumn<QByteArray>("after");
        const QString e = emptyRecord();
        const QByteArray blank = blankHouseContent(), longer(20000, 'x'), none, refused;
        const QByteArray l = "Postas            012345678905Orvos             FFFFFFFFFF05Postas2           111111111105";
        QTest::newRow("record 1366") << "record 1366" << "000000000000" << "" << blank << put(blank, 16380, "000000000000");
        QTest::newRow("record in Windows-1250") << "record 701" << "00abáőxyz 1-" << "" << blank << put(blank, 8400, "00ab\xe1\xf5xyz 1-");
        QTest::newRow("record of a longer file") << "record 2" << "ABCDEFABCDEF" << "" << longer << put(longer, 12, "ABCDEFABCDEF");
        QTest::newRow("record 0") << "record 0" << e << "" << blank << refused;
        QTest::newRow("record 1367") << "record 1367" << e << "" << blank << refused;
        QTest::newRow("record of 11") << "record 5" << e.left(11) << "" << blank << refused;
        QTest::newRow("record of 13") << "record 5" << e + 'F' << "" << blank << refused;
        QTest::newRow("last group of 7") << "apartment 152" << QString(84, '9') << "" << blank << put(blank, 16308, QByteArray(84, '9'));
        QTest::newRow("apartment of a longer file") << "apartment 3" << QString(108, '1') << "" << longer << put(longer, 216, QByteArray(108, '1'));
        QTest::newRow("apartment 0") << "apartment 0" << e.repeated(9) << "" << blank << refused;
        QTest::newRow("apartment 153") << "apartment 153" << e.repeated(9) << "" << blank << refused;
        QTest::newRow("apartment of 107") << "apartment 10" << e.repeated(9).left(107) << "" << blank << refused;
        QTest::newRow("last group of 9") << "apartment 152" << e.repeated(9) << "" << blank << refused;
        QTest::newRow("records up to 1366") << "records 1360" << QString(84, '8') << "" << blank << put(blank, 16308, QByteArray(84, '8'));
        QTest::newRow("records beyond 1366") << "records 1361" << QString(84, '8') << "" << blank << refused;
        QTest::newRow("rows: spaces are an empty slot") << "rows 1366" << "   " << "" << blank << (e + numbered(1366).mid(1).join(QString())).toLatin1();
        QTest::newRow("rows of a longer file") << "rows 20" << "ABABABABABAB" << "" << longer << put(longer, 0, "ABABABABABAB" + numbered(20).mid(1).join(QString()).toLatin1());
        QTest::newRow("rows of 11") << "rows 3" << e.left(11) << "" << blank << refused;
        QTest::newRow("rows with emoji") << "rows 3" << "FFFFFFFFFF\U0001F600" << "" << blank << refused;
        QTest::newRow("rows beyond 1366") << "rows 1367" << e << "" << blank << refused;
        QTest::newRow("empty house over a longer file") << "init" << "" << "" << longer << put(longer, 0, blank);
        QTest::newRow("first of a missing list") << "postas" << "  postas " << " 0123456789 " << none << QByteArray("postas            012345678905");
        QTest::newRow("known name in place") << "postas" << "  Orvos " << "AAAAAAAAAA" << l << put(l, 48, "AAAAAAAAAA");
        QTest::newRow("case counts") << "postas" << "postas" << "3" << l << l + "postas            3         05";
        QTest::newRow("17 in Windows-1250") << "postas" << "Árvíztűrő Ödönnék" << "FFFFFFFFFF" << l << l + "\xc1rv\xedzt\xfbr\xf5 \xd6" "d\xf6nn\xe9k FFFFFFFFFF05";
        QTest::newRow("partial record matched") << "postas" << "Uj" << "5" << l + "Uj" << l + "Uj                5         05";
        QTest::newRow("partial record passed") << "postas" << "Vendeg" << "6" << l + "Uj" << l + "Uj" + QByteArray(28, '\0') + "Vendeg            6         05";
        QTest::newRow("name of 18") << "postas" << "Tizennyolc karakte" << "0" << l << refused;
        QTest::newRow("code of 11") << "postas" << "Postas" << "0123456789A" << l + "Uj" << refused;
        QTest::newRow("Cyrillic name") << "postas" << "Почтальон" << "0" << l << refused;
        QTest::newRow("missing list, refused") << "postas" << "Postas" << "0123456789A" << none << refused;
        QTest::newRow("not a record start") << "postas 92" << "Uj" << "0" << l << refused;
    }
    void writes()
    {
        QFETCH(QString, op); QFETCH(QString, text); QFETCH(QString, code); QFETCH(QByteArray, before); QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/'), kind = op.section(' ', 0, 0);
        const QString path = kind == "postas" ? nonResidentListPath(folder) : folder + "haz.txt";
        QFile file(path);
        QVERIFY(before.isNull() || (file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) && file.write(before) == before.size() && file.flush()));
        const int number = op.section(' ', 1).toInt();
        IoResult result;
        if (kind == "init" || kind == "rows")
            file.close(); // a handle would bar the atomic replace on Windows
        if (kind == "rows") {
            QByteArray written;
            QStringList rows = houseListRows(QStringList{text} + numbered(number).mid(1));
            rows[0] = QStringLiteral("nem számít"); // header rows are not written
            result = writeHouseRows(path, rows, &written);
            QCOMPARE(written, result ? after.left(12 * number) : QByteArray());
        } else {
            result = kind == "record" ? writeHouseRecord(path, number, text) : kind == "records" ? writeHouseRecords(path, number, text)
                   : kind == "apartment" ? writeHouseApartment(path, number, text)
                   : kind == "init"   ? initHouseFile(path) : writeNonResident(folder, number ? number : findNonResident(folder, text), text, code);
        }
        QCOMPARE(bool(result), !after.isNull());
        QVERIFY2(result || result.error.contains(QDir::toNativeSeparators(path)), qPrintable(result.error));
        const QByteArray now = after.isNull() ? before : after;
        QCOMPARE(QFileInfo::exists(path), !now.isNull());
        QCOMPARE(readBytes(path), now);
        // In-place writes reach a handle that holds the file open, as an upload does.
        QVERIFY(!file.isOpen() || (file.seek(0) && file.readAll() == now));
        if (kind == "postas") {
            QStringList records; // a trailing partial record is no record
            for (int at = 0; at + 30 <= now.size(); at += 30)
                records << cp1250::decode(now.mid(at, 30));
            IoResult io;
            QCOMPARE(readNonResidents(folder, &io), records);
            QVERIFY(io.ok);
            return;
        }
        // A whole house reads back as it is on disk, in Windows-1250.
        const HouseRead read = readHouseFile(path);
        QCOMPARE(read.lengthClass, now.size() == HouseFileSize ? LengthClass::Valid : LengthClass::Damaged);
        QCOMPARE(read.records.join(QString()), now.size() == HouseFileSize ? cp1250::decode(now) : QString());
        QCOMPARE(holdsData(read.records), now.size() == HouseFileSize && now != blankHouseContent());
    }

    // Why a file operation failed, in our own words whatever the system's language: the cause of the error number, a file marked
    // read-only, or the system's text; and for real, a house in a missing folder and a record onto a full disk.
    void causes_data()
    {
        QTest::addColumn<QString>("op"); QTest::addColumn<int>("error"); QTest::addColumn<QString>("expected");
        const QString missing = "nincs ilyen fájl vagy mappa", denied = "nincs hozzá jogosultsága", busy = "az eszköz foglalt, vagy egy másik program használja", gone = "az eszköz nem érhető el (kihúzták?)";
        for (auto [error, text] : {std::pair{ENOENT, missing}, {ENOTDIR, missing}, {EACCES, denied}, {EPERM, denied}, {EROFS, "a fájlrendszer csak olvasható"}, {ENOSPC, "a lemez megtelt"},
                                   {EBUSY, busy}, {ETXTBSY, busy}, {ENODEV, gone}, {ENXIO, gone}, {EAGAIN, "az erőforrás átmenetileg nem érhető el"}, {EIO, "bemeneti/kimeneti hiba"}, {EDOM, "System text"}, {0, "System text"}})
            QTest::addRow("errno %d", error) << "" << error << text;
        QTest::newRow("read-only file, refused by the system") << "read-only" << EACCES << "a fájl csak olvasható";
        QTest::newRow("read-only file, refused by Qt") << "read-only" << 0 << "a fájl csak olvasható";
        QTest::newRow("house in a missing folder") << "house" << 0 << "A(z) %1/nincs/haz.txt fájl nem hozható létre: nincs ilyen fájl vagy mappa.";
        QTest::newRow("record onto a full disk") << "record" << 0 << "A(z) /dev/full fájl nem írható: a lemez megtelt.";
    }
    void causes()
    {
        QFETCH(QString, op); QFETCH(int, error); QFETCH(QString, expected);
        const QString cut = QSysInfo::productType() == "windows" ? ": " : "\n"; // no error number from QFile there: Windows' own words
        QTemporaryDir dir;
        const QString path = dir.filePath("haz.txt");
        if (op == "read-only")
            QVERIFY(initHouseFile(path).ok && QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        if (op == "house")
            QCOMPARE(readHouseFile(dir.filePath("nincs/haz.txt")).error.section(cut, 0, 0), QDir::toNativeSeparators(expected.arg(dir.path())).section(cut, 0, 0));
        else if (op == "record" && !QFileInfo::exists("/dev/full"))
            QSKIP("No /dev/full here");
        else if (op == "record")
            QCOMPARE(writeHouseRecord("/dev/full", 1, emptyRecord()).error, expected);
        else
            QCOMPARE(oserror::writeCause(path, error, "System text"), expected);
    }

    void listRows()
    {
        const QStringList records = numbered(RecordCount), rows = houseListRows(records);
        QCOMPARE(rows.size(), ListRowCount);
        for (int r = 0; r < rows.size(); ++r) // a header over every nine records
            QVERIFY2(isHeaderRow(rows[r]) == (r % 10 == 0) && isRecordRow(r) == (r % 10 != 0)
                     && rows[r] == (r % 10 ? records[r - r / 10 - 1] : QStringLiteral("%1. Lakás").arg(r / 10 + 1)), qPrintable(rows[r]));
        for (auto [row, record] : {std::pair{1, 1}, {11, 10}, {1371, 1234}, {1517, 1366}, {10, 0}, {-3, 0}})
            QVERIFY2(recordOfRow(row) == record, qPrintable(QString::number(row)));
        for (const char *row : {"1000. Lakás", ". Lakás", "1. lakás", "1. Lakas", "12. Laká", ""})
            QVERIFY2(!isHeaderRow(QString::fromUtf8(row)), row);
        // The backup's name: the last three characters become "bak".
        for (auto [house, backup] : {std::pair{"C:\\adat\\Fo utca 1.txt", "C:\\adat\\Fo utca 1.bak"}, {"/adat/K.TXT", "/adat/K.bak"},
                                     {"/adat/hazak", "/adat/habak"}, {"/adat/ház.őű", "/adat/házbak"}, {"ab", "bak"}})
            QCOMPARE(backupPathOf(QString::fromUtf8(house)), QString::fromUtf8(backup));
    }

    void windows1250AndHexCodes()
    {
        QStringDecoder icu("windows-1250");
        for (int b = 0; icu.isValid() && b < 256; ++b) {
            const QByteArray byte(1, char(b));
            bool ok = false;
            QCOMPARE(cp1250::decode(byte), QString(icu.decode(byte)));
            QVERIFY(cp1250::encode(cp1250::decode(byte), &ok) == byte && ok);
        }
        const QString hungarian = QStringLiteral("áéíóöőúüű ÁÉÍÓÖŐÚÜŰ");
        QCOMPARE(cp1250::encode(hungarian), QByteArray("\xe1\xe9\xed\xf3\xf6\xf5\xfa\xfc\xfb \xc1\xc9\xcd\xd3\xd6\xd5\xda\xdc\xdb"));
        QCOMPARE(cp1250::decode(cp1250::encode(hungarian)), hungarian);
        bool ok = true;
        QVERIFY(cp1250::encode(QStringLiteral("aЖb\U0001F600c") + QChar(0xD800), &ok) == "a?b?c?" && !ok);
        QVERIFY(cp1250::canEncode(QStringLiteral("€ŠťŽ")) && !cp1250::canEncode(QStringLiteral("õ")));
        for (const char *bad : {"", " ", "12 34", "G1", "0x12", "ABCDEFg", "１２"})
            QVERIFY2(!isHexCode(QString::fromUtf8(bad)), bad);
        QVERIFY(isHexCode(QStringLiteral("0123456789ABCDEFabcdef")));
        if (!icu.isValid())
            QSKIP("This Qt has no Windows-1250 converter to compare every byte with");
    }

    void replaceIsAtomic()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("haz.txt");
        QVERIFY(initHouseFile(path).ok);
        // A second name for the old file (an open handle would bar the rename on Windows).
        std::error_code linked;
        std::filesystem::create_hard_link(path.toStdU16String(), dir.filePath("regi").toStdU16String(), linked);
        QVERIFY2(!linked, linked.message().c_str());
        const QByteArray content = put(blankHouseContent(), 0, "123456789ABC");
        QVERIFY(replaceFileContent(path, content).ok);
        QCOMPARE(readBytes(path), content);
        // The old content, never overwritten, stays whole under the other name.
        QCOMPARE(readBytes(dir.filePath("regi")), blankHouseContent());
        // A replacement that cannot be made leaves the old file as it was.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("mappa")));
        QVERIFY(!replaceFileContent(dir.filePath("mappa"), content).ok);
#ifdef Q_OS_WIN
        QFile held(path); // as another program may hold it: without FILE_SHARE_DELETE
        QVERIFY(held.open(QIODevice::ReadOnly));
        QVERIFY(!replaceFileContent(path, blankHouseContent()).ok);
        held.close();
#endif
        QCOMPARE(readBytes(path), content);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"haz.txt", "regi"}));
    }
};

QTEST_APPLESS_MAIN(TestHouseFile)
#include "tst_housefile.moc"
