// Opening and editing houses through the window, files checked byte for byte: "Szerkesztés", Text2, postas.lst ("Felvesz",
// List5), apartment 138 (placing, deleting, taking up), apartments from the donor house (List6), "Mentés"; the house on screen
// against every change of its file; the name every dialog that picks a house makes of what is typed.
#include "housefixtures.h"
#include "readerfixtures.h"

using namespace fixtures;

namespace {
const QString Question = QStringLiteral("Adja meg a ház címét vagy hozzon létre új házfájlt! [OkCancel]"), NewFile = QStringLiteral("Új, még üres fájl.");
const QString OpenFirst = QStringLiteral("Előbb nyisson meg egy házat a Szerkesztés gombbal!"), Damaged = QStringLiteral("A fájl sérült!");
const QString Insert = QStringLiteral("Be kívánja illeszteni a kijelőlt nem ott lakót a 'Friss adatok' 138-as lakásába? [OkCancel]");
const QString Choice = QStringLiteral("Törölni szeretné a 138-as lakás kijelölt elemét? (Igen), Felvenné a nem ott lakók közé? (Nem) [YesNoCancel]");
const QString Prompt = QStringLiteral("Adjon nevet a kódsornak! (Max. 17 karakter hosszú lehet)"), Check = QStringLiteral("Ellenőrizze az adatok megfelelőségét! [OkCancel]");
const QString NotHex = QStringLiteral("A kártyakód csak 0-9 és A-F karaktereket tartalmazhat.");
const QString NoCp1250 = QStringLiteral("A név olyan karaktert tartalmaz, amely nem menthető el. Csak a magyar és a közép-európai ábécék betűit használja!");
const QString Save = QStringLiteral("Mentsem a %1a.txt nevű fájlba? [YesNo]"), PickDonor = QStringLiteral("Válassza ki melyik házból kiván kódokat másolni! [OkCancel]");
const QString IntoHouse = QStringLiteral("A(z) %1a.txt fájlba írandó kódok között letiltott kártya van:\n%2, Elveszett\nMégis beírja? (Nem: semmi sem változik.) [YesNo Enter=No]");
const QString IntoList = QStringLiteral("A(z) ABCDEF0123 kártya le van tiltva (Elveszett). Mégis felveszi a nem ott lakók közé? [YesNo Enter=No]");
const QString Asked = QStringLiteral("A(z) %1. Lakást választotta. Adja meg a lakás számát ahova másolni szeretné a Friss adatok listában! Max 3 karakter lehet.");
const QByteArray A = openedhouse::houseWithCodes(1), B = openedhouse::houseWithCodes(5), Donor = openedhouse::houseWithCodes(9), none, Hidden("");
const QByteArray Blank = house::blankHouseContent(), Spaces(16392, ' '), Room = QByteArray(A).replace(14820, 84, QByteArray("F").repeated(84)), Two = nonResident("Posta", "0123456789") + nonResident("Kov\xe1" "cs \xd6" "d\xf6n", "ABCDEF0123");

// A house whose apartment 138 holds these slots and FFFFFFFFFFFF after them.
QByteArray with138(const QStringList &taken)
{
    QByteArray house = A;
    for (int s = 0; s < 9; ++s)
        house.replace(14796 + 12 * s, 12, s < taken.size() ? taken[s].toLatin1() : QByteArray("FFFFFFFFFFFF"));
    return house;
}

// Apartment `to` holding the donor's apartment `from` (the last group's two missing slots empty).
QByteArray copied(QByteArray house, int to, int from)
{
    return house.replace(108 * (to - 1), 108, Donor.mid(108 * (from - 1), 108).leftJustified(108, 'F'));
}

// The house on screen: after any change behind List2's back, every command that writes its house or relies on it is refused;
// only after the program's own writes that List2 follows ("own ...") does the next one go on.
bool goesOn(const char *change) { return QByteArray(change).startsWith("own"); }

// The file a dialog's pick stands for: a new name without ".txt" gets it (a trailing dot is not doubled), an existing file is
// used as named.
QString picked(const QString &name, bool exists) { return exists || name.endsWith(".txt", Qt::CaseInsensitive) ? name : name + (name.endsWith('.') ? "txt" : ".txt"); }

// Double-clicks a donor row, answering the prompt and the save question.
QString copy(int row, const char *answer, const char *save = "Yes")
{
    return QStringLiteral("type %1|answer %2|dclick List6 %3").arg(answer, save).arg(row);
}
} // namespace

