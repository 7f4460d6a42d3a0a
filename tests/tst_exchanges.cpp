// Every command against every exchange that can be running: each exchange runs for real against the simulated reader's model on
// an in-memory line, held part-way while the command comes, then let go; what the user sees meanwhile; several in one run.
#include "door.h"
#include "cards/cardfinder.h"
#include "reader/verify.h"
#include "ui_cardwindow.h"
#include <QSignalSpy>
#include <QStatusBar>

using namespace fixtures;
namespace {
using Ex = Form1::Exchange;
const QStringList Names{"", "Kiolvasás", "Rátöltés", "Eltérések rátöltése", "Ellenőrzés", "Eltérések rátöltése", "Törlés"};
const QStringList Ends{"", "A kódmemória kiolvasása kész.", "A rátöltés a PC-ből kész.", "A kártya leolvasó most pontosan", "3 kód eltér",
                       "A kártya leolvasó most pontosan", "A kódmemória törlés kész."};
const QString Busy = QStringLiteral("Amíg a kártya leolvasóval adatcsere folyik, ez a parancs nem indítható.");
const QByteArray Code = Door::Code, Empty = Door::Empty;

// A command as its user gives it: what comes before the exchange starts, the answers it needs if it goes on, its steps.
struct Command { QString name, before, answers, steps; };
const QList<Command> Commands{
    {"Kiolvasás", "", "answer Ok|pick haz.txt|answer Ok", "click Command6"}, {"Rátöltés", "", "answer Ok", "click Command1"},
    {"Törlés", "", "answer Ok", "click Command17"}, {"Szerkesztés", "", "answer Ok|pick b.txt", "click Command4"},
    {"Text2", "", "pick b.txt", "dclick Text2"}, {"Másolás", "", "answer Ok|pick c.txt", "click Command5"},
    {"Visszaállítás", "", "", "click Command7"}, {"File1", "answer Ok|click Command7", "answer Ok", "click File1 0"},
    {"Mentés", "answer Ok|pick d.txt|click Command2|type 7|answer No|dclick List6 114", "answer Yes", "click Command8"},
    {"Innen fog másolni:", "", "answer Ok|pick d.txt", "click Command2"},
    {"List6", "answer Ok|pick d.txt|click Command2", "type 7|answer Yes", "dclick List6 114"},
    {"Felvesz", "", "", "set Text5 Uj|set Text6 0123456789|click Command3"}, {"List5", "", "answer Ok", "dclick List5 0"},
    {"List2", "", "answer Yes", "dclick List2 1372"}, {"Ellenőrzés", "", "", "menu Ellenőrzés"},
    {"Eltérések rátöltése", "", "", "menu Eltérések rátöltése"}, {"Kártya keresése", "", "", "find"}, {"találat", "find", "", "hit"},
    {"Kód törlése", "find", "answer Yes", "takeout"}, {"Lakás ürítése", "click List2 45", "answer Yes", "menu Lakás ürítése"}};

// What the rules say of a command during an exchange: "-" the user cannot reach it (List5 and List6 are disabled, List2 hidden
// during a read-out; a house with unsaved rows is never verified), "" it refuses on the status line, a message it refuses with,
// "on" it goes on (a read-out, an upload or an erase clicked again starts afresh; the search and Felvesz touch no house;
// Kód törlése passes over the files in use).
QString rule(const QString &c, Ex e)
{
    if (c == "List5" || c == "List6" || (c == "List2" && e == Ex::ReadOut) || (c == "Mentés" && e != Ex::ReadOut && e != Ex::Upload && e != Ex::Erase))
        return "-";
    if ((c == "Kiolvasás" && e == Ex::ReadOut) || (c == "Rátöltés" && e == Ex::Upload) || (c == "Törlés" && e == Ex::Erase)
        || c == "Felvesz" || c == "Kártya keresése" || c == "Kód törlése")
        return "on";
    if (c == "File1")
        return "Amíg a kártya leolvasóval adatcsere folyik, nem lehet visszaállítani.";
    return QStringList{"Ellenőrzés", "Eltérések rátöltése", "találat", "Lakás ürítése"}.contains(c) ? Busy : "";
}

constexpr auto with = &Door::with;

// The steps of fixtures::act, and: "find" the card, double-click its last "hit", "takeout" every hit.
void step(Door &d, const QString &steps)
{
    CardFinder &finder = d.h.form->cardFinder();
    for (const QString &s : steps.split('|', Qt::SkipEmptyParts)) {
        if (s == "find") {
            d.h.form->findCardAction()->trigger();
            finder.ui().queryEdit->setText("0A1B2C3D4E");
            QSignalSpy done(&finder, &CardFinder::searchFinished);
            QTest::mouseClick(finder.ui().searchButton, Qt::LeftButton);
            QVERIFY(done.wait(5000) && finder.hits().size() == 4); // the postas.lst record too
        } else if (s == "hit") {
            emit finder.ui().hitTable->cellDoubleClicked(finder.ui().hitTable->rowCount() - 1, 0); // b.txt's, not a backup's
        } else if (s == "takeout") {
            finder.ui().hitTable->selectAll();
            QTest::mouseClick(finder.ui().takeOutButton, Qt::LeftButton);
        } else {
            act(d.h, s);
        }
    }
}
} // namespace
Q_DECLARE_METATYPE(Command)

