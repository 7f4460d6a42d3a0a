#include "house/cp1250.h"
#include "house/housefile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QtTest>

#include <filesystem>

using namespace house;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// 1366 distinct records: record k reads as k in twelve digits.
QStringList numberedRecords()
{
    QStringList records;
    for (int k = 1; k <= RecordCount; ++k)
        records << QStringLiteral("%1").arg(k, RecordLength, 10, QLatin1Char('0'));
    return records;
}

const QString Hungarian = QStringLiteral("áéíóöőúüű ÁÉÍÓÖŐÚÜŰ");

} // namespace

class TestHouseFile : public QObject
{
    Q_OBJECT

private slots:
    void lengthClasses_data();
    void lengthClasses();
    void readingMissingHouseCreatesEmptyFile();
    void validHouseRecordsAndHoldsData();

    void recordAndApartmentPositions();
    void writesNeverShortenLongerFile();
    void badWritesAreRefusedAndWriteNothing_data();
    void badWritesAreRefusedAndWriteNothing();
    void recordWriteIsSeenThroughOpenHandle();

    void listRowsOfValidHouse();
    void headerRecognition_data();
    void headerRecognition();
    void rowNumbering();
    void writeHouseRowsFromList();

    void backupPath_data();
    void backupPath();

    void nonResidentRecords();
    void nonResidentListLengths();
    void findNonResidentPositions();
    void writeNonResidentRules();

    void cp1250MatchesIcu();
    void cp1250Unencodable();
    void hexCodes();

    void missingFolderReported();
    void permissionErrorsReported();
    void replaceIsAtomic();
};

void TestHouseFile::lengthClasses_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<LengthClass>("expected");
    QTest::newRow("empty is new") << 0 << LengthClass::New;
    QTest::newRow("one byte short") << 16391 << LengthClass::Damaged;
    QTest::newRow("exact") << 16392 << LengthClass::Valid;
    QTest::newRow("one byte long") << 16393 << LengthClass::Damaged;
    QTest::newRow("one record") << 12 << LengthClass::Damaged;
}

void TestHouseFile::lengthClasses()
{
    QFETCH(int, length);
    QFETCH(LengthClass, expected);
    QCOMPARE(classifyLength(length), expected);

    QTemporaryDir dir;
    const QString path = dir.filePath("haz.txt");
    writeBytes(path, QByteArray(length, '7'));
    const HouseRead read = readHouseFile(path);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.lengthClass, expected);
    // Any content counts for a valid length; other lengths give no records.
    QCOMPARE(read.records.size(), expected == LengthClass::Valid ? RecordCount : 0);
    if (expected == LengthClass::Valid)
        QCOMPARE(read.records.last(), QStringLiteral("777777777777"));
    QCOMPARE(QFileInfo(path).size(), qint64(length));
}

void TestHouseFile::readingMissingHouseCreatesEmptyFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("uj.txt");
    const HouseRead read = readHouseFile(path);
    QVERIFY(read.ok);
    QCOMPARE(read.lengthClass, LengthClass::New);
    QVERIFY(read.records.isEmpty());
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(QFileInfo(path).size(), qint64(0));
}

void TestHouseFile::validHouseRecordsAndHoldsData()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("haz.txt");
    QVERIFY(initHouseFile(path).ok);
    QCOMPARE(readBytes(path), blankHouseContent());
    HouseRead read = readHouseFile(path);
    QCOMPARE(read.records, QStringList(QList<QString>(RecordCount, emptyRecord())));
    QVERIFY(!holdsData(read.records));

    // Records come back unchanged, whatever they hold.
    QByteArray bytes = blankHouseContent();
    bytes.replace(12 * 700, 12, "00ab\xe1\xf5xyz 1-");
    writeBytes(path, bytes);
    read = readHouseFile(path);
    QCOMPARE(read.records.at(700), QStringLiteral("00abáőxyz 1-"));
    QVERIFY(holdsData(read.records));

    QStringList oneByte(RecordCount, emptyRecord());
    oneByte[RecordCount - 1] = QStringLiteral("FFFFFFFFFFF0");
    QVERIFY(holdsData(oneByte));
}

