// The application shell through Form1 with every seam faked and real files: start-up, the lock, the port, the data folder;
// "Másolás" (Command5) and "Visszaállítás" (Command7, File1) with every refusal, Cancel and kind of file, and a copy followed by
// a restore killed at any instant; help mode, torles; the real Hungarian dialogs.
#include "harness.h"
#include "openedhouse.h"
#include "house/housefile.h"
#include "app/translations.h"
#include "cards/cardfinder.h"
#include "help/helpmode.h"
#include "history/logwindow.h"
#include "cards/revokedwindow.h"
#include "ui_revokedwindow.h"
#include "ui_logwindow.h"
#include "reader/differenceswindow.h"
#include "ui_cardwindow.h"
#include "history/historywindow.h"
#include "ui_historywindow.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QCryptographicHash>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>

using namespace openedhouse;
using Files = QMap<QString, QByteArray>;

namespace {
using A = Dialogs::Answer; using B = Dialogs::Buttons;
const QString NoPort = QStringLiteral("A gépen nincs szabad port!");
QString port(Harness &h) { return h.settings->value(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port")); }
QString folder(Harness &h) { return h.settings->value(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely")); }

void moveOver(QWidget *w, QPoint at = QPoint(2, 2))
{ QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton, Qt::NoButton, Qt::NoModifier); QApplication::sendEvent(w, &move); }

void whenModal(const std::function<void(QWidget *)> &act) // on the modal dialog once it is up
{
    QTimer::singleShot(0, [act] { QApplication::activeModalWidget() ? act(QApplication::activeModalWidget()) : whenModal(act); });
}
const QString Question = QStringLiteral(
    "Válasszon ki egy már létező házfájlt felülírásra (a 'házfájl' tartalma felülíródik a 'Friss adatok' lista "
    "tartalmával!) vagy hozzon létre új házfájlt és töltse fel a 'Friss adatok' lista tartalmával! [OkCancel]");
const QString NewFile = QStringLiteral("Új, még üres fájl."), Done = QStringLiteral("A másolás kész.");
const QString DamagedTarget = QStringLiteral("Az új házfájl sérült, a másolat létrehozása előtt törlöm. [OkCancel]");
const QString Full = QStringLiteral("Az új házfájl nem üres, tartalmát azonos nevű, bak kiterjesztésű fájlba mentem [OkCancel]");
const QString TxtExists = QStringLiteral("Ezen a néven már létezik txt fájl, ha folytatja törlődni fog! [OkCancel]");
const QString DamagedBak = QStringLiteral("A bak fájl sérült! [OkCancel Enter=Cancel]"); // OK puts damaged bytes in place of the house: Enter must not
const QByteArray None, S = houseWithCodes(1), H2 = houseWithCodes(2), H3 = houseWithCodes(3), Dir = "/";
const QByteArray Blank = house::blankHouseContent(), Short(100, '7'), Long(20000, 'x');
QString intoHouse(const char *file, const QByteArray &house) // "@": the house named with the data folder
{ return QStringLiteral("@%1 fájlba írandó kódok között letiltott kártya van:\n1. lakás 1. hely (1. kódhely): %2, Elveszett\nMégis beírja? (Nem: semmi sem változik.) [YesNo Enter=No]").arg(file, house.left(10)); }

void put(Harness &h, const QString &name, const QByteArray &bytes) // None: no file; Dir: a folder, not empty
{ bytes == Dir ? void(QDir().mkpath(h.path(name + QStringLiteral("/bent")))) : bytes.isNull() ? void() : h.writeFile(name, bytes); }

// The data folder's files after two of them got these contents (None: gone), the second last.
Files changed(Files files, const QString &a, const QByteArray &aBytes, const QString &b, const QByteArray &bBytes)
{
    for (const auto &[name, bytes] : {std::pair{a, aBytes}, {b, bBytes}})
        bytes.isNull() || bytes == Dir ? void(files.remove(name)) : void(files.insert(name, bytes));
    return files;
}

struct Copy {
    int setup;              // 0: S open from forras.txt; 3 no house; 4 a new house
    QString text2; QByteArray source; // then typed in Text2 ("": cleared), and that file's content
    QString target; QByteArray before, bak; // the file the dialog's pick stands for, its content and its backup's
    QString steps; QStringList messages; // the answers (see Harness::script()); "@name": a message naming that file
    QByteArray after, bakAfter;
    QByteArray revoked = {}; // the card letiltott.lst holds
};

struct Restore {
    QByteArray bak, txt; // haz.bak (None: gone after the list was read) and haz.txt
    QString steps; QStringList messages; QByteArray txtAfter, bakAfter;
    bool listShown, torles; // File1 still shown; Text7 hidden by torles
    QByteArray revoked = {}; // the card letiltott.lst holds
};
} // namespace
Q_DECLARE_METATYPE(Copy)
Q_DECLARE_METATYPE(Restore)

class TstShell : public QObject
{
    Q_OBJECT
    QTemporaryDir m_configHome;

private slots:
    // Copies sharing the settings share the lock beside them; a second copy is refused, a crash's lock (its process gone) taken over.
    void theInstanceLock()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path())); // before QSettings' first use
        const auto lockBeside = [](const QtSettingsStore &s) { return s.folder() + QStringLiteral("/belvarium.lock"); };
#ifdef Q_OS_WIN
        // The settings go to the registry, the lock to the local application data.
        QCOMPARE(QtSettingsStore().folder(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Belvarium"));
        QVERIFY(QFileInfo(QtSettingsStore().folder()).isDir());
        QtSettingsStore().setValue(QStringLiteral("alap"), QStringLiteral("teszt"), QStringLiteral("port"), QStringLiteral("7"));
        QSettings registry(QStringLiteral("HKEY_CURRENT_USER\\Software\\Belvarium\\alap"), QSettings::NativeFormat);
        QCOMPARE(registry.value(QStringLiteral("teszt/port")).toString(), QStringLiteral("7"));
        registry.remove(QStringLiteral("teszt"));
#else
        QCOMPARE(QtSettingsStore().folder(), m_configHome.path() + QStringLiteral("/Belvarium"));
#endif
        LockFileInstanceGuard first(lockBeside(QtSettingsStore()));
        QVERIFY(first.tryAcquire());
        qunsetenv("XDG_RUNTIME_DIR"); // started from su, ssh or cron
        QVERIFY(!LockFileInstanceGuard(lockBeside(QtSettingsStore())).tryAcquire());
        QTemporaryDir own;
        QVERIFY(LockFileInstanceGuard(lockBeside(QtSettingsStore(own.path()))).tryAcquire());
        for (const bool stale : {false, true}) {
            Harness h;
            h.saveDataFolder();
            h.ports.free = {1};
            QLockFile other(h.temp.path() + QStringLiteral("/belvarium.lock"));
            qint64 pid = 0; QString host, application;
            QVERIFY(other.tryLock() && other.getLockInfo(&pid, &host, &application));
            if (stale) { // as a crash leaves it: this machine as QLockFile names it, a process that is gone
                other.unlock();
                QFile file(h.temp.path() + QStringLiteral("/belvarium.lock"));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("4194301\nbelvarium\n" + host.toUtf8() + "\n"));
            }
            QVERIFY(h.start() == stale && h.form->ended() == !stale && h.ports.opened.size() == stale);
            CHECK_MESSAGES(h, stale ? QStringList() : QStringList{QStringLiteral("A gépen már fut ez a program.")});
        }
    }

    void portChoice_data()
    {
        // A negative free port fails to open at start; `chosen` is selected and opened then; the one message contains `message`.
        QTest::addColumn<QList<int>>("free"); QTest::addColumn<QString>("saved"); QTest::addColumn<QString>("chosen"); QTest::addColumn<QString>("message");
        QTest::newRow("saved port free") << QList<int>{1, 3} << "3" << "3" << "";
        QTest::newRow("saved port gone") << QList<int>{1, 3} << "2" << "1" << "";
        QTest::newRow("nothing saved") << QList<int>{1, 3} << "" << "1" << "";
        QTest::newRow("no free port") << QList<int>() << "" << "" << NoPort;
        QTest::newRow("port fails") << QList<int>{-4} << "" << "4" << "/dev/fake4";
    }
    void portChoice()
    {
        QFETCH(QList<int>, free); QFETCH(QString, saved); QFETCH(QString, chosen); QFETCH(QString, message);
        Harness h;
        h.saveDataFolder();
        for (int &port : free)
            if (port < 0)
                h.ports.failing.insert(port = -port);
        h.ports.free = free;
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"), saved);
        QVERIFY(h.start());
        Ui::Form1 &u = h.ui();
        QVERIFY(u.Combo1->count() == free.size() && u.Combo1->currentText() == chosen && port(h) == saved); // not rewritten
        QCOMPARE(h.form->state().portSetting, chosen.isEmpty() ? saved : chosen);
        QCOMPARE(h.ports.opened, chosen.isEmpty() ? QList<int>() : QList<int>{chosen.toInt()});
        QCOMPARE(h.form->reader().isOpen(), !chosen.isEmpty() && h.ports.failing.isEmpty());
        QVERIFY(h.dialogs.messageTexts().size() == !message.isEmpty() && h.dialogs.messageTexts().join(QString()).contains(message));
        if (free.isEmpty())
            return;
        // Choosing an entry closes the open port, opens that one (a failure reported again) and saves the choice.
        MemoryLink *first = h.ports.lastLink;
        h.dialogs.clear();
        emit u.Combo1->activated(free.size() - 1);
        QVERIFY(h.dialogs.messageTexts().size() == !message.isEmpty() && h.dialogs.messageTexts().join(QString()).contains(message));
        h.ports.failing.clear();
        emit u.Combo1->activated(free.size() - 1);
        QVERIFY((!first || !first->isOpen()) && h.form->reader().isOpen() && h.ports.opened.last() == free.last());
        QVERIFY(port(h) == QString::number(free.last()) && h.form->state().portSetting == port(h));
        // A port that vanishes is reported once and can be chosen again.
        h.dialogs.clear();
        h.ports.lastLink->vanish(QStringLiteral("A port megszakadt."));
        CHECK_MESSAGES(h, {QStringLiteral("A port megszakadt.\nVálassza ki újra a portot a Comm listában!")});
        QVERIFY(!h.form->reader().isOpen());
        emit u.Combo1->activated(free.size() - 1);
        QVERIFY(h.form->reader().isOpen());
    }

    void theDataFolderAtStart_data()
    {
        // A saved name in the data folder is no such folder; `steps` as Harness::script() takes them; messages after the port's.
        QTest::addColumn<QString>("saved"); QTest::addColumn<QString>("steps"); QTest::addColumn<QStringList>("messages");
        const QString make = QStringLiteral("Hozzon létre egy mappát, melyben az adatait tárolni fogja! A 'Fájlnév'-hez "
                                            "írjon be egy '1'-et és nyomja meg a megnyitás gombot!");
        const QString leave = QStringLiteral("Nem hozott létre mappát, ki akar lépni a programból? [YesNo]");
        QTest::newRow("nothing saved") << "" << "o p n p1" << QStringList{make, leave};
        QTest::newRow("only blanks") << "   " << "o p n p1" << QStringList{make, leave};
        QTest::newRow("leaving") << "" << "o p y" << QStringList{make, leave};
        QTest::newRow("a file picked") << "" << "o phaz.txt" << QStringList{make};
        QTest::newRow("no such folder picked") << "" << "o pnincs/1 p1" << QStringList{make, "@nincs/"};
        QTest::newRow("saved folder gone") << "gone/" << "o o p1" << QStringList{"@gone/", make};
    }
    void theDataFolderAtStart()
    {
        QFETCH(QString, saved); QFETCH(QString, steps); QFETCH(QStringList, messages);
        Harness h;
        const QString savedPath = saved.trimmed().isEmpty() ? saved : h.path(saved);
        h.settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), savedPath);
        h.writeFile(QStringLiteral("haz.txt"), "x");
        h.script(steps);
        const bool started = !steps.endsWith(QLatin1Char('y'));
        QVERIFY(h.start() == started && h.form->ended() == !started);
        CHECK_MESSAGES(h, QStringList{NoPort} + messages);
        QVERIFY(folder(h) == (started ? h.dataFolder : savedPath) && h.ui().Text4->text() == (started ? h.dataFolder : QString()));
        QCOMPARE(QFileInfo::exists(h.path(QStringLiteral("postas.lst"))), started);
        // The first dialog opens where the folder was, or in the home folder, with the house-file filter.
        const ScriptedDialogs::Shown dialog = h.dialogs.shown().at(saved == QLatin1String("gone/") ? 3 : 2);
        QVERIFY(dialog.folder == (saved.trimmed().isEmpty() ? QDir::homePath() : savedPath) && dialog.text == QStringLiteral("Szöveg (*.txt)|*.txt|"));
    }

    void changingTheDataFolder()
    {
        Harness h;
        QVERIFY(h.startShown());
        QVERIFY(QDir().mkpath(h.path(QStringLiteral("masik"))));
        h.writeFile(QStringLiteral("masik/postas.lst"), "a postás");
        const QString other = QDir::fromNativeSeparators(h.path(QStringLiteral("masik/")));
        for (const auto &[steps, folder] : {std::pair{"c", QDir::fromNativeSeparators(h.dataFolder)}, {"o pmasik/1", other}, {"o p", other}}) {
            const QString before = h.ui().Text4->text();
            h.dialogs.clear();
            h.script(QLatin1String(steps));
            h.ui().Text7->show();
            QTest::mouseDClick(h.ui().Text4, Qt::LeftButton);
            CHECK_MESSAGES(h, {QStringLiteral("Meg kívánja változtatni az adat elérési útvonalat? [OkCancel]")});
            QVERIFY(h.ui().Text7->isHidden() && (h.dialogs.shown().size() == 1 || h.dialogs.shown().at(1).folder == before));
            QVERIFY(QDir::fromNativeSeparators(h.ui().Text4->text()) == folder && QDir::fromNativeSeparators(::folder(h)) == folder);
            QCOMPARE(QFileInfo(folder + QStringLiteral("postas.lst")).size(), folder == other ? 9 : 0); // made at start, never replaced
        }
        // A history folder, or one inside it, is never the data folder: a take-out there would change what was.
        QVERIFY(QDir().mkpath(h.path(QStringLiteral("masik/elozmenyek/tartalom"))));
        h.dialogs.clear();
        h.script(QStringLiteral("o pmasik/elozmenyek/tartalom/1"));
        QTest::mouseDClick(h.ui().Text4, Qt::LeftButton);
        CHECK_MESSAGES(h, {QStringLiteral("Meg kívánja változtatni az adat elérési útvonalat? [OkCancel]"), QStringLiteral("@masik/elozmenyek/tartalom/")});
        QVERIFY(QDir::fromNativeSeparators(h.ui().Text4->text()) == other && QDir::fromNativeSeparators(::folder(h)) == other);
    }

    void copying_data()
    {
        QTest::addColumn<Copy>("c");
        const QString cel = QStringLiteral("cel.txt"), uj = QStringLiteral("uj.txt"), no, asked = QStringLiteral("o pcel.txt o");
        QTest::newRow("no house") << Copy{3, no, None, "", None, None, "", {"Előbb a Szerkesztés gombbal válassza ki a másolandó házat!"}, None, None};
        QTest::newRow("a new house") << Copy{4, no, None, "", None, None, "", {"Üres házat nem lehet átmásolni!"}, None, None};
        QTest::newRow("question cancelled") << Copy{0, no, None, "", None, None, "c", {Question}, None, None};
        QTest::newRow("dialog cancelled") << Copy{0, no, None, "", None, None, "o p", {Question}, None, None};
        QTest::newRow("an empty file") << Copy{0, no, None, uj, "", None, "o puj.txt", {Question, NewFile, Done}, S, None};
        QTest::newRow("a blank house") << Copy{0, no, None, uj, Blank, Long, "o puj.txt", {Question, Done}, S, Blank};
        QTest::newRow("codes, OK") << Copy{0, no, None, cel, H2, H3, asked, {Question, Full, Done}, S, H2};
        QTest::newRow("codes, Cancel") << Copy{0, no, None, cel, H2, H3, "o pcel.txt c", {Question, Full}, H2, H3};
        QTest::newRow("a revoked card, No") << Copy{0, no, None, cel, H2, H3, "o pcel.txt n", {Question, intoHouse("cel.txt", S)}, H2, H3, S.left(10)};
        QTest::newRow("a revoked card, Yes") << Copy{0, no, None, cel, H2, H3, "o pcel.txt y o", {Question, intoHouse("cel.txt", S), Full, Done}, S, H2, S.left(10)};
        QTest::newRow("damaged, OK") << Copy{0, no, None, cel, Short, H3, asked, {Question, DamagedTarget, Done}, S, None};
        QTest::newRow("damaged, Cancel") << Copy{0, no, None, cel, Short, H3, "o pcel.txt c", {Question, DamagedTarget}, Short, H3};
        QTest::newRow("damaged, long, OK") << Copy{0, no, None, cel, Long, None, asked, {Question, DamagedTarget, Done}, S, None};
        QTest::newRow("the source itself") << Copy{0, no, None, "forras.txt", S, None, "o pforras.txt o", {Question, Full, Done}, S, S};
        // Text2 names the target's backup: saving or deleting that would change the source.
        for (const QByteArray &target : {None, Short, H2})
            QTest::addRow("source as backup, %d bytes", int(target.size())) << Copy{0, "haz.bak", S, "haz.txt", target, S, "o phaz.txt", {Question, "@haz.bak"}, target, S};
        // Text2 can be edited by hand: the source is checked before any file is touched.
        for (const auto &[name, source] : {std::pair{"100 bytes", Short}, {"one byte short", S.left(16391)},
                 {"one byte long", S + "F"}, {"empty", QByteArray("")}, {"missing", None}, {"a folder", Dir}, {"", None}})
            for (const QByteArray &target : {None, H2})
                QTest::addRow("source %s, target %d bytes", name, int(target.size())) << Copy{0, QString::fromUtf8(name), source, cel, target, None, "o pcel.txt", {Question, "A fájl sérült!"}, target, None};
        // File system failures name the file and stop the copy.
        QTest::newRow("no such folder") << Copy{0, no, None, "nincs/uj.txt", None, None, "o pnincs/uj.txt", {Question, "@nincs/uj.txt"}, None, None};
        QTest::newRow("backup unwritable") << Copy{0, no, None, cel, H2, Dir, asked, {Question, Full, "@cel.bak"}, H2, None};
        QTest::newRow("stale backup undeletable") << Copy{0, no, None, uj, None, Dir, "o puj.txt", {Question, NewFile, "@uj.bak"}, S, None};
        QTest::newRow("target a folder") << Copy{0, no, None, "mappa.txt", Dir, None, "o pmappa.txt", {Question, "@mappa.txt"}, None, None};
    }
    void copying()
    {
        QFETCH(Copy, c);
        Harness h;
        QVERIFY(h.startShown());
        Ui::Form1 &u = h.ui();
        put(h, c.target, c.before);
        put(h, house::backupPathOf(c.target), c.bak);
        put(h, QStringLiteral("letiltott.lst"), c.revoked.isEmpty() ? None : c.revoked + "\t2024-05-01T10:00:00+02:00\tElveszett\n");
        if (c.setup != 3)
            open(*h.form, h.path(QStringLiteral("forras.txt")), c.setup == 4 ? QByteArray() : S);
        put(h, c.text2, c.source);
        if (!c.text2.isNull())
            u.Text2->setText(c.text2.isEmpty() ? QString() : h.path(c.text2));
        h.form->setShown({u.Text7, u.Command3, u.List5}, true); // side panels go
        u.Text1->setText(QStringLiteral("régi"));
        const Files before = snapshot(h.dataFolder), expected = changed(before, house::backupPathOf(c.target), c.bakAfter, c.target, c.after);
        const qsizetype kept = historyOf(h.dataFolder).size();
        h.script(c.steps);
        QTest::mouseClick(u.Command5, Qt::LeftButton);

        QCOMPARE(snapshot(h.dataFolder), expected);
        QCOMPARE(versionsDiffer(h.dataFolder, kept, before, expected), QString());
        CHECK_MESSAGES(h, c.messages);
        for (const ScriptedDialogs::Shown &shown : h.dialogs.shown()) // the target picked in the data folder, from the house files
            QVERIFY(shown.kind != ScriptedDialogs::Kind::OpenFile || (shown.folder == h.dataFolder && shown.text == QStringLiteral("Szöveg (*.txt)|*.txt|")));
        QVERIFY(u.Command3->isHidden() && u.List5->isHidden() && u.Text7->isHidden() == (c.steps != QLatin1String("c") && (c.setup == 0 || c.setup == 3))); // torles
        QCOMPARE(u.Text1->text(), c.target.isEmpty() ? QString() : h.path(c.target));
        // The copy's list, read from the file written.
        const bool done = c.messages.contains(Done);
        QVERIFY(done == !u.List1->isHidden() && done == !u.Label24->isHidden() && done == !u.Label25->isHidden());
        QVERIFY(!done || (rowsOf(u.List1) == house::houseListRows(recordsOf(S)) && u.Label24->text() == QStringLiteral("A másolat adatai:")
                          && QAccessible::queryAccessibleInterface(u.Label24)->text(QAccessible::Name) == u.Label24->text() && u.List1->accessibleName() == u.Label24->text()));
    }

    void restoring_data()
    {
        QTest::addColumn<Restore>("r");
        const QByteArray D(500, 'D'), H9 = houseWithCodes(9);
        QTest::newRow("0 bytes") << Restore{"", None, "", {"A bak fájl 0 bájt hosszú, nem készíthető belőle txt fájl."}, None, "", false, false};
        QTest::newRow("intact, no txt") << Restore{H2, None, "", {}, H2, None, false, false};
        QTest::newRow("intact, txt, OK") << Restore{H2, H9, "o", {TxtExists}, H2, None, false, false};
        QTest::newRow("intact, txt, Cancel") << Restore{H2, H9, "c", {TxtExists}, H9, H2, true, false};
        QTest::newRow("a revoked card, No") << Restore{H2, H9, "o n", {TxtExists, intoHouse("haz.txt", H2)}, H9, H2, true, false, H2.left(10)};
        QTest::newRow("a revoked card, Yes") << Restore{H2, None, "y", {intoHouse("haz.txt", H2)}, H2, None, false, false, H2.left(10)};
        QTest::newRow("damaged, txt, OK") << Restore{D, H9, "o", {DamagedBak}, D, None, false, false};
        QTest::newRow("damaged, txt, Cancel") << Restore{D, H9, "c", {DamagedBak}, H9, D, true, true};
        QTest::newRow("damaged, no txt, OK") << Restore{D, None, "o", {DamagedBak}, D, None, false, false};
        QTest::newRow("txt a folder") << Restore{H2, Dir, "o", {TxtExists, "@haz.bak"}, None, H2, true, false};
        QTest::newRow("backup gone") << Restore{None, None, "", {"@haz.bak"}, None, None, true, false};
    }
    void restoring()
    {
        QFETCH(Restore, r);
        Harness h;
        QVERIFY(h.startShown());
        Ui::Form1 &u = h.ui();
        put(h, QStringLiteral("haz.bak"), r.bak.isNull() ? S : r.bak);
        put(h, QStringLiteral("haz.txt"), r.txt);
        put(h, QStringLiteral("letiltott.lst"), r.revoked.isEmpty() ? None : r.revoked + "\t2024-05-01T10:00:00+02:00\tElveszett\n");
        for (const char *name : {"masik.bak", "B.BAK", "a.bak.old"})
            put(h, QLatin1String(name), H3);
        h.form->setShown({u.Command3, u.List5, u.List1, u.Label24, u.Text7}, true);
        u.Text1->setText(QStringLiteral("régi"));
        h.script(QStringLiteral("o"));
        QTest::mouseClick(u.Command7, Qt::LeftButton); // its question, then the backups in place of the panels and the copy view
        CHECK_MESSAGES(h, {QStringLiteral("Válassza ki a listából melyik bak kiterjesztésű fájlból akar újra txt fájlt készíteni! [OkCancel]")});
        QVERIFY(u.Command3->isHidden() && u.List5->isHidden() && u.List1->isHidden() && u.Label24->isHidden() && u.Text7->isHidden()
                && u.Text1->text().isEmpty() && !u.File1->isHidden() && !u.Label7->isHidden());
        QCOMPARE(rowsOf(u.File1), (QStringList{"B.BAK", "haz.bak", "masik.bak"}));

        h.dialogs.clear();
        if (r.bak.isNull())
            QVERIFY(QFile::remove(h.path(QStringLiteral("haz.bak"))));
        const Files before = snapshot(h.dataFolder), expected = changed(before, QStringLiteral("haz.txt"), r.txtAfter, QStringLiteral("haz.bak"), r.bakAfter);
        WindowState &state = h.form->state();
        u.Text7->show();
        h.script(r.steps);
        emit u.File1->itemClicked(u.File1->item(1));
        QCOMPARE(snapshot(h.dataFolder), expected);
        QCOMPARE(versionsDiffer(h.dataFolder, 0, before, expected), QString());
        CHECK_MESSAGES(h, r.messages);
        QCOMPARE(state.houseFilePath + state.backupFilePath, h.path("haz.bak") + h.path("haz.txt"));
        QVERIFY(u.File1->isHidden() != r.listShown && u.Label7->isHidden() != r.listShown);
        QCOMPARE(rowsOf(u.File1), QDir(h.dataFolder).entryList({QStringLiteral("*.bak")}, QDir::Files));
        QCOMPARE(u.Text7->isHidden(), r.torles);
    }

    void aCopyThenRestoreKilledAtAnyInstantKeepsEveryHouse()
    {
        // The child copies S or H2 over t.txt (t's data going to t.bak) and restores t.bak, round after round: the sources stay,
        // t.txt is always one whole house, and t's own data is in t.txt or whole in t.bak.
        Harness h;
        const QByteArray own = houseWithCodes(22);
        h.writeFile(QStringLiteral("s1.txt"), S);
        h.writeFile(QStringLiteral("s2.txt"), H2);
        h.writeFile(QStringLiteral("t.txt"), own);
        KillLoop loop{QStringLiteral("kill_child"), {QStringLiteral("cycle"), h.temp.path()}, 30, 40, 20240602, [&](int) {
            const QByteArray target = h.readFile(QStringLiteral("t.txt"));
            if (h.readFile(QStringLiteral("s1.txt")) != S || h.readFile(QStringLiteral("s2.txt")) != H2)
                return QStringLiteral("a source changed");
            if (target != S && target != own && target != H2)
                return QStringLiteral("t.txt is not a whole house");
            // t.txt never changes before what it held is in the history: a copy over t's own data has kept it as the newest
            // version of other bytes than t.txt's (a restore killed before its rename may have kept those once more).
            QByteArray newest;
            for (const auto &[entry, bytes] : historyOf(h.dataFolder))
                newest = entry.file == "t.txt" && bytes != target ? bytes : newest;
            if (target != own && newest != own)
                return QStringLiteral("t.txt changed without its version");
            const bool backedUp = QFile::exists(h.path(QStringLiteral("t.bak")));
            return (backedUp ? h.readFile(QStringLiteral("t.bak")) == own : target == own) ? QString() : QStringLiteral("t's own data is lost");
        }};
        int rounds = 0;
        const QString problem = loop.run(rounds);
        QVERIFY2(problem.isEmpty() && rounds > 0, qPrintable(problem));
    }

    // The menu's and the new windows' commands: a caption, a tooltip, an accessible name equal to the caption, and their
    // explanation in the panel in help mode. Every help text fits the panel: the way to its scroll bar would hide it.
    void helpTexts()
    {
        Harness h;
        QVERIFY(h.startShown());
        Ui::Form1 &u = h.ui();
        auto *menu = h.form->findChild<QMenu *>(QStringLiteral("toolsMenu"));
        QVERIFY(menu->title() == QStringLiteral("Eszközök") && menu->accessibleName() == menu->title());
        DifferencesWindow window;
        h.form->helpMode().watchWidget(window.copyButton());
        h.form->cardFinder().findTriggered();
        h.form->historyWindow().open();
        h.form->logAction()->trigger();
        h.form->revokedWindow().open();
        const Ui::RevokedWindow &revoked = h.form->revokedWindow().ui();
        QList<QObject *> commands{window.copyButton(), h.form->cardFinder().ui().searchButton, h.form->cardFinder().ui().takeOutButton,
                                  h.form->historyWindow().ui().copyButton, h.form->historyWindow().ui().restoreButton, h.form->findChild<LogWindow *>()->ui().copyButton,
                                  revoked.addButton, revoked.removeButton};
        const QStringList captions{"Ellenőrzés", "Eltérések rátöltése", "Kártya keresése", "Lakás ürítése", "Előzmények", "Napló", "Letiltott kártyák"};
        QCOMPARE(menu->actions().size(), captions.size());
        for (int i = 0; i < captions.size(); ++i) {
            QVERIFY(menu->actions()[i]->text() == captions[i] && QAccessible::queryAccessibleInterface(menu)->child(i)->text(QAccessible::Name) == captions[i]);
            commands << menu->actions()[i];
        }
        QStringList texts;
        for (QObject *command : commands) {
            const QString caption = command->property("text").toString(), tip = command->property("toolTip").toString();
            QVERIFY(!tip.isEmpty() && tip != caption && (!command->isWidgetType() || static_cast<QWidget *>(command)->accessibleName() == caption));
            for (const bool help : {false, true}) { // hovered or entered
                h.form->torles();
                u.Check1->setChecked(help);
                QEvent enter(QEvent::Enter);
                command->isWidgetType() ? void(QApplication::sendEvent(command, &enter)) : emit menu->hovered(static_cast<QAction *>(command));
                QVERIFY(u.Text7->isVisible() == help && (!help || u.Text7->toPlainText() == command->property("whatsThis")));
            }
            texts << u.Text7->toPlainText();
        }
        QCryptographicHash large(QCryptographicHash::Md5); // the large buttons' texts, each with its button, as the users know them
        for (const QString &name : HelpMode::helpTextNames())
            large.addData((name + texts.emplaceBack(HelpMode::helpText(name))).toUtf8());
        QCOMPARE(large.result().toHex(), QByteArray("4d7b88f2b1b0f78f29892fb7c698867e"));
        const qsizetype real = texts.size(); // then ever longer ones: smaller, with a scroll bar only at the smallest size
        for (int n = 30; n < 150; n += 3)
            texts << QStringLiteral("Hosszabb szöveg. ").repeated(n);
        for (const QString &text : texts << QStringLiteral("Rövid.")) {
            h.form->helpMode().showHelpText(text);
            u.Text7->document()->documentLayout()->documentSize(); // finishes the layout
            const qreal size = u.Text7->font().pointSizeF();
            QVERIFY2(u.Text7->toPlainText() == text && size >= 7 && size <= 9.75, qPrintable(text.left(40)));
            QVERIFY2(u.Text7->verticalScrollBar()->maximum() == 0 || (size == 7 && texts.indexOf(text) >= real), qPrintable(text.left(40)));
        }
        QCOMPARE(u.Text7->font().pointSizeF(), 9.75); // a short text after a long one at full size
    }

    // The large buttons grow and turn bold under the mouse, take the focus and keep that look until torles, which the background,
    // the frame at free spots, three labels and Text1 to Text4 call; in help mode the panel explains the button.
    void largeButtonsAndTorles()
    {
        Harness h;
        QVERIFY(h.startShown());
        Ui::Form1 &u = h.ui();
        QCOMPARE(u.central->geometry(), QRect(0, h.form->menuBar()->height(), 760, 570)); // the form under the menu bar, whole,
        QVERIFY(h.form->statusLine()->geometry() == QRect(0, 570 + u.central->y(), 760, h.form->height() - 570 - u.central->y()) // the status line below
                && h.form->statusLine()->height() >= h.form->statusLine()->sizeHint().height() && h.form->statusLine()->isVisible());
        const QList<std::tuple<QPushButton *, QRect, QRect>> buttons{ // at rest and hovered, twips / 15
            {u.Command7, {25, 24, 101, 22}, {20, 19, 111, 32}}, {u.Command5, {152, 24, 85, 22}, {147, 19, 95, 32}},
            {u.Command4, {272, 24, 113, 22}, {267, 19, 123, 32}}, {u.Command6, {420, 24, 89, 22}, {415, 19, 99, 32}},
            {u.Command1, {544, 24, 73, 22}, {539, 19, 83, 32}}, {u.Command17, {652, 24, 65, 22}, {647, 19, 75, 32}}};
        for (const auto &[b, rest, hover] : buttons) {
            const auto looks = [b = b](const QRect &place, bool hovered) {
                return b->geometry() == place && b->font().pointSizeF() == (hovered ? 12 : 9.75) && b->font().bold() == hovered;
            };
            u.Check1->setChecked(false);
            QVERIFY(looks(rest, false));
            moveOver(b); // without help mode only the look and the focus change
            QVERIFY(looks(hover, true) && b->hasFocus() && u.Text7->isHidden());
            u.Check1->setChecked(true);
            moveOver(b);
            QVERIFY(u.Text7->isVisible() && u.Text7->geometry() == QRect(0, 404, 757, 162));
            QCOMPARE(u.Text7->toPlainText(), HelpMode::helpText(b->objectName()));
            moveOver(b == u.Command7 ? u.Command5 : u.Command7); // the look stays until torles
            QVERIFY(looks(hover, true));
            moveOver(u.Text2);
            QVERIFY2(looks(rest, false) && u.Text7->isHidden(), qPrintable(b->objectName()));
        }
        const QList<std::pair<QWidget *, QPoint>> resetting = {{u.central, {758, 568}}, {u.Frame1, {735, 52}},
            {u.Label17, {2, 2}}, {u.Label23, {2, 2}}, {u.Label27, {2, 2}}, {u.Text1, {2, 2}}, {u.Text2, {2, 2}},
            {u.Text3, {2, 2}}, {u.Text4, {2, 2}}};
        for (const auto &[surface, spot] : resetting) {
            for (QWidget *w : QList<QWidget *>{u.Command4, u.Combo1, u.Command19}) // others, Kilép too, do not
                moveOver(w);
            QVERIFY2(u.Text7->isVisible() && u.Command4->font().bold(), qPrintable(surface->objectName()));
            moveOver(surface, spot);
            QVERIFY2(u.Text7->isHidden() && !u.Command4->font().bold(), qPrintable(surface->objectName()));
        }
        // Kilép's hover turns its shadow red for good, without focus or a new look.
        QVERIFY(u.Label11->palette().color(QPalette::Window) == QColor(255, 0, 0) && !u.Command19->hasFocus());
        QCOMPARE(u.Command19->font(), u.Command2->font());
        // Kilép cancelled shows its shadow again, and the program runs on.
        h.script(QStringLiteral("c"));
        u.Label11->hide();
        QTest::mouseClick(u.Command19, Qt::LeftButton);
        CHECK_MESSAGES(h, {QStringLiteral("Ki akar lépni? [OkCancel]")});
        QVERIFY(!u.Label11->isHidden() && !h.form->ended() && h.form->reader().isOpen());
        u.Command4->setFont(QFont(u.Command4->font().family(), 10)); // a button made size 10 or smaller by hand
        u.Command4->setGeometry(1, 2, 3, 4);
        h.form->torles();
        QCOMPARE(u.Command4->geometry(), QRect(1, 2, 3, 4)); // keeps its place
    }

    // Under a screen reader captions, buttons and the frame are named by their visible text, every other control by a name of
    // its own; the coloured shadows are passed over: no name (not even the frame's title), no label, invisible.
    void accessibleNames()
    {
        QAccessible::setActive(true); // as a screen reader makes it: widgets report their changes while the form is built
        Harness h;
        QVERIFY(h.startShown());
        const QStringList shadows = QStringLiteral("2 4 5 6 7 8 9 10 11 12 13 14 15 16 20 21 22 25 26 28 30 31").split(QLatin1Char(' '));
        for (QWidget *w : h.ui().central->findChildren<QWidget *>(QRegularExpression(QStringLiteral("^[A-Z]")))) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
            const QString name = a->text(QAccessible::Name), text = w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
            if (w->inherits("QLabel") && shadows.contains(w->objectName().mid(5)))
                QVERIFY2(name.isEmpty() && a->relations().isEmpty() && a->state().invisible, qPrintable(w->objectName()));
            else
                QVERIFY2(!name.isEmpty() && !a->state().invisible == w->isVisible() && (!(w->inherits("QLabel") || w->inherits("QAbstractButton") || w->inherits("QGroupBox")) || name == text), qPrintable(w->objectName()));
        }
        QAccessible::setActive(false);
    }

    // Enter presses the default button (Cancel, where OK would do harm); Qt's Hungarian buttons; the open dialog takes a name of
    // no file yet. Last, as it makes Hungarian the default locale.
    void realDialogs()
    {
        QVERIFY(installHungarianQtTranslation());
        for (const auto &[buttons, defaultButton, shown] : {std::tuple{B::OkCancel, A::Cancel, "Belvarium Mégse OK"},
                 {B::YesNo, A::No, "Belvarium Igen Nem"}}) {
            QStringList seen;
            whenModal([&](QWidget *w) {
                for (QAbstractButton *b : qobject_cast<QMessageBox *>(w)->buttons())
                    seen << b->text().remove(QLatin1Char('&'));
                seen.sort();
                seen.prepend(w->windowTitle());
                QTest::keyClick(w, Qt::Key_Return);
            });
            QCOMPARE(WidgetDialogs().message(QStringLiteral("Belvarium"), QStringLiteral("A bak fájl sérült!"), buttons, defaultButton), defaultButton);
            QCOMPARE(seen.join(QLatin1Char(' ')), QString::fromUtf8(shown));
        }
        QTemporaryDir dir;
        QString filter;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            filter = dialog->nameFilters().join(QLatin1Char('|'));
            dialog->selectFile(QStringLiteral("1")); // no such file yet
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(WidgetDialogs().openFile(QStringLiteral("Belvarium"), dir.path(), QStringLiteral("Szöveg (*.txt)|*.txt|"), QString()),
                 QDir::toNativeSeparators(dir.path() + QStringLiteral("/1"))); // C:\...\1 on Windows
        QCOMPARE(filter, QStringLiteral("Szöveg (*.txt)"));
    }
};

QTEST_MAIN(TstShell)
#include "tst_shell.moc"