class TstExchanges : public QObject
{
    Q_OBJECT
private slots:
    void everyCommandAgainstEveryExchange_data()
    {
        QTest::addColumn<int>("exchange"); QTest::addColumn<Command>("command");
        for (int e = int(Ex::ReadOut); e <= int(Ex::Erase); ++e)
            for (const Command &c : Commands)
                QTest::addRow("%s during %s", qPrintable(c.name), qPrintable(Names[e] + (e == int(Ex::ReadBack) ? " (read-back)" : ""))) << e << c;
    }
    void everyCommandAgainstEveryExchange()
    {
        QFETCH(int, exchange); QFETCH(Command, command);
        const Ex e = Ex(exchange);
        const QString outcome = rule(command.name, e);
        Door d;
        QVERIFY(d.start());
        d.model.changeSlots(3, 7);
        Ui::Form1 &u = d.h.ui();
        step(d, command.before);
        if (outcome == "-" && command.name == "Mentés") return; // a verify would refuse the unsaved house
        d.h.dialogs.clear();
        const QByteArray house = d.h.readFile("haz.txt"), backup = d.h.readFile("haz.bak");
        QVERIFY(d.hold(e, e == Ex::ReadBack ? 3 * 15 + 1500 : e == Ex::Upload ? 99 * 15 : e == Ex::Erase || e == Ex::DifferenceUpload ? 0 : 1500));
        QVERIFY(!u.List5->isEnabled() && !u.List6->isEnabled());
        QSet<QString> inUse{d.h.path("haz.txt"), d.h.path("haz.bak")}; // a read-out's target and its backup, another's house, none for the erase
        if (e != Ex::ReadOut) inUse.remove(d.h.path("haz.bak"));
        if (e == Ex::Erase && command.name != "Mentés") inUse.clear(); // the open house with unsaved rows is in use too
        const QStringList used = d.h.form->filesInUse();
        QCOMPARE(QSet<QString>(used.cbegin(), used.cend()), inUse);
        const Files before = openedhouse::snapshot(d.h.dataFolder);
        const QString text2 = u.Text2->text();
        const QStringList list2 = openedhouse::rowsOf(u.List2);
        d.h.dialogs.clear();
        const QString control = command.steps.section(' ', 1, 1);
        if (outcome == "-") {
            auto *w = d.h.form->findChild<QWidget *>(control);
            QVERIFY(w && (!w->isEnabled() || !w->isVisible()));
        } else {
            step(d, (outcome == "on" ? command.answers + '|' : QString()) + command.steps);
        }
        if (outcome != "on") { // refused: nothing changed, said where the rules say
            QVERIFY(d.h.messagesDiffer(outcome.isEmpty() || outcome == "-" ? QStringList() : QStringList{outcome}).isEmpty());
            QVERIFY(openedhouse::snapshot(d.h.dataFolder) == before && u.Text2->text() == text2 && openedhouse::rowsOf(u.List2) == list2);
            QCOMPARE(d.h.form->statusLine()->currentMessage(),
                     outcome.isEmpty() ? QStringLiteral("Adatcsere folyik (%1): a parancs most nem indítható.").arg(Names[int(e)]) : QString());
        }
        QCOMPARE(d.h.form->exchangeName(d.h.form->runningExchange()), Names[int(e)]);
        d.h.dialogs.clear();
        d.release();
        QVERIFY(d.waitEnd());
        QVERIFY2(d.h.dialogs.messageTexts().join('|').contains(Ends[int(e)]), qPrintable(d.h.dialogs.messageTexts().join('|')));
        QVERIFY(u.List5->isEnabled() && u.List6->isEnabled() && d.h.form->statusLine()->currentMessage().isEmpty());
        // The exchange ended as it would have alone; only what went on changed anything else.
        Files expected = before;
        if (e == Ex::ReadOut) expected.insert("haz.txt", d.door()), expected.insert("haz.bak", house);
        if (command.name == "Felvesz") expected.insert("postas.lst", nonResident("Postas Pal", "0A1B2C3D4E") + nonResident("Uj", "0123456789"));
        if (command.name == "Kód törlése") {
            expected.insert("b.txt", with(expected["b.txt"], 60, Empty));
            if (e != Ex::ReadOut) expected.insert("haz.bak", with(backup, 50, Empty));
            if (e == Ex::Erase) expected.insert("haz.txt", with(house, 40, Empty));
        }
        QCOMPARE(openedhouse::snapshot(d.h.dataFolder), expected);
        if (e == Ex::Upload || e == Ex::DifferenceUpload || e == Ex::ReadBack) QCOMPARE(d.door(), expected["haz.txt"]);
        if (e == Ex::Erase) QCOMPARE(d.door(), QByteArray(16392, 'F'));
    }

