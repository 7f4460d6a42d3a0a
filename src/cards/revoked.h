#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The revoked cards of a data folder: letiltott.lst, UTF-8 text, one line a
// card: its number (10 upper-case hex digits), a tab, the ISO 8601 time it
// was revoked, a tab, the reason. A card is its number, the first ten
// characters of a record whatever type the last two give it. No widgets and
// no writing here but through the house store.
namespace house { class HouseStore; }

namespace cards {

struct RevokedCard
{
    QString number; // 10 upper-case hex digits
    QDateTime time;
    QString reason;
};

class RevokedCards
{
public:
    static QString fileName(); // "letiltott.lst"
    static QString pathIn(const QString &dataFolder);

    // What the user typed as a card number: 10 hex digits, spaces ignored,
    // any case; empty with *error (Hungarian) set when it is none, or the
    // number of a free slot ("FFFFFFFFFF", "0000000000").
    static QString normalized(const QString &typed, QString *error);
    // The number of a record or a postas.lst code: its first ten characters,
    // upper case; empty for a free slot or anything that is no card number.
    static QString numberOf(const QString &record);

    // Reads the list of dataFolder again when the file changed since it was
    // last read (or the folder is another); a missing file is an empty list.
    // False with *error when the file exists but cannot be read.
    bool refresh(const QString &dataFolder, QString *error = nullptr);
    const QList<RevokedCard> &cards() const { return m_cards; }
    // The card revoked under this number (any case, a record's type ignored), or null.
    const RevokedCard *find(const QString &recordOrNumber) const;
    // The same for the record at byte `at` of a house's (or a dump's) bytes.
    const RevokedCard *find(const QByteArray &content, qsizetype at) const;
    bool isEmpty() const { return m_cards.isEmpty(); }
    // The next refresh reads the file whatever its size and time say (the
    // program's own write may have kept both).
    void forget() { m_size = -2; }

    // The list's bytes with card added (an existing number keeps its entry) or removed.
    static QByteArray contentWith(const QList<RevokedCard> &cards);
    static QList<RevokedCard> parse(const QByteArray &content);

private:
    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
    QList<RevokedCard> m_cards;
    // A number's ten hex digits as a 40-bit value: an upload checks 1365
    // records against 10,000 cards without making a string of any.
    QHash<qint64, int> m_index;
};

// Adds the numbers not yet revoked (with the time now and reason), or takes
// number off, in the list as the file holds it now; the file is replaced
// whole through the store, as command (logged there). Empty on success,
// otherwise the sentence that says why nothing changed.
QString addRevoked(house::HouseStore &store, const QString &dataFolder, const QStringList &numbers,
                   const QString &reason, const QString &command);
QString removeRevoked(house::HouseStore &store, const QString &dataFolder, const QString &number,
                      const QString &command);

// A slot that holds a revoked card, in the house about to be written or sent
// and/or in the door as it was read.
struct RevokedSlot
{
    int slot = 0; // 1 ... 1365
    int apartment = 0;
    int slotInApartment = 0;
    QString number;
    QString reason;
    bool inHouse = false;
    bool inDoor = false;
};

// Slots 1 to 1365 of house (and of door, when given: a dump as a house file
// holds it) that hold a revoked card.
QList<RevokedSlot> revokedSlots(const RevokedCards &revoked, const QByteArray &house,
                                const QByteArray &door = QByteArray());
// "12. lakás 3. hely (1234. kódhely): 0A1B2C3D4E, Kód törlése" lines, the
// first `max` of them, then how many more; inDoor/inHouse said when both
// were looked at.
QString describeSlots(const QList<RevokedSlot> &found, bool doorLooked, int max = 10);

} // namespace cards
