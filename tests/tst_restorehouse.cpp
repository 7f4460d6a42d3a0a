// "Visszaállítás" through Command7 and clicks in File1 with scripted dialogs
// and real files: the backup list, each kind of backup, each Cancel, the
// refusal while the reader works, and a copy-and-restore killed at any instant.
#include "harness.h"
#include "killloop.h"
#include "openedhouse.h"

#include "copyrestore/restorehouse.h"
#include "house/housefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using Answer = Dialogs::Answer;
using namespace openedhouse;

namespace {

const QString Choose = QStringLiteral("Válassza ki a listából melyik bak kiterjesztésű fájlból akar újra txt fájlt készíteni!");
const QString ZeroBytes = QStringLiteral("A bak fájl 0 bájt hosszú, nem készíthető belőle txt fájl.");
const QString TxtExists = QStringLiteral("Ezen a néven már létezik txt fájl, ha folytatja törlődni fog!");
const QString DamagedBackup = QStringLiteral("A bak fájl sérült!");

QList<QWidget *> sidePanels(Ui::Form1 &u)
{
    return {u.Command3, u.Text5, u.Text6, u.Label15, u.Label16, u.Label28, u.Label3,
            u.List5, u.List6, u.Label8, u.Command2, u.Label30, u.Label2, u.Label29};
}

} // namespace

class TstRestoreHouse : public QObject
{
    Q_OBJECT

