// The non-resident list (Felvesz, List5 clicks) and apartment 138 of the open
// house (placing, deleting, taking up), checked byte for byte on disk.
#include "housefixtures.h"
#include "house/cp1250.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

using Answer = Dialogs::Answer;
using namespace fixtures;

namespace {
const QString Insert = QStringLiteral("Be kívánja illeszteni a kijelőlt nem ott lakót a 'Friss adatok' 138-as lakásába?");
const QString AlreadyThere = QStringLiteral("Ez a kód már szerepel a 138-as lakásban");
const QString NoRoom = QStringLiteral("Nincs szabad hely a 138-as lakásban.");
const QString DeleteOrTakeUp = QStringLiteral(
    "Törölni szeretné a 138-as lakás kijelölt elemét? (Igen), Felvenné a nem ott lakók közé? (Nem)");
const QString NamePrompt = QStringLiteral("Adjon nevet a kódsornak! (Max. 17 karakter hosszú lehet)");
const QString Check = QStringLiteral("Ellenőrizze az adatok megfelelőségét!");
const QString NameInUse = QStringLiteral("A név már használatban van.");
const QString NotHex = QStringLiteral("A kártyakód csak 0-9 és A-F karaktereket tartalmazhat.");
const QString OpenFirst = QStringLiteral("Előbb nyisson meg egy házat a Szerkesztés gombbal!");

// A house whose apartment 138 holds the given slot records (FFFFFFFFFFFF for the rest).
QByteArray houseWith138(const QStringList &taken)
{
    QStringList recs = records();
    for (int s = 0; s < 9; ++s)
        recs[1233 + s] = s < taken.size() ? taken[s] : QStringLiteral("FFFFFFFFFFFF");
    return recs.join(QString()).toLatin1();
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
}

void felvesz(Harness &h)
{
    QTest::mouseClick(h.ui().Command3, Qt::LeftButton);
}
} // namespace

class TstNonResidents : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    // A started window with house a.txt open; postas.lst holds list.
    bool openHouseWith(const QByteArray &house, const QByteArray &list = QByteArray())
    {
        h = std::make_unique<Harness>();
        if (!startShown(*h))
            return false;
        h->writeFile(QStringLiteral("a.txt"), house);
        h->writeFile(QStringLiteral("postas.lst"), list);
        openHouse(*h, h->path(QStringLiteral("a.txt")));
        const bool ok = h->ui().List2->count() == 1518 && h->dialogs.unexpected().isEmpty();
        h->dialogs.clear();
        return ok;
    }
    QByteArray house() const { return h->readFile(QStringLiteral("a.txt")); }
    QByteArray list() const { return h->readFile(QStringLiteral("postas.lst")); }

