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

// A refused erase: the password typed and the key ending it, what else stops it, the message, state().
struct Refusal { QString typed; int key; QString running, message, after; };
Q_DECLARE_METATYPE(Refusal)

class TstErase : public QObject
{
    Q_OBJECT

private slots:
    // Nothing is sent.
    void refused_data()
    {
        QTest::addColumn<Refusal>("r");
        for (const char *typed : {"dmvx", "DMVX", " DmvX", "DmvX ", ""})
            QTest::addRow("password \"%s\"", typed) << Refusal{typed, Qt::Key_Return, "", "Hibás jelszó!", Free};
        QTest::newRow("Esc") << Refusal{"DmvX", Qt::Key_Escape, "", "", Free};
        QTest::newRow("a read-out runs") << Refusal{"DmvX", Qt::Key_Return, "read-out", "", "run 10 timers 000 lists 00 text3 '' bar 0 shown 00"};
        QTest::newRow("an upload runs") << Refusal{"DmvX", Qt::Key_Return, "upload", "", "run 01 timers 000 lists 00 text3 '' bar 0 shown 00"};
        QTest::newRow("no port open") << Refusal{"DmvX", Qt::Key_Return, "no port", "Nincs megnyitott soros port. Válasszon portot a Comm listában!", Free};
    }
    void refused()
    {
        QFETCH(Refusal, r);
        const auto &[typed, key, running, message, after] = r;
        Harness h;
        QVERIFY(fixtures::startWithPort(h, Timing()));
        const QPointer<MemoryLink> link = h.ports.lastLink;
        if (running == "no port")
            h.form->reader().detach();
        h.form->state().readOutRunning = running == "read-out";
        h.form->state().uploadRunning = running == "upload";
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QTest::keyClicks(h.ui().Text8, typed);
        QTest::keyClick(h.ui().Text8, Qt::Key(key));
        QCOMPARE(h.dialogs.messageTexts().join(""), message);
        QVERIFY(h.ui().Text8->isHidden() && h.ui().Command17->isEnabled());
        QCOMPARE(h.ui().Text8->text(), key == Qt::Key_Escape ? typed : ""); // Esc withdraws the box untested
        QCOMPARE(h.form->erase().acceptedPassword(), running.isEmpty() ? "" : "DmvX");
        QVERIFY(!link || link->written.isEmpty());
        QCOMPARE(state(h), after);
    }

    // The right password, OK, and what comes after the erase frame.
    void erase_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("confirmed in two blocks") << "confirmed";
        QTest::newRow("no confirmation, a late one still counts") << "late";
        QTest::newRow("no confirmation, a read request in between ends the wait") << "read";
        QTest::newRow("the port vanishes") << "vanish";
    }
    void erase()
    {
        QFETCH(QString, then);
        Harness h;
        QList<int> shownAt;
        // A real message box runs an event loop: Timer3 must not tick in it.
        h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == GiveUp) {
                shownAt << h.form->erase().eraseTicks();
                QTest::qWait(30);
            }
        };
        QVERIFY(fixtures::startWithPort(h, Timing::scaled(0.01)));
        MemoryLink *link = h.ports.lastLink;
        Ui::Form1 &u = h.ui();
        QTest::mouseClick(u.Command17, Qt::LeftButton);
        QVERIFY(u.Text8->isVisible() && u.Text8->echoMode() == QLineEdit::Password && !u.Command17->isEnabled());
        QTest::keyClicks(u.Text8, "DmvX");
        h.dialogs.answer(Answer::Ok);
        QTest::keyClick(u.Text8, Qt::Key_Return);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Confirm});
        QVERIFY(u.Text8->isHidden() && u.Command17->isEnabled() && u.Text8->text().isEmpty());
        QCOMPARE(link->written, QList<QByteArray>{fixtures::eraseFrame()});
        QCOMPARE(state(h), "run 00 timers 011 lists 00 text3 '' bar 0 shown 00");
        if (then == "confirmed") {
            link->feed(fixtures::eraseConfirmation(2));
            QTRY_COMPARE(h.dialogs.messageTexts().last(), Done);
            QCOMPARE(state(h), Free);
            // The password is remembered: the next click goes straight to the question.
            h.dialogs.answer(Answer::Cancel);
            QTest::mouseClick(u.Command17, Qt::LeftButton);
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done, Confirm}));
            QVERIFY(u.Text8->isHidden() && link->written.size() == 1);
            QCOMPARE(state(h), Free);
            return;
        }
        if (then == "vanish") {
            link->vanish("A(z) /dev/fake1 port megszakadt: teszt");
            QTest::qWait(400); // and no give-up follows
            QCOMPARE(h.dialogs.messageTexts().join('|'), Confirm + "|A(z) /dev/fake1 port megszakadt: teszt\n" + GiveUp + "\nVálassza ki újra a portot a Comm listában!");
            QCOMPARE(state(h), Free);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!shownAt.isEmpty(), 20000);
        QTest::qWait(30);
        QCOMPARE(shownAt, QList<int>{302});
        QCOMPARE(h.form->erase().eraseTicks(), 302);
        QCOMPARE(state(h), "run 00 timers 010 lists 11 text3 '' bar 0 shown 00");
        if (then == "read") {
            h.dialogs.answer(Answer::Ok);
            h.dialogs.pick(h.path("b.txt"));
            QTest::mouseClick(u.Command6, Qt::LeftButton);
            link->feed(fixtures::dump());
            QCOMPARE(h.readFile("b.txt"), fixtures::expectedHouse());
        }
        // Only the first confirmation after the erase request counts.
        for (int i = 0; i < 2; ++i) {
            link->feed(fixtures::eraseConfirmation(1));
            QTest::qWait(50);
        }
        QCOMPARE(h.dialogs.messageTexts().count(Done), int(then == "late"));
    }
};

QTEST_MAIN(TstErase)
#include "tst_erase.moc"
