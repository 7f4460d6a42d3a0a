// "Törlés": the password box Text8, the password remembered, the frame, its confirmation, Timer3's give-up, refusals.
#include "readerfixtures.h"
#include "reader/erase.h"

#include <QPointer>
#include <QTest>

using Answer = Dialogs::Answer;
using fixtures::state;

static const QString Confirm = QStringLiteral("Ha folytatja, kitörlődnek a kártya leolvasóban engedélyezett kártyák!");
static const QString Done = QStringLiteral("A kódmemória törlés kész.");
static const QString GiveUp = QStringLiteral("A kódmemória törlés nem sikerült. Ismételje meg!");
static const QString Free = QStringLiteral("run 00 timers 000 lists 11 text3 '' bar 0 shown 00");
// An erase confirmation of `blocks` blocks: byte 14 of the first is 21.
static QByteArray confirmation(int blocks) { QByteArray b(15 * blocks, char(0x33)); b[13] = char(0x21); return b; }

// An erase: the password typed and the key ending it, what else stops it, what comes after the
// erase frame (empty: refused, nothing is sent), the messages and state() once the box is gone.
struct Run { QString typed; int key; QString running, then; QStringList messages; QString after; };
Q_DECLARE_METATYPE(Run)

class TstErase : public QObject
{
    Q_OBJECT

private slots:
    void erase_data()
    {
        QTest::addColumn<Run>("r");
        for (const char *typed : {"dmvx", "DMVX", " DmvX", "DmvX ", ""})
            QTest::addRow("password \"%s\"", typed) << Run{typed, Qt::Key_Return, "", "", {"Hibás jelszó!"}, Free};
        QTest::newRow("Esc") << Run{"DmvX", Qt::Key_Escape, "", "", {}, Free};
        QTest::newRow("no port open") << Run{"DmvX", Qt::Key_Return, "no port", "", {"Nincs megnyitott soros port. Válasszon portot a Comm listában!"}, Free};
        const QString waiting = "run 00 timers 011 lists 00 text3 '' bar 0 shown 00";
        QTest::newRow("confirmed in two blocks") << Run{"DmvX", Qt::Key_Return, "", "confirmed", {Confirm}, waiting};
        QTest::newRow("no confirmation, a late one still counts") << Run{"DmvX", Qt::Key_Return, "", "late", {Confirm}, waiting};
        QTest::newRow("no confirmation, a read request in between ends the wait") << Run{"DmvX", Qt::Key_Return, "", "read", {Confirm}, waiting};
        QTest::newRow("the port vanishes") << Run{"DmvX", Qt::Key_Return, "", "vanish", {Confirm}, waiting};
    }
    void erase()
    {
        QFETCH(Run, r);
        Harness h;
        QList<int> shownAt;
        // A real message box runs an event loop: Timer3 must not tick in it.
        h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == GiveUp) {
                shownAt << h.form->erase().eraseTicks();
                QTest::qWait(30);
            }
        };
        QVERIFY(h.startShown(Timing::scaled(0.01)));
        const QPointer<MemoryLink> link = h.ports.lastLink;
        Ui::Form1 &u = h.ui();
        if (r.running == "no port")
            h.form->reader().detach();
        QTest::mouseClick(u.Command17, Qt::LeftButton);
        QVERIFY(u.Text8->isVisible() && u.Text8->echoMode() == QLineEdit::Password && !u.Command17->isEnabled());
        QTest::keyClicks(u.Text8, r.typed);
        h.dialogs.answer(Answer::Ok);
        QTest::keyClick(u.Text8, Qt::Key(r.key));
        QCOMPARE(h.dialogs.messageTexts(), r.messages);
        QVERIFY(u.Text8->isHidden() && u.Command17->isEnabled());
        QCOMPARE(u.Text8->text(), r.key == Qt::Key_Escape ? r.typed : ""); // Esc withdraws the box untested
        QCOMPARE(h.form->erase().acceptedPassword(), r.typed == "DmvX" && r.key == Qt::Key_Return ? "DmvX" : "");
        QCOMPARE(link ? link->written : QList<QByteArray>(), QList<QByteArray>(!r.then.isEmpty(), fixtures::eraseFrame()));
        QCOMPARE(state(h), r.after);
        if (r.then == "confirmed") {
            link->feed(confirmation(2));
            QTRY_COMPARE(h.dialogs.messageTexts().last(), Done);
            QCOMPARE(state(h), Free);
            // The password is remembered: the next click goes straight to the question.
            h.dialogs.answer(Answer::Cancel);
            QTest::mouseClick(u.Command17, Qt::LeftButton);
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done, Confirm}));
            QVERIFY(u.Text8->isHidden() && link->written.size() == 1);
            QCOMPARE(state(h), Free);
        } else if (r.then == "vanish") {
            link->vanish("teszt");
            QTest::qWait(400); // and no give-up follows
            QCOMPARE(h.dialogs.messageTexts().join('|'), Confirm + "|teszt\nVálassza ki újra a portot a Comm listában!\n" + GiveUp);
            QCOMPARE(state(h), Free);
        } else if (!r.then.isEmpty()) {
            waitFor([&] { return !shownAt.isEmpty(); }, 20000); // Timer3 ticks each millisecond
            QTest::qWait(30);
            QCOMPARE(shownAt, QList<int>{302});
            QCOMPARE(h.form->erase().eraseTicks(), 302);
            QCOMPARE(state(h), "run 00 timers 010 lists 11 text3 '' bar 0 shown 00");
            if (r.then == "read") {
                h.script("o pb.txt");
                QTest::mouseClick(u.Command6, Qt::LeftButton);
                link->feed(fixtures::dump());
                QCOMPARE(h.readFile("b.txt"), fixtures::expectedHouse());
            }
            // Only the first confirmation after the erase request counts.
            for (int i = 0; i < 2; ++i) {
                link->feed(confirmation(1));
                QTest::qWait(50);
            }
            QCOMPARE(h.dialogs.messageTexts().count(Done), int(r.then == "late"));
        }
    }
};

QTEST_MAIN(TstErase)
#include "tst_erase.moc"
