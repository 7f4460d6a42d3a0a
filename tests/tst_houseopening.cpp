// Opening a house with "Szerkesztés", the Text2 re-pick and List3's scrolling,
// through the window's controls with scripted dialogs and real files.
#include "housefixtures.h"

#include <QDir>
#include <QFileInfo>

using Answer = Dialogs::Answer;
using namespace fixtures;

namespace {
const QString Question = QStringLiteral("Adja meg a ház címét vagy hozzon létre új házfájlt!");
const QString NewFile = QStringLiteral("Új, még üres fájl.");
const QString Damaged = QStringLiteral("A fájl sérült!");
} // namespace

class TstHouseOpening : public QObject
{
    Q_OBJECT

    // The controls every opening shows, whatever the file held.
    static void checkEditingControlsShown(Harness &h)
    {
        Ui::Form1 &u = h.ui();
        for (QWidget *w : {static_cast<QWidget *>(u.List6), static_cast<QWidget *>(u.Label8),
                           static_cast<QWidget *>(u.Command2), static_cast<QWidget *>(u.Label30),
                           static_cast<QWidget *>(u.Command3), static_cast<QWidget *>(u.Text5),
                           static_cast<QWidget *>(u.Text6), static_cast<QWidget *>(u.Label15),
                           static_cast<QWidget *>(u.Label16), static_cast<QWidget *>(u.Label28),
                           static_cast<QWidget *>(u.Label3)})
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
    }
    static void checkFreshShown(Harness &h, bool shown)
    {
        QCOMPARE(h.ui().List2->isVisible(), shown);
        QCOMPARE(h.ui().Label18->isVisible(), shown);
        QCOMPARE(h.ui().Label21->isVisible(), shown);
    }
    static void checkBackupShown(Harness &h, bool shown)
    {
        QCOMPARE(h.ui().List3->isVisible(), shown);
        QCOMPARE(h.ui().Label19->isVisible(), shown);
        QCOMPARE(h.ui().Label10->isVisible(), shown);
    }

private slots:
    void newFileIsFilledWithEmptySlotsAndShownBlank_data()
    {
        QTest::addColumn<bool>("withBackup");
        QTest::newRow("no backup") << false;
        QTest::newRow("valid backup") << true;
    }
    void newFileIsFilledWithEmptySlotsAndShownBlank()
    {
        QFETCH(bool, withBackup);
        Harness h;
        QVERIFY(startShown(h));
        if (withBackup)
            h.writeFile(QStringLiteral("uj.bak"), houseBytes(7));
        h.writeFile(QStringLiteral("postas.lst"), nonResident("Posta", "0123456789") + nonResident("Tej", "ABCDEF0123"));
        openHouse(h, h.path(QStringLiteral("uj.txt")));

        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, NewFile}));
        QVERIFY(h.dialogs.unexpected().isEmpty());
        QCOMPARE(h.dialogs.shown().at(1).folder, h.dataFolder);
        QCOMPARE(h.dialogs.shown().at(1).text, QStringLiteral("Szöveg (*.txt)|*.txt|"));
        QCOMPARE(h.readFile(QStringLiteral("uj.txt")), QByteArray(16392, 'F'));
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("uj.txt")));
        QCOMPARE(h.form->state().houseFilePath, h.path(QStringLiteral("uj.txt")));
        QCOMPARE(h.form->state().backupFilePath, h.path(QStringLiteral("uj.bak")));

        const QStringList list2 = rows(h.ui().List2);
        QCOMPARE(list2.size(), 1518);
        for (int r = 0; r < list2.size(); ++r)
            QCOMPARE(list2[r], r % 10 == 0 ? QStringLiteral("%1. Lakás").arg(r / 10 + 1) : QString());
        checkFreshShown(h, true);
        QCOMPARE(h.ui().List2->currentRow(), 1393);
        QCOMPARE(firstVisibleRow(h.ui().List2), 1370);
        QCOMPARE(topRowOnScreen(h.ui().List2), 1370);

        checkBackupShown(h, withBackup);
        if (withBackup) {
            QCOMPARE(rows(h.ui().List3), house::houseListRows(records(7)));
            // The backup beside a new house stays at its first row.
            QCOMPARE(firstVisibleRow(h.ui().List3), 0);
            QCOMPARE(h.ui().List3->currentRow(), -1);
        } else {
            QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("uj.bak"))));
        }

        QCOMPARE(rows(h.ui().List5), (QStringList{QString::fromLatin1(nonResident("Posta", "0123456789")),
                                                  QString::fromLatin1(nonResident("Tej", "ABCDEF0123"))}));
        QVERIFY(h.ui().List5->isVisible());
        QVERIFY(h.ui().Label29->isVisible());
        QVERIFY(h.ui().Label2->isVisible());
        checkEditingControlsShown(h);
    }

    void validFileWithAndWithoutBackup_data()
    {
        QTest::addColumn<QByteArray>("backup"); // empty: no backup file at all
        QTest::addColumn<bool>("backupShown");
        QTest::newRow("valid backup") << houseBytes(3) << true;
        QTest::newRow("no backup") << QByteArray() << false;
        QTest::newRow("backup of 100 bytes") << QByteArray(100, 'F') << false;
        QTest::newRow("backup of 0 bytes") << QByteArray("") << false;
    }
    void validFileWithAndWithoutBackup()
    {
        QFETCH(QByteArray, backup);
        QFETCH(bool, backupShown);
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("Fo utca 1.txt"), houseBytes());
        if (!backup.isNull())
            h.writeFile(QStringLiteral("Fo utca 1.bak"), backup);
        openHouse(h, h.path(QStringLiteral("Fo utca 1.txt")));

        QCOMPARE(h.dialogs.messageTexts(), QStringList{Question});
        QCOMPARE(h.readFile(QStringLiteral("Fo utca 1.txt")), houseBytes());
        QCOMPARE(rows(h.ui().List2), house::houseListRows(records()));
        checkFreshShown(h, true);
        QCOMPARE(h.ui().List2->currentRow(), 1393);
        QCOMPARE(firstVisibleRow(h.ui().List2), 1370);
        QCOMPARE(topRowOnScreen(h.ui().List2), 1370);
        QCOMPARE(h.ui().List2->item(topRowOnScreen(h.ui().List2))->text(), QStringLiteral("138. Lakás"));

        checkBackupShown(h, backupShown);
        if (backupShown) {
            QCOMPARE(rows(h.ui().List3), house::houseListRows(records(3)));
            QCOMPARE(h.ui().List3->currentRow(), 1370);
            QCOMPARE(firstVisibleRow(h.ui().List3), 1370);
            QCOMPARE(topRowOnScreen(h.ui().List3), 1370);
        } else {
            QCOMPARE(h.ui().List3->count(), 0);
        }
        // The backup is only looked at: never created, never changed.
        QCOMPARE(QFileInfo::exists(h.path(QStringLiteral("Fo utca 1.bak"))), !backup.isNull());
        if (!backup.isNull())
            QCOMPARE(h.readFile(QStringLiteral("Fo utca 1.bak")), backup);
        checkEditingControlsShown(h);
    }

    void damagedFileShowsOnlyItsBackup_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("withBackup");
        QTest::newRow("100 bytes, valid backup") << 100 << true;
        QTest::newRow("100 bytes, no backup") << 100 << false;
        QTest::newRow("16391 bytes") << 16391 << false;
        QTest::newRow("16393 bytes, valid backup") << 16393 << true;
    }
    void damagedFileShowsOnlyItsBackup()
    {
        QFETCH(int, length);
        QFETCH(bool, withBackup);
        Harness h;
        QVERIFY(startShown(h));
        const QByteArray content(length, 'A');
        h.writeFile(QStringLiteral("rossz.txt"), content);
        if (withBackup)
            h.writeFile(QStringLiteral("rossz.bak"), houseBytes(5));
        h.writeFile(QStringLiteral("postas.lst"), nonResident("Posta", "0123456789"));
        openHouse(h, h.path(QStringLiteral("rossz.txt")));

        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, Damaged}));
        QCOMPARE(h.readFile(QStringLiteral("rossz.txt")), content);
        checkFreshShown(h, false);
        QCOMPARE(h.ui().List2->count(), 0);
        checkBackupShown(h, withBackup);
        if (withBackup) {
            QCOMPARE(rows(h.ui().List3), house::houseListRows(records(5)));
            QCOMPARE(h.ui().List3->currentRow(), -1);
        }
        // The non-resident list is not read for a damaged house.
        QCOMPARE(h.ui().List5->count(), 0);
        QVERIFY(!h.ui().List5->isVisible());
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("rossz.txt")));
        checkEditingControlsShown(h);
    }

    void fileThatCannotBeCreatedIsReportedByName()
    {
        Harness h;
        QVERIFY(startShown(h));
        const QString path = h.path(QStringLiteral("nincs ilyen mappa/haz.txt"));
        openHouse(h, path);
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QVERIFY2(h.dialogs.messageTexts().at(1).contains(QStringLiteral("haz.txt")),
                 qPrintable(h.dialogs.messageTexts().at(1)));
        checkFreshShown(h, false);
        QVERIFY(!QFileInfo::exists(path));
    }

    void cancelKeepsWhatTheListsShowed()
    {
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("a.txt"), houseBytes());
        h.writeFile(QStringLiteral("a.bak"), houseBytes(2));
        openHouse(h, h.path(QStringLiteral("a.txt")));
        const QStringList before2 = rows(h.ui().List2);

        // Cancel at the question: no dialog follows.
        h.dialogs.clear();
        h.dialogs.answer(Answer::Cancel);
        QTest::mouseClick(h.ui().Command4, Qt::LeftButton);
        QCOMPARE(h.dialogs.shown().size(), 1);
        QCOMPARE(h.form->state().houseFilePath, h.path(QStringLiteral("a.txt")));

        // Cancel in the dialog: houseFilePath empties, the lists stay.
        h.dialogs.clear();
        openHouse(h, QString());
        QCOMPARE(h.dialogs.shown().size(), 2);
        QVERIFY(h.form->state().houseFilePath.isEmpty());
        QCOMPARE(rows(h.ui().List2), before2);
        checkFreshShown(h, true);
        checkBackupShown(h, true);
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("a.txt")));
    }

    void openingHidesTheCopyAndRestoreViews()
    {
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("a.txt"), houseBytes());
        h.ui().File1->show();
        h.ui().Text1->setText(QStringLiteral("masolat.txt"));
        h.ui().List1->addItem(QStringLiteral("1. Lakás"));
        h.ui().List1->show();
        h.ui().Label24->setText(QStringLiteral("x"));
        h.ui().Label24->show();
        h.ui().Label25->show();
        openHouse(h, h.path(QStringLiteral("a.txt")));
        QVERIFY(!h.ui().File1->isVisible());
        QVERIFY(h.ui().Text1->text().isEmpty());
        QVERIFY(!h.ui().List1->isVisible());
        QCOMPARE(h.ui().List1->count(), 0);
        QVERIFY(h.ui().Label24->text().isEmpty());
        QVERIFY(!h.ui().Label24->isVisible());
        QVERIFY(!h.ui().Label25->isVisible());
    }

    void nonResidentListShorterThanOneRecordKeepsTheRows()
    {
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("a.txt"), houseBytes());
        h.writeFile(QStringLiteral("postas.lst"), nonResident("Posta", "0123456789") + nonResident("Gaz", "1111111111"));
        openHouse(h, h.path(QStringLiteral("a.txt")));
        QCOMPARE(h.ui().List5->count(), 2);

        h.writeFile(QStringLiteral("postas.lst"), QByteArray(29, 'x'));
        openHouse(h, h.path(QStringLiteral("a.txt")));
        QCOMPARE(h.ui().List5->count(), 2);
        QCOMPARE(h.ui().List5->item(1)->text(), QString::fromLatin1(nonResident("Gaz", "1111111111")));

        // Names are Windows-1250 text.
        h.writeFile(QStringLiteral("postas.lst"), nonResident("\xC1rp\xE1""d \xF5r", "2222222222"));
        openHouse(h, h.path(QStringLiteral("a.txt")));
        QCOMPARE(h.ui().List5->count(), 1);
        QCOMPARE(h.ui().List5->item(0)->text().left(7), QStringLiteral("Árpád ő"));
    }

    void refusedWhileAnExchangeRuns_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("read-out") << false;
        QTest::newRow("upload") << true;
    }
    void refusedWhileAnExchangeRuns()
    {
        QFETCH(bool, upload);
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("a.txt"), houseBytes());
        h.writeFile(QStringLiteral("b.txt"), houseBytes(1));
        openHouse(h, h.path(QStringLiteral("a.txt")));
        const QStringList before = rows(h.ui().List2);
        (upload ? h.form->state().uploadRunning : h.form->state().readOutRunning) = 1;
        h.ui().File1->show();
        h.ui().Text1->setText(QStringLiteral("x.txt"));

        h.dialogs.clear();
        openHouse(h, h.path(QStringLiteral("b.txt")));
        QVERIFY(h.dialogs.shown().isEmpty());
        QVERIFY(!h.ui().File1->isVisible());
        QVERIFY(h.ui().Text1->text().isEmpty());

        h.dialogs.clear();
        h.dialogs.pick(h.path(QStringLiteral("b.txt")));
        QTest::mouseDClick(h.ui().Text2, Qt::LeftButton);
        QVERIFY(h.dialogs.shown().isEmpty());

        QCOMPARE(rows(h.ui().List2), before);
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("a.txt")));
        QCOMPARE(h.form->state().houseFilePath, h.path(QStringLiteral("a.txt")));
    }

    void list2FollowsList3ButNotTheOtherWay()
    {
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("a.txt"), houseBytes());
        h.writeFile(QStringLiteral("a.bak"), houseBytes(1));
        openHouse(h, h.path(QStringLiteral("a.txt")));

        h.ui().List3->verticalScrollBar()->setValue(600);
        QCOMPARE(firstVisibleRow(h.ui().List2), 600);
        QCOMPARE(topRowOnScreen(h.ui().List2), 600);
        QCOMPARE(topRowOnScreen(h.ui().List3), 600);

        // The keyboard moves List3 as well, and List2 with it.
        h.ui().List3->setFocus();
        h.ui().List3->setCurrentRow(600);
        QTest::keyClick(h.ui().List3, Qt::Key_PageDown);
        QTest::keyClick(h.ui().List3, Qt::Key_PageDown);
        QVERIFY(firstVisibleRow(h.ui().List3) > 600);
        QCOMPARE(firstVisibleRow(h.ui().List2), firstVisibleRow(h.ui().List3));

        const int list3Top = firstVisibleRow(h.ui().List3);
        h.ui().List2->verticalScrollBar()->setValue(100);
        QCOMPARE(firstVisibleRow(h.ui().List2), 100);
        QCOMPARE(firstVisibleRow(h.ui().List3), list3Top);
    }

    // A new name typed without ".txt" gets it in every dialog that picks a
    // house; an existing file is taken by its exact name.
    void newHouseNamesGetTxt_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("used");
        QTest::newRow("Szerkesztés") << "edit" << "nador42" << false << "nador42.txt";
        QTest::newRow("dots and spaces") << "edit" << "Kossuth u. 5" << false << "Kossuth u. 5.txt";
        QTest::newRow("upper-case .TXT") << "edit" << "nador.TXT" << false << "nador.TXT";
        QTest::newRow("existing without .txt") << "edit" << "nador42" << true << "nador42";
        QTest::newRow("Text2 double-click") << "repick" << "nador43" << false << "nador43.txt";
        QTest::newRow("donor") << "donor" << "nador44" << false << "nador44.txt";
        QTest::newRow("copy target") << "copy" << "nador45" << false << "nador45.txt";
        QTest::newRow("read-out target") << "readout" << "nador46" << false << "nador46.txt";
    }
    void newHouseNamesGetTxt()
    {
        QFETCH(QString, command);
        QFETCH(QString, typed);
        QFETCH(bool, exists);
        QFETCH(QString, used);
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("a.txt"), houseBytes(1));
        openHouse(h, h.path(QStringLiteral("a.txt")));
        if (exists)
            h.writeFile(typed, QByteArray());
        Ui::Form1 &u = h.ui();
        if (command != "repick")
            h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(typed));
        QWidget *control = command == "edit"    ? static_cast<QWidget *>(u.Command4)
                         : command == "donor"   ? static_cast<QWidget *>(u.Command2)
                         : command == "copy"    ? static_cast<QWidget *>(u.Command5)
                         : command == "readout" ? static_cast<QWidget *>(u.Command6)
                                                : static_cast<QWidget *>(u.Text2);
        if (command == "repick")
            QTest::mouseDClick(control, Qt::LeftButton);
        else
            QTest::mouseClick(control, Qt::LeftButton);
        const QString shownPath = command == "donor" ? h.form->state().houseFilePath
                                : command == "copy"  ? u.Text1->text()
                                                     : u.Text2->text();
        QCOMPARE(shownPath, h.path(used));
        QVERIFY(QFileInfo::exists(h.path(used)));
        QCOMPARE(QFileInfo::exists(h.path(typed)), exists || typed == used);
    }

    void text2DoubleClickPicksAnotherHouse()
    {
        Harness h;
        QVERIFY(startShown(h));
        h.writeFile(QStringLiteral("a.txt"), houseBytes());
        h.writeFile(QStringLiteral("a.bak"), houseBytes(1));
        h.writeFile(QStringLiteral("b.txt"), houseBytes(2));
        h.writeFile(QStringLiteral("b.bak"), houseBytes(3));
        openHouse(h, h.path(QStringLiteral("a.txt")));

        // A valid house with a valid backup: no question, nothing selected.
        h.dialogs.clear();
        h.dialogs.pick(h.path(QStringLiteral("b.txt")));
        QTest::mouseDClick(h.ui().Text2, Qt::LeftButton);
        QVERIFY(h.dialogs.messageTexts().isEmpty());
        QCOMPARE(h.dialogs.shown().size(), 1);
        QCOMPARE(rows(h.ui().List2), house::houseListRows(records(2)));
        QCOMPARE(rows(h.ui().List3), house::houseListRows(records(3)));
        QCOMPARE(h.ui().List2->currentRow(), -1);
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("b.txt")));
        QCOMPARE(h.form->state().houseFilePath, h.path(QStringLiteral("b.txt")));
        checkFreshShown(h, true);
        checkBackupShown(h, true);

        // A new house is filled at once, without a message; a house without a
        // backup does not keep the previous house's backup beside it, and no
        // empty backup is left behind.
        h.dialogs.clear();
        h.dialogs.pick(h.path(QStringLiteral("c.txt")));
        QTest::mouseDClick(h.ui().Text2, Qt::LeftButton);
        QVERIFY(h.dialogs.messageTexts().isEmpty());
        QCOMPARE(h.readFile(QStringLiteral("c.txt")), QByteArray(16392, 'F'));
        QCOMPARE(rows(h.ui().List2), house::houseListRows(QStringList(1366, QString())));
        checkFreshShown(h, true);
        checkBackupShown(h, false);
        QCOMPARE(h.ui().List3->count(), 0);
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("c.bak"))));
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("c.txt")));

        // A damaged house: List2 cleared and hidden.
        h.writeFile(QStringLiteral("d.txt"), QByteArray(100, 'F'));
        h.dialogs.clear();
        h.dialogs.pick(h.path(QStringLiteral("d.txt")));
        QTest::mouseDClick(h.ui().Text2, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Damaged});
        QCOMPARE(h.readFile(QStringLiteral("d.txt")), QByteArray(100, 'F'));
        checkFreshShown(h, false);
        QCOMPARE(h.ui().List2->count(), 0);
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("d.txt")));

        // Cancel: nothing changes but houseFilePath.
        h.dialogs.clear();
        h.dialogs.pick(QString());
        QTest::mouseDClick(h.ui().Text2, Qt::LeftButton);
        QVERIFY(h.form->state().houseFilePath.isEmpty());
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("d.txt")));
        QVERIFY(h.dialogs.messageTexts().isEmpty());
    }
};

QTEST_MAIN(TstHouseOpening)
#include "tst_houseopening.moc"
