// Moving an apartment's codes from a donor house (List6) into the open house
// (List2) and "Mentés", checked byte for byte on disk.
#include "housefixtures.h"
#include "house/apartmenttransfer.h"

#include <QFileInfo>

using Answer = Dialogs::Answer;
using namespace fixtures;

namespace {
const QString PickDonor = QStringLiteral("Válassza ki melyik házból kiván kódokat másolni!");
const QString BadNumber = QStringLiteral("A lakás száma 1 és 151 közötti egész szám lehet.");
const QString OpenFirst = QStringLiteral("Előbb nyisson meg egy házat a Szerkesztés gombbal!");

QString prompt(int apartment)
{
    return QStringLiteral("A(z) %1. Lakást választotta. Adja meg a lakás számát ahova másolni szeretné a Friss "
                          "adatok listában! Max 3 karakter lehet.")
        .arg(apartment);
}

// The house bytes of apartment n (1-based) of a fixture house.
QByteArray apartmentBytes(const QByteArray &house, int n)
{
    return house.mid(108 * (n - 1), 108);
}
} // namespace

class TstTransfer : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    const QByteArray receiving = houseBytes(0);
    const QByteArray donor = houseBytes(9);

    QString saveQuestion() const { return QStringLiteral("Mentsem a ") + h->path(QStringLiteral("a.txt")) + QStringLiteral(" nevű fájlba?"); }

    // Receiving house a.txt open (content; null = a new house), donor d.txt in List6.
    bool openBoth(const QByteArray &content)
    {
        h = std::make_unique<Harness>();
        if (!startShown(*h))
            return false;
        if (!content.isNull())
            h->writeFile(QStringLiteral("a.txt"), content);
        h->writeFile(QStringLiteral("d.txt"), donor);
        openHouse(*h, h->path(QStringLiteral("a.txt")));
        h->dialogs.answer(Answer::Ok);
        h->dialogs.pick(h->path(QStringLiteral("d.txt")));
        QTest::mouseClick(h->ui().Command2, Qt::LeftButton);
        const bool ok = h->dialogs.unexpected().isEmpty() && h->ui().List6->count() == 1518
                        && h->ui().List2->count() == 1518;
        h->dialogs.clear();
        return ok;
    }
    QByteArray house() const { return h->readFile(QStringLiteral("a.txt")); }
    // Double-click on a donor row, answering the prompt and the save question.
    void transfer(int donorRow, const QString &answer, Answer save)
    {
        h->dialogs.type(answer);
        h->dialogs.answer(save);
        doubleClickRow(h->ui().List6, donorRow);
    }