class TstHouseWindow : public QObject
{
    Q_OBJECT

private slots:
    // A new house is made whole at once, a damaged one is left as it is and not shown; a backup is shown only when whole, and
    // never made; List2 never shows another house than the one in Text2, nor List3 another backup.
    void opening_data()
    {
        editColumns();
        const QString edit = QStringLiteral("answer Ok|pick %1|click Command4"), repick = QStringLiteral("pick %1|dclick Text2");
        QTest::newRow("whole, with its backup") << A << Two << edit.arg("b.txt") << QStringList{Question} << Files{} << B << "b.txt 1518:1393/1370 1518:1370/1370 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("whole, backup of 100 bytes") << A << Two << edit.arg("d.txt") << QStringList{Question} << Files{} << Donor << "d.txt 1518:1393/1370 - 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("new") << A << Two << edit.arg("uj") << QStringList{Question, NewFile} << Files{{"uj.txt", Blank}} << Spaces << "uj.txt 1518:1393/1370 - 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("damaged, with its backup") << A << Two << edit.arg("rossz.txt") << QStringList{Question, Damaged} << Files{} << Hidden << "rossz.txt - 1518:-1/0 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("Text2: a new name") << A << Two << repick.arg("uj2") << QStringList{} << Files{{"uj2.txt", Blank}} << Spaces << "uj2.txt 1518:-1/1370 - 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("postas.lst of no whole record") << A << Two << "copy ures.txt postas.lst|" + edit.arg("b.txt") << QStringList{Question} << Files{{"postas.lst", ""}} << B << QString();
        QTest::newRow("List2 follows List3") << A << Two << edit.arg("b.txt") + "|scroll List3 600" << QStringList{Question} << Files{} << B << "b.txt 1518:1393/600 1518:1370/600 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("but not the other way") << A << Two << edit.arg("b.txt") + "|scroll List2 100" << QStringList{Question} << Files{} << B << "b.txt 1518:1393/100 1518:1370/1370 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("Text2: whole") << A << Two << repick.arg("b.txt") << QStringList{} << Files{} << B << "b.txt 1518:-1/1370 1518:-1/1370 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("Text2: damaged") << A << Two << repick.arg("rossz.txt") << QStringList{Damaged} << Files{} << Hidden << "rossz.txt - 1518:-1/1370 2:-1 1518:1393 |FFFFFFFFFF";
        // Nothing opened: the lists stay as they were.
        QTest::newRow("Cancel at the question") << A << Two << "answer Cancel|pick b.txt|click Command4" << QStringList{Question} << Files{} << A << QString();
        QTest::newRow("Cancel in the dialog") << A << Two << "answer Ok|pick|click Command4" << QStringList{Question} << Files{} << A << QString();
        QTest::newRow("Text2: Cancel") << A << Two << "pick|dclick Text2" << QStringList{} << Files{} << A << QString();
    }
    void opening() { runEdit(); }