void TestHouseFile::recordAndApartmentPositions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("haz.txt");
    QVERIFY(initHouseFile(path).ok);
    QByteArray expected = blankHouseContent();

    const struct { int record; qint64 byte; const char *text; } records[] = {
        {1, 1, "111111111111"}, {NonResidentFirstRecord, NonResidentFirstByte, "0123456789AB"},
        {1242, 14893, "ABABABABAB05"}, {RecordCount, 16381, "000000000000"}};
    for (const auto &r : records) {
        const IoResult written = writeHouseRecord(path, r.record, QString::fromLatin1(r.text));
        QVERIFY2(written.ok, qPrintable(written.error));
        expected.replace(r.byte - 1, 12, r.text);
    }
    QCOMPARE(readBytes(path), expected);

    for (int n : {1, 2, 137, NonResidentApartment, LastWholeApartment}) {
        const QString text = QString(ApartmentBytes, QLatin1Char('a' + n % 26));
        QVERIFY(writeHouseApartment(path, n, text).ok);
        expected.replace(108 * (n - 1), 108, text.toLatin1());
    }
    QCOMPARE(recordsOfApartment(ApartmentCount), LastGroupRecords);
    QVERIFY(writeHouseApartment(path, ApartmentCount, QString(84, QLatin1Char('9'))).ok);
    expected.replace(108 * 151, 84, QByteArray(84, '9'));
    QCOMPARE(readBytes(path), expected);
    QCOMPARE(QFileInfo(path).size(), HouseFileSize);
}

void TestHouseFile::writesNeverShortenLongerFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("hosszu.txt");
    const QByteArray old(20000, 'x');
    writeBytes(path, old);

    QVERIFY(initHouseFile(path).ok);
    QCOMPARE(readBytes(path), blankHouseContent() + old.mid(HouseFileSize));

    writeBytes(path, old);
    QVERIFY(writeHouseRecord(path, 2, QStringLiteral("ABCDEFABCDEF")).ok);
    QVERIFY(writeHouseApartment(path, 3, QString(108, QLatin1Char('1'))).ok);
    QStringList rows = houseListRows(QStringList(QList<QString>(20, QStringLiteral("222222222222"))));
    QVERIFY(writeHouseRows(path, rows).ok);
    // The rows cover records 1 ... 20; apartment 3 reaches beyond them.
    QByteArray expected = old;
    expected.replace(216, 108, QByteArray(108, '1'));
    expected.replace(0, 240, QByteArray(240, '2'));
    QCOMPARE(readBytes(path).size(), old.size());
    QCOMPARE(readBytes(path), expected);

    QVERIFY(replaceFileContent(path, "short").ok);
    QCOMPARE(readBytes(path), QByteArray("short") + expected.mid(5));
}

void TestHouseFile::badWritesAreRefusedAndWriteNothing_data()
{
    QTest::addColumn<int>("kind"); // 0 record, 1 apartment, 2 rows
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    const QString rec = emptyRecord();
    QTest::newRow("record 0") << 0 << 0 << rec;
    QTest::newRow("record -1") << 0 << -1 << rec;
    QTest::newRow("record 1367") << 0 << 1367 << rec;
    QTest::newRow("record of 11") << 0 << 5 << rec.left(11);
    QTest::newRow("record of 13") << 0 << 5 << rec + QLatin1Char('F');
    QTest::newRow("record in Cyrillic") << 0 << 5 << QStringLiteral("ЖЖЖЖЖЖЖЖЖЖЖЖ");
    QTest::newRow("apartment 0") << 1 << 0 << rec.repeated(9);
    QTest::newRow("apartment 153") << 1 << 153 << rec.repeated(9);
    QTest::newRow("apartment of 107") << 1 << 10 << rec.repeated(9).left(107);
    QTest::newRow("last group of nine") << 1 << 152 << rec.repeated(9);
    QTest::newRow("rows of 11") << 2 << 0 << rec.left(11);
    QTest::newRow("rows with emoji") << 2 << 0 << QStringLiteral("FFFFFFFFFF\U0001F600");
    QTest::newRow("rows beyond 1366") << 2 << 1367 << rec;
}

void TestHouseFile::badWritesAreRefusedAndWriteNothing()
{
    QFETCH(int, kind);
    QFETCH(int, number);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("haz.txt");
    QVERIFY(initHouseFile(path).ok);

    IoResult result;
    if (kind == 0) {
        result = writeHouseRecord(path, number, text);
    } else if (kind == 1) {
        result = writeHouseApartment(path, number, text);
    } else {
        QStringList records(qMax(number, 1), emptyRecord());
        records[0] = text;
        result = writeHouseRows(path, houseListRows(records));
    }
    QVERIFY(!result.ok);
    QVERIFY(!result);
    QVERIFY2(result.error.contains(QDir::toNativeSeparators(path)), qPrintable(result.error));
    QCOMPARE(readBytes(path), blankHouseContent());
}