private slots:
    void cleanup() { h.reset(); }

    void donorIsShownInList6()
    {
        QVERIFY(openBoth(receiving));
        QCOMPARE(rows(h->ui().List6), house::houseListRows(records(9)));
        QCOMPARE(h->ui().List6->currentRow(), 1393);
        QVERIFY(firstVisibleRow(h->ui().List6) <= 1370 && firstVisibleRow(h->ui().List6) >= 1370 - 23);
        // The receiving house stays the one named in Text2.
        QCOMPARE(h->ui().Text2->text(), h->path(QStringLiteral("a.txt")));
        QCOMPARE(h->form->state().houseFilePath, h->path(QStringLiteral("d.txt")));
        QCOMPARE(h->readFile(QStringLiteral("d.txt")), donor);

        // The question, then the dialog in the data folder.
        h->dialogs.answer(Answer::Ok);
        h->dialogs.pick(h->path(QStringLiteral("d.txt")));
        QTest::mouseClick(h->ui().Command2, Qt::LeftButton);
        QCOMPARE(h->dialogs.messageTexts(), QStringList{PickDonor});
        QCOMPARE(h->dialogs.shown().at(1).folder, h->dataFolder);
        QCOMPARE(h->dialogs.shown().at(1).text, QStringLiteral("Szöveg (*.txt)|*.txt|"));
    }

    void donorThatIsEmptyDamagedOrCancelled_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: cancel at the question; empty name: ""
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("0 bytes") << QByteArray("") << QStringList{PickDonor, QStringLiteral("A fájl üres.")};
        QTest::newRow("100 bytes") << QByteArray(100, 'F') << QStringList{PickDonor, QStringLiteral("A fájl sérült!")};
        QTest::newRow("16393 bytes") << QByteArray(16393, 'F') << QStringList{PickDonor, QStringLiteral("A fájl sérült!")};
        QTest::newRow("cancel") << QByteArray() << QStringList{PickDonor};
    }
    void donorThatIsEmptyDamagedOrCancelled()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, messages);
        QVERIFY(openBoth(receiving));
        if (content.isNull()) {
            h->dialogs.answer(Answer::Cancel);
        } else {
            h->writeFile(QStringLiteral("e.txt"), content);
            h->dialogs.answer(Answer::Ok);
            h->dialogs.pick(h->path(QStringLiteral("e.txt")));
        }
        QTest::mouseClick(h->ui().Command2, Qt::LeftButton);
        QCOMPARE(h->dialogs.messageTexts(), messages);
        QCOMPARE(h->ui().List6->count(), 0);
        if (!content.isNull())
            QCOMPARE(h->readFile(QStringLiteral("e.txt")), content);
        QCOMPARE(house(), receiving);
    }

    void apartment12IntoApartment7AndSaved()
    {
        QVERIFY(openBoth(receiving));
        transfer(114, QStringLiteral("7"), Answer::Yes);
        QCOMPARE(h->dialogs.texts(), (QStringList{prompt(12), saveQuestion()}));
        QCOMPARE(h->dialogs.shown().at(1).buttons, Dialogs::Buttons::YesNo);
        for (int j = 1; j <= 9; ++j)
            QCOMPARE(h->ui().List2->item(60 + j)->text(), h->ui().List6->item(110 + j)->text());
        QCOMPARE(h->ui().List2->item(60)->text(), QStringLiteral("7. Lakás"));
        QCOMPARE(h->ui().List2->currentRow(), 60);

        QByteArray expected = receiving;
        expected.replace(648, 108, apartmentBytes(donor, 12));
        QCOMPARE(house(), expected);
        QVERIFY(!h->ui().Command8->isVisible());
    }

    void headerRowAndAnswerParsing_data()
    {
        QTest::addColumn<int>("donorRow");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("donorApartment");
        QTest::addColumn<int>("target");
        QTest::newRow("header row itself") << 110 << QStringLiteral("7") << 12 << 7;
        QTest::newRow("last record row") << 119 << QStringLiteral("7") << 12 << 7;
        QTest::newRow("45abc") << 5 << QStringLiteral("45abc") << 1 << 45;
        QTest::newRow("leading space") << 5 << QStringLiteral(" 9x") << 1 << 9;
        QTest::newRow("only three characters count") << 5 << QStringLiteral("1234") << 1 << 123;
        QTest::newRow("2.5 reads as 2") << 1375 << QStringLiteral("2.5") << 138 << 2;
        QTest::newRow("151") << 3 << QStringLiteral("151") << 1 << 151;
    }
    void headerRowAndAnswerParsing()
    {
        QFETCH(int, donorRow);
        QFETCH(QString, answer);
        QFETCH(int, donorApartment);
        QFETCH(int, target);
        QVERIFY(openBoth(receiving));
        transfer(donorRow, answer, Answer::Yes);
        QCOMPARE(h->dialogs.texts(), (QStringList{prompt(donorApartment), saveQuestion()}));
        QByteArray expected = receiving;
        expected.replace(108 * (target - 1), 108, apartmentBytes(donor, donorApartment));
        QCOMPARE(house(), expected);
        QCOMPARE(h->ui().List2->currentRow(), 10 * (target - 1));
    }

    void targetNumberParsing()
    {
        QCOMPARE(ApartmentTransfer::targetApartment(QStringLiteral("45abc")), 45);
        QCOMPARE(ApartmentTransfer::targetApartment(QStringLiteral("  7")), 7);
        QCOMPARE(ApartmentTransfer::targetApartment(QStringLiteral("   7")), 0);
        QCOMPARE(ApartmentTransfer::targetApartment(QStringLiteral("-5")), 0);
        QCOMPARE(ApartmentTransfer::targetApartment(QStringLiteral("abc")), 0);
        QCOMPARE(ApartmentTransfer::targetApartment(QStringLiteral("٣")), 0); // not an ASCII digit
        QCOMPARE(ApartmentTransfer::targetApartment(QStringLiteral("999")), 999);
    }

    void badTargetsAreRefused_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("0") << QStringLiteral("0");
        QTest::newRow("negative") << QStringLiteral("-5");
        QTest::newRow("plus sign") << QStringLiteral("+5");
        QTest::newRow("152") << QStringLiteral("152");
        QTest::newRow("999") << QStringLiteral("999");
        QTest::newRow("letters") << QStringLiteral("abc");
        QTest::newRow("number after three characters") << QStringLiteral("   7");
        QTest::newRow(".5") << QStringLiteral(".5");
    }
    void badTargetsAreRefused()
    {
        QFETCH(QString, answer);
        QVERIFY(openBoth(receiving));
        const QStringList before = rows(h->ui().List2);
        h->dialogs.type(answer);
        doubleClickRow(h->ui().List6, 114);
        QCOMPARE(h->dialogs.texts(), (QStringList{prompt(12), BadNumber}));
        QCOMPARE(rows(h->ui().List2), before);
        QCOMPARE(house(), receiving);
        QVERIFY(!h->ui().Command8->isVisible());
    }

    void emptyAnswerStops()
    {
        QVERIFY(openBoth(receiving));
        const QStringList before = rows(h->ui().List2);
        h->dialogs.type(QStringLiteral("   "));
        doubleClickRow(h->ui().List6, 114);
        QCOMPARE(h->dialogs.texts(), QStringList{prompt(12)});
        QCOMPARE(rows(h->ui().List2), before);
        QCOMPARE(house(), receiving);
    }

    void lastGroupDonorCopiesItsSevenRecords()
    {
        QVERIFY(openBoth(receiving));
        transfer(1515, QStringLiteral("5"), Answer::Yes);
        QCOMPARE(h->dialogs.texts(), (QStringList{prompt(152), saveQuestion()}));
        for (int j = 1; j <= 7; ++j)
            QCOMPARE(h->ui().List2->item(40 + j)->text(), h->ui().List6->item(1510 + j)->text());
        QCOMPARE(h->ui().List2->item(48)->text(), QStringLiteral("FFFFFFFFFFFF"));
        QCOMPARE(h->ui().List2->item(49)->text(), QStringLiteral("FFFFFFFFFFFF"));
        QByteArray expected = receiving;
        expected.replace(432, 108, donor.mid(12 * 1359, 84) + QByteArray(24, 'F'));
        QCOMPARE(house(), expected);
        QCOMPARE(h->ui().List2->count(), 1518);
    }

    void doubleClickWithoutSelectedRowDoesNothing()
    {
        QVERIFY(openBoth(receiving));
        h->ui().List6->setCurrentRow(-1);
        h->form->apartmentTransfer().list6DoubleClicked();
        h->ui().List6->clear();
        h->form->apartmentTransfer().list6DoubleClicked();
        QVERIFY(h->dialogs.shown().isEmpty());
        QCOMPARE(house(), receiving);
    }

    void answeringNoShowsMentesWhichSavesList2()
    {
        QVERIFY(openBoth(receiving));
        transfer(114, QStringLiteral("7"), Answer::No);
        QCOMPARE(house(), receiving);
        QVERIFY(h->ui().Command8->isVisible());
        QVERIFY(h->ui().Label31->isVisible());
        transfer(1375, QStringLiteral("8"), Answer::No);
        QCOMPARE(house(), receiving);

        h->dialogs.clear();
        QTest::mouseClick(h->ui().Command8, Qt::LeftButton);
        QVERIFY(h->dialogs.shown().isEmpty());
        QByteArray expected = receiving;
        expected.replace(648, 108, apartmentBytes(donor, 12));
        expected.replace(756, 108, apartmentBytes(donor, 138));
        QCOMPARE(house(), expected);
        QVERIFY(h->ui().Command8->isVisible());
    }

    void mentesOverANewHouse()
    {
        QVERIFY(openBoth(QByteArray()));
        QCOMPARE(house(), QByteArray(16392, 'F'));
        transfer(114, QStringLiteral("20"), Answer::No);
        QTest::mouseClick(h->ui().Command8, Qt::LeftButton);
        QByteArray expected(16392, 'F');
        expected.replace(2052, 108, apartmentBytes(donor, 12));
        QCOMPARE(house(), expected);
        QCOMPARE(house().mid(2052, 108), apartmentBytes(donor, 12));
    }

    void refusedWhileAnExchangeRuns_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("upload") << true;
        QTest::newRow("read-out") << false;
    }
    void refusedWhileAnExchangeRuns()
    {
        QFETCH(bool, upload);
        QVERIFY(openBoth(receiving));
        transfer(114, QStringLiteral("7"), Answer::No);
        const QStringList shown = rows(h->ui().List2);
        h->dialogs.clear();
        (upload ? h->form->state().uploadRunning : h->form->state().readOutRunning) = 1;

        QTest::mouseClick(h->ui().Command8, Qt::LeftButton);
        doubleClickRow(h->ui().List6, 200);
        QTest::mouseClick(h->ui().Command2, Qt::LeftButton);
        QVERIFY(h->dialogs.shown().isEmpty());
        QCOMPARE(house(), receiving);
        QCOMPARE(rows(h->ui().List2), shown);
        QCOMPARE(h->ui().List6->count(), 1518);
    }

    void yesIntoAFileThatIsNotAHouseKeepsList2()
    {
        QVERIFY(openBoth(receiving));
        const QStringList before = rows(h->ui().List2);
        h->writeFile(QStringLiteral("rossz.txt"), QByteArray(100, 'F'));
        h->ui().Text2->setText(h->path(QStringLiteral("rossz.txt")));
        transfer(114, QStringLiteral("7"), Answer::Yes);
        QCOMPARE(h->dialogs.messageTexts().last(), QStringLiteral("A fájl sérült!"));
        QCOMPARE(h->readFile(QStringLiteral("rossz.txt")), QByteArray(100, 'F'));
        QCOMPARE(rows(h->ui().List2), before);

        // Mentés does not overwrite it either: it is not the house List2 shows.
        h->dialogs.clear();
        transfer(114, QStringLiteral("7"), Answer::No);
        QTest::mouseClick(h->ui().Command8, Qt::LeftButton);
        QVERIFY(h->dialogs.messageTexts().last().contains(QStringLiteral("Nyissa meg újra a házat")));
        QCOMPARE(h->readFile(QStringLiteral("rossz.txt")), QByteArray(100, 'F'));

        // Nor is an empty Text2 taken for a file name.
        h->ui().Text2->clear();
        h->dialogs.clear();
        transfer(114, QStringLiteral("9"), Answer::Yes);
        QCOMPARE(h->dialogs.messageTexts().last(), OpenFirst);
        QCOMPARE(h->ui().List2->item(81)->text(), before.at(81));
        QCOMPARE(house(), receiving);
    }

    // Mentés replaces the whole file: only the file List2 was filled from,
    // and only while it holds what it held then; the program's own writes
    // move that record along.
    void mentesWritesOnlyTheHouseAsListed_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Text2 names another house") << "retype" << false;
        QTest::newRow("restored from its backup") << "restore" << false;
        QTest::newRow("changed by another program") << "other" << false;
        QTest::newRow("own transfer answered Igen") << "yes" << true;
        QTest::newRow("own apartment 138 delete") << "delete138" << true;
    }
    void mentesWritesOnlyTheHouseAsListed()
    {
        QFETCH(QString, change);
        QFETCH(bool, saved);
        QVERIFY(openBoth(receiving));
        const QByteArray other = houseBytes(5);
        h->writeFile(QStringLiteral("b.txt"), other);
        h->writeFile(QStringLiteral("a.bak"), other);
        transfer(114, QStringLiteral("7"), Answer::No);
        if (change == "retype") {
            h->ui().Text2->setText(h->path(QStringLiteral("b.txt")));
        } else if (change == "restore") {
            h->dialogs.answer(Answer::Ok);
            QTest::mouseClick(h->ui().Command7, Qt::LeftButton);
            h->dialogs.answer(Answer::Ok); // the txt file exists
            clickRow(h->ui().File1, 0);
        } else if (change == "other") {
            QByteArray changed = receiving;
            changed[500] = 'A';
            h->writeFile(QStringLiteral("a.txt"), changed);
        } else if (change == "yes") {
            transfer(200, QStringLiteral("3"), Answer::Yes);
        } else {
            h->dialogs.answer(Answer::Yes);
            doubleClickRow(h->ui().List2, 1372);
            transfer(114, QStringLiteral("7"), Answer::No); // the refill dropped it
        }
        const QByteArray a = house(), b = h->readFile(QStringLiteral("b.txt"));
        const QStringList listed = rows(h->ui().List2);
        h->dialogs.clear();
        QTest::mouseClick(h->ui().Command8, Qt::LeftButton);
        if (saved) {
            QVERIFY(h->dialogs.messageTexts().isEmpty());
            QByteArray expected;
            for (int r = 0; r < listed.size(); ++r)
                if (r % 10)
                    expected += listed[r].toLatin1();
            QCOMPARE(house(), expected);
            QCOMPARE(house().mid(108 * 6, 108), apartmentBytes(donor, 12));
            QVERIFY(house() != a);
        } else {
            QCOMPARE(h->dialogs.messageTexts().size(), 1);
            QVERIFY(h->dialogs.messageTexts().first().contains(h->ui().Text2->text()));
            QVERIFY(h->dialogs.messageTexts().first().contains(QStringLiteral("Nyissa meg újra a házat")));
            QCOMPARE(house(), a);
        }
        QCOMPARE(h->readFile(QStringLiteral("b.txt")), b);
    }

    void transferNeedsAHouseInList2()
    {
        QVERIFY(openBoth(receiving));
        h->writeFile(QStringLiteral("rossz.txt"), QByteArray(100, 'F'));
        h->dialogs.pick(h->path(QStringLiteral("rossz.txt")));
        QTest::mouseDClick(h->ui().Text2, Qt::LeftButton);
        QVERIFY(!h->ui().List2->isVisible());
        h->dialogs.clear();
        doubleClickRow(h->ui().List6, 114);
        QCOMPARE(h->dialogs.texts(), QStringList{OpenFirst});
        h->ui().Command8->show();
        QTest::mouseClick(h->ui().Command8, Qt::LeftButton);
        QCOMPARE(h->dialogs.texts(), (QStringList{OpenFirst, OpenFirst}));
        QCOMPARE(h->readFile(QStringLiteral("rossz.txt")), QByteArray(100, 'F'));
    }
};

QTEST_MAIN(TstTransfer)
#include "tst_transfer.moc"
