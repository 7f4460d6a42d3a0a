#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// House files, their backups and postas.lst: byte layouts, length classes,
// list rows and the file operations built on them. No widgets here.
namespace house {

constexpr int RecordLength = 12;
constexpr int RecordCount = 1366;
constexpr qint64 HouseFileSize = RecordCount * RecordLength; // 16392
constexpr int ApartmentRecords = 9;
constexpr int ApartmentBytes = ApartmentRecords * RecordLength; // 108
constexpr int ApartmentCount = 152;      // 151 whole apartments and a last group of 7 records
constexpr int LastWholeApartment = 151;
constexpr int LastGroupRecords = 7;      // records 1360 ... 1366
constexpr int NonResidentApartment = 138;
constexpr int NonResidentFirstRecord = 1234;
constexpr qint64 NonResidentFirstByte = 14797; // 1-based
constexpr int ListRowCount = 1518;       // 152 headers + 1366 records
constexpr int NonResidentHeaderRow = 1370;
constexpr int NonResidentFirstRow = 1371;
constexpr int NonResidentLastRow = 1379;
constexpr int NonResidentRecordLength = 30;
constexpr int NonResidentNameWidth = 18;
constexpr int NonResidentCodeWidth = 10;
constexpr int NonResidentNameMax = 17;

QString emptyRecord();                 // "FFFFFFFFFFFF"
QByteArray blankHouseContent();        // 16392 'F'

enum class LengthClass { New, Valid, Damaged };
LengthClass classifyLength(qint64 length);

// Outcome of a file operation. error is a Hungarian sentence naming the file.
struct IoResult {
    bool ok = true;
    QString error;
    explicit operator bool() const { return ok; }
};

struct HouseRead {
    LengthClass lengthClass = LengthClass::New;
    QStringList records; // the 1366 records of a valid file, otherwise empty
    QByteArray content;  // the 16392 bytes those records came from
    bool ok = true;      // false when the file could not be created or read
    QString error;
};

// Creates a 0-byte file when the path does not exist.
HouseRead readHouseFile(const QString &path);
// True when a valid house's content differs anywhere from 16392 'F'.
bool holdsData(const QStringList &records);

// 9 for apartments 1 ... 151, 7 for the last group 152, 0 for anything else.
int recordsOfApartment(int apartment);

// Positional writes at 1-based byte positions; they never shorten a file.
// Record and apartment writes change the file in place (an upload holding the
// file open sees them); whole-content writes replace it atomically.
// Out-of-range numbers, texts of the wrong length and characters without a
// Windows-1250 byte are refused (ok false) and nothing is written.
IoResult initHouseFile(const QString &path);                              // 16392 'F' from byte 1
IoResult writeHouseRecord(const QString &path, int record, const QString &text);      // at 12(k-1)+1, 12 chars
// 12 * recordsOfApartment(n) characters: 108, or 84 for the last group.
IoResult writeHouseApartment(const QString &path, int apartment, const QString &text); // at 108(n-1)+1
// Whole records from record `first` on, in one positional write.
IoResult writeHouseRecords(const QString &path, int first, const QString &text);
// Record rows from byte 1; every record row must be 12 characters or blank,
// and there may be at most 1366 of them.
// *written (when given) receives the bytes that are now on disk.
// rowsContent gives those bytes without writing them.
IoResult rowsContent(const QString &path, const QStringList &rows, QByteArray *bytes);
IoResult writeHouseRows(const QString &path, const QStringList &rows, QByteArray *written = nullptr);
// Replaces the whole content atomically (the old or the new content is on
// disk at every instant); bytes beyond content.size() of a longer file stay.
IoResult replaceFileContent(const QString &path, const QByteArray &content);

QString backupPathOf(const QString &housePath);
// A name ending in "bak" (any case) is its own backup, or would pass for a
// backup in the restore list: saving the old content there would destroy it.
bool isOwnBackup(const QString &housePath);
QString ownBackupMessage(const QString &housePath);
// How the system compares file names.
Qt::CaseSensitivity fileNameCase();
// Both paths name the same file (letter case ignored where the system does).
bool sameFile(const QString &a, const QString &b);

// List rows: a header "n. Lakás" before every nine records.
void fillHouseList(QStringList &rows, const QStringList &records);
QStringList houseListRows(const QStringList &records);
QString headerRow(int apartment);       // "n. Lakás"
bool isHeaderRow(const QString &row);   // ". Lakás" at character 2, 3 or 4
int recordOfRow(int row);               // 1-based record number of a record row; 0 for other rows
int headerRowOf(int apartment);         // 10(n-1)
bool isRecordRow(int row);              // row % 10 != 0

// Trims plain spaces only: postas.lst fills its fields with them, while other
// whitespace belongs to what the user typed.
QString trimSpaces(const QString &text);

// Card codes typed by the user must be hexadecimal before they are stored.
bool isHexCode(const QString &code);

// postas.lst in the data folder (which ends in a path separator).
QString nonResidentListPath(const QString &dataFolder);
// A missing list reads as an empty one and is not created here.
QStringList readNonResidents(const QString &dataFolder, IoResult *result = nullptr);
// 0 when the list exists but cannot be read (result tells why).
qint64 findNonResident(const QString &dataFolder, const QString &name, IoResult *result = nullptr);
QString buildNonResidentRecord(const QString &name, const QString &code);
// The names postas.lst gives a house record, matched as placing a
// non-resident matches: by the ten code characters. Joined with ", ".
QString nonResidentNamesOf(const QStringList &nonResidentRecords, const QString &record);
// position must be a record start 30i+1; name at most 17 and code at most 10
// characters after trimming, both encodable in Windows-1250.
IoResult writeNonResident(const QString &dataFolder, qint64 position, const QString &name, const QString &code);

} // namespace house
