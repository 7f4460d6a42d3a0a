// "Másolás" through Command5 with scripted dialogs and real files: the
// refusals, each Cancel, the three kinds of target, the target's backup, the
// copy's list, file-system failures and a copy killed at any instant.
#include "harness.h"
#include "killloop.h"
#include "openedhouse.h"

#include "house/housefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using Answer = Dialogs::Answer;
using Kind = ScriptedDialogs::Kind;
using namespace openedhouse;

namespace {

const QString Question = QStringLiteral(
    "Válasszon ki egy már létező házfájlt felülírásra (a 'házfájl' tartalma felülíródik a 'Friss adatok' lista "
    "tartalmával!) vagy hozzon létre új házfájlt és töltse fel a 'Friss adatok' lista tartalmával!");
const QString NoHouse = QStringLiteral("Előbb a Szerkesztés gombbal válassza ki a másolandó házat!");
const QString EmptyHouse = QStringLiteral("Üres házat nem lehet átmásolni!");
const QString NewFile = QStringLiteral("Új, még üres fájl.");
const QString DamagedTarget = QStringLiteral("Az új házfájl sérült, a másolat létrehozása előtt törlöm.");
const QString FullTarget = QStringLiteral("Az új házfájl nem üres, tartalmát azonos nevű, bak kiterjesztésű fájlba mentem");
const QString Done = QStringLiteral("A másolás kész.");
const QString Damaged = QStringLiteral("A fájl sérült!");

QList<QWidget *> sidePanels(Ui::Form1 &u)
{
    return {u.Command3, u.Text5, u.Text6, u.Label15, u.Label16, u.Label28, u.Label3, u.File1,
            u.Label7, u.List5, u.List6, u.Label8, u.Command2, u.Label30, u.Label2, u.Label29};
}

} // namespace

class TstCopyHouse : public QObject
{
    Q_OBJECT

    QByteArray source = houseWithCodes(1);

    // A started window with the house "forras.txt" open, shown, with the help
    // panel and the side panels up, so that torles and the hiding can be seen.
    static void startWithHouse(Harness &h, const QByteArray &content)
    {
        h.saveDataFolder();
        h.ports.free = {1};
        QVERIFY(h.start());
        h.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.form.get()));
        h.dialogs.clear();
        if (!content.isEmpty())
            open(*h.form, h.path(QStringLiteral("forras.txt")), content);
        raisePanels(h);
    }

    static void raisePanels(Harness &h)
    {
        for (QWidget *w : sidePanels(h.ui()))
            w->show();
        h.ui().Text7->show(); // hidden again only by torles
        h.ui().Text1->setText(QStringLiteral("régi"));
    }

    static bool panelsHidden(Harness &h)
    {
        for (QWidget *w : sidePanels(h.ui())) {
            if (!w->isHidden())
                return false;
        }
        return true;
    }

    static void click(Harness &h) { QTest::mouseClick(h.ui().Command5, Qt::LeftButton); }

    // The copy view after a finished copy of content.
    static void checkCopyView(Harness &h, const QByteArray &content)
    {
        Ui::Form1 &u = h.ui();
        const QStringList rows = rowsOf(u.List1);
        QCOMPARE(rows.size(), house::ListRowCount);
        QCOMPARE(rows, house::houseListRows(recordsOf(content)));
        QCOMPARE(rows.at(1370), QStringLiteral("138. Lakás"));
        QVERIFY(!u.List1->isHidden());
        QVERIFY(!u.Label24->isHidden());
        QVERIFY(!u.Label25->isHidden());
        QCOMPARE(u.Label24->text(), QStringLiteral("A másolat adatai:"));
        QVERIFY(u.Text7->isHidden());
    }

    // The open house is still the source, untouched.
    void checkSourceKept(Harness &h)
    {
        QCOMPARE(h.readFile(QStringLiteral("forras.txt")), source);
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("forras.txt")));
        QCOMPARE(rowsOf(h.ui().List2), house::houseListRows(recordsOf(source)));
    }