void TestHouseFile::recordWriteIsSeenThroughOpenHandle()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("haz.txt");
    QVERIFY(initHouseFile(path).ok);
    QFile uploading(path);
    QVERIFY(uploading.open(QIODevice::ReadOnly | QIODevice::Unbuffered));

    QVERIFY(writeHouseRecord(path, 100, QStringLiteral("0A0B0C0D0E0F")).ok);
    QVERIFY(writeHouseApartment(path, 2, QString(108, QLatin1Char('2'))).ok);
    QVERIFY(uploading.seek(99 * 12));
    QCOMPARE(uploading.read(12), QByteArray("0A0B0C0D0E0F"));
    QVERIFY(uploading.seek(108));
    QCOMPARE(uploading.read(108), QByteArray(108, '2'));
}

void TestHouseFile::listRowsOfValidHouse()
{
    const QStringList records = numberedRecords();
    const QStringList rows = houseListRows(records);
    QCOMPARE(rows.size(), ListRowCount);
    QCOMPARE(rows.first(), QStringLiteral("1. Lakás"));
    QCOMPARE(rows.at(NonResidentHeaderRow), QStringLiteral("138. Lakás"));
    QCOMPARE(rows.at(NonResidentFirstRow), records.at(NonResidentFirstRecord - 1));
    QCOMPARE(rows.at(NonResidentLastRow), records.at(1241));
    QCOMPARE(rows.at(1510), QStringLiteral("152. Lakás"));
    QCOMPARE(rows.mid(1511), records.mid(1359));
    for (int n = 1; n <= ApartmentCount; ++n)
        QCOMPARE(rows.at(headerRowOf(n)), headerRow(n));
    for (int r = 0; r < rows.size(); ++r) {
        QCOMPARE(isHeaderRow(rows[r]), !isRecordRow(r));
        if (isRecordRow(r))
            QCOMPARE(rows[r], records.at(recordOfRow(r) - 1));
    }

    // Filling appends to what the list already shows.
    QStringList list{QStringLiteral("marad")};
    fillHouseList(list, records.mid(0, 10));
    QCOMPARE(list, QStringList({QStringLiteral("marad"), QStringLiteral("1. Lakás")}) + records.mid(0, 9)
                       + QStringList({QStringLiteral("2. Lakás"), records.at(9)}));
}

void TestHouseFile::headerRecognition_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("header");
    QTest::newRow("one digit") << QStringLiteral("1. Lakás") << true;
    QTest::newRow("two digits") << QStringLiteral("42. Lakás") << true;
    QTest::newRow("three digits") << QStringLiteral("152. Lakás") << true;
    QTest::newRow("four digits") << QStringLiteral("1000. Lakás") << false;
    QTest::newRow("no number") << QStringLiteral(". Lakás") << false;
    QTest::newRow("record") << QStringLiteral("FFFFFFFFFFFF") << false;
    QTest::newRow("lower case") << QStringLiteral("1. lakás") << false;
    QTest::newRow("no accent") << QStringLiteral("1. Lakas") << false;
    QTest::newRow("cut short") << QStringLiteral("12. Laká") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestHouseFile::headerRecognition()
{
    QFETCH(QString, row);
    QFETCH(bool, header);
    QCOMPARE(isHeaderRow(row), header);
}

void TestHouseFile::rowNumbering()
{
    const struct { int row; int record; } cases[] = {
        {1, 1}, {9, 9}, {11, 10}, {NonResidentFirstRow, NonResidentFirstRecord}, {NonResidentLastRow, 1242},
        {1511, 1360}, {1517, RecordCount}, {0, 0}, {10, 0}, {NonResidentHeaderRow, 0}, {-3, 0}};
    for (const auto &c : cases) {
        QCOMPARE(recordOfRow(c.row), c.record);
        QCOMPARE(isRecordRow(c.row), c.record != 0);
    }
    QCOMPARE(headerRowOf(1), 0);
    QCOMPARE(headerRowOf(NonResidentApartment), NonResidentHeaderRow);
    QCOMPARE(headerRowOf(ApartmentCount), 1510);
}

