// "Másolás" (Command5) and "Visszaállítás" (Command7, File1) with scripted
// dialogs and real files: every refusal, Cancel and kind of file, the target's
// backup, and a copy followed by a restore killed at any instant.
#include "harness.h"
#include "killloop.h"
#include "openedhouse.h"

#include "house/housefile.h"

using Answer = Dialogs::Answer;
using namespace openedhouse;
using Files = QMap<QString, QByteArray>;

namespace {
const QString Question = QStringLiteral(
    "Válasszon ki egy már létező házfájlt felülírásra (a 'házfájl' tartalma felülíródik a 'Friss adatok' lista "
    "tartalmával!) vagy hozzon létre új házfájlt és töltse fel a 'Friss adatok' lista tartalmával!");
const QString NewFile = QStringLiteral("Új, még üres fájl."), Done = QStringLiteral("A másolás kész.");
const QString DamagedTarget = QStringLiteral("Az új házfájl sérült, a másolat létrehozása előtt törlöm.");
const QString Full = QStringLiteral("Az új házfájl nem üres, tartalmát azonos nevű, bak kiterjesztésű fájlba mentem");
const QString TxtExists = QStringLiteral("Ezen a néven már létezik txt fájl, ha folytatja törlődni fog!");
const QString DamagedBak = QStringLiteral("A bak fájl sérült!");
const QByteArray None, S = houseWithCodes(1), H2 = houseWithCodes(2), H3 = houseWithCodes(3), Dir = "/";
const QByteArray Blank = house::blankHouseContent(), Short(100, '7'), Long(20000, 'x');

// None: no file; Dir: a folder with a file in it.
void put(Harness &h, const QString &name, const QByteArray &bytes)
{
    if (bytes == Dir)
        QDir().mkpath(h.path(name + QStringLiteral("/bent")));
    else if (!bytes.isNull())
        h.writeFile(name, bytes);
}

// The data folder's files after the given ones got these contents (None: gone).
Files changed(Files files, const QList<std::pair<QString, QByteArray>> &changes)
{
    for (const auto &[name, bytes] : changes)
        bytes.isNull() || bytes == Dir ? void(files.remove(name)) : void(files.insert(name, bytes));
    return files;
}

struct Copy {
    int setup;              // 0: S open from `opened`; 1 read-out, 2 upload running; 3 no house; 4 a new house
    QString opened, text2;  // Text2 set after opening ("" clears it; null: left)
    QByteArray source;      // written over the opened file after opening (null: left)
    QString target;         // the file the dialog's pick stands for
    QByteArray before, bak; // the target and its backup
    QString steps;          // see Harness::script()
    QStringList messages;   // "@name": one naming that file
    QByteArray after, bakAfter;
    bool torles;
};

struct Restore {
    QByteArray bak, txt;   // haz.bak (None: gone after the list was read) and haz.txt
    int exchange;          // running meanwhile: 0 none, 1 read-out, 2 upload, 3 verify, 4 erase
    QString steps;
    QStringList messages;
    QByteArray txtAfter, bakAfter;
    bool listShown, torles;
};

QList<QWidget *> sidePanels(Ui::Form1 &u)
{
    return {u.Command3, u.Text5, u.Text6, u.Label15, u.Label16, u.Label28, u.Label3, u.List5,
            u.List6, u.Label8, u.Command2, u.Label30, u.Label2, u.Label29};
}
} // namespace
Q_DECLARE_METATYPE(Copy)
Q_DECLARE_METATYPE(Restore)

