// Every command against every exchange that can be running: each exchange runs for real against the simulated reader's model on
// an in-memory line, held part-way while the command comes, then let go; what the user sees meanwhile; several in one run.
// "Ellenőrzés" and "Eltérések rátöltése" in full, once over a pseudo-terminal.
#include "door.h"
#include "readerfixtures.h"
#include "reader/differenceswindow.h"
#ifndef Q_OS_WIN
#include "simreader/ptyserver.h"
#endif
#include <QClipboard>
#include <QScrollBar>
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
// The bar (value/maximum) and Text3 as the exchange starts, once it is held, as its closing message opens, and after that (the
// erase counts by the clock).
const QList<QStringList> Views{{}, {"0/20500 ''", "1500/20500 '1500'", "0/20500 ''", "0/20500 ''"}, {"1/1366 '1'", "100/1366 '100'", "1366/1366 '1366'", "0/1366 ''"},
    {"1/3 '1'", "2/3 '2'", "0/20500 ''", "0/20500 ''"}, {"0/20500 ''", "1500/20500 '1500'", "0/20500 ''", "0/20500 ''"},
    {"1/3 '1'", "1500/20500 '1500'", "0/20500 ''", "0/20500 ''"}, {"0/400 ''", "[1-9][0-9]*/400 ''", "0/400 ''", "0/400 ''"}};
const QString Busy = QStringLiteral("Amíg a kártya leolvasóval adatcsere folyik, ez a parancs nem indítható.");
const QByteArray Code = Door::Code, Empty = Door::Empty;

// A command as its user gives it: what comes before the exchange starts, the answers it needs if it goes on, its steps.
struct Command { QString name, before, answers, steps; };
const QList<Command> Commands{
    {"Kiolvasás", "", "answer Ok|pick haz.txt|answer Ok", "click Command6"}, {"Rátöltés", "", "answer Ok", "click Command1"}, {"Rátöltés, Mégse", "", "answer Cancel", "click Command1"},
    {"Törlés", "", "answer Ok", "click Command17"}, {"Szerkesztés", "", "answer Ok|pick b.txt", "click Command4"}, {"Text2", "", "pick b.txt", "dclick Text2"}, {"Másolás", "", "answer Ok|pick c.txt", "click Command5"},
    {"Visszaállítás", "", "", "click Command7"}, {"File1", "answer Ok|click Command7", "answer Ok", "click File1 0"}, {"Innen fog másolni:", "", "answer Ok|pick d.txt", "click Command2"},
    {"Mentés", "answer Ok|pick d.txt|click Command2|type 7|answer No|dclick List6 114", "answer Yes", "click Command8"},
    {"List6", "answer Ok|pick d.txt|click Command2", "type 7|answer Yes", "dclick List6 114"}, {"List5", "", "answer Ok", "dclick List5 0"},
    {"Felvesz", "", "", "set Text5 Uj|set Text6 0123456789|click Command3"}, {"List2", "", "answer Yes", "dclick List2 1372"}, {"Ellenőrzés", "", "", "menu Ellenőrzés"},
    {"Eltérések rátöltése", "", "", "menu Eltérések rátöltése"}, {"Kártya keresése", "", "", "find"}, {"találat", "find", "", "hit"},
    {"Kód törlése", "find", "answer Yes", "takeout"}, {"Lakás ürítése", "click List2 45", "answer Yes", "menu Lakás ürítése"}};