    // "Felvesz", a List5 row clicked; a List5 row double-clicked: its code into the first free slot of apartment 138; a row of
    // apartment 138 double-clicked: deleted (Igen) or its code taken up into postas.lst under a new name (Nem).
    void nonResidents_data()
    {
        editColumns();
        const QByteArray h = with138({}), five = with138({"111111111105", "ABCDEF012305", "XYZ1111111 5", "444444444405", "555555555505"});
        const QString s, add = QStringLiteral("|click Command3"), modify = QStringLiteral("Módosítja a kódot? [OkCancel]"), no = QStringLiteral("answer No|type ");
        const QString place = QStringLiteral("click List3 1500|answer Ok|dclick List5 1");
        auto into = [](const QByteArray &house, int slot) { return QByteArray(house).replace(14796 + 12 * slot, 12, "ABCDEF012305"); };
        QStringList nine;
        for (int k = 1; k <= 9; ++k)
            nine << QString::number(k).repeated(10) + "05";
        const QByteArray two = with138(nine.mid(0, 2)), zeros = with138({nine[0], "000000000000"});
        QTest::newRow("Felvesz: row clicked") << h << Two << "click List5 1" << QStringList{} << Files{} << none << "a.txt 1518:1393/1370 1518:1370/1370 2:1 1518:1393 Kovács Ödön|ABCDEF0123";
        QTest::newRow("Felvesz: appended") << h << Two << "set Text5   Kovács  |set Text6 abcdef0123" + add << QStringList{} << Files{{"postas.lst", Two + nonResident("Kov\xe1" "cs", "abcdef0123")}} << none << "a.txt 1518:1393/1370 1518:1370/1370 3:-1 1518:1393   Kovács  |abcdef0123";
        QTest::newRow("Felvesz: code changed") << h << Two << "set Text5 Kovács Ödön|set Text6 9999999999|answer Ok" + add << QStringList{modify} << Files{{"postas.lst", Two.left(30) + nonResident("Kov\xe1" "cs \xd6" "d\xf6n", "9999999999")}} << none << s;
        QTest::newRow("Felvesz: code kept") << h << Two << "set Text5 Kovács Ödön|set Text6 9999999999|answer Cancel" + add << QStringList{modify} << Files{} << none << s;
        QTest::newRow("Felvesz: no name") << h << QByteArray("") << "set Text5 " + add << QStringList{"Nem adott meg nevet."} << Files{} << none << s;
        QTest::newRow("Felvesz: short code") << h << QByteArray("") << "set Text5 Gaz|set Text6 1234" + add << QStringList{"A kártyakód túl rövid."} << Files{} << none << s;
        QTest::newRow("Felvesz: empty code box") << h << QByteArray("") << "set Text5 Gaz|set Text6 " + add << QStringList{} << Files{{"postas.lst", nonResident("Gaz", "FFFFFFFFFF")}} << none << "a.txt 1518:1393/1370 1518:1370/1370 1:-1 1518:1393 Gaz|FFFFFFFFFF";
        QTest::newRow("Felvesz: letters in the code") << h << Two << "set Text5 Gaz|set Text6 01234567GZ" + add << QStringList{NotHex} << Files{} << none << s;
        QTest::newRow("Felvesz: Cyrillic name") << h << Two << "set Text5 Почта|set Text6 0123456789" + add << QStringList{NoCp1250} << Files{} << none << s;
        QTest::newRow("Felvesz: postas.lst unreadable") << h << QByteArray() << "set Text5 Gaz|set Text6 0123456789" + add << QStringList{"A(z) %1postas.lst fájl nem olvasható"} << Files{} << none << s;
        QTest::newRow("Felvesz: a revoked card, Nem") << h << Two << "revoke ABCDEF0123|set Text5 Gaz|set Text6 abcdef0123|answer No" + add << QStringList{IntoList} << revoking("ABCDEF0123") << none << s;
        QTest::newRow("Felvesz: a revoked card, Igen") << h << Two << "revoke ABCDEF0123|set Text5 Gaz|set Text6 abcdef0123|answer Yes" + add << QStringList{IntoList} << revoking("ABCDEF0123", {{"postas.lst", Two + nonResident("Gaz", "abcdef0123")}}) << none << s;
        const QString placed = IntoHouse.arg("%1", "138. lakás 1. hely (1234. kódhely): ABCDEF0123");
        QTest::newRow("placing: a revoked card, Nem") << h << Two << "revoke ABCDEF0123|answer Ok|answer No|dclick List5 1" << QStringList{Insert, placed} << revoking("ABCDEF0123") << none << s;
        QTest::newRow("placing: a revoked card, Igen") << h << Two << "revoke ABCDEF0123|answer Ok|answer Yes|dclick List5 1" << QStringList{Insert, placed} << revoking("ABCDEF0123", {{"a.txt", into(h, 0)}}) << none << s;
        QTest::newRow("placing: first free slot") << two << Two << place << QStringList{Insert} << Files{{"a.txt", into(two, 2)}} << none << "a.txt 1518:1393/1393 1518:1393/1393 2:1 1518:1393 Kovács Ödön|ABCDEF0123";
        QTest::newRow("placing: all free") << h << Two << "answer Ok|dclick List5 1" << QStringList{Insert} << Files{{"a.txt", into(h, 0)}} << none << "a.txt 1518:1393/1370 1518:1370/1370 2:1 1518:1393 Kovács Ödön|ABCDEF0123";
        QTest::newRow("placing: zeros are free") << zeros << Two << place << QStringList{Insert} << Files{{"a.txt", into(zeros, 1)}} << none << s;
        QTest::newRow("placing: into a new house") << QByteArray("") << Two << place << QStringList{Insert} << Files{{"a.txt", into(house::blankHouseContent(), 0)}} << none << s;
        QTest::newRow("placing: no room") << with138(nine) << Two << place << QStringList{Insert, "Nincs szabad hely a 138-as lakásban."} << Files{} << none << s;
        QTest::newRow("placing: the same card") << with138({nine[0], "ABCDEF0123AA"}) << Two << place << QStringList{"Ez a kód már szerepel a 138-as lakásban"} << Files{} << none << s;
        QTest::newRow("placing: Cancel") << h << Two << "click List3 1500|answer Cancel|dclick List5 1" << QStringList{Insert} << Files{} << none << s;
        QTest::newRow("placing: List2 hidden") << h << Two << "pick rossz.txt|dclick Text2|" + place << QStringList{Damaged, OpenFirst} << Files{} << QByteArray("") << s;
        QTest::newRow("138: deleted") << five << Two << "answer Yes|dclick List2 1375" << QStringList{Choice} << Files{{"a.txt", QByteArray(five).replace(14844, 12, "FFFFFFFFFFFF")}} << none << "a.txt 1518:1393/1370 1518:1370/1370 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("138: Cancel") << five << Two << "answer Cancel|dclick List2 1371" << QStringList{Choice} << Files{} << none << s;
        QTest::newRow("138: header of 138") << five << Two << "answer Yes|dclick List2 1370" << QStringList{} << Files{} << none << s;
        QTest::newRow("138: apartment 139") << five << Two << "answer Yes|dclick List2 1380" << QStringList{} << Files{} << none << s;
        QTest::newRow("138: taken up") << five << Two << no + "  Kéményseprő Károly Úr|answer Ok|dclick List2 1372" << QStringList{Choice, Prompt, Check} << Files{{"postas.lst", Two + "K\xe9m\xe9nysepr\xf5 K\xe1r   ABCDEF012305"}} << none << "a.txt 1518:1372/1370 1518:1370/1370 3:-1 1518:1393 Kéményseprő Kár|ABCDEF0123";
        QTest::newRow("138: a revoked card taken up, Nem") << five << Two << "revoke ABCDEF0123|" + no + "Uj|answer Ok|answer No|dclick List2 1372" << QStringList{Choice, Prompt, Check, IntoList} << revoking("ABCDEF0123") << none << s;
        QTest::newRow("138: first 17 characters") << five << Two << no + "ABCDEFGHIJKLMNOPQRST|answer Ok|dclick List2 1371" << QStringList{Choice, Prompt, Check} << Files{{"postas.lst", Two + "ABCDEFGHIJKLMNOPQ 111111111105"}} << none << s;
        QTest::newRow("138: name in use") << five << Two << no + "Posta|answer Ok|dclick List2 1371" << QStringList{Choice, Prompt, Check, "A név már használatban van."} << Files{} << none << s;
        QTest::newRow("138: no name given") << five << Two << no + "   |dclick List2 1371" << QStringList{Choice, Prompt} << Files{} << none << s;
        QTest::newRow("138: Cancel at the check") << five << Two << no + "Uj|answer Cancel|dclick List2 1371" << QStringList{Choice, Prompt, Check} << Files{} << none << s;
        QTest::newRow("138: code not hex") << five << Two << no + "Uj|dclick List2 1373" << QStringList{Choice, Prompt, NotHex} << Files{} << none << s;
        QTest::newRow("138: name not Windows-1250") << five << Two << no + "Почтальон|dclick List2 1372" << QStringList{Choice, Prompt, NoCp1250} << Files{} << none << s;
        QTest::newRow("138: blank slot of a new house") << QByteArray("") << Two << no + "Tartalek|answer Ok|dclick List2 1371" << QStringList{Choice, Prompt, Check} << Files{{"postas.lst", Two + nonResident("Tartalek", "FFFFFFFFFF")}} << none << s;
    }
    void nonResidents() { runEdit(); }