class TstCopyRestore : public QObject
{
    Q_OBJECT
private slots:
    void copying_data()
    {
        QTest::addColumn<Copy>("c");
        const QString f = QStringLiteral("forras.txt"), cel = QStringLiteral("cel.txt"), uj = QStringLiteral("uj.txt"), no;
        const QString asked = QStringLiteral("o pcel.txt o");
        QTest::newRow("no house") << Copy{3, f, no, None, "", None, None, "", {"Előbb a Szerkesztés gombbal válassza ki a másolandó házat!"}, None, None, true};
        QTest::newRow("a new house") << Copy{4, f, no, None, "", None, None, "", {"Üres házat nem lehet átmásolni!"}, None, None, false};
        QTest::newRow("read-out running") << Copy{1, f, no, None, "", None, None, "", {}, None, None, false};
        QTest::newRow("upload running") << Copy{2, f, no, None, "", None, None, "", {}, None, None, false};
        QTest::newRow("question cancelled") << Copy{0, f, no, None, "", None, None, "c", {Question}, None, None, false};
        QTest::newRow("dialog cancelled") << Copy{0, f, no, None, "", None, None, "o p", {Question}, None, None, true};
        QTest::newRow("a new name") << Copy{0, f, no, None, uj, None, H3, "o puj.txt", {Question, NewFile, Done}, S, None, true};
        QTest::newRow("a new name without .txt") << Copy{0, f, no, None, uj, None, H3, "o puj", {Question, NewFile, Done}, S, None, true};
        QTest::newRow("an empty file") << Copy{0, f, no, None, uj, "", None, "o puj.txt", {Question, NewFile, Done}, S, None, true};
        QTest::newRow("a blank house") << Copy{0, f, no, None, uj, Blank, Long, "o puj.txt", {Question, Done}, S, Blank, true};
        QTest::newRow("codes, OK") << Copy{0, f, no, None, cel, H2, H3, asked, {Question, Full, Done}, S, H2, true};
        QTest::newRow("codes, Cancel") << Copy{0, f, no, None, cel, H2, H3, "o pcel.txt c", {Question, Full}, H2, H3, true};
        QTest::newRow("damaged, OK") << Copy{0, f, no, None, cel, Short, H3, asked, {Question, DamagedTarget, Done}, S, None, true};
        QTest::newRow("damaged, Cancel") << Copy{0, f, no, None, cel, Short, H3, "o pcel.txt c", {Question, DamagedTarget}, Short, H3, true};
        QTest::newRow("damaged, long, OK") << Copy{0, f, no, None, cel, Long, None, asked, {Question, DamagedTarget, Done}, S, None, true};
        QTest::newRow("the source itself") << Copy{0, f, no, None, f, S, None, "o pforras.txt o", {Question, Full, Done}, S, S, true};
        // Its own backup: deleting a stale backup would destroy the copy just made.
        for (const QString name : {"x.bak", "x.BAK", "kovbak"})
            QTest::addRow("own backup %s", qPrintable(name)) << Copy{0, f, no, None, name, Short, Short, "o p" + name, {Question, "@" + name}, Short, Short, true};
        // The open house is the target's backup: saving or deleting that would change the source.
        for (const QByteArray &target : {None, Short, H2})
            QTest::addRow("source as backup, %d bytes", int(target.size())) << Copy{0, "haz.bak", no, None, "haz.txt", target, S, "o phaz.txt", {Question, "@haz.bak"}, target, S, true};
        // Text2 can be edited by hand: the source is checked before any file is touched.
        for (const auto &[name, text2, source] : {std::tuple{"100 bytes", no, Short}, {"one byte short", no, S.left(16391)},
                 {"one byte long", no, S + "F"}, {"empty", no, QByteArray("")}, {"missing", QStringLiteral("nincs.txt"), None},
                 {"a folder", QStringLiteral("mappa"), None}, {"cleared", QStringLiteral(""), None}})
            for (const QByteArray &target : {None, H2})
                QTest::addRow("source %s, target %d bytes", name, int(target.size())) << Copy{0, f, text2, source, cel, target, None, "o pcel.txt", {Question, "A fájl sérült!"}, target, None, true};
        // File system failures name the file and stop the copy.
        QTest::newRow("no such folder") << Copy{0, f, no, None, "nincs/uj.txt", None, None, "o pnincs/uj.txt", {Question, "@nincs/uj.txt"}, None, None, true};
        QTest::newRow("backup unwritable") << Copy{0, f, no, None, cel, H2, Dir, asked, {Question, Full, "@cel.bak"}, H2, None, true};
        QTest::newRow("stale backup undeletable") << Copy{0, f, no, None, uj, None, Dir, "o puj.txt", {Question, NewFile, "@uj.bak"}, S, None, true};
        QTest::newRow("target a folder") << Copy{0, f, no, None, "mappa.txt", Dir, None, "o pmappa.txt", {Question, "@mappa.txt"}, None, None, true};
    }
    void copying()
    {
        QFETCH(Copy, c);
        Harness h;
        QVERIFY(h.startShown());
        Ui::Form1 &u = h.ui();
        QDir(h.dataFolder).mkdir(QStringLiteral("mappa"));
        put(h, c.target, c.before);
        put(h, house::backupPathOf(c.target), c.bak);
        if (c.setup != 3)
            open(*h.form, h.path(c.opened), c.setup == 4 ? QByteArray() : S);
        put(h, c.opened, c.source);
        if (!c.text2.isNull())
            u.Text2->setText(c.text2.isEmpty() ? QString() : h.path(c.text2));
        (c.setup == 1 ? h.form->state().readOutRunning : h.form->state().uploadRunning) = c.setup == 1 || c.setup == 2;
        for (QWidget *w : sidePanels(u) + QList<QWidget *>{u.File1, u.Label7, u.Text7})
            w->show();
        u.Text1->setText(QStringLiteral("régi"));
        const Files expected = changed(snapshot(h.dataFolder), {{c.target, c.after}, {house::backupPathOf(c.target), c.bakAfter}});
        const QStringList list2 = rowsOf(u.List2);
        const QString houseFile = h.form->state().houseFilePath;
        h.script(c.steps);
        QTest::mouseClick(u.Command5, Qt::LeftButton);

        QCOMPARE(snapshot(h.dataFolder), expected);
        CHECK_MESSAGES(h, c.messages);
        for (const ScriptedDialogs::Shown &shown : h.dialogs.shown()) {
            const bool question = shown.text == Question || shown.text == Full || shown.text == DamagedTarget;
            QCOMPARE(shown.buttons, question || shown.kind != ScriptedDialogs::Kind::Message ? Dialogs::Buttons::OkCancel : Dialogs::Buttons::Ok);
            if (shown.kind == ScriptedDialogs::Kind::OpenFile)
                QVERIFY(shown.folder == h.dataFolder && shown.text == QStringLiteral("Szöveg (*.txt)|*.txt|"));
        }
        for (QWidget *w : sidePanels(u) + QList<QWidget *>{u.File1, u.Label7})
            QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
        QCOMPARE(u.Text7->isHidden(), c.torles);
        QCOMPARE(u.Text1->text(), c.target.isEmpty() ? QString() : h.path(c.target));
        QCOMPARE(h.form->state().houseFilePath, c.steps.contains(QLatin1Char('p')) ? u.Text1->text() : houseFile);
        QCOMPARE(rowsOf(u.List2), list2);
        // The copy's list, read from the file written.
        const bool done = c.messages.contains(Done);
        QCOMPARE(u.List1->isHidden() || u.Label24->isHidden() || u.Label25->isHidden(), !done);
        QCOMPARE(rowsOf(u.List1), done ? house::houseListRows(recordsOf(S)) : QStringList());
        QCOMPARE(u.Label24->text() == QStringLiteral("A másolat adatai:"), done);
    }