// What the rules say of a command during an exchange: "-" the user cannot reach it (List5 and List6 are disabled, List2 hidden
// during a read-out; a house with unsaved rows is never verified), "" it refuses on the status line, a message it refuses with,
// "on" it goes on (a read-out, an upload or an erase clicked again starts afresh, its question cancelled leaves it running; the
// search and Felvesz touch no house; Kód törlése passes over the files in use).
QString rule(const QString &c, Ex e)
{
    if (c == "List5" || c == "List6" || (c == "List2" && e == Ex::ReadOut) || (c == "Mentés" && e != Ex::ReadOut && e != Ex::Upload && e != Ex::Erase))
        return "-";
    if ((c == "Kiolvasás" && e == Ex::ReadOut) || (c.startsWith("Rátöltés") && e == Ex::Upload) || (c == "Törlés" && e == Ex::Erase)
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
        QVERIFY(d.hold(e, e == Ex::ReadBack ? 3 * 15 + 1500 : e == Ex::Upload ? 99 * 15 : e == Ex::Erase ? 0 : e == Ex::DifferenceUpload ? 15 : 1500));
        QStringList shown{d.atStart, d.view()};
        QVERIFY(!u.List5->isEnabled() && !u.List6->isEnabled());
        // In use: a read-out's house and its backup, another exchange's house, none for an erase but the house with unsaved rows.
        const QStringList used = d.h.form->filesInUse().replaceInStrings("\\", "/"), house2 = QStringList{d.h.path("haz.txt"), d.h.path("haz.bak")}.replaceInStrings("\\", "/");
        QCOMPARE(QSet<QString>(used.cbegin(), used.cend()), QSet<QString>(house2.cbegin(), house2.cbegin() + (e == Ex::ReadOut ? 2 : e != Ex::Erase || command.name == "Mentés")));
        const Files before = openedhouse::snapshot(d.h.dataFolder); const QString text2 = u.Text2->text(); const QStringList list2 = openedhouse::rowsOf(u.List2);
        d.h.dialogs.clear();
        QWidget *control = d.h.form->findChild<QWidget *>(command.steps.section(' ', 1, 1));
        QVERIFY(outcome != "-" || (control && (!control->isEnabled() || !control->isVisible())));
        step(d, outcome == "-" ? QString() : (outcome == "on" ? command.answers + '|' : QString()) + command.steps);
        // The lists wait for the exchange's end; every answer was asked for; a second click sent the exchange's first frame again.
        QVERIFY(!u.List5->isEnabled() && !u.List6->isEnabled() && (outcome != "on" || !d.h.dialogs.pendingAnswers()));
        QVERIFY(outcome != "on" || command.name != Names[int(e)] || (d.line()->written.size() > 1 && d.line()->written.last() == d.line()->written.first()));
        if (outcome != "on") { // refused: nothing changed, said where the rules say
            QVERIFY(d.h.messagesDiffer(outcome.isEmpty() || outcome == "-" ? QStringList() : QStringList{outcome}).isEmpty());
            QVERIFY(openedhouse::snapshot(d.h.dataFolder) == before && u.Text2->text() == text2 && openedhouse::rowsOf(u.List2) == list2);
            QCOMPARE(d.h.form->statusLine()->currentMessage(),
                     outcome.isEmpty() ? QStringLiteral("Adatcsere folyik (%1): a parancs most nem indítható.").arg(Names[int(e)]) : QString());
            step(d, e == Ex::Erase ? "click Text3" : ""); // the next click takes the line away, as the exchange's end does elsewhere
            QVERIFY(e != Ex::Erase || d.h.form->statusLine()->currentMessage().isEmpty());
        }
        QCOMPARE(d.h.form->exchangeName(d.h.form->runningExchange()), Names[int(e)]);
        d.h.dialogs.clear();
        d.h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) { if (s.text.contains(Ends[int(e)])) shown << d.view(); };
        d.release();
        QVERIFY(d.waitEnd());
        shown << d.view();
        for (int i = 0; i < 4; ++i)
            QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(Views[int(e)][i])).match(shown.value(i)).hasMatch(), qPrintable(shown.join(", ")));
        QVERIFY2(d.h.dialogs.messageTexts().join('|').contains(Ends[int(e)]), qPrintable(d.h.dialogs.messageTexts().join('|')));
        // The refusal's note went with the exchange; a read door tells only that it is the house's first snapshot.
        const QString line = d.h.form->statusLine()->currentMessage();
        QVERIFY2(u.List5->isEnabled() && u.List6->isEnabled() && (line.isEmpty() || ((e == Ex::ReadOut || e == Ex::Verify) && line.contains("házhoz nincs korábbi"))), qPrintable(line));
        // The exchange ended as it would have alone; only what went on changed anything else.
        Files expected = before;
        if (e == Ex::ReadOut) expected.insert("haz.txt", d.door()), expected.insert("haz.bak", house);
        if (command.name == "Felvesz") expected.insert("postas.lst", nonResident("Postas Pal", "0A1B2C3D4E") + nonResident("Uj", "0123456789"));
        if (command.name == "Kód törlése") { // a file in use is passed over, and the log says why
            QVERIFY(e == Ex::Erase || QString::fromUtf8(d.h.readFile("elozmenyek/naplo.log")).contains("\tKód törlése\thaz.txt\t\telutasítva\tadatcsere használja\n"));
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
        const QStringList shown = d.h.dialogs.messageTexts(); // each ended well, none in a time-out
        QVERIFY(shown.filter(QRegularExpression("^(A kódmemória kiolvasása kész|3 kód eltér .*ablakban|A kártya leolvasó most pontosan)")).size() == 4 && shown.filter("Hiba").isEmpty());
    }

    void verifyAndUploadTheDifferences_data()
    {
        QTest::addColumn<int>("changed"); QTest::addColumn<QString>("then"); QTest::addColumn<QString>("message");
        const QString refused = "A beírás nem sikerült!\n", silent = "A beírás/törlés nem sikerült!\n";
        QTest::newRow("equal") << 0 << "" << "A kártya leolvasó pontosan a(z)";
        QTest::newRow("one slot, house in lower case") << 1 << "lower" << "1 kód eltér";
        QTest::newRow("one slot, uploaded") << 1 << "upload" << "A kártya leolvasó most pontosan";
        QTest::newRow("every slot, one named in apartment 138") << 1365 << "" << "1365 kód eltér";
        QTest::newRow("nine slots, uploaded") << 9 << "upload" << "A kártya leolvasó most pontosan";
        QTest::newRow("door changed after the verify") << 9 << "changed" << "A rátöltés után is 1 kód";
        // Stopped like an upload, saying how many got in; nothing is read back.
        QTest::newRow("refused slot") << 9 << "refused" << refused + "Az eltérő 9 kódból 1 került";
        QTest::newRow("silent reader") << 9 << "silent" << silent + "Az eltérő 9 kódból 0 került";
    }
    void verifyAndUploadTheDifferences()
    {
        QFETCH(int, changed); QFETCH(QString, then); QFETCH(QString, message);
        Door d;
        if (then == "lower") d.house = d.house.toLower();
        QVERIFY(d.start());
        const QList<int> picked = d.model.changeSlots(changed, 11);
        if (changed == 1365) QVERIFY(d.model.setSlotRecord(1236, "0A1B2C3D4E05"));
        QList<int> rows;
        QList<QByteArray> writes;
        QString table = DifferencesWindow::headers().join('\t') + '\n'; // as the window copies it
        for (int s : picked) {
            const QString house = QString::fromLatin1(d.house.mid((s - 1) * 12, 12));
            rows << s + (s - 1) / 9;
            writes << writeFrame(QByteArray::fromHex(house.toLatin1()), s);
            table += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n").arg((s - 1) / 9 + 1).arg((s - 1) % 9 + 1).arg(s)
                         .arg(d.model.slotRecord(s), house.toUpper(), s == 1236 ? "leolvasóban: Postas Pal" : "");
        }
        const auto before = openedhouse::snapshot(d.h.dataFolder);
        d.h.settings->setValue("belvarium", "ablakok", "elteresek", "20000,300,400,300"); // on a screen gone, too narrow
        QVERIFY(d.run(d.h.form->verifyAction()));
        QCOMPARE(openedhouse::snapshot(d.h.dataFolder), before);
        QCOMPARE(d.line()->written, QList<QByteArray>{fixtures::readFrame()});
        QCOMPARE(d.idle(), "1, 0 0, 1 1, 0 ''");
        const bool uploads = !then.isEmpty() && then != "lower";
        QVERIFY(d.lastMessage().startsWith(uploads ? QString::number(changed) + " kód eltér" : message));
        if (changed == 0) return;
        QCOMPARE(d.h.form->verify().markedRows(), rows);
        QVERIFY(d.marked(rows.first()) && d.marked(rows.last()) && !d.marked(rows.first() - 1));
        DifferencesWindow *window = d.h.form->verify().window();
        QVERIFY(window->isVisible() && window->rowsAsText() == table && window->height() == 300);
        QTRY_COMPARE(window->table()->horizontalScrollBar()->maximum(), 0); // widened for its columns
        if (!uploads) { // what is selected is copied; the real window's button explains itself in help mode
            QTableWidget *t = window->table();
            QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(0, 3)).center());
            QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::ControlModifier, t->visualItemRect(t->item(rows.size() - 1, 3)).center());
            QTest::mouseClick(window->copyButton(), Qt::LeftButton);
            const QStringList lines = table.split('\n');
            QCOMPARE(QApplication::clipboard()->text(), (lines.mid(0, 2) + lines.mid(rows.size(), rows.size() > 1) + QStringList{""}).join('\n'));
            d.h.ui().Check1->setChecked(true);
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(window->copyButton(), &enter);
            QVERIFY(!d.h.ui().Text7->isHidden() && d.h.ui().Text7->toPlainText() == window->copyButton()->whatsThis());
            act(d.h, "answer Ok|pick haz.txt|click Command4"); // a refill takes the marks away
            QVERIFY(!d.marked(rows.first()) && !d.marked(rows.last()));
            return;
        }
        if (then == "changed") QVERIFY(d.model.setSlotRecord(picked.first() == 1 ? 2 : 1, "ABCDEF123456"));
        d.model.options().refuseSlot = then == "refused" ? picked.at(1) : 0;
        d.model.options().silent = then == "silent";
        d.line()->written.clear();
        d.h.dialogs.clear();
        QVERIFY(d.run(d.h.form->uploadDifferencesAction()));
        QCOMPARE(d.idle(), "2, 0 0, 1 1, 0 ''");
        QVERIFY2(d.lastMessage().startsWith(message), qPrintable(d.lastMessage()));
        if (then == "upload" || then == "changed") {
            QCOMPARE(d.line()->written, writes + QList<QByteArray>{fixtures::readFrame()});
            QVERIFY(then == "changed" || d.model.records() == openedhouse::recordsOf(d.house).mid(0, 1365));
            return;
        }
        QCOMPARE(d.line()->written, then == "refused" ? writes.mid(0, 2) : QList<QByteArray>(20, writes.first()));
        QVERIFY(!d.h.form->verify().hasResult());
    }

    // One message, no file touched: the refusals (nothing sent) and a verify whose dump never comes whole.
    void endsInOneMessage_data()
    {
        QTest::addColumn<bool>("upload"); QTest::addColumn<QString>("state"); QTest::addColumn<QString>("message");
        const QString reopen = QStringLiteral("Nyissa meg újra a házat");
        QTest::newRow("verify: no port") << false << "port" << "Nincs megnyitott soros port";
        QTest::newRow("verify: unsaved rows") << false << "unsaved" << "Mentés gombbal";
        QTest::newRow("verify: a record the upload would refuse") << false << "reopened" << "kódja hibás";
        QTest::newRow("verify: port lost mid-dump") << false << "lost" << "Az ellenőrzés megszakadt";
        QTest::newRow("verify: the dump stops") << false << "stops" << "Hiba az átvitelben";
        QTest::newRow("upload: no verify") << true << "none" << "Nincs érvényes ellenőrzés";
        QTest::newRow("upload: nothing differs") << true << "equal" << "nincs mit rátölteni";
        QTest::newRow("upload: house changed on disk") << true << "file" << reopen;
        QTest::newRow("upload: house changed, opened again") << true << "reopened" << "megváltozott az ellenőrzés";
        QTest::newRow("upload: another port chosen") << true << "port" << "megváltozott a soros port";
        QTest::newRow("upload: another house opened") << true << "house" << "más ház van megnyitva";
        QTest::newRow("upload: another exchange ran") << true << "exchange" << "Nincs érvényes ellenőrzés";
        QTest::newRow("upload: unsaved rows") << true << "unsaved" << "Mentés gombbal";
    }
    void endsInOneMessage()
    {
        QFETCH(bool, upload); QFETCH(QString, state); QFETCH(QString, message);
        Door d;
        QVERIFY(d.start());
        d.model.changeSlots(state == "equal" ? 0 : 2, 9);
        if (upload && state != "none") QVERIFY(d.run(d.h.form->verifyAction()));
        const QByteArray other = QByteArray(d.house).replace(1200, 12, upload ? "ABCDEF123456" : "ZZZZZZZZZZZZ");
        if (state == "port") upload ? d.h.ui().Combo1->activated(1) : d.h.form->reader().detach();
        if (state == "port" && upload) d.answer();
        if (state == "file") d.h.writeFile("haz.txt", other);
        if (state == "reopened") openedhouse::open(*d.h.form, d.h.path("haz.txt"), other);
        if (state == "house") openedhouse::open(*d.h.form, d.h.path("mas.txt"), d.house);
        if (state == "exchange") { // an erase
            fixtures::act(d.h, "answer Ok|click Command17");
            QVERIFY(d.waitEnd());
        }
        const bool dump = state == "lost" || state == "stops";
        MemoryLink *link = d.line();
        if (dump) link->onWritten = [link](const QByteArray &) {
            QTimer::singleShot(0, link, [link] { link->feed(fixtures::dump().left(5000)); });
        };
        d.h.form->state().shownHouse.setUnsavedRows(state == "unsaved");
        const auto before = openedhouse::snapshot(d.h.dataFolder);
        const qsizetype sent = link->written.size() + dump;
        d.h.dialogs.clear();
        (upload ? d.h.form->uploadDifferencesAction() : d.h.form->verifyAction())->trigger();
        if (dump) QTRY_COMPARE(d.h.ui().Text3->text(), QStringLiteral("5000"));
        if (state == "lost") link->vanish("A(z) /dev/fake1 port megszakadt: teszt");
        QTRY_VERIFY(!d.h.form->exchangeRunning());
        QCOMPARE(d.idle(), "1, 0 0, 1 1, 0 ''");
        QVERIFY2(d.lastMessage().contains(message), qPrintable(d.lastMessage()));
        QCOMPARE(link->written.size(), sent);
        QCOMPARE(openedhouse::snapshot(d.h.dataFolder), before);
    }

#ifndef Q_OS_WIN // pseudo-terminals are Linux-only
    void verifyAndDifferenceUploadOverAPseudoTerminal()
    {
        QTemporaryDir ports;
        PtyServer server;
        server.setLinkDirectory(ports.path());
        QVERIFY(server.start());
        SystemPortCatalogue catalogue(ports.path());
        Door d;
        d.h.services.ports = &catalogue;
        d.h.settings->setValue("alap", "comm", "port", "201");
        QVERIFY(d.start(Timing(), false) && server.model().loadHouseFile(d.h.path("haz.txt")));
        server.model().changeSlots(9, 3);
        QVERIFY(d.run(d.h.form->verifyAction()));
        QVERIFY(d.run(d.h.form->uploadDifferencesAction()));
        QCOMPARE(server.model().records(), openedhouse::recordsOf(d.house).mid(0, 1365));
        QCOMPARE(server.model().storedWrites(), 9);
        QVERIFY(d.lastMessage().contains("most pontosan"));
    }
#endif
};

QTEST_MAIN(TstExchanges)
#include "tst_exchanges.moc"
