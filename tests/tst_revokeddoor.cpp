// Revoked cards (letiltott.lst) at the door: "Rátöltés" and "Eltérések rátöltése" ask before one would be sent (Nem: nothing sent, no
// file changed; Igen: emptied in the house first, with its version, then written into the door empty), a house that cannot be written
// now is only refused; a read-out, a verify and a read-back that find one in the door say so.
#include "door.h"
#include "readerfixtures.h"

namespace {
const QString Revoked = "5. lakás 4. hely (40. kódhely): 0A1B2C3D4E, Kód törlése", Question = "Letiltott kártya van a(z) @haz.txt házban";
const QString No = "\nNem: semmi sem kerül a kártya leolvasóba. [YesNo Enter=No]", Exact = "A kártya leolvasó most pontosan a(z) @haz.txt ház kódjait tartalmazza.";
QString note(const QString &lines) { return "Ez az ajtó még kinyílik letiltott kártyára:\n" + lines + "\nÜrítse ki ezeket a kódhelyeket: Ellenőrzés, majd Eltérések rátöltése (ez felajánlja a kiürítésüket)."; }
// The messages and questions since the dialogs were cleared, '|' between them, the data folder as "@", a time as "T".
QString shown(Door &d) { return d.h.dialogs.log().join('|').replace(QDir::toNativeSeparators(d.h.dataFolder), "@").replace(QRegularExpression("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d"), "T"); }

// "upload", "differences" and "readout" answered with the letters after them (as Harness::script), "verify", "door <slot> [record]"
// (the card when none), "empty" (slot 40 emptied in the house, opened again), "changed" (haz.txt changed on disk), "unsaved".
void act(Door &d, const QString &steps)
{
    for (const QString &s : steps.split('|')) {
        const QString verb = s.section(' ', 0, 0), arg = s.section(' ', 1);
        if (verb == "door") QVERIFY(d.model.setSlotRecord(arg.section(' ', 0, 0).toInt(), arg.contains(' ') ? arg.section(' ', 1) : QString(Door::Code)));
        else if (verb == "empty") openedhouse::open(*d.h.form, d.h.path("haz.txt"), d.house = Door::with(d.house, 40, Door::Empty));
        else if (verb == "changed") d.h.writeFile("haz.txt", Door::with(d.house, 1, Door::Empty));
        else if (verb == "unsaved") d.h.form->state().shownHouse.setUnsavedRows(true);
        else if (verb == "verify") QVERIFY(d.run(d.h.form->verifyAction()));
        else {
            d.h.script(arg);
            verb == "upload" ? QTest::mouseClick(d.h.ui().Command1, Qt::LeftButton) : verb == "readout" ? fixtures::act(d.h, "pick haz.txt|answer Ok|click Command6") : d.h.form->uploadDifferencesAction()->trigger();
            QVERIFY(d.waitEnd());
        }
    }
}
} // namespace

