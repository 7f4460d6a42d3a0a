#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Finding a card in the houses of the data folder, and taking it out of one
// record. No widgets here: the window and the folder walk are the finder's.
namespace cards {

constexpr int MaxHitsShown = 1000;
constexpr int MinimumDigits = 4;

// What the user typed, turned into the hexadecimal digits to look for.
struct Query
{
    QByteArray digits;   // upper case; empty when the text is no query
    QString name;        // the non-resident whose code it is, if so
    QString error;       // Hungarian, when the text is no query
};
// A name from postas.lst (compared as the non-resident commands compare
// names) stands for that non-resident's code; otherwise hex digits and
// spaces with at least four digits.
Query parseQuery(const QString &text, const QStringList &nonResidentRecords);

struct Hit
{
    QString file;                // file name in the data folder
    bool backup = false;         // a backup (its name ends in "bak")
    bool nonResidentList = false; // a postas.lst record, shown but never changed here
    int apartment = 0;           // 0 for postas.lst
    int slotInApartment = 0;
    int slot = 0;                // record number; for postas.lst the record's number in the list
    QString code;                // the twelve characters found
    QString name;                // non-resident names for apartment 138 and postas.lst
};

// Records 1 to 1365 of a house's content that hold the digits anywhere,
// ignoring letter case; an empty slot never matches.
QList<int> matchingRecords(const QByteArray &content, const QByteArray &digits);
// The hits of one house or backup file of the data folder.
QList<Hit> houseHits(const QString &fileName, const QByteArray &content, const QByteArray &digits,
                     const QStringList &nonResidentRecords);
// The postas.lst records whose code and type (the record they have in a
// house) hold the digits.
QList<Hit> nonResidentHits(const QStringList &nonResidentRecords, const QByteArray &digits);

// A record found by a search may be emptied only while the file is still a
// whole house and the record still holds the twelve characters found.
bool stillHolds(const QByteArray &content, int record, const QString &code);

} // namespace cards