private slots:
    void cleanup() { h.reset(); }

    // ---- Felvesz ----------------------------------------------------------

    void felveszAppendsARecord()
    {
        QVERIFY(openHouseWith(houseBytes()));
        h->ui().Text5->setText(QStringLiteral("Kovács"));
        typeInto(h->ui().Text6, QStringLiteral("0123456789"));
        felvesz(*h);
        QVERIFY(h->dialogs.shown().isEmpty());
        const QByteArray expected = QByteArray("Kov\xE1""cs") + QByteArray(12, ' ') + "0123456789" + "05";
        QCOMPARE(list(), expected);
        QCOMPARE(rows(h->ui().List5), QStringList{QStringLiteral("Kovács            012345678905")});
        QCOMPARE(h->ui().Text5->text(), QStringLiteral("Kovács"));
        QCOMPARE(h->ui().Text6->text(), QStringLiteral("0123456789"));

        // A second name goes after it; lower-case hex digits are kept as typed.
        typeInto(h->ui().Text5, QStringLiteral("  Posta  "));
        typeInto(h->ui().Text6, QStringLiteral("abcdef0123"));
        felvesz(*h);
        QCOMPARE(list(), expected + "Posta" + QByteArray(13, ' ') + "abcdef0123" + "05");
        QCOMPARE(h->ui().List5->count(), 2);
        QVERIFY(h->dialogs.shown().isEmpty());
    }

    void felveszWithoutNameOrWithShortCode()
    {
        QVERIFY(openHouseWith(houseBytes()));
        QCOMPARE(h->ui().Text6->text(), QStringLiteral("FFFFFFFFFF"));
        h->ui().Text5->clear();
        felvesz(*h);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{QStringLiteral("Nem adott meg nevet.")});
        QCOMPARE(list(), QByteArray());
        QCOMPARE(h->ui().List5->count(), 0);

        h->dialogs.clear();
        typeInto(h->ui().Text5, QStringLiteral("Gaz"));
        typeInto(h->ui().Text6, QStringLiteral("1234"));
        felvesz(*h);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{QStringLiteral("A kártyakód túl rövid.")});
        QCOMPARE(list(), QByteArray());

        // An empty code box stands for a card not given yet.
        h->dialogs.clear();
        h->ui().Text6->clear();
        felvesz(*h);
        QVERIFY(h->dialogs.shown().isEmpty());
        QCOMPARE(h->ui().Text6->text(), QStringLiteral("FFFFFFFFFF"));
        QCOMPARE(list(), nonResident("Gaz", "FFFFFFFFFF"));

        // With a row in List5 an empty name is taken: a name field of spaces.
        h->ui().Text5->clear();
        felvesz(*h);
        QVERIFY(h->dialogs.shown().isEmpty());
        QCOMPARE(list(), nonResident("Gaz", "FFFFFFFFFF") + QByteArray(18, ' ') + "FFFFFFFFFF05");
        QCOMPARE(h->ui().List5->count(), 2);
    }

    void felveszChangesTheCodeOfAKnownName()
    {
        const QByteArray before = nonResident("Posta", "0123456789") + nonResident("Tej", "ABCDEF0123");
        QVERIFY(openHouseWith(houseBytes(), before));
        typeInto(h->ui().Text5, QStringLiteral("Tej"));
        typeInto(h->ui().Text6, QStringLiteral("9999999999"));
        h->dialogs.answer(Answer::Cancel);
        felvesz(*h);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{QStringLiteral("Módosítja a kódot?")});
        QCOMPARE(h->dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QCOMPARE(list(), before);

        h->dialogs.clear();
        h->dialogs.answer(Answer::Ok);
        felvesz(*h);
        QCOMPARE(list(), nonResident("Posta", "0123456789") + nonResident("Tej", "9999999999"));
        QCOMPARE(rows(h->ui().List5).at(1), QStringLiteral("Tej               999999999905"));

        // Names differ in case: "tej" is a new one.
        h->dialogs.clear();
        typeInto(h->ui().Text5, QStringLiteral("tej"));
        felvesz(*h);
        QVERIFY(h->dialogs.shown().isEmpty());
        QCOMPARE(list().size(), 90);
    }

    void felveszRefusesWhatCannotBeStored_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters in the code") << QStringLiteral("Posta") << QStringLiteral("01234567GZ") << NotHex;
        QTest::newRow("space inside the code") << QStringLiteral("Posta") << QStringLiteral("01234 6789") << NotHex;
        QTest::newRow("accented code") << QStringLiteral("Posta") << QStringLiteral("0123456789").replace(9, 1, QChar(0xE9)) << NotHex;
        QTest::newRow("Cyrillic name") << QStringLiteral("Почта") << QStringLiteral("0123456789")
                                       << QStringLiteral("A név olyan karaktert tartalmaz, amely nem menthető el. "
                                                         "Csak a magyar és a közép-európai ábécék betűit használja!");
        QTest::newRow("emoji in the name") << QStringLiteral("Posta 📮") << QStringLiteral("0123456789")
                                           << QStringLiteral("A név olyan karaktert tartalmaz, amely nem menthető el. "
                                                             "Csak a magyar és a közép-európai ábécék betűit használja!");
    }
    void felveszRefusesWhatCannotBeStored()
    {
        QFETCH(QString, name);
        QFETCH(QString, code);
        QFETCH(QString, message);
        const QByteArray before = nonResident("Tej", "ABCDEF0123");
        QVERIFY(openHouseWith(houseBytes(), before));
        h->ui().Text5->setText(name);
        h->ui().Text6->setText(code);
        felvesz(*h);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{message});
        QCOMPARE(list(), before);
        QCOMPARE(h->ui().List5->count(), 1);
    }

    void unreadableListIsReportedByName()
    {
        QVERIFY(openHouseWith(houseBytes()));
        QVERIFY(QFile::remove(h->path(QStringLiteral("postas.lst"))));
        QVERIFY(QDir().mkdir(h->path(QStringLiteral("postas.lst"))));
        typeInto(h->ui().Text5, QStringLiteral("Posta"));
        typeInto(h->ui().Text6, QStringLiteral("0123456789"));
        felvesz(*h);
        QCOMPARE(h->dialogs.messageTexts().size(), 1);
        QVERIFY2(h->dialogs.messageTexts().first().contains(QStringLiteral("postas.lst")),
                 qPrintable(h->dialogs.messageTexts().first()));
        QVERIFY(QFileInfo(h->path(QStringLiteral("postas.lst"))).isDir());
    }

    void clickOnARowFillsTheBoxes()
    {
        QVERIFY(openHouseWith(houseBytes(), nonResident("Posta", "0123456789") + cp1250::encode(QStringLiteral("Kovács Ödön"))
                                                  .leftJustified(18, ' ') + "ABCDEF012305"));
        clickRow(h->ui().List5, 1);
        QCOMPARE(h->ui().Text5->text(), QStringLiteral("Kovács Ödön"));
        QCOMPARE(h->ui().Text6->text(), QStringLiteral("ABCDEF0123"));
        clickRow(h->ui().List5, 0);
        QCOMPARE(h->ui().Text5->text(), QStringLiteral("Posta"));
        QCOMPARE(h->ui().Text6->text(), QStringLiteral("0123456789"));
        QVERIFY(h->dialogs.shown().isEmpty());
    }

    // ---- placing into apartment 138 --------------------------------------

    void placingUsesTheFirstFreeSlot_data()
    {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<int>("byte"); // 1-based
        QTest::newRow("slots 0 and 1 taken") << QStringList{QStringLiteral("111111111105"), QStringLiteral("222222222205")} << 14821;
        QTest::newRow("all free") << QStringList{} << 14797;
        QTest::newRow("zeros count as free") << QStringList{QStringLiteral("111111111105"), QStringLiteral("000000000000")} << 14809;
        QTest::newRow("only the last free")
            << QStringList{QStringLiteral("111111111105"), QStringLiteral("222222222205"), QStringLiteral("333333333305"),
                           QStringLiteral("444444444405"), QStringLiteral("555555555505"), QStringLiteral("666666666605"),
                           QStringLiteral("777777777705"), QStringLiteral("888888888805")}
            << 14893;
    }
    void placingUsesTheFirstFreeSlot()
    {
        QFETCH(QStringList, taken);
        QFETCH(int, byte);
        const QByteArray before = houseWith138(taken);
        QVERIFY(openHouseWith(before, nonResident("Posta", "0123456789") + nonResident("Tej", "ABCDEF0123")));
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List5, 1);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{Insert});
        QCOMPARE(h->dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);

        QByteArray expected = before;
        expected.replace(byte - 1, 12, "ABCDEF012305");
        QCOMPARE(house(), expected);
        QStringList onDisk;
        for (int k = 0; k < 1366; ++k)
            onDisk << QString::fromLatin1(expected.mid(12 * k, 12));
        QCOMPARE(rows(h->ui().List2), house::houseListRows(onDisk));
        QCOMPARE(h->ui().List2->currentRow(), 1393);
        QCOMPARE(firstVisibleRow(h->ui().List2), 1370);
    }

    void placingIntoANewHouseWritesIntoItsFile()
    {
        h = std::make_unique<Harness>();
        QVERIFY(startShown(*h));
        h->writeFile(QStringLiteral("postas.lst"), nonResident("Posta", "0123456789"));
        openHouse(*h, h->path(QStringLiteral("uj.txt")));
        h->dialogs.clear();
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List5, 0);
        QByteArray expected(16392, 'F');
        expected.replace(14796, 12, "012345678905");
        QCOMPARE(h->readFile(QStringLiteral("uj.txt")), expected);
        QCOMPARE(h->ui().List2->item(1371)->text(), QStringLiteral("012345678905"));
        QCOMPARE(h->ui().List2->item(1372)->text(), QStringLiteral("FFFFFFFFFFFF"));
    }

    void placingRefusesDuplicatesAndFullApartments()
    {
        // The same code with another type byte is the same card.
        QByteArray before = houseWith138({QStringLiteral("111111111105"), QStringLiteral("0123456789AA")});
        QVERIFY(openHouseWith(before, nonResident("Posta", "0123456789")));
        doubleClickRow(h->ui().List5, 0);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{AlreadyThere});
        QCOMPARE(house(), before);

        QStringList nine;
        for (int s = 1; s <= 9; ++s)
            nine << QStringLiteral("%1").arg(s).repeated(10) + QStringLiteral("05");
        before = houseWith138(nine);
        QVERIFY(openHouseWith(before, nonResident("Posta", "0123456789")));
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List5, 0);
        QCOMPARE(h->dialogs.messageTexts(), (QStringList{Insert, NoRoom}));
        QCOMPARE(house(), before);

        // Cancel at the question writes nothing.
        before = houseWith138({});
        QVERIFY(openHouseWith(before, nonResident("Posta", "0123456789")));
        h->dialogs.answer(Answer::Cancel);
        doubleClickRow(h->ui().List5, 0);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{Insert});
        QCOMPARE(house(), before);
    }

    void placingMovesTheBackupListBackTo138()
    {
        h = std::make_unique<Harness>();
        QVERIFY(startShown(*h));
        h->writeFile(QStringLiteral("a.txt"), houseWith138({}));
        h->writeFile(QStringLiteral("a.bak"), houseBytes(4));
        h->writeFile(QStringLiteral("postas.lst"), nonResident("Posta", "0123456789"));
        openHouse(*h, h->path(QStringLiteral("a.txt")));
        h->ui().List3->setCurrentRow(1500);
        h->dialogs.clear();
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List5, 0);
        QCOMPARE(h->ui().List3->currentRow(), 1393);
        QCOMPARE(h->ui().List2->currentRow(), 1393);
    }

    void placingNeedsAWholeHouseInList2AndText2()
    {
        const QByteArray before = houseWith138({});
        QVERIFY(openHouseWith(before, nonResident("Posta", "0123456789")));

        // Text2 emptied, naming a missing file, a damaged or an empty one.
        struct Case { QString text2; QByteArray content; QString message; };
        const QList<Case> cases{
            {QString(), QByteArray(), OpenFirst},
            {h->path(QStringLiteral("nincs.txt")), QByteArray(),
             QStringLiteral("A(z) %1 fájl nem található.").arg(h->path(QStringLiteral("nincs.txt")))},
            {h->path(QStringLiteral("rossz.txt")), QByteArray(100, 'F'), QStringLiteral("A fájl sérült!")},
            {h->path(QStringLiteral("ures.txt")), QByteArray(""), QStringLiteral("A fájl üres.")},
        };
        for (const Case &c : cases) {
            if (!c.content.isNull()) {
                QFile f(c.text2);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(c.content);
            }
            h->ui().Text2->setText(c.text2);
            h->dialogs.clear();
            h->dialogs.answer(Answer::Ok);
            doubleClickRow(h->ui().List5, 0);
            QCOMPARE(h->dialogs.messageTexts(), (QStringList{Insert, c.message}));
            if (!c.content.isNull()) {
                QFile f(c.text2);
                QVERIFY(f.open(QIODevice::ReadOnly));
                QCOMPARE(f.readAll(), c.content);
            } else if (!c.text2.isEmpty()) {
                QVERIFY(!QFileInfo::exists(c.text2));
            }
        }
        QCOMPARE(house(), before);

        // Text2 naming another house whose apartment 138 differs from List2.
        QByteArray other = houseWith138({QStringLiteral("999999999905")});
        h->writeFile(QStringLiteral("b.txt"), other);
        h->ui().Text2->setText(h->path(QStringLiteral("b.txt")));
        h->dialogs.clear();
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List5, 0);
        QCOMPARE(h->dialogs.messageTexts().size(), 2);
        QVERIFY(h->dialogs.messageTexts().at(1).startsWith(QStringLiteral("A 'Friss adatok' lista nem")));
        QCOMPARE(h->readFile(QStringLiteral("b.txt")), other);

        // List2 hidden after a damaged house was picked through Text2.
        h->dialogs.clear();
        h->dialogs.pick(h->path(QStringLiteral("rossz.txt")));
        QTest::mouseDClick(h->ui().Text2, Qt::LeftButton);
        QVERIFY(!h->ui().List2->isVisible());
        h->dialogs.clear();
        doubleClickRow(h->ui().List5, 0);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{OpenFirst});
        QCOMPARE(h->readFile(QStringLiteral("rossz.txt")), QByteArray(100, 'F'));
    }

    void placingWaitsForARunningUpload()
    {
        const QByteArray before = houseWith138({});
        QVERIFY(openHouseWith(before, nonResident("Posta", "0123456789")));
        h->form->state().uploadRunning = 1;
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List5, 0);
        QVERIFY(h->dialogs.shown().isEmpty());
        QCOMPARE(house(), before);
    }

    // ---- deleting from and taking up out of apartment 138 ----------------

    void deletingWritesAnEmptySlot()
    {
        const QStringList taken{QStringLiteral("111111111105"), QStringLiteral("222222222205"), QStringLiteral("333333333305"),
                                QStringLiteral("444444444405"), QStringLiteral("555555555505")};
        const QByteArray before = houseWith138(taken);
        QVERIFY(openHouseWith(before));
        h->dialogs.answer(Answer::Yes);
        doubleClickRow(h->ui().List2, 1375);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{DeleteOrTakeUp});
        QCOMPARE(h->dialogs.shown().first().buttons, Dialogs::Buttons::YesNoCancel);
        QByteArray expected = before;
        expected.replace(14844, 12, "FFFFFFFFFFFF");
        QCOMPARE(house(), expected);
        QCOMPARE(h->ui().List2->item(1375)->text(), QStringLiteral("FFFFFFFFFFFF"));
        QCOMPARE(h->ui().List2->item(1374)->text(), QStringLiteral("444444444405"));
        QCOMPARE(h->ui().List2->currentRow(), 1393);

        // Cancel does nothing.
        h->dialogs.clear();
        h->dialogs.answer(Answer::Cancel);
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(house(), expected);
        QCOMPARE(list(), QByteArray());
    }

    void doubleClickOutsideApartment138DoesNothing()
    {
        const QByteArray before = houseWith138({QStringLiteral("111111111105")});
        QVERIFY(openHouseWith(before));
        for (int row : {1370, 1380, 1369, 0, 1517}) {
            doubleClickRow(h->ui().List2, row);
            QVERIFY2(h->dialogs.shown().isEmpty(), qPrintable(QString::number(row)));
        }
        QCOMPARE(house(), before);
    }

    void list2DoubleClickWaitsForExchanges_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("upload") << true;
        QTest::newRow("read-out") << false;
    }
    void list2DoubleClickWaitsForExchanges()
    {
        QFETCH(bool, upload);
        const QByteArray before = houseWith138({QStringLiteral("111111111105")});
        QVERIFY(openHouseWith(before));
        (upload ? h->form->state().uploadRunning : h->form->state().readOutRunning) = 1;
        h->dialogs.answer(Answer::Yes);
        doubleClickRow(h->ui().List2, 1371);
        QVERIFY(h->dialogs.shown().isEmpty());
        QCOMPARE(house(), before);
    }

    void deletingRefusesAnotherOrDamagedHouse()
    {
        const QByteArray before = houseWith138({QStringLiteral("111111111105")});
        QVERIFY(openHouseWith(before));
        h->writeFile(QStringLiteral("rossz.txt"), QByteArray(500, '0'));
        h->ui().Text2->setText(h->path(QStringLiteral("rossz.txt")));
        h->dialogs.answer(Answer::Yes);
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(h->dialogs.messageTexts(), (QStringList{DeleteOrTakeUp, QStringLiteral("A fájl sérült!")}));
        QCOMPARE(h->readFile(QStringLiteral("rossz.txt")), QByteArray(500, '0'));
        QCOMPARE(house(), before);
        QCOMPARE(h->ui().List2->item(1371)->text(), QStringLiteral("111111111105"));
    }

    void takingUpStoresTheCodeUnderANewName()
    {
        const QByteArray before = houseWith138({QStringLiteral("111111111105"), QStringLiteral("ABCDEF012305")});
        const QByteArray listBefore = nonResident("Posta", "0123456789");
        QVERIFY(openHouseWith(before, listBefore));
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("  Kéményseprő Károly Úr"));
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List2, 1372);
        QCOMPARE(h->dialogs.texts(), (QStringList{DeleteOrTakeUp, NamePrompt, Check}));
        QCOMPARE(h->ui().Text6->text(), QStringLiteral("ABCDEF0123"));
        // The first 17 characters of the answer, trimmed.
        QCOMPARE(h->ui().Text5->text(), QStringLiteral("Kéményseprő Kár"));
        QCOMPARE(list(), listBefore + cp1250::encode(QStringLiteral("Kéményseprő Kár")).leftJustified(18, ' ')
                             + "ABCDEF012305");
        QCOMPARE(h->ui().List5->count(), 2);
        QCOMPARE(house(), before);

        // A twenty-character name keeps its first 17.
        h->dialogs.clear();
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(list().mid(60), QByteArray("ABCDEFGHIJKLMNOPQ 111111111105"));

        // The name in use: nothing written.
        const QByteArray three = list();
        h->dialogs.clear();
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("Posta"));
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(h->dialogs.messageTexts(), (QStringList{DeleteOrTakeUp, Check, NameInUse}));
        QCOMPARE(list(), three);

        // An empty name or Cancel at the check stops.
        h->dialogs.clear();
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("   "));
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(h->dialogs.texts(), (QStringList{DeleteOrTakeUp, NamePrompt}));
        h->dialogs.clear();
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("Uj nev"));
        h->dialogs.answer(Answer::Cancel);
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(h->dialogs.texts(), (QStringList{DeleteOrTakeUp, NamePrompt, Check}));
        QCOMPARE(list(), three);
        QCOMPARE(house(), before);
        QVERIFY(h->dialogs.unexpected().isEmpty());
    }

    void takingUpRefusesWhatCannotBeStored()
    {
        // A code row damaged by hand and a name outside Windows-1250.
        const QByteArray before = houseWith138({QStringLiteral("XYZ1111111 5"), QStringLiteral("ABCDEF012305")});
        QVERIFY(openHouseWith(before));
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("Posta"));
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(h->dialogs.messageTexts(), (QStringList{DeleteOrTakeUp, NotHex}));

        h->dialogs.clear();
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("Почтальон"));
        doubleClickRow(h->ui().List2, 1372);
        QCOMPARE(h->dialogs.messageTexts().size(), 2);
        QVERIFY(h->dialogs.messageTexts().at(1).startsWith(QStringLiteral("A név olyan karaktert")));
        QCOMPARE(list(), QByteArray());
        QCOMPARE(house(), before);
    }

    void takingUpABlankSlotOfANewHouse()
    {
        h = std::make_unique<Harness>();
        QVERIFY(startShown(*h));
        openHouse(*h, h->path(QStringLiteral("uj.txt")));
        h->dialogs.clear();
        h->dialogs.answer(Answer::No);
        h->dialogs.type(QStringLiteral("Tartalek"));
        h->dialogs.answer(Answer::Ok);
        doubleClickRow(h->ui().List2, 1371);
        QCOMPARE(h->readFile(QStringLiteral("postas.lst")), nonResident("Tartalek", "FFFFFFFFFF"));
    }
};

QTEST_MAIN(TstNonResidents)
#include "tst_nonresidents.moc"