    // The donor house into List6; a donor row double-clicked: its apartment into the one the answer's first three characters
    // name, saved at once (Igen) or left in List2 (Nem) for "Mentés", which replaces the whole file: only the file List2 was
    // filled from, and only while it holds what it held then (the program's own writes move that along).
    void transfer_data()
    {
        editColumns();
        const QString no = copy(114, "7", "No"), asked = Asked.arg(12), mentes = QStringLiteral("|click Command8");
        const QByteArray seven = copied(A, 7, 12);
        QTest::newRow("donor: shown") << A << Two << "answer Ok|pick d.txt|click Command2" << QStringList{PickDonor} << Files{} << none << "a.txt 1518:1393/1370 1518:1370/1370 2:-1 1518:1393 |FFFFFFFFFF";
        QTest::newRow("donor: 0 bytes") << A << Two << "answer Ok|pick ures.txt|click Command2" << QStringList{PickDonor, "A fájl üres."} << Files{} << none << "a.txt 1518:1393/1370 1518:1370/1370 2:-1 0 |FFFFFFFFFF";
        QTest::newRow("donor: 100 bytes") << A << Two << "answer Ok|pick rossz.txt|click Command2" << QStringList{PickDonor, Damaged} << Files{} << none << "a.txt 1518:1393/1370 1518:1370/1370 2:-1 0 |FFFFFFFFFF";
        QTest::newRow("donor: Cancel") << A << Two << "answer Cancel|click Command2" << QStringList{PickDonor} << Files{} << none << "a.txt 1518:1393/1370 1518:1370/1370 2:-1 0 |FFFFFFFFFF";
        QTest::newRow("copy: 12 into 7, saved") << A << Two << copy(114, "7") << QStringList{Asked.arg(12), Save} << Files{{"a.txt", copied(A, 7, 12)}} << none << "a.txt 1518:60/60 1518:1370/1370 2:-1 1518:114 |FFFFFFFFFF";
        QTest::newRow("copy: header row itself") << A << Two << copy(110, "7") << QStringList{Asked.arg(12), Save} << Files{{"a.txt", copied(A, 7, 12)}} << none << QString();
        QTest::newRow("copy: leading space") << A << Two << copy(5, " 9x") << QStringList{Asked.arg(1), Save} << Files{{"a.txt", copied(A, 9, 1)}} << none << QString();
        QTest::newRow("copy: 1234 reads as 123") << A << Two << copy(5, "1234") << QStringList{Asked.arg(1), Save} << Files{{"a.txt", copied(A, 123, 1)}} << none << QString();
        QTest::newRow("copy: 2.5 reads as 2") << A << Two << copy(1375, "2.5") << QStringList{Asked.arg(138), Save} << Files{{"a.txt", copied(A, 2, 138)}} << none << QString();
        QTest::newRow("copy: 151") << A << Two << copy(3, "151") << QStringList{Asked.arg(1), Save} << Files{{"a.txt", copied(A, 151, 1)}} << none << QString();
        QTest::newRow("copy: last group of seven") << A << Two << copy(1515, "5") << QStringList{Asked.arg(152), Save} << Files{{"a.txt", copied(A, 5, 152)}} << none << QString();
        for (const char *bad : {"0", "-5", "+5", "152", "999", "abc", "   7", ".5", "٣"})
            QTest::addRow("copy: target %s", bad) << A << Two << copy(114, bad) << QStringList{Asked.arg(12), "A lakás száma 1 és 151 közötti egész szám lehet."} << Files{} << none << QString();
        QTest::newRow("copy: empty answer") << A << Two << copy(114, "   ") << QStringList{Asked.arg(12)} << Files{} << none << QString();
        QTest::newRow("copy: List2 hidden") << A << Two << "pick rossz.txt|dclick Text2|" + copy(114, "7") << QStringList{Damaged, OpenFirst} << Files{} << QByteArray("") << QString();
        QTest::newRow("Mentés: Nem, then Mentés") << A << Two << no + mentes << QStringList{asked, Save} << Files{{"a.txt", seven}} << none << QString();
        const QString lost = QString::fromLatin1(Donor.mid(1188, 10)), revoke = "revoke " + lost + '|', into7 = IntoHouse.arg("%1", "7. lakás 1. hely (55. kódhely): " + lost);
        QTest::newRow("copy: a revoked card, Nem") << A << Two << revoke + copy(114, "7", "Yes|answer No") << QStringList{asked, Save, into7} << revoking(lost.toLatin1()) << none << QString();
        QTest::newRow("copy: a revoked card, Igen") << A << Two << revoke + copy(114, "7", "Yes|answer Yes") << QStringList{asked, Save, into7} << revoking(lost.toLatin1(), {{"a.txt", seven}}) << none << QString();
        QTest::newRow("Mentés: a revoked card, Nem") << A << Two << revoke + no + "|answer No" + mentes << QStringList{asked, Save, into7} << revoking(lost.toLatin1()) << seven << QString();
        QTest::newRow("Mentés: a revoked card, Igen") << A << Two << revoke + no + "|answer Yes" + mentes << QStringList{asked, Save, into7} << revoking(lost.toLatin1(), {{"a.txt", seven}}) << none << QString();
        QTest::newRow("Mentés: over a new house") << QByteArray("") << Two << copy(114, "20", "No") + mentes << QStringList{asked, Save} << Files{{"a.txt", copied(house::blankHouseContent(), 20, 12)}} << copied(QByteArray(16392, ' '), 20, 12) << QString();
        QTest::newRow("Mentés: List2 hidden") << A << Two << no + "|pick rossz.txt|dclick Text2" + mentes << QStringList{asked, Save, Damaged, OpenFirst} << Files{} << QByteArray("") << QString();
    }
    void transfer() { runEdit(); }