    static void start(Harness &h)
    {
        h.saveDataFolder();
        h.ports.free = {1};
        QVERIFY(h.start());
        h.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.form.get()));
        h.dialogs.clear();
    }

    // Panels, the copy view and the help panel up, so that hiding and torles show.
    static void raisePanels(Harness &h)
    {
        Ui::Form1 &u = h.ui();
        for (QWidget *w : sidePanels(u))
            w->show();
        u.List1->addItem(QStringLiteral("1. Lakás"));
        u.Label24->setText(QStringLiteral("A másolat adatai:"));
        h.form->setShown({u.List1, u.Label24, u.Label25}, true);
        u.Text7->show();
        u.Text1->setText(QStringLiteral("cel.txt"));
    }

    static bool panelsHidden(Harness &h)
    {
        for (QWidget *w : sidePanels(h.ui())) {
            if (!w->isHidden())
                return false;
        }
        return true;
    }

    // Command7 answered with OK: File1 lists the backups.
    static void openList(Harness &h)
    {
        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command7, Qt::LeftButton);
        QVERIFY(!h.ui().File1->isHidden());
        h.dialogs.clear();
    }

    static void clickBackup(Harness &h, const QString &name)
    {
        QListWidget *list = h.ui().File1;
        const QList<QListWidgetItem *> items = list->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        list->scrollToItem(items.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
    }

private slots:
    void theQuestionDecidesWhetherTheListShows_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void theQuestionDecidesWhetherTheListShows()
    {
        QFETCH(bool, ok);
        Harness h;
        start(h);
        Ui::Form1 &u = h.ui();
        h.writeFile(QStringLiteral("b.bak"), houseWithCodes(1));
        h.writeFile(QStringLiteral("A.BAK"), houseWithCodes(2));
        h.writeFile(QStringLiteral("c.bak"), QByteArray());
        h.writeFile(QStringLiteral("c.txt"), houseWithCodes(3));
        h.writeFile(QStringLiteral("d.bak.old"), houseWithCodes(3));
        QVERIFY(QDir(h.dataFolder).mkdir(QStringLiteral("mappa.bak")));
        h.form->setShown({u.File1, u.Label7}, !ok);
        raisePanels(h);
        const auto before = snapshot(h.dataFolder);

        h.dialogs.answer(ok ? Answer::Ok : Answer::Cancel);
        QTest::mouseClick(u.Command7, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Choose});
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QVERIFY(panelsHidden(h));
        QVERIFY(u.Text1->text().isEmpty());
        QVERIFY(u.List1->isHidden());
        QCOMPARE(u.List1->count(), 0);
        QVERIFY(u.Label24->isHidden());
        QVERIFY(u.Label25->isHidden());
        QVERIFY(u.Label24->text().isEmpty());
        QVERIFY(u.Text7->isHidden());
        QCOMPARE(u.File1->isHidden(), !ok);
        QCOMPARE(u.Label7->isHidden(), !ok);
        if (ok)
            QCOMPARE(rowsOf(u.File1), (QStringList{QStringLiteral("A.BAK"), QStringLiteral("b.bak"), QStringLiteral("c.bak")}));
        QCOMPARE(snapshot(h.dataFolder), before);
    }

    void whileTheReaderWorksCommand7OnlyHidesThePanels()
    {
        Harness h;
        start(h);
        Ui::Form1 &u = h.ui();
        raisePanels(h);
        h.form->state().uploadRunning = 1;
        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(u.Command7, Qt::LeftButton);
        QVERIFY(h.dialogs.shown().isEmpty());
        QVERIFY(panelsHidden(h));
        QVERIFY(u.Text1->text().isEmpty());
        QVERIFY(u.File1->isHidden());
        QVERIFY(!u.List1->isHidden());
        QVERIFY(!u.Text7->isHidden());
    }

    void aZeroByteBackupIsRefused()
    {
        Harness h;
        start(h);
        h.writeFile(QStringLiteral("ures.bak"), QByteArray());
        openList(h);
        const auto before = snapshot(h.dataFolder);
        clickBackup(h, QStringLiteral("ures.bak"));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{ZeroBytes});
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::Ok);
        QVERIFY(h.ui().File1->isHidden());
        QVERIFY(h.ui().Label7->isHidden());
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("ures.txt"))));
        QCOMPARE(snapshot(h.dataFolder), before);
        QCOMPARE(h.form->state().houseFilePath, h.path(QStringLiteral("ures.bak")));
        QCOMPARE(h.form->state().backupFilePath, h.path(QStringLiteral("ures.txt")));
    }

    void anIntactBackupWithoutTxtBecomesTheHouseUnasked()
    {
        Harness h;
        start(h);
        const QByteArray saved = houseWithCodes(7);
        h.writeFile(QStringLiteral("haz.bak"), saved);
        h.writeFile(QStringLiteral("masik.bak"), houseWithCodes(8));
        openList(h);
        h.ui().Text7->show();
        clickBackup(h, QStringLiteral("haz.bak"));
        QVERIFY(h.dialogs.shown().isEmpty());
        QCOMPARE(h.readFile(QStringLiteral("haz.txt")), saved);
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("haz.bak"))));
        QCOMPARE(h.readFile(QStringLiteral("masik.bak")), houseWithCodes(8));
        QCOMPARE(rowsOf(h.ui().File1), QStringList{QStringLiteral("masik.bak")});
        QVERIFY(h.ui().File1->isHidden());
        QVERIFY(h.ui().Label7->isHidden());
        QVERIFY(!h.ui().Text7->isHidden());
        QCOMPARE(h.form->state().houseFilePath, h.path(QStringLiteral("haz.bak")));
        QCOMPARE(h.form->state().backupFilePath, h.path(QStringLiteral("haz.txt")));
    }

    void anIntactBackupOverAnExistingTxt_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void anIntactBackupOverAnExistingTxt()
    {
        QFETCH(bool, ok);
        Harness h;
        start(h);
        const QByteArray saved = houseWithCodes(7);
        const QByteArray current = houseWithCodes(9);
        // The house open in the window is the one restored.
        open(*h.form, h.path(QStringLiteral("haz.txt")), current);
        h.writeFile(QStringLiteral("haz.bak"), saved);
        openList(h);
        h.ui().Text7->show();
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(ok ? Answer::Ok : Answer::Cancel);
        clickBackup(h, QStringLiteral("haz.bak"));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{TxtExists});
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QVERIFY(!h.ui().Text7->isHidden());
        if (ok) {
            QCOMPARE(h.readFile(QStringLiteral("haz.txt")), saved);
            QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("haz.bak"))));
            QVERIFY(h.ui().File1->isHidden());
            QCOMPARE(h.ui().File1->count(), 0);
        } else {
            QCOMPARE(snapshot(h.dataFolder), before);
            QVERIFY(!h.ui().File1->isHidden());
            QVERIFY(!h.ui().Label7->isHidden());
            QCOMPARE(rowsOf(h.ui().File1), QStringList{QStringLiteral("haz.bak")});
        }
        // The window keeps showing the house as it was opened.
        QCOMPARE(rowsOf(h.ui().List2), house::houseListRows(recordsOf(current)));
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("haz.txt")));
    }

    void aDamagedBackupAsksOnce_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("txtExists");
        QTest::newRow("OK, txt exists") << true << true;
        QTest::newRow("Cancel, txt exists") << false << true;
        QTest::newRow("OK, no txt") << true << false;
    }
    void aDamagedBackupAsksOnce()
    {
        QFETCH(bool, ok);
        QFETCH(bool, txtExists);
        Harness h;
        start(h);
        const QByteArray damaged = QByteArray(500, 'D');
        h.writeFile(QStringLiteral("haz.bak"), damaged);
        if (txtExists)
            h.writeFile(QStringLiteral("haz.txt"), houseWithCodes(3));
        openList(h);
        h.ui().Text7->show();
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(ok ? Answer::Ok : Answer::Cancel);
        clickBackup(h, QStringLiteral("haz.bak"));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{DamagedBackup});
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QCOMPARE(h.dialogs.shown().first().defaultButton, Answer::Cancel); // Enter keeps the house
        QVERIFY(h.dialogs.unexpected().isEmpty());
        if (ok) {
            QCOMPARE(h.readFile(QStringLiteral("haz.txt")), damaged);
            QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("haz.bak"))));
            QVERIFY(h.ui().File1->isHidden());
            QVERIFY(h.ui().Label7->isHidden());
        } else {
            QCOMPARE(snapshot(h.dataFolder), before);
            QVERIFY(!h.ui().File1->isHidden());
            QVERIFY(h.ui().Text7->isHidden()); // torles
        }
    }

    void aSelectionIsRefusedWhileTheReaderWorks_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("read-out") << 0;
        QTest::newRow("upload") << 1;
        QTest::newRow("erase waiting for the reader") << 2;
    }
    void aSelectionIsRefusedWhileTheReaderWorks()
    {
        QFETCH(int, which);
        Harness h;
        start(h);
        h.writeFile(QStringLiteral("haz.bak"), houseWithCodes(7));
        h.writeFile(QStringLiteral("haz.txt"), houseWithCodes(8));
        openList(h);
        WindowState &state = h.form->state();
        state.houseFilePath = h.path(QStringLiteral("kiolvasott.txt"));
        if (which == 0)
            state.readOutRunning = 1;
        else if (which == 1)
            state.uploadRunning = 1;
        else
            h.form->reader().timer3().start(100000);
        QVERIFY(h.form->exchangeRunning());
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        clickBackup(h, QStringLiteral("haz.bak"));
        QCOMPARE(snapshot(h.dataFolder), before);
        QCOMPARE(h.dialogs.messageTexts().size(), 1);
        QVERIFY(!h.dialogs.messageTexts().contains(TxtExists));
        QCOMPARE(state.houseFilePath, h.path(QStringLiteral("kiolvasott.txt")));
        h.form->reader().timer3().stop();

        // Once the reader is free the same selection restores.
        state.readOutRunning = 0;
        state.uploadRunning = 0;
        QVERIFY(!h.form->exchangeRunning());
        h.dialogs.clear();
        h.dialogs.answer(Answer::Ok);
        clickBackup(h, QStringLiteral("haz.bak"));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{TxtExists});
        QCOMPARE(h.readFile(QStringLiteral("haz.txt")), houseWithCodes(7));
    }

    void failuresAreReportedByName()
    {
        Harness h;
        start(h);
        // The txt name is taken by a folder: the rename fails and says so.
        h.writeFile(QStringLiteral("haz.bak"), houseWithCodes(7));
        QVERIFY(QDir(h.dataFolder).mkpath(QStringLiteral("haz.txt/bent")));
        openList(h);
        h.dialogs.answer(Answer::Ok);
        clickBackup(h, QStringLiteral("haz.bak"));
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QCOMPARE(h.dialogs.messageTexts().first(), TxtExists);
        QVERIFY(h.dialogs.messageTexts().at(1).contains(QDir::toNativeSeparators(h.path(QStringLiteral("haz.bak")))));
        QCOMPARE(h.readFile(QStringLiteral("haz.bak")), houseWithCodes(7));

        // A backup removed behind the list's back.
        h.writeFile(QStringLiteral("eltunt.bak"), houseWithCodes(6));
        h.form->restoreHouse().rereadFile1();
        QVERIFY(QFile::remove(h.path(QStringLiteral("eltunt.bak"))));
        h.dialogs.clear();
        clickBackup(h, QStringLiteral("eltunt.bak"));
        QCOMPARE(h.dialogs.messageTexts().size(), 1);
        QVERIFY(h.dialogs.messageTexts().first().contains(QDir::toNativeSeparators(h.path(QStringLiteral("eltunt.bak")))));
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("eltunt.txt"))));
        QVERIFY(h.ui().File1->findItems(QStringLiteral("eltunt.bak"), Qt::MatchExactly).isEmpty());
    }

    void aCopyThenRestoreKilledAtAnyInstantKeepsTheHouse()
    {
        // The child copies another house over t.txt (its data going to t.bak)
        // and restores t.bak, round after round: the target's own data must
        // be in t.txt or in t.bak at every instant.
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const FolderFiles files{work.path() + QStringLiteral("/data/")};
        QVERIFY(QDir().mkpath(files.folder));
        const QByteArray a = houseWithCodes(21), own = houseWithCodes(22), c = houseWithCodes(23);
        QVERIFY(files.write(QStringLiteral("s1.txt"), a));
        QVERIFY(files.write(QStringLiteral("s2.txt"), c));
        QVERIFY(files.write(QStringLiteral("t.txt"), own));

        KillLoop loop;
        loop.child = QStringLiteral("copyrestore_child");
        loop.arguments = {QStringLiteral("cycle"), work.path()};
        loop.seed = 20240602;
        loop.check = [&](int) -> QString {
            if (files.read(QStringLiteral("s1.txt")) != a || files.read(QStringLiteral("s2.txt")) != c)
                return QStringLiteral("a source changed");
            const QByteArray target = files.read(QStringLiteral("t.txt"));
            if (target != a && target != own && target != c)
                return QStringLiteral("t.txt is not a whole house");
            const bool backedUp = files.exists(QStringLiteral("t.bak"));
            if (backedUp && files.read(QStringLiteral("t.bak")) != own)
                return QStringLiteral("t.bak does not hold the house's own data");
            if (target != own && !backedUp)
                return QStringLiteral("the house's own data is gone");
            return QString();
        };
        int rounds = 0;
        const QString problem = loop.run(rounds);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(rounds > 0, "the child finished no round at all");
    }
};

QTEST_MAIN(TstRestoreHouse)
#include "tst_restorehouse.moc"