class TstRevokedDoor : public QObject
{
    Q_OBJECT
private slots:
    void intoADoor_data()
    {
        QTest::addColumn<QString>("steps"); QTest::addColumn<QString>("messages");
        QTest::addColumn<int>("emptied"); // the house slot Igen empties, 0 none; -1: nothing sent, no file changed
        const QString upload = Question + ":\n" + Revoked + "\n\nKiürítsem ezeket a kódhelyeket a házban, és rátöltsem a házat? A kártya leolvasóba is üresen kerülnek." + No;
        const QString refused = Question + ":\n" + Revoked + "\n\nRátöltés előtt ki kell üríteni őket a házban, de a ház most nem írható. ", none = " Semmi sem került a kártya leolvasóba.";
        const QString both = Question + " vagy a kártya leolvasóban:\n" + Revoked + " (a házban és az ajtóban)\n\nKiürítsem a házban lévőket, és rátöltsem a(z) %1 eltérő kódot? A letiltott kártyák nem maradnak a kártya leolvasóban." + No;
        const QString door = Question + " vagy a kártya leolvasóban:\n" + Revoked + " (csak az ajtóban)\n\nRátöltsem a(z) 1 eltérő kódot? A letiltott kártyák nem maradnak a kártya leolvasóban." + No;
        QTest::newRow("upload, Nem") << "upload n" << upload << -1;
        QTest::newRow("upload, Igen") << "upload y" << upload + "|A rátöltés a PC-ből kész." << 40;
        QTest::newRow("upload, house changed on disk") << "changed|upload" << refused + "A(z) @haz.txt fájl megváltozott, mióta a 'Friss adatok' lista betöltődött. Nyissa meg újra a házat a Szerkesztés gombbal, vagy kattintson kettőt az útvonalára!" + none << -1;
        QTest::newRow("upload, unsaved rows") << "unsaved|upload" << refused + "A 'Friss adatok' listában el nem mentett változás van. Mentse a Mentés gombbal, vagy nyissa meg újra a házat a Szerkesztés gombbal!" + none << -1;
        QTest::newRow("differences, house and door agree, Nem") << "verify|differences n" << both.arg(1) << -1;
        QTest::newRow("differences, two more, Igen") << "door 41 ABCDEF123456|door 42 FFFFFFFFFFFF|verify|differences y" << both.arg(3) + "|" + Exact << 40;
        QTest::newRow("differences, only in the door, Nem") << "empty|verify|differences n" << door << -1;
        QTest::newRow("differences, only in the door, Igen") << "empty|verify|differences y" << door + "|" + Exact << 0;
    }
    void intoADoor()
    {
        QFETCH(QString, steps); QFETCH(QString, messages); QFETCH(int, emptied);
        Door d;
        QVERIFY(d.start());
        d.h.writeFile("letiltott.lst", "0a1b2c3d4e\t2024-05-01T10:00:00+02:00\tKód törlése\n"); // any case
        act(d, steps.section('|', 0, -2));
        const auto before = openedhouse::snapshot(d.h.dataFolder);
        const QByteArray house = before["haz.txt"], after = emptied > 0 ? Door::with(house, emptied, Door::Empty) : house, door = d.door();
        d.h.dialogs.clear();
        d.line()->written.clear();
        act(d, steps.section('|', -1));
        QCOMPARE(shown(d), messages);
        if (emptied < 0) { // and the reader still holds what it held
            QVERIFY(d.line()->written.isEmpty() && d.door() == door);
            QCOMPARE(openedhouse::snapshot(d.h.dataFolder), before);
            return;
        }
        QCOMPARE(d.h.readFile("haz.txt"), after); // the other slots as before: door and house agree
        QVERIFY(d.door() == after && d.line()->written.contains(fixtures::writeFrame(QByteArray(6, char(0xFF)), 40)));
        if (steps.contains("differences")) QCOMPARE(d.line()->written.size(), steps.count("door") + 2); // the differing slots and the read-back
        QCOMPARE(d.h.ui().List2->item(44)->text(), "FFFFFFFFFFFF");
        QStringList kept; // the house's version before the write
        for (const auto &[entry, bytes] : openedhouse::historyOf(d.h.dataFolder))
            if (entry.command == "Letiltott kártya törlése") kept << QStringLiteral("%1 %2 %3").arg(entry.file).arg(entry.changed).arg(bytes == house);
        QCOMPARE(kept, emptied ? QStringList{"haz.txt 1 1"} : QStringList());
        d.h.dialogs.clear(); // the house on screen followed; the door is clean
        QVERIFY(d.run(d.h.form->verifyAction()));
        QCOMPARE(shown(d), "A kártya leolvasó pontosan a(z) @haz.txt ház kódjait tartalmazza.");
    }

    void outOfADoor_data()
    {
        QTest::addColumn<QString>("steps"); QTest::addColumn<QString>("messages"); // the last messages
        QTest::newRow("read-out") << "readout o" << "A kódmemória kiolvasása kész.|" + note(Revoked);
        QTest::newRow("verify, the door changed since") << "verify|door 41 ABCDEF123456|verify" << "1 kód eltér a kártya leolvasóban a(z) @haz.txt háztól. Az eltérések az Eltérések ablakban láthatók; az Eltérések rátöltése csak ezeket tölti rá.|"
            + note(Revoked) + "\n\nAz előző ellenőrzés (T) óta: 0 új, 0 törölt, 1 módosult kód. Megnyitja az Előzmények ablakot? [YesNo Enter=No]";
        QTest::newRow("read-back") << "door 40 FFFFFFFFFFFF|empty|door 41 ABCDEF123456|verify|door 1365|differences o" << "A rátöltés után is 1 kód eltér a kártya leolvasóban a(z) @haz.txt háztól: "
            "közben valaki megváltoztathatta a kártya leolvasót. Az eltérések az Eltérések ablakban láthatók.|" + note("152. lakás 6. hely (1365. kódhely): 0A1B2C3D4E, Kód törlése");
    }
    void outOfADoor()
    {
        QFETCH(QString, steps); QFETCH(QString, messages);
        Door d;
        QVERIFY(d.start());
        d.h.writeFile("letiltott.lst", "0A1B2C3D4E\t2024-05-01T10:00:00+02:00\tKód törlése\n");
        act(d, steps.section('|', 0, -2));
        d.h.dialogs.clear();
        act(d, steps.section('|', -1));
        QVERIFY2(shown(d).endsWith(messages), qPrintable(shown(d)));
        if (steps.startsWith("readout")) QCOMPARE(d.h.readFile("haz.txt"), d.door()); // the house says what the door holds
    }
};

QTEST_MAIN(TstRevokedDoor)
#include "tst_revokeddoor.moc"