    // a.txt changed after List2 was filled (by another program, by the program's own restore or copy onto it, or Text2 naming
    // another house), then a command that writes List2's house or relies on it: refused, no file, Text2 or List2 changed and
    // nothing sent; or it goes on: the house written and shown, or the read request sent.
    void houseOnScreen_data()
    {
        QTest::addColumn<QString>("before"); QTest::addColumn<QByteArray>("disk"); QTest::addColumn<QString>("command"); QTest::addColumn<bool>("goesOn");
        const QByteArray flipped = QByteArray(Room).replace(16379, 1, Room[16379] == '0' ? "1" : "0"), removed("");
        const QString keep = copy(114, "7", "No"); // the Mentés below saves this transfer
        const QList<std::tuple<const char *, QString, QByteArray>> changes{{"same length, other bytes", "", flipped}, {"grown", "", Room + "F"},
            {"shrunk", "", Room.left(16380)}, {"removed", "", removed}, {"restored", "answer Ok|click Command7|answer Ok|click File1 0", none},
            {"copied onto", "set Text2 b.txt|answer Ok|pick a.txt|answer Ok|click Command5|set Text2 a.txt", none}, {"Text2 names another house", "set Text2 b.txt", none},
            {"own placing", "answer Ok|dclick List5 0", none}, {"own delete", "answer Yes|dclick List2 1371", none}, {"own transfer", copy(5, "3"), none},
            {"own Mentés", copy(200, "5", "No") + "|click Command8", none}, {"own emptying", "click List2 20|answer Yes|menu Lakás ürítése", none}};
        const QList<std::pair<const char *, QString>> commands{{"Mentés", "click Command8"}, {"delete in 138", "answer Yes|dclick List2 1372"},
            {"placing", "answer Ok|dclick List5 1"}, {"transfer", copy(114, "7")}, {"emptying", "click List2 60|answer Yes|menu Lakás ürítése"}, {"Ellenőrzés", "menu Ellenőrzés"}};
        for (const auto &[change, steps, disk] : changes)
            for (const auto &[command, doing] : commands) {
                const bool own = goesOn(change), mentes = doing == "click Command8";
                QStringList before{"answer Ok|pick d.txt|click Command2", steps, mentes ? keep : QString()}; // the donor; the transfer kept
                if (!own) // after an own write, before any other change
                    before.swapItemsAt(1, 2);
                before.removeAll(QString());
                if (steps.contains(QRegularExpression("Command[57]")) && doing.contains(QRegularExpression("List[56]"))) // restore and copy hide them
                    continue;
                QTest::addRow("%s, then %s", change, command) << before.join('|') << disk << doing << own;
            }
    }
    void houseOnScreen()
    {
        QFETCH(QString, before); QFETCH(QByteArray, disk); QFETCH(QString, command); QFETCH(bool, goesOn);
        Harness h;
        QVERIFY(h.startShown());
        Ui::Form1 &u = h.ui();
        for (const auto &[name, bytes] : {std::pair{"postas.lst", Two}, {"a.bak", openedhouse::houseWithCodes(2)}, {"b.txt", B}, {"d.txt", Donor}})
            h.writeFile(name, bytes);
        openedhouse::open(*h.form, h.path("a.txt"), Room);
        act(h, before);
        if (!disk.isNull())
            disk.isEmpty() ? void(QFile::remove(h.path("a.txt"))) : h.writeFile("a.txt", disk);
        const Files files = openedhouse::snapshot(h.dataFolder); const QStringList rows = openedhouse::rowsOf(u.List2); // as they were
        const QString text2 = u.Text2->text(); const QList<QByteArray> sent = h.ports.lastLink->written;
        h.dialogs.clear();
        act(h, command);
        QCOMPARE(h.dialogs.messageTexts().join('|').contains("Nyissa meg újra"), !goesOn);
        if (!goesOn) {
            QCOMPARE(openedhouse::snapshot(h.dataFolder), files);
            QCOMPARE(openedhouse::rowsOf(u.List2), rows);
            QCOMPARE(u.Text2->text(), text2);
            QCOMPARE(h.ports.lastLink->written, sent);
        } else if (command == "menu Ellenőrzés") {
            QCOMPARE(h.ports.lastLink->written, sent + QList<QByteArray>{fixtures::readFrame()});
            h.ports.lastLink->vanish("teszt");
        } else { // written, and List2 shows what is on disk
            QVERIFY(h.readFile("a.txt") != files["a.txt"]);
            QCOMPARE(openedhouse::rowsOf(u.List2), house::houseListRows(openedhouse::recordsOf(h.readFile("a.txt"))));
        }
    }

