// The history behind every house write and every door contact: what each command keeps, what it may not, and the size cap.
#include "door.h"
#include "history/historywindow.h"
#include "house/housestore.h"
#include <QStatusBar>

using namespace openedhouse;

class TstHistory : public QObject
{
    Q_OBJECT
private slots:
    // Steps as fixtures::act takes them, and "door" (the door loses slot 40), "door2" (it gets it back, and slot 41 changes), "=name" (another program puts name back as it was),
    // "block" (a file where the history's folder would be), "wait" (for the exchange to end). Each entry kept, oldest first:
    // "file kind command slots content", content "-" (none), "door" (the door before the steps), the file that held it before or
    // "other";
    // what was said last ("status ...": on the status line; <t>: the first entry's time).
    void whatEachCommandKeeps_data()
    {
        QTest::addColumn<QString>("steps"); QTest::addColumn<QStringList>("kept"); QTest::addColumn<QString>("said");
        const QString readOut = "answer Ok|pick b.txt|answer Ok|click Command6|wait", port = " az 1-es portról";
        const QStringList readOutKept{"b.txt ajtó Kiolvasás" + port + " 1365 haz.txt", "b.bak változat Kiolvasás" + port + " 1365 -",
                                      "b.txt változat Kiolvasás" + port + " 1365 b.txt"};
        QTest::newRow("Kiolvasás") << readOut << readOutKept << "";
        QTest::newRow("Kiolvasás again, the house put back meanwhile: its bytes are kept once")
            << readOut + "|=b.txt|" + readOut << readOutKept + QStringList{"b.txt ajtó Kiolvasás" + port + " 1365 haz.txt"} << "";
        QTest::newRow("Rátöltés") << "answer Ok|click Command1|wait" << QStringList{"haz.txt rátöltés Rátöltés" + port + " 0 haz.txt"} << "";
        const QString verify = "menu Ellenőrzés|wait", noEarlier = "status A(z) haz.txt házhoz nincs korábbi kiolvasás, ellenőrzés vagy rátöltés az előzményekben.";
        QTest::newRow("Ellenőrzés") << "door|" + verify << QStringList{"haz.txt ajtó Ellenőrzés" + port + " 1 door"} << noEarlier;
        const QStringList twice{"haz.txt ajtó Ellenőrzés" + port + " 0 haz.txt", "haz.txt ajtó Ellenőrzés" + port + " 1 door"};
        const QString since = "Az előző ellenőrzés (<t>) óta: 0 új, 1 törölt, 0 módosult kód. Megnyitja az Előzmények ablakot? [YesNo Enter=No]";
        QTest::newRow("Ellenőrzés after a change at the door") << verify + "|door|" + verify << twice << since;
        QTest::newRow("Ellenőrzés after two changes, Igen") << "door|" + verify + "|door2|answer Ok|answer Yes|" + verify
            << QStringList{twice[1], "haz.txt ajtó Ellenőrzés" + port + " 1 other"} << QString(since).replace("0 új, 1 törölt, 0", "1 új, 0 törölt, 1");
        QTest::newRow("Kiolvasás after Rátöltés, no change") << "answer Ok|click Command1|wait|answer Ok|pick haz.txt|answer Ok|click Command6|wait"
            << QStringList{"haz.txt rátöltés Rátöltés" + port + " 0 haz.txt", "haz.txt ajtó Kiolvasás" + port + " 0 haz.txt", "haz.bak változat Kiolvasás" + port + " 1365 haz.bak"}
            << "status Az előző rátöltés (<t>) óta a kártya leolvasó nem változott.";
        QTest::newRow("Eltérések rátöltése") << "door|menu Ellenőrzés|wait|answer Ok|menu Eltérések rátöltése|wait"
            << QStringList{"haz.txt ajtó Ellenőrzés" + port + " 1 door", "haz.txt ajtó Eltérések rátöltése, visszaolvasás" + port + " 0 haz.txt"} << "";
        QTest::newRow("Másolás") << "answer Ok|pick b.txt|answer Ok|click Command5"
            << QStringList{"b.bak változat Másolás ide innen: haz.txt 1365 -", "b.txt változat Másolás ide innen: haz.txt 1365 b.txt"} << "";
        QTest::newRow("Visszaállítás") << "answer Ok|click Command7|answer Ok|click File1 0"
            << QStringList{"haz.txt változat Visszaállítás 1365 haz.txt", "haz.bak változat Visszaállítás 1365 haz.bak"} << "";
        const QString refused = "Az előzmények nem írhatók, ezért a(z) %1 fájl nem változott. Az előzmények mappája (%2) nem hozható létre: ezen a néven fájl van.";
        QTest::newRow("Kiolvasás, no history") << "block|" + readOut << QStringList() << refused + " Ismételje meg a kódmemória kiolvasását!";
        QTest::newRow("Ellenőrzés, no history") << "block|door|" + verify << QStringList() << "status Az ajtó tartalma nem került az előzmények közé. " + refused.section(". ", 1);
        QTest::newRow("Másolás, no history") << "block|answer Ok|pick b.txt|answer Ok|click Command5" << QStringList() << refused;
    }
    void whatEachCommandKeeps()
    {
        QFETCH(QString, steps); QFETCH(QStringList, kept); QFETCH(QString, said);
        Door d;
        QVERIFY(d.start());
        d.model.setSlotRecord(40, Door::Empty);
        const QByteArray door = d.door();
        d.model.setSlotRecord(40, Door::Code);
        const auto before = snapshot(d.h.dataFolder);
        for (const QString &step : steps.split('|')) {
            if (step == "door") d.model.setSlotRecord(40, Door::Empty);
            else if (step == "door2") d.model.setSlotRecord(40, Door::Code), d.model.setSlotRecord(41, "123456789012");
            else if (step.startsWith('=')) d.h.writeFile(step.mid(1), before[step.mid(1)]);
            else if (step == "block") d.h.writeFile("elozmenyek", "x");
            else if (step == "wait") QVERIFY(d.waitEnd());
            else fixtures::act(d.h, step);
        }
        QStringList entries;
        const QStringList kinds{"változat", "ajtó", "rátöltés"};
        for (const auto &[entry, bytes] : historyOf(d.h.dataFolder))
            entries << QStringList{entry.file, kinds[int(entry.kind)], entry.command, QString::number(entry.changed),
                                   entry.content.isEmpty() ? "-" : bytes == door && entry.kind != history::Kind::Version ? "door" : before.key(bytes, "other")}.join(' ');
        QCOMPARE(entries, kept);
        const QStringList contents = QDir(d.h.path("elozmenyek/tartalom")).entryList(QDir::Files);
        QSet<QString> distinct; // every content once, however many entries share it
        for (const auto &[entry, bytes] : historyOf(d.h.dataFolder))
            if (!entry.content.isEmpty()) distinct << entry.content + ".haz";
        QCOMPARE(QSet<QString>(contents.begin(), contents.end()), distinct);
        if (said.isEmpty())
            return;
        const QString time = historyOf(d.h.dataFolder).value(0).first.time.toString("yyyy-MM-dd HH:mm");
        const QString want = QString(said).replace("<t>", time).replace("%1", QDir::toNativeSeparators(d.h.path("b.bak"))).replace("%2", QDir::toNativeSeparators(d.h.path("elozmenyek/")));
        QCOMPARE(want.startsWith("status ") ? "status " + d.h.form->statusLine()->currentMessage() : d.h.dialogs.log().last(), want);
        QCOMPARE(d.h.form->historyWindow().window() && d.h.form->historyWindow().window()->isVisible(), steps.contains("answer Yes"));
        QVERIFY(!steps.contains("answer Yes") || (waitFor([&] { return !d.h.form->historyWindow().loading(); }) && d.h.form->historyWindow().house() == "haz.txt"));
        if (!steps.startsWith("block"))
            return;
        auto unchanged = before;
        unchanged.insert("elozmenyek", "x");
        QCOMPARE(snapshot(d.h.dataFolder), unchanged);
    }

    // With a cap of 1 MB the oldest entries go first, but never the newest 20 of a file.
    void theSizeCap()
    {
        Harness h;
        h.settings->setValue("belvarium", "elozmenyek", "meret", "1");
        QVERIFY(h.startShown());
        QList<QByteArray> y, x;
        for (int i = 0; i < 90; ++i) {
            const QString name = i < 30 ? "y.txt" : "x.txt";
            (i < 30 ? y : x) << h.readFile(name); // what the write replaces
            QVERIFY(house::HouseStore::Command(h.form->houseStore(), "Mentés").replaceWhole(h.path(name), houseWithCodes(i)));
        }
        QList<QByteArray> keptY, keptX;
        for (const auto &[entry, bytes] : historyOf(h.dataFolder))
            (entry.file == "y.txt" ? keptY : keptX) << bytes;
        QCOMPARE(keptY, y.mid(10));
        QVERIFY(keptX.size() > 30 && keptX == x.mid(x.size() - keptX.size()));
        QVERIFY(h.form->houseStore().history().size() <= 1024 * 1024 && keptX.size() + keptY.size() > 60);
    }
};

QTEST_MAIN(TstHistory)
#include "tst_history.moc"