    void command7ListsTheBackups_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("busy");
        QTest::newRow("OK") << true << false;
        QTest::newRow("Cancel") << false << false;
        QTest::newRow("while an upload runs") << true << true;
    }
    void command7ListsTheBackups()
    {
        QFETCH(bool, ok);
        QFETCH(bool, busy);
        Harness h;
        QVERIFY(h.startShown());
        Ui::Form1 &u = h.ui();
        for (const char *name : {"b.bak", "A.BAK", "c.bak", "d.bak.old"})
            h.writeFile(QLatin1String(name), S);
        QVERIFY(QDir(h.dataFolder).mkdir(QStringLiteral("mappa.bak")));
        for (QWidget *w : sidePanels(u) + QList<QWidget *>{u.List1, u.Label24, u.Label25, u.Text7})
            w->show();
        u.File1->setVisible(!ok); // for Cancel to hide
        u.List1->addItem(QStringLiteral("1. Lakás"));
        u.Text1->setText(QStringLiteral("cel.txt"));
        h.form->state().uploadRunning = busy;
        h.script(busy ? "" : ok ? "o" : "c");
        QTest::mouseClick(u.Command7, Qt::LeftButton);
        CHECK_MESSAGES(h, busy ? QStringList() : QStringList{QStringLiteral(
            "Válassza ki a listából melyik bak kiterjesztésű fájlból akar újra txt fájlt készíteni!")});
        QVERIFY(busy || h.dialogs.shown().first().buttons == Dialogs::Buttons::OkCancel);
        for (QWidget *w : sidePanels(u))
            QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
        QVERIFY(u.Text1->text().isEmpty());
        QCOMPARE(u.File1->isHidden(), !ok || busy);
        QCOMPARE(u.Label7->isHidden(), !ok || busy);
        // While the reader works the copy view and the help panel stay.
        QCOMPARE(u.List1->isHidden() && u.Label24->isHidden() && u.Label25->isHidden() && u.Text7->isHidden(), !busy);
        QCOMPARE(u.List1->count(), int(busy));
        QCOMPARE(rowsOf(u.File1), (ok && !busy ? QStringList{"A.BAK", "b.bak", "c.bak"} : QStringList()));
    }

    void restoring_data()
    {
        QTest::addColumn<Restore>("r");
        const QByteArray D(500, 'D'), H9 = houseWithCodes(9);
        QTest::newRow("0 bytes") << Restore{"", None, 0, "", {"A bak fájl 0 bájt hosszú, nem készíthető belőle txt fájl."}, None, "", false, false};
        QTest::newRow("intact, no txt") << Restore{H2, None, 0, "", {}, H2, None, false, false};
        QTest::newRow("intact, txt, OK") << Restore{H2, H9, 0, "o", {TxtExists}, H2, None, false, false};
        QTest::newRow("intact, txt, Cancel") << Restore{H2, H9, 0, "c", {TxtExists}, H9, H2, true, false};
        QTest::newRow("damaged, txt, OK") << Restore{D, H9, 0, "o", {DamagedBak}, D, None, false, false};
        QTest::newRow("damaged, txt, Cancel") << Restore{D, H9, 0, "c", {DamagedBak}, H9, D, true, true};
        QTest::newRow("damaged, no txt, OK") << Restore{D, None, 0, "o", {DamagedBak}, D, None, false, false};
        QTest::newRow("txt a folder") << Restore{H2, Dir, 0, "o", {TxtExists, "@haz.bak"}, None, H2, true, false};
        QTest::newRow("backup gone") << Restore{None, None, 0, "", {"@haz.bak"}, None, None, true, false};
        for (int exchange = 1; exchange <= 4; ++exchange)
            QTest::addRow("while exchange %d runs", exchange) << Restore{H2, H9, exchange, "",
                {"Amíg a kártya leolvasóval adatcsere folyik, nem lehet visszaállítani."}, H9, H2, true, false};
    }
    void restoring()
    {
        QFETCH(Restore, r);
        Harness h;
        QVERIFY(h.startShown());
        put(h, QStringLiteral("haz.bak"), r.bak.isNull() ? S : r.bak);
        put(h, QStringLiteral("haz.txt"), r.txt);
        h.writeFile(QStringLiteral("masik.bak"), H3);
        h.script(QStringLiteral("o"));
        QTest::mouseClick(h.ui().Command7, Qt::LeftButton);
        h.dialogs.clear();
        if (r.bak.isNull())
            QVERIFY(QFile::remove(h.path(QStringLiteral("haz.bak"))));
        const Files expected = changed(snapshot(h.dataFolder), {{"haz.txt", r.txtAfter}, {"haz.bak", r.bakAfter}});
        WindowState &state = h.form->state();
        if (r.exchange == 4)
            h.form->reader().timer3().start(100000);
        else if (r.exchange > 0)
            *QList<qint16 *>{&state.readOutRunning, &state.uploadRunning, &state.verifyRunning}[r.exchange - 1] = 1;
        h.ui().Text7->show();
        h.script(r.steps);
        const QList<QListWidgetItem *> items = h.ui().File1->findItems(QStringLiteral("haz.bak"), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        emit h.ui().File1->itemClicked(items.first());
        h.form->reader().timer3().stop();

        QCOMPARE(snapshot(h.dataFolder), expected);
        CHECK_MESSAGES(h, r.messages);
        for (const ScriptedDialogs::Shown &shown : h.dialogs.shown()) {
            QCOMPARE(shown.buttons, shown.text == TxtExists || shown.text == DamagedBak ? Dialogs::Buttons::OkCancel : Dialogs::Buttons::Ok);
            // OK puts damaged bytes in place of the house: Enter must not.
            QCOMPARE(shown.defaultButton, shown.text == DamagedBak ? Answer::Cancel : Answer::Ok);
        }
        QCOMPARE(state.houseFilePath, r.exchange ? QString() : h.path(QStringLiteral("haz.bak")));
        QCOMPARE(state.backupFilePath, r.exchange ? QString() : h.path(QStringLiteral("haz.txt")));
        QCOMPARE(h.ui().File1->isHidden(), !r.listShown);
        QCOMPARE(h.ui().Label7->isHidden(), !r.listShown);
        QCOMPARE(rowsOf(h.ui().File1), QDir(h.dataFolder).entryList({QStringLiteral("*.bak")}, QDir::Files));
        QCOMPARE(h.ui().Text7->isHidden(), r.torles);
    }

    void aCopyThenRestoreKilledAtAnyInstantKeepsEveryHouse()
    {
        // The child copies s1 or s2 over t.txt (t's data going to t.bak) and
        // restores t.bak, round after round: the sources stay, t.txt is always
        // one whole house, and t's own data is in t.txt or in t.bak.
        Harness h;
        const QByteArray own = houseWithCodes(22);
        h.writeFile(QStringLiteral("s1.txt"), S);
        h.writeFile(QStringLiteral("s2.txt"), H2);
        h.writeFile(QStringLiteral("t.txt"), own);
        KillLoop loop;
        loop.child = QStringLiteral("copyrestore_child");
        loop.arguments = {QStringLiteral("cycle"), h.temp.path()};
        loop.seed = 20240602;
        loop.check = [&](int) -> QString {
            const QByteArray target = h.readFile(QStringLiteral("t.txt"));
            if (h.readFile(QStringLiteral("s1.txt")) != S || h.readFile(QStringLiteral("s2.txt")) != H2)
                return QStringLiteral("a source changed");
            if (target != S && target != own && target != H2)
                return QStringLiteral("t.txt is not a whole house");
            if (QFile::exists(h.path(QStringLiteral("t.bak"))) ? h.readFile(QStringLiteral("t.bak")) != own : target != own)
                return QStringLiteral("the house's own data is neither in t.txt nor whole in t.bak");
            return QString();
        };
        int rounds = 0;
        const QString problem = loop.run(rounds);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(rounds > 0, "the child finished no round at all");
    }
};

QTEST_MAIN(TstCopyRestore)
#include "tst_copyrestore.moc"