private slots:
    void withoutAnOpenHouseOnlyTheRefusal()
    {
        Harness h;
        startWithHouse(h, QByteArray());
        const auto before = snapshot(h.dataFolder);
        click(h);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{NoHouse});
        QCOMPARE(h.dialogs.shown().size(), 1);
        QVERIFY(panelsHidden(h));
        QVERIFY(h.ui().Text1->text().isEmpty());
        QVERIFY(h.ui().Text7->isHidden());
        QCOMPARE(snapshot(h.dataFolder), before);
    }

    void whileTheReaderWorksOnlyThePanelsHide_data()
    {
        QTest::addColumn<bool>("readOut");
        QTest::newRow("read-out") << true;
        QTest::newRow("upload") << false;
    }
    void whileTheReaderWorksOnlyThePanelsHide()
    {
        QFETCH(bool, readOut);
        Harness h;
        startWithHouse(h, source);
        (readOut ? h.form->state().readOutRunning : h.form->state().uploadRunning) = 1;
        h.form->state().houseFilePath = QStringLiteral("marad.txt");
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("cel.txt")));
        click(h);
        QVERIFY(h.dialogs.shown().isEmpty());
        QVERIFY(panelsHidden(h));
        QVERIFY(h.ui().Text1->text().isEmpty());
        QVERIFY(!h.ui().Text7->isHidden());
        QCOMPARE(h.form->state().houseFilePath, QStringLiteral("marad.txt"));
        QCOMPARE(snapshot(h.dataFolder), before);
    }

    void aJustCreatedHouseIsNotCopied()
    {
        Harness h;
        startWithHouse(h, QByteArray());
        openNew(*h.form, h.path(QStringLiteral("uj.txt")));
        raisePanels(h);
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        click(h);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{EmptyHouse});
        QCOMPARE(h.dialogs.shown().size(), 1);
        // No torles: the help panel and the hover look stay.
        QVERIFY(!h.ui().Text7->isHidden());
        QVERIFY(panelsHidden(h));
        QCOMPARE(snapshot(h.dataFolder), before);
    }

    void cancellingTheQuestionShowsNoDialog()
    {
        Harness h;
        startWithHouse(h, source);
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Cancel);
        click(h);
        QCOMPARE(h.dialogs.shown().size(), 1);
        QCOMPARE(h.dialogs.shown().first().text, Question);
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QCOMPARE(h.dialogs.shown().first().title, QStringLiteral("Belvarium"));
        QVERIFY(!h.ui().Text7->isHidden());
        QCOMPARE(snapshot(h.dataFolder), before);
    }

    void cancellingTheDialogWritesNothing()
    {
        Harness h;
        startWithHouse(h, source);
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        click(h); // the unscripted dialog is cancelled
        QCOMPARE(h.dialogs.shown().size(), 2);
        const ScriptedDialogs::Shown dialog = h.dialogs.shown().at(1);
        QCOMPARE(dialog.kind, Kind::OpenFile);
        QCOMPARE(dialog.folder, h.dataFolder);
        QCOMPARE(dialog.text, QStringLiteral("Szöveg (*.txt)|*.txt|"));
        QVERIFY(h.form->state().houseFilePath.isEmpty());
        QVERIFY(h.ui().Text1->text().isEmpty());
        QVERIFY(h.ui().Text7->isHidden());
        QVERIFY(h.ui().List1->isHidden());
        QCOMPARE(snapshot(h.dataFolder), before);
        checkSourceKept(h);
    }

    void aNewNameGetsTheSourceAndLosesAnOldBackup()
    {
        Harness h;
        startWithHouse(h, source);
        h.writeFile(QStringLiteral("uj.bak"), houseWithCodes(9));
        const QString target = h.path(QStringLiteral("uj.txt"));
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(target);
        click(h);
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, NewFile, Done}));
        QVERIFY(h.dialogs.unexpected().isEmpty());
        QCOMPARE(h.readFile(QStringLiteral("uj.txt")), source);
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("uj.bak"))));
        QCOMPARE(h.ui().Text1->text(), target);
        QCOMPARE(h.form->state().houseFilePath, target);
        checkCopyView(h, source);
        checkSourceKept(h);
        QVERIFY(panelsHidden(h));
    }

    void anExistingEmptyFileIsTreatedAsNew()
    {
        Harness h;
        startWithHouse(h, source);
        h.writeFile(QStringLiteral("ures.txt"), QByteArray());
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("ures.txt")));
        click(h);
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, NewFile, Done}));
        QCOMPARE(h.readFile(QStringLiteral("ures.txt")), source);
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("ures.bak"))));
    }

    void aBlankTargetIsBackedUpWithoutAQuestion()
    {
        Harness h;
        startWithHouse(h, source);
        h.writeFile(QStringLiteral("ures.txt"), house::blankHouseContent());
        // A longer, damaged old backup must not keep a tail.
        h.writeFile(QStringLiteral("ures.bak"), QByteArray(20000, 'x'));
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("ures.txt")));
        click(h);
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, Done}));
        QCOMPARE(h.readFile(QStringLiteral("ures.bak")), house::blankHouseContent());
        QCOMPARE(h.readFile(QStringLiteral("ures.txt")), source);
        checkCopyView(h, source);
    }

    void aTargetWithCodesAsksBeforeItsBackup_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void aTargetWithCodesAsksBeforeItsBackup()
    {
        QFETCH(bool, ok);
        Harness h;
        startWithHouse(h, source);
        const QByteArray old = houseWithCodes(2);
        const QByteArray oldBackup = houseWithCodes(3);
        h.writeFile(QStringLiteral("cel.txt"), old);
        h.writeFile(QStringLiteral("cel.bak"), oldBackup);
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("cel.txt")));
        h.dialogs.answer(ok ? Answer::Ok : Answer::Cancel);
        click(h);
        QVERIFY(h.dialogs.unexpected().isEmpty());
        QCOMPARE(h.dialogs.shown().at(2).buttons, Dialogs::Buttons::OkCancel);
        QVERIFY(h.ui().Text7->isHidden());
        QCOMPARE(h.ui().Text1->text(), h.path(QStringLiteral("cel.txt")));
        if (ok) {
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, FullTarget, Done}));
            QCOMPARE(h.readFile(QStringLiteral("cel.bak")), old);
            QCOMPARE(h.readFile(QStringLiteral("cel.txt")), source);
            checkCopyView(h, source);
        } else {
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, FullTarget}));
            QCOMPARE(snapshot(h.dataFolder), before);
            QVERIFY(h.ui().List1->isHidden());
        }
        checkSourceKept(h);
    }

    void aDamagedTargetIsReplacedWhole_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("length");
        QTest::newRow("100 bytes, OK") << true << 100;
        QTest::newRow("100 bytes, Cancel") << false << 100;
        QTest::newRow("longer than a house, OK") << true << 20000;
    }
    void aDamagedTargetIsReplacedWhole()
    {
        QFETCH(bool, ok);
        QFETCH(int, length);
        Harness h;
        startWithHouse(h, source);
        h.writeFile(QStringLiteral("serult.txt"), QByteArray(length, '7'));
        h.writeFile(QStringLiteral("serult.bak"), houseWithCodes(4));
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("serult.txt")));
        h.dialogs.answer(ok ? Answer::Ok : Answer::Cancel);
        click(h);
        QVERIFY(h.dialogs.unexpected().isEmpty());
        QVERIFY(h.ui().Text7->isHidden());
        if (ok) {
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, DamagedTarget, Done}));
            QCOMPARE(h.readFile(QStringLiteral("serult.txt")), source);
            QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("serult.bak"))));
            checkCopyView(h, source);
        } else {
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, DamagedTarget}));
            QCOMPARE(snapshot(h.dataFolder), before);
            QVERIFY(h.ui().List1->isHidden());
        }
    }

    void theSourceAsItsOwnTarget()
    {
        Harness h;
        startWithHouse(h, source);
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("forras.txt")));
        h.dialogs.answer(Answer::Ok);
        click(h);
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, FullTarget, Done}));
        QCOMPARE(h.readFile(QStringLiteral("forras.bak")), source);
        checkSourceKept(h);
        checkCopyView(h, source);
    }

    void aDamagedSourceTouchesNoFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text2");
        QTest::newRow("100 bytes") << QByteArray(100, 'A') << QStringLiteral("forras.txt");
        QTest::newRow("one byte short") << houseWithCodes(1).left(16391) << QStringLiteral("forras.txt");
        QTest::newRow("one byte long") << houseWithCodes(1) + "F" << QStringLiteral("forras.txt");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("forras.txt");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("nincs.txt");
        QTest::newRow("a folder") << QByteArray() << QStringLiteral("mappa");
        QTest::newRow("Text2 cleared") << QByteArray() << QString();
    }
    void aDamagedSourceTouchesNoFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, text2);
        Harness h;
        startWithHouse(h, source);
        QDir(h.dataFolder).mkdir(QStringLiteral("mappa"));
        h.writeFile(QStringLiteral("forras.txt"), content);
        h.ui().Text2->setText(text2.isEmpty() ? QString() : h.path(text2));
        h.writeFile(QStringLiteral("cel.txt"), houseWithCodes(5));
        const auto before = snapshot(h.dataFolder);
        for (const QString &target : {QStringLiteral("cel.txt"), QStringLiteral("uj.txt")}) {
            h.dialogs.clear();
            h.dialogs.answer(Answer::Ok);
            h.dialogs.pick(h.path(target));
            h.dialogs.answer(Answer::Ok);
            click(h);
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, Damaged}));
            QCOMPARE(snapshot(h.dataFolder), before);
            QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("uj.txt"))));
            QVERIFY(h.ui().List1->isHidden());
            QVERIFY(h.ui().Text7->isHidden());
        }
    }

    void aTargetNamedLikeABackupIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow(".bak") << QStringLiteral("forras.bak");
        QTest::newRow(".BAK") << QStringLiteral("masik.BAK");
        QTest::newRow("ends in bak") << QStringLiteral("kovbak");
    }
    void aTargetNamedLikeABackupIsRefused()
    {
        // Its backup would be the file itself: the old-backup deletion would
        // destroy the copy and report success.
        QFETCH(QString, name);
        Harness h;
        startWithHouse(h, source);
        h.writeFile(name, QByteArray(100, 'B'));
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(name));
        click(h);
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QVERIFY(h.dialogs.messageTexts().at(1).contains(QDir::toNativeSeparators(h.path(name))));
        QCOMPARE(snapshot(h.dataFolder), before);
        QVERIFY(h.ui().List1->isHidden());
        QVERIFY(h.ui().Text7->isHidden());
    }

    void aTargetWhoseBackupIsTheSourceIsRefused_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("new target") << QByteArray();
        QTest::newRow("damaged target") << QByteArray(100, '1');
        QTest::newRow("target with codes") << houseWithCodes(5);
    }
    void aTargetWhoseBackupIsTheSourceIsRefused()
    {
        // The open house may be a backup file typed into Text2; its house
        // file as target would have the source as its backup.
        QFETCH(QByteArray, target);
        Harness h;
        startWithHouse(h, QByteArray());
        open(*h.form, h.path(QStringLiteral("haz.bak")), source);
        if (!target.isEmpty())
            h.writeFile(QStringLiteral("haz.txt"), target);
        const auto before = snapshot(h.dataFolder);
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("haz.txt")));
        h.dialogs.answer(Answer::Ok);
        click(h);
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QVERIFY(h.dialogs.messageTexts().at(1).contains(QDir::toNativeSeparators(h.path(QStringLiteral("haz.bak")))));
        QCOMPARE(snapshot(h.dataFolder), before);
        QVERIFY(h.ui().List1->isHidden());
    }

    void fileSystemFailuresAreReportedByName()
    {
        Harness h;
        startWithHouse(h, source);

        // A target in a folder that does not exist cannot be created.
        const QString unmade = h.path(QStringLiteral("nincs/uj.txt"));
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(unmade);
        click(h);
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QVERIFY(h.dialogs.messageTexts().at(1).contains(QDir::toNativeSeparators(unmade)));
        QVERIFY(h.ui().List1->isHidden());

        // A backup that cannot be written stops the copy before the target
        // is replaced.
        const QByteArray old = houseWithCodes(6);
        h.writeFile(QStringLiteral("cel.txt"), old);
        QVERIFY(QDir(h.dataFolder).mkdir(QStringLiteral("cel.bak")));
        h.dialogs.clear();
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("cel.txt")));
        h.dialogs.answer(Answer::Ok);
        click(h);
        QCOMPARE(h.dialogs.messageTexts().size(), 3);
        QCOMPARE(h.dialogs.messageTexts().at(1), FullTarget);
        QVERIFY(h.dialogs.messageTexts().at(2).contains(QDir::toNativeSeparators(h.path(QStringLiteral("cel.bak")))));
        QCOMPARE(h.readFile(QStringLiteral("cel.txt")), old);
        QVERIFY(h.ui().List1->isHidden());

        // A stale backup that cannot be deleted is reported, not passed over.
        QVERIFY(QDir(h.dataFolder).mkpath(QStringLiteral("uj.bak/tele")));
        h.dialogs.clear();
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("uj.txt")));
        click(h);
        QCOMPARE(h.dialogs.messageTexts().size(), 3);
        QCOMPARE(h.dialogs.messageTexts().at(1), NewFile);
        QVERIFY(h.dialogs.messageTexts().at(2).contains(QDir::toNativeSeparators(h.path(QStringLiteral("uj.bak")))));
        QVERIFY(!h.dialogs.messageTexts().contains(Done));

        // A target that is a folder.
        QVERIFY(QDir(h.dataFolder).mkdir(QStringLiteral("mappa.txt")));
        h.dialogs.clear();
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("mappa.txt")));
        click(h);
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QVERIFY(h.dialogs.messageTexts().at(1).contains(QDir::toNativeSeparators(h.path(QStringLiteral("mappa.txt")))));
        checkSourceKept(h);
    }

    void aVeryShortTargetNameDoesNotCrash()
    {
        Harness h;
        startWithHouse(h, source);
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(h.dataFolder));
        h.writeFile(QStringLiteral("ab"), QByteArray()); // an existing name stays as it is
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(QStringLiteral("ab"));
        click(h);
        QDir::setCurrent(before);
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Question, NewFile, Done}));
        QCOMPARE(h.readFile(QStringLiteral("ab")), source);
    }

    void aCopyKilledAtAnyInstantLosesNoHouse()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const FolderFiles files{work.path() + QStringLiteral("/data/")};
        QVERIFY(QDir().mkpath(files.folder));
        const QByteArray a = houseWithCodes(11), b = houseWithCodes(12), c = houseWithCodes(13);
        QVERIFY(files.write(QStringLiteral("s1.txt"), a));
        QVERIFY(files.write(QStringLiteral("s2.txt"), c));
        QVERIFY(files.write(QStringLiteral("t.txt"), b));
        const auto whole = [&](const QByteArray &x) { return x == a || x == b || x == c; };

        KillLoop loop;
        loop.child = QStringLiteral("copyrestore_child");
        loop.arguments = {QStringLiteral("copy"), work.path()};
        loop.seed = 20240601;
        // The sources are never written; the target is one whole house and
        // so is its backup.
        loop.check = [&](int) -> QString {
            if (files.read(QStringLiteral("s1.txt")) != a || files.read(QStringLiteral("s2.txt")) != c)
                return QStringLiteral("a source changed");
            if (!whole(files.read(QStringLiteral("t.txt"))))
                return QStringLiteral("t.txt is not a whole house");
            if (files.exists(QStringLiteral("t.bak")) && !whole(files.read(QStringLiteral("t.bak"))))
                return QStringLiteral("t.bak is not a whole house");
            return QString();
        };
        int copies = 0;
        const QString problem = loop.run(copies);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(copies > 0, "the child finished no copy at all");
    }
};

QTEST_MAIN(TstCopyHouse)
#include "tst_copyhouse.moc"
