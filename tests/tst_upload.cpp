// "Rátöltés" over an in-memory line, the simulated reader's model answering: the frames byte for byte,
// resends and the give-up, the house file checked before and during the run, refusals, every end's state.
#include "openedhouse.h"
#include "readerfixtures.h"
#include "house/housefile.h"
#include "reader/upload.h"
#include "simreader/readermodel.h"

#include <QDir>
#include <QPointer>
#include <QTest>

using Answer = Dialogs::Answer;
using namespace fixtures;

static const QString Broken = QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt");
static const QString Confirm = QStringLiteral("Kezdhetem kiküldeni a kártyakódokat a Friss adatok listájából?"), Done = QStringLiteral("A rátöltés a PC-ből kész.");
static const QByteArray Ack = QByteArray(12, char(0x44)) + char(0x06) + QByteArray(2, char(0x44));
static const QString Refused = QStringLiteral("A beírás nem sikerült!"), GaveUp = QStringLiteral("A beírás/törlés nem sikerült!");

// An upload: the house opened, how the reader answers or what happens (before the click or during the run),
// frames sent, slots stored, the messages (%1: the path), state() at the end.
struct Run { QByteArray house; QString how; int count, stored; QStringList messages; QString after; };
Q_DECLARE_METATYPE(Run)