    // At 9600 baud every dump outlasts the limit for its first byte (21 s against 10 s): one window through a read-out, a verify, a
    // difference upload with its read-back and a second read-out, each dump in pieces, the limits scaled down.
    void severalExchangesInOneRun()
    {
        Door d;
        d.paceMs = 80; // 560 ms a dump: past the first-byte limit of 500, each pause within the 150 of a pause
        QVERIFY(d.start(Timing::scaled(0.05)));
        QElapsedTimer clock;
        const auto run = [&](const std::function<void()> &start) {
            clock.start();
            start();
            return d.waitEnd() && clock.elapsed() > 500;
        };
        QVERIFY(run([&] { act(d.h, "answer Ok|pick haz.txt|answer Ok|click Command6"); }));
        const QList<int> changed = d.model.changeSlots(3, 9);
        QVERIFY(run([&] { d.h.form->verifyAction()->trigger(); }));
        QCOMPARE(d.h.form->verify().markedRows().size(), changed.size());
        QVERIFY(run([&] { d.h.script("o"); d.h.form->uploadDifferencesAction()->trigger(); }));
        QCOMPARE(d.door(), d.h.readFile("haz.txt"));
        d.model.changeSlots(5, 10);
        QVERIFY(run([&] { act(d.h, "answer Ok|pick haz.txt|answer Ok|click Command6"); }));
        QCOMPARE(d.h.readFile("haz.txt"), d.door());
        QStringList ends = d.h.dialogs.messageTexts().filter(QRegularExpression("kész\\.$|Eltérések ablakban|tartalmazza\\.$|Hiba"));
        QCOMPARE(ends.replaceInStrings(QRegularExpression(" a\\(z\\) .*"), QString()), QStringList({"A kódmemória kiolvasása kész.",
            "3 kód eltér a kártya leolvasóban", "A kártya leolvasó most pontosan", "A kódmemória kiolvasása kész."}));
    }

    // The bar (value/maximum) and Text3 when the exchange starts, after a known part, as its closing message opens and after it.
    void whatTheUserSees_data()
    {
        QTest::addColumn<int>("exchange"); QTest::addColumn<int>("part"); QTest::addColumn<QStringList>("views");
        QTest::newRow("read-out, 100 blocks") << int(Ex::ReadOut) << 1500 << QStringList{"0/20500 ''", "1500/20500 '1500'", "0/20500 ''", "0/20500 ''"};
        QTest::newRow("upload, 100 slots") << int(Ex::Upload) << 99 * 15 << QStringList{"1/1366 '1'", "100/1366 '100'", "1366/1366 '1366'", "0/1366 ''"};
        QTest::newRow("differences, 2 of 3") << int(Ex::DifferenceUpload) << 15 << QStringList{"1/3 '1'", "2/3 '2'", "0/20500 ''", "0/20500 ''"};
        QTest::newRow("read-back, 100 blocks") << int(Ex::ReadBack) << 3 * 15 + 1500 << QStringList{"1/3 '1'", "1500/20500 '1500'", "0/20500 ''", "0/20500 ''"};
        QTest::newRow("verify, 100 blocks") << int(Ex::Verify) << 1500 << QStringList{"0/20500 ''", "1500/20500 '1500'", "0/20500 ''", "0/20500 ''"};
        QTest::newRow("erase") << int(Ex::Erase) << 0 << QStringList{"0/400 ''", "[1-9][0-9]*/400 ''", "0/400 ''", "0/400 ''"};
    }
    void whatTheUserSees()
    {
        QFETCH(int, exchange); QFETCH(int, part); QFETCH(QStringList, views);
        Door d;
        QVERIFY(d.start());
        d.model.changeSlots(3, 7);
        QVERIFY(d.hold(Ex(exchange), part));
        QStringList shown{d.atStart, d.view()};
        act(d.h, "click Command4|click Text3"); // a refusal in the status line, gone with the next click
        QVERIFY(d.h.form->statusLine()->currentMessage().isEmpty() && d.view() == shown.last());
        d.h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) { if (s.buttons == Dialogs::Buttons::Ok) shown << d.view(); };
        d.release();
        QVERIFY(d.waitEnd());
        shown << d.view();
        for (int i = 0; i < views.size(); ++i) // the erase counts by the clock
            QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(views[i])).match(shown.value(i)).hasMatch(), qPrintable(shown.join(", ")));
    }
};

QTEST_MAIN(TstExchanges)
#include "tst_exchanges.moc"