void TestHouseFile::writeHouseRowsFromList()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("haz.txt");
    QStringList records = numberedRecords();
    QStringList rows = houseListRows(records);
    rows[5] = QString();                 // a just-created house shows blank rows
    rows[NonResidentFirstRow] = QStringLiteral("   ");
    rows[20] = QStringLiteral("nem számít"); // header rows are not written
    records[4] = records[NonResidentFirstRecord - 1] = emptyRecord();

    const IoResult written = writeHouseRows(path, rows);
    QVERIFY2(written.ok, qPrintable(written.error));
    QCOMPARE(QFileInfo(path).size(), HouseFileSize);
    QCOMPARE(readBytes(path), records.join(QString()).toLatin1());
    QCOMPARE(readHouseFile(path).records, records);
}

void TestHouseFile::backupPath_data()
{
    QTest::addColumn<QString>("house");
    QTest::addColumn<QString>("backup");
    QTest::newRow(".txt") << QStringLiteral("C:\\adat\\Fo utca 1.txt") << QStringLiteral("C:\\adat\\Fo utca 1.bak");
    QTest::newRow(".TXT") << QStringLiteral("/adat/KOSSUTH.TXT") << QStringLiteral("/adat/KOSSUTH.bak");
    QTest::newRow("no extension") << QStringLiteral("/adat/hazak") << QStringLiteral("/adat/habak");
    QTest::newRow("two-letter extension") << QStringLiteral("/adat/a.md") << QStringLiteral("/adat/abak");
    QTest::newRow("accented") << QStringLiteral("/adat/ház.őű") << QStringLiteral("/adat/házbak");
    QTest::newRow("shorter than three") << QStringLiteral("ab") << QStringLiteral("bak");
}

void TestHouseFile::backupPath()
{
    QFETCH(QString, house);
    QFETCH(QString, backup);
    QCOMPARE(backupPathOf(house), backup);
}

void TestHouseFile::nonResidentRecords()
{
    QCOMPARE(buildNonResidentRecord(QStringLiteral("  postas "), QStringLiteral(" 0123456789 ")),
             QStringLiteral("postas            012345678905"));
    QCOMPARE(buildNonResidentRecord(QStringLiteral("Tizenhét betűs név"), QStringLiteral("ABCDE")),
             QStringLiteral("Tizenhét betűs név") + QStringLiteral("ABCDE     05")); // 18 chars: not trimmed to 17
    const QString seventeen = QStringLiteral("Kiss Ödön gázóra");
    QCOMPARE(seventeen.size() + 1, NonResidentNameMax);
    const QString name17 = seventeen + QLatin1Char('X');
    const QString record = buildNonResidentRecord(name17, QStringLiteral("FFFFFFFFFF"));
    QCOMPARE(record, name17 + QStringLiteral(" FFFFFFFFFF05"));
    QCOMPARE(record.size(), NonResidentRecordLength);
    QCOMPARE(buildNonResidentRecord(QString(), QString()), QString(28, QLatin1Char(' ')) + QStringLiteral("05"));
}

void TestHouseFile::nonResidentListLengths()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString path = nonResidentListPath(folder);
    QCOMPARE(path, dir.path() + QStringLiteral("/postas.lst"));

    IoResult result;
    QVERIFY(readNonResidents(folder, &result).isEmpty()); // missing list reads as empty
    QVERIFY(result.ok);

    const QByteArray one = "Postas            0123456789";
    writeBytes(path, one + "0");
    QVERIFY(readNonResidents(folder).isEmpty());
    const QByteArray two = one + "05" + "G\xe1z\xf3ra \xfcgyelet    AAAAAAAAAA05";
    writeBytes(path, two);
    const QStringList expected{QStringLiteral("Postas            012345678905"),
                               QStringLiteral("Gázóra ügyelet    AAAAAAAAAA05")};
    QCOMPARE(readNonResidents(folder, &result), expected);
    QVERIFY(result.ok);
    writeBytes(path, two + "partial");
    QCOMPARE(readNonResidents(folder), expected);
}