class TstUpload : public QObject
{
    Q_OBJECT

private slots:
    void runs_data()
    {
        QTest::addColumn<Run>("r");
        QByteArray varied = openedhouse::houseWithCodes(5);
        varied.replace(1233 * 12, 12, "0A1B2C3D4E05");
        varied.replace(1234 * 12, 12, "0a1b2c3d4e06"); // lower case reads the same
        varied.replace(1365 * 12, 12, "ZZZZZZZZZZZZ"); // record 1366 never leaves the PC
        const QByteArray house = openedhouse::houseWithCodes(6);
        auto with = [&house](int record, const QByteArray &code) { return QByteArray(house).replace((record - 1) * 12, 12, code); };
        auto asked = [](const QString &message) { return QStringList{Confirm, message}; };
        const QString stopped = " A rátöltés a(z) %1. kódnál leállt, ez és a további kódok nem kerültek a kártya leolvasóba.";
        const QString changed = "A soros port megváltozott, a rátöltés a(z) 5. kódnál leállt. Ismételje meg a rátöltést!";
        const QString ended = "run 00 timers 010 lists 11 text3 '' bar 0 shown 10", refused = QString(ended).replace("010", "000");
        const QString no = " A ház nem tölthető rá a kártya leolvasóra.";
        QTest::newRow("all-empty house") << Run{QByteArray(16392, 'F'), "", 1365, 1365, asked(Done), ended};
        QTest::newRow("varied codes") << Run{varied, "", 1365, 1365, asked(Done), ended};
        QTest::newRow("answers the third send") << Run{house, "drop 2", 3 * 1365, 1365, asked(Done), ended};
        QTest::newRow("16-byte replies") << Run{house, "length 16", 1365, 1365, asked(Done), ended};
        QTest::newRow("14-byte replies") << Run{house, "length 14", 20, 1, asked(GaveUp), ended};
        QTest::newRow("silent reader") << Run{house, "silent", 20, 0, asked(GaveUp), ended};
        QTest::newRow("refuses slot 700") << Run{house, "refuse 700", 700, 699, asked(Refused), ended};
        // Each record is read from the disk when its slot is sent.
        QTest::newRow("record 50 goes bad") << Run{house, "bad", 49, 49, asked("A(z) 6. lakás kódja hibás: 0A1B2C3D4EXY." + stopped.arg(50)), ended};
        QTest::newRow("file cut after record 50") << Run{house, "cut 50", 50, 50, asked("A(z) %1 fájl nem olvasható: a(z) 51. kód hiányzik." + stopped.arg(51)), ended};
        QTest::newRow("port vanishes") << Run{house, "vanish", 42, 42, asked(Broken + "\nVálassza ki újra a portot a Comm listában!\nA rátöltés a(z) 42. kódnál megszakadt. Ismételje meg a rátöltést!"), refused};
        QTest::newRow("port chosen anew") << Run{house, "port", 5, 5, asked(changed), ended};
        QTest::newRow("reply on the new port") << Run{house, "port reply", 5, 5, asked(changed), ended};
        // Refused: nothing is sent.
        QTest::newRow("no house open") << Run{house, "no house", 0, 0, {"Előbb a Szerkesztés gombbal válassza ki a kártya leolvasóra rátöltendő fájlt!"}, QString(refused).replace("shown 10", "shown 00")};
        QTest::newRow("a house just created") << Run{house, "new", 0, 0, {}, refused};
        QTest::newRow("no port open") << Run{house, "no port", 0, 0, {"Nincs megnyitott soros port. Válasszon portot a Comm listában!"}, refused};
        QTest::newRow("cancel") << Run{house, "cancel", 0, 0, {Confirm}, refused};
        QTest::newRow("missing") << Run{house, "missing", 0, 0, {"A(z) %1 fájl nem található." + no}, refused};
        // Written after the house was opened.
        QTest::newRow("bad code in apartment 12") << Run{with(100, "0A1B2C3D4EZZ"), "write", 0, 0, {"A(z) 12. lakás kódja hibás: 0A1B2C3D4EZZ." + no}, refused};
        QTest::newRow("bad code in slot 1365") << Run{with(1365, "12345678 ABC"), "write", 0, 0, {"A(z) 152. lakás kódja hibás: 12345678 ABC." + no}, refused};
        QTest::newRow("accented letter") << Run{with(1, "0A1B2C3D4E\xE1" "5"), "write", 0, 0, {"A(z) 1. lakás kódja hibás: 0A1B2C3D4Eá5." + no}, refused};
        QTest::newRow("one byte short") << Run{house.left(16391), "write", 0, 0, {"A(z) %1 fájl sérült: 16391 bájt hosszú, nem 16392." + no}, refused};
        QTest::newRow("one byte long") << Run{house + "F", "write", 0, 0, {"A(z) %1 fájl sérült: 16393 bájt hosszú, nem 16392." + no}, refused};
    }
    void runs()
    {
        QFETCH(Run, r);
        Harness h;
        const QByteArray opened = r.how == "write" ? openedhouse::houseWithCodes(6) : r.house;
        h.saveDataFolder();
        h.ports.free = {1, 2};
        QVERIFY(h.start(Timing::scaled(0.002))); // Timer1 every millisecond
        h.form->show();
        openedhouse::open(*h.form, h.path("haz.txt"), opened);
        const QString path = h.path("haz.txt");
        if (r.how == "write")
            h.writeFile("haz.txt", r.house);
        if (r.how == "no house")
            h.ui().List2->hide();
        if (r.how == "new")
            openedhouse::open(*h.form, h.path("uj.txt"), "");
        if (r.how == "missing")
            QVERIFY(QFile::remove(path));
        ReaderOptions options;
        const int number = r.how.section(' ', 1).toInt();
        options.dropFirst = r.how.startsWith("drop") ? number : 0;
        options.refuseSlot = r.how.startsWith("refuse") ? number : 0;
        options.writeReplyLength = r.how.startsWith("length") ? number : 15;
        options.silent = r.how == "silent";
        ReaderModel model(options);
        model.clear();
        QString atDone;
        h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) { atDone = s.text == Done ? state(h) : QString(); };
        // The reader answers each frame at once; things happen before some frames are answered.
        QList<QByteArray> frames;
        QStringList states; // state() as each frame went out
        const QPointer<MemoryLink> link = h.ports.lastLink;
        link->onWritten = [&](const QByteArray &frame) {
            frames << frame;
            states << state(h);
            const qsizetype n = frames.size();
            if (n == 10 && r.how == "bad")
                QVERIFY(house::writeHouseRecord(path, 50, "0A1B2C3D4EXY"));
            if (n == 10 && r.how.startsWith("cut"))
                QVERIFY(QFile::resize(path, r.how.mid(4).toInt() * 12));
            if (n == 42 && r.how == "vanish")
                link->vanish(Broken);
            if (n == 5 && r.how.startsWith("port"))
                emit h.ui().Combo1->activated(h.ui().Combo1->findText("2"));
            if (n == 5 && r.how == "port reply")
                h.ports.lastLink->feed(Ack);
            if (const QByteArray reply = model.respond(frame); link && !reply.isEmpty() && n <= 3 * 1365) // a run without end stops
                link->feed(reply);
        };
        if (r.how == "no port")
            h.form->reader().detach();
        h.dialogs.answer(r.how == "cancel" ? Answer::Cancel : Answer::Ok);
        QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
        waitFor([&] { return h.form->state().uploadRunning != 1; }, 60000); // a resend each millisecond
        QCOMPARE(h.dialogs.messageTexts(), QStringList(r.messages).replaceInStrings("%1", QDir::toNativeSeparators(path)));
        // Each slot goes out with its record as the file holds it then.
        const QByteArray disk = h.readFile("haz.txt");
        const int sends = r.count == 20 ? Upload::SendsPerSlot : options.dropFirst + 1;
        QCOMPARE(frames.size(), r.count);
        for (int i = 0; i < r.count; ++i) {
            const int slot = i / sends + 1;
            QCOMPARE(frames.at(i), writeFrame(recordBytes(disk, slot), slot));
            QCOMPARE(states.at(i), QString("run 01 timers 110 lists 00 text3 '%1' bar %1 shown 10").arg(slot));
        }
        QCOMPARE(model.records().mid(0, r.stored), openedhouse::recordsOf(disk.toUpper()).mid(0, r.stored));
        QCOMPARE(model.records().mid(r.stored), QStringList(1365 - r.stored, "FFFFFFFFFFFF"));
        // The run is over before the last message; the full bar stays until it is read.
        QCOMPARE(atDone, r.messages.contains(Done) ? "run 00 timers 010 lists 00 text3 '1366' bar 1366 shown 10" : "");
        QCOMPARE(state(h), r.after);
        QVERIFY(!h.form->upload().houseFileOpen());
        if (r.how.startsWith("port"))
            QVERIFY(h.ports.lastLink->written.isEmpty());
    }
};

QTEST_MAIN(TstUpload)
#include "tst_upload.moc"