    // Names typed in every dialog that picks a house: the file made or opened, what the dialog acted on; where the target's old
    // data goes to its backup (Kiolvasás, Másolás), a name ending in "bak" is refused, changing nothing.
    void naming_data()
    {
        QTest::addColumn<QString>("dialog"); QTest::addColumn<QString>("name"); QTest::addColumn<bool>("exists");
        for (const char *dialog : {"Kiolvasás", "Szerkesztés", "Text2", "Másolás", "Innen fog másolni:"})
            for (const auto &[name, exists] : {std::pair{"uj", false}, {"a.b", false}, {"uj.", false}, {"Kossuth tér 5", false}, {"uj.TXT", false},
                     {"uj.Txt", false}, {"z.bak", false}, {"regi", true}, {"NAGY.TXT", true}, {"x.bak", true}, {"kovbak", true}, {"K.BAK", true}, {"y.Bak", true}})
                QTest::addRow("%s %s%s", dialog, name, exists ? ", existing" : "") << QString::fromUtf8(dialog) << QString::fromUtf8(name) << exists;
    }
    void naming()
    {
        QFETCH(QString, dialog); QFETCH(QString, name); QFETCH(bool, exists);
        const QString file = picked(name, exists);
        const bool reads = dialog == "Kiolvasás", copies = dialog == "Másolás", donor = dialog.startsWith("Innen");
        const bool refused = (reads || copies) && file.endsWith("bak", Qt::CaseInsensitive);
        Harness h;
        QVERIFY(h.startShown());
        openedhouse::open(*h.form, h.path("forras.txt"), A);
        if (exists)
            h.writeFile(name, B);
        MemoryLink *link = h.ports.lastLink; // the reader answers the read request with its dump
        link->onWritten = [link](const QByteArray &) { QTimer::singleShot(0, link, [link] { link->feed(fixtures::dump()); }); };
        Files expected = openedhouse::snapshot(h.dataFolder);
        if (dialog != "Text2")
            h.dialogs.answer(Dialogs::Answer::Ok);
        h.dialogs.pick(h.path(name));
        if (exists && (reads || copies) && !refused) // its old data to the backup
            h.dialogs.answer(Dialogs::Answer::Ok);
        act(h, reads ? "click Command6" : copies ? "click Command5" : donor ? "click Command2" : dialog == "Text2" ? "dclick Text2" : "click Command4");
        QTRY_VERIFY(!h.form->exchangeRunning());
        QCOMPARE(h.dialogs.messageTexts().contains(house::ownBackupMessage(h.path(file))), refused);
        if (!refused)
            expected[file] = reads ? fixtures::expectedHouse() : copies ? A : exists ? B : donor ? QByteArray("") : Blank;
        if (!refused && exists && (reads || copies))
            expected[house::backupPathOf(file)] = B;
        QCOMPARE(openedhouse::snapshot(h.dataFolder), expected);
        QCOMPARE(h.ui().Text2->text(), h.path((reads && refused) || copies || donor ? "forras.txt" : file));
        QCOMPARE(h.ui().Text1->text(), copies ? h.path(file) : QString());
        QCOMPARE(openedhouse::rowsOf(h.ui().List6), donor && exists ? house::houseListRows(openedhouse::recordsOf(B)) : QStringList());
    }
};

QTEST_MAIN(TstHouseWindow)
#include "tst_housewindow.moc"