void TestHouseFile::findNonResidentPositions()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QCOMPARE(findNonResident(folder, QStringLiteral("Postas")), qint64(1));

    const QString path = nonResidentListPath(folder);
    writeBytes(path, QByteArray("Postas            012345678905") + "Orvos             FFFFFFFFFF05"
                         + "Postas2           111111111105");
    IoResult result;
    QCOMPARE(findNonResident(folder, QStringLiteral("Postas"), &result), qint64(1));
    QVERIFY(result.ok);
    QCOMPARE(findNonResident(folder, QStringLiteral("  Orvos "), &result), qint64(31));
    QCOMPARE(findNonResident(folder, QStringLiteral("Postas2"), &result), qint64(61));
    QCOMPARE(findNonResident(folder, QStringLiteral("postas"), &result), qint64(91)); // case counts
    QCOMPARE(findNonResident(folder, QStringLiteral("Posta"), &result), qint64(91));
    QVERIFY(result.ok);

    // A partial record at the end still takes a step: the append goes past it.
    writeBytes(path, readBytes(path) + "Uj");
    QCOMPARE(findNonResident(folder, QStringLiteral("Vendeg")), qint64(121));
    QCOMPARE(findNonResident(folder, QStringLiteral("Uj")), qint64(91));
}

void TestHouseFile::writeNonResidentRules()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString path = nonResidentListPath(folder);
    writeBytes(path, QByteArray());

    const QString names[] = {Hungarian.left(9), Hungarian.mid(10), QStringLiteral("Tizenhét karakter")};
    for (const QString &name : names) {
        const qint64 at = findNonResident(folder, name);
        const IoResult written = writeNonResident(folder, at, name, QStringLiteral("0123456789"));
        QVERIFY2(written.ok, qPrintable(written.error));
    }
    QCOMPARE(QFileInfo(path).size(), qint64(90));
    QStringList stored = readNonResidents(folder);
    QCOMPARE(stored.size(), 3);
    QCOMPARE(stored.at(0), buildNonResidentRecord(names[0], QStringLiteral("0123456789")));
    QCOMPARE(stored.at(1).left(18).trimmed(), Hungarian.mid(10));
    QCOMPARE(readBytes(path).mid(30, 9), QByteArray("\xc1\xc9\xcd\xd3\xd6\xd5\xda\xdc\xdb"));

    // Changing a code rewrites that record where it stands.
    QVERIFY(writeNonResident(folder, findNonResident(folder, names[1]), names[1], QStringLiteral("FFFFFFFFFF")).ok);
    QCOMPARE(QFileInfo(path).size(), qint64(90));
    QCOMPARE(readNonResidents(folder).at(1).right(12), QStringLiteral("FFFFFFFFFF05"));

    const QByteArray before = readBytes(path);
    const struct { qint64 position; QString name; QString code; } refused[] = {
        {91, QStringLiteral("Tizennyolc karakte"), QStringLiteral("0")},
        {91, QStringLiteral("Postas"), QStringLiteral("0123456789A")},
        {91, QStringLiteral("Почтальон"), QStringLiteral("0")},
        {91, QStringLiteral("Postas"), QStringLiteral("Ж")},
        {92, QStringLiteral("Postas"), QStringLiteral("0")},
        {0, QStringLiteral("Postas"), QStringLiteral("0")}};
    for (const auto &r : refused) {
        const IoResult result = writeNonResident(folder, r.position, r.name, r.code);
        QVERIFY2(!result.ok, qPrintable(r.name));
        QVERIFY(result.error.contains(QStringLiteral("postas.lst")));
    }
    QCOMPARE(readBytes(path), before);
}

void TestHouseFile::cp1250MatchesIcu()
{
    QStringDecoder icu("windows-1250");
    if (!icu.isValid())
        QSKIP("This Qt has no Windows-1250 converter to compare with");
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        const QString ours = cp1250::decode(byte);
        QCOMPARE(ours, QString(icu.decode(byte)));
        QCOMPARE(ours.size(), 1);
        bool ok = false;
        QCOMPARE(cp1250::encode(ours, &ok), byte);
        QVERIFY(ok);
    }
    QCOMPARE(cp1250::encode(Hungarian), QByteArray("\xe1\xe9\xed\xf3\xf6\xf5\xfa\xfc\xfb \xc1\xc9\xcd\xd3\xd6\xd5\xda\xdc\xdb"));
    QCOMPARE(cp1250::decode(cp1250::encode(Hungarian)), Hungarian);
}

void TestHouseFile::cp1250Unencodable()
{
    bool ok = true;
    QCOMPARE(cp1250::encode(QStringLiteral("aЖb\U0001F600c"), &ok), QByteArray("a?b?c"));
    QVERIFY(!ok);
    QCOMPARE(cp1250::encode(QString(QChar(0xD800)) + QLatin1Char('x'), &ok), QByteArray("?x"));
    QVERIFY(!ok);
    QVERIFY(cp1250::canEncode(Hungarian + QStringLiteral("€ŠťŽ")));
    QVERIFY(!cp1250::canEncode(QStringLiteral("ő õ")));
    QVERIFY(!cp1250::canEncode(QStringLiteral("日本")));
    QCOMPARE(cp1250::encode(QString(), &ok), QByteArray());
    QVERIFY(ok);
}

void TestHouseFile::hexCodes()
{
    for (const char *good : {"0", "0123456789", "ABCDEFabcdef", "FFFFFFFFFF"})
        QVERIFY2(isHexCode(QString::fromLatin1(good)), good);
    for (const char *bad : {"", " ", "12 34", "G1", "0x12", "12-3", "ABCDEFG"})
        QVERIFY2(!isHexCode(QString::fromLatin1(bad)), bad);
    QVERIFY(!isHexCode(QStringLiteral("１２"))); // full-width digits are not hex
}

void TestHouseFile::missingFolderReported()
{
    QTemporaryDir dir;
    const QString missing = QDir::toNativeSeparators(dir.filePath("nincs/ilyen"));
    const QString house = QDir::toNativeSeparators(missing + QStringLiteral("/haz.txt"));

    const HouseRead read = readHouseFile(house);
    QVERIFY(!read.ok);
    QVERIFY2(read.error.startsWith(QStringLiteral("A(z) ")) && read.error.contains(house), qPrintable(read.error));
    for (const IoResult &r : {initHouseFile(house), writeHouseRecord(house, 1, emptyRecord()),
                              writeHouseRows(house, houseListRows({emptyRecord()})),
                              writeNonResident(missing + QLatin1Char('/'), 1, QStringLiteral("Postas"), QString())}) {
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(missing), qPrintable(r.error));
    }
    QVERIFY(!QFileInfo::exists(missing));
    IoResult result;
    QVERIFY(readNonResidents(missing + QLatin1Char('/'), &result).isEmpty());
    QVERIFY(result.ok);
}

void TestHouseFile::permissionErrorsReported()
{
    QTemporaryDir dir;
    const QString locked = dir.filePath("zart");
    QVERIFY(QDir().mkdir(locked));
    const QString house = locked + QStringLiteral("/haz.txt");
    const QString list = nonResidentListPath(locked + QLatin1Char('/'));
    writeBytes(house, blankHouseContent());
    writeBytes(list, "Postas            012345678905");
    const auto unlock = qScopeGuard([&] {
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(house, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::setPermissions(list, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    });
    QVERIFY(QFile::setPermissions(house, QFileDevice::ReadOwner));
    QVERIFY(QFile::setPermissions(list, QFileDevice::ReadOwner));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile probe(locked + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        QSKIP("Permissions are not enforced for this user (root)");
    }

    QCOMPARE(readHouseFile(house).lengthClass, LengthClass::Valid); // reading needs no write access
    const HouseRead created = readHouseFile(locked + QStringLiteral("/uj.txt"));
    QVERIFY(!created.ok);
    QVERIFY(created.error.contains(QStringLiteral("nem nyitható meg")));
    for (const IoResult &r : {initHouseFile(house), writeHouseRecord(house, 1, QStringLiteral("000000000000")),
                              writeHouseApartment(house, 1, QString(108, QLatin1Char('0'))),
                              writeNonResident(locked + QLatin1Char('/'), 31, QStringLiteral("Orvos"), QString())}) {
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(locked) && r.error.contains(QStringLiteral("fájl nem")), qPrintable(r.error));
    }
    QCOMPARE(readBytes(house), blankHouseContent());
    QCOMPARE(readNonResidents(locked + QLatin1Char('/')).size(), 1);
}

void TestHouseFile::replaceIsAtomic()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("haz.txt");
    QVERIFY(initHouseFile(path).ok);
    // A second name for the old file (an open handle would bar the rename on Windows).
    std::error_code linked;
    std::filesystem::create_hard_link(path.toStdU16String(), dir.filePath("regi").toStdU16String(), linked);
    QVERIFY2(!linked, linked.message().c_str());

    QByteArray content = blankHouseContent();
    content.replace(0, 12, "123456789ABC");
    QVERIFY(replaceFileContent(path, content).ok);
    QCOMPARE(readBytes(path), content);
    // The old content was never overwritten: it stays whole under the other
    // name, and the new one arrived complete under the name.
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
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("haz.txt"), QStringLiteral("regi")}));
}

QTEST_APPLESS_MAIN(TestHouseFile)
#include "tst_housefile.moc"
