// "Ellenőrzés" and "Eltérések rátöltése" from the Eszközök menu: the
// simulated reader's model answers on an in-memory line, one run goes over a
// pseudo-terminal with the real port code.
#include "harness.h"
#include "housefixtures.h"
#include "openedhouse.h"
#include "readerfixtures.h"
#include "uploadfixtures.h"
#include "reader/differenceswindow.h"
#include "reader/erase.h"
#include "reader/serialport.h"
#include "reader/verify.h"
#include "simreader/readermodel.h"
#ifndef Q_OS_WIN
#include "simreader/ptyserver.h"
#endif

#include <QAction>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

using Answer = Dialogs::Answer;
using openedhouse::snapshot;

namespace {
const QString Exact = QStringLiteral("pontosan a(z)");
const QString Reopen = QStringLiteral("Nyissa meg újra a házat");

QByteArray memoryOf(const QByteArray &house)
{
    QByteArray out;
    for (int slot = 1; slot <= 1365; ++slot)
        out += uploadfixtures::recordBytes(house, slot);
    return out;
}
} // namespace

// The window with haz.txt open and a reader whose memory starts as that house.
struct Door
{
    Harness h;
    ReaderModel model;
    QByteArray house = openedhouse::houseWithCodes(3);
    QStringList text3; // Text3 as each write frame goes out

    bool start(const Timing &timing = Timing::scaled(0.05))
    {
        h.ports.free = {1, 2};
        h.saveDataFolder();
        if (!h.start(timing) || !h.ports.lastLink)
            return false;
        h.form->show();
        h.writeFile(QStringLiteral("haz.txt"), house);
        fixtures::openHouse(h, h.path(QStringLiteral("haz.txt")));
        answer();
        const bool ok = h.ui().List2->isVisible() && h.dialogs.unexpected().isEmpty()
                        && model.loadHouseFile(h.path(QStringLiteral("haz.txt")));
        h.dialogs.clear();
        return ok;
    }
    // The reader answers every frame on the line open now, a moment later.
    void answer()
    {
        MemoryLink *link = h.ports.lastLink;
        link->onWritten = [this, link](const QByteArray &frame) {
            if (frame.at(9) == char(0x06))
                text3 << h.ui().Text3->text();
            const QByteArray reply = model.respond(frame);
            if (!reply.isEmpty())
                QTimer::singleShot(0, link, [link, reply] { link->feed(reply); });
        };
    }
    MemoryLink *line() { return h.ports.lastLink; }
    bool run(QAction *action, std::initializer_list<Answer> answers = {})
    {
        for (Answer a : answers)
            h.dialogs.answer(a);
        action->trigger();
        QElapsedTimer clock;
        clock.start();
        while (h.form->exchangeRunning() && clock.elapsed() < 30000)
            QTest::qWait(2);
        return !h.form->exchangeRunning();
    }
    bool verify() { return run(h.form->verifyAction()); }
    bool uploadDifferences() { return run(h.form->uploadDifferencesAction(), {Answer::Ok}); }
    QString lastMessage() const { return h.dialogs.messageTexts().value(h.dialogs.messageTexts().size() - 1); }
    QList<int> differingSlots() const
    {
        QList<int> out;
        for (const protocol::SlotDifference &d : h.form->verify().differences())
            out << d.slot;
        return out;
    }
    // Every exchange leaves this behind.
    void checkIdle()
    {
        QCOMPARE(h.form->state().verifyRunning, qint16(0));
        QCOMPARE(h.form->state().uploadRunning, qint16(0));
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        QCOMPARE(h.ui().Text3->text(), QString());
    }
};

class TstVerify : public QObject
{
    Q_OBJECT
private slots:
    void verifyFindsWhatDiffersAndWritesNothing_data()
    {
        QTest::addColumn<int>("changed");
        QTest::addColumn<bool>("lowerCaseHouse");
        QTest::newRow("equal") << 0 << false;
        QTest::newRow("equal, house in lower case") << 0 << true;
        QTest::newRow("one slot") << 1 << false;
        QTest::newRow("nine slots") << 9 << false;
        QTest::newRow("every slot") << 1365 << false;
    }
    void verifyFindsWhatDiffersAndWritesNothing()
    {
        QFETCH(int, changed);
        QFETCH(bool, lowerCaseHouse);
        Door d;
        if (lowerCaseHouse)
            d.house = d.house.toLower();
        QVERIFY(d.start());
        const QList<int> expected = d.model.changeSlots(changed, 11);
        const auto before = snapshot(d.h.dataFolder);
        QVERIFY(d.verify());
        QCOMPARE(snapshot(d.h.dataFolder), before);
        QCOMPARE(d.line()->written, QList<QByteArray>{fixtures::readFrame()});
        QCOMPARE(d.h.dialogs.messageTexts().size(), 1);
        d.checkIdle();
        QCOMPARE(d.differingSlots(), expected);
        QCOMPARE(d.h.form->verify().markedRows().size(), changed);
        QListWidget *list2 = d.h.ui().List2;
        if (changed == 0) {
            QVERIFY(d.lastMessage().contains(Exact + QLatin1Char(' ') + d.h.path(QStringLiteral("haz.txt"))));
            return;
        }
        QVERIFY(d.lastMessage().startsWith(QString::number(changed) + QStringLiteral(" kód eltér")));
        // The differing record rows stand out from the others in List2.
        const int s = expected.first();
        const int row = s + (s - 1) / 9;
        QCOMPARE(list2->item(row)->text(), QString::fromLatin1(d.house.mid((s - 1) * 12, 12)));
        QVERIFY(list2->item(row)->background() != list2->item(0)->background());
        QTableWidget *table = d.h.form->verify().window()->table();
        QVERIFY(d.h.form->verify().window()->isVisible());
        QCOMPARE(table->rowCount(), changed);
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << table->item(0, c)->text();
        QCOMPARE(cells, (QStringList{QString::number((s - 1) / 9 + 1), QString::number((s - 1) % 9 + 1),
                                     QString::number(s), d.model.slotRecord(s),
                                     QString::fromLatin1(d.house.mid((s - 1) * 12, 12))}));
        QCOMPARE(d.h.form->verify().window()->rowsAsText().count(QLatin1Char('\n')), changed + 1);
        // Refilling List2 takes the marks away.
        fixtures::openHouse(d.h, d.h.path(QStringLiteral("haz.txt")));
        QVERIFY(list2->item(row)->background() == list2->item(0)->background());
    }

    void apartment138NamesTheNonResidents()
    {
        Door d;
        d.h.writeFile(QStringLiteral("postas.lst"), fixtures::nonResident("Postas Pal", "0A1B2C3D4E"));
        QVERIFY(d.start());
        QVERIFY(d.model.setSlotRecord(1236, QStringLiteral("0A1B2C3D4E05")));
        QVERIFY(d.verify());
        QCOMPARE(d.differingSlots(), QList<int>{1236});
        QTableWidget *table = d.h.form->verify().window()->table();
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("138"));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("3"));
        QCOMPARE(table->item(0, 5)->text(), QStringLiteral("leolvasóban: Postas Pal"));
    }

    void differenceUploadWritesOnlyTheDifferences_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("door unchanged") << QString();
        QTest::newRow("door changed after the verify") << "changed";
        QTest::newRow("refused slot") << "refused";
        QTest::newRow("silent reader") << "silent";
    }
    void differenceUploadWritesOnlyTheDifferences()
    {
        QFETCH(QString, meanwhile);
        Door d;
        QVERIFY(d.start());
        const QList<int> picked = d.model.changeSlots(3, 5);
        QVERIFY(d.verify());
        const int elsewhere = picked.first() == 1 ? 2 : 1;
        if (meanwhile == "changed")
            QVERIFY(d.model.setSlotRecord(elsewhere, QStringLiteral("ABCDEF123456")));
        d.model.options().refuseSlot = meanwhile == "refused" ? picked.at(1) : 0;
        d.model.options().silent = meanwhile == "silent";
        d.line()->written.clear();
        d.h.dialogs.clear();
        QVERIFY(d.uploadDifferences());
        d.checkIdle();
        QVERIFY(d.h.dialogs.messageTexts().first().startsWith(QStringLiteral("3 kód eltér")));
        const QList<QByteArray> &frames = d.line()->written;
        QList<QByteArray> writes;
        for (int s : picked)
            writes << uploadfixtures::writeFrame(uploadfixtures::recordBytes(d.house, s), s);
        if (meanwhile.isEmpty() || meanwhile == "changed") {
            QCOMPARE(frames, writes + QList<QByteArray>{fixtures::readFrame()});
            QCOMPARE(d.text3, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
            // The read-back is a verify of its own.
            QVERIFY(d.h.form->verify().hasResult());
            QCOMPARE(d.differingSlots(), meanwhile.isEmpty() ? QList<int>() : QList<int>{elsewhere});
            QVERIFY(meanwhile.isEmpty() ? d.lastMessage().contains(QStringLiteral("most ") + Exact)
                                        : d.lastMessage().startsWith(QStringLiteral("A rátöltés után is 1 kód")));
            if (meanwhile.isEmpty())
                QCOMPARE(d.model.memory(), memoryOf(d.house));
            return;
        }
        // Stopped like an upload, with how many got in; nothing is read back.
        const bool refused = meanwhile == "refused";
        QCOMPARE(frames, refused ? writes.mid(0, 2) : QList<QByteArray>(20, writes.first()));
        QVERIFY(d.lastMessage().startsWith(refused ? QStringLiteral("A beírás nem sikerült!")
                                                   : QStringLiteral("A beírás/törlés nem sikerült!")));
        QVERIFY(d.lastMessage().contains(QStringLiteral("Az eltérő 3 kódból %1 került").arg(refused ? 1 : 0)));
        QVERIFY(!d.h.form->verify().hasResult());
    }

    void differenceUploadNeedsAValidVerify_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("no verify") << "none" << "Nincs érvényes ellenőrzés";
        QTest::newRow("nothing differs") << "equal" << "nincs mit rátölteni";
        QTest::newRow("house file changed") << "file" << "megváltozott";
        QTest::newRow("another port chosen") << "port" << "megváltozott a soros port";
        QTest::newRow("another house opened") << "house" << "más ház van megnyitva";
        QTest::newRow("another exchange ran") << "exchange" << "Nincs érvényes ellenőrzés";
        QTest::newRow("unsaved rows") << "unsaved" << "el nem mentett";
    }
    void differenceUploadNeedsAValidVerify()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        Door d;
        QVERIFY(d.start());
        if (change != "equal")
            d.model.changeSlots(2, 9);
        if (change != "none")
            QVERIFY(d.verify());
        Harness &h = d.h;
        if (change == "file") {
            QByteArray other = d.house;
            other[0] = 'A';
            h.writeFile(QStringLiteral("haz.txt"), other);
        } else if (change == "port") {
            emit h.ui().Combo1->activated(1);
            d.answer();
        } else if (change == "house") {
            h.writeFile(QStringLiteral("mas.txt"), d.house);
            fixtures::openHouse(h, h.path(QStringLiteral("mas.txt")));
        } else if (change == "exchange") {
            h.dialogs.answer(Answer::Ok);
            QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
            QTest::keyClicks(h.ui().Text8, QStringLiteral("DmvX"));
            QTest::keyClick(h.ui().Text8, Qt::Key_Return);
            QTRY_VERIFY(!h.form->exchangeRunning());
        } else if (change == "unsaved") {
            h.form->state().shownHouse.setUnsavedRows(true);
        }
        const auto before = snapshot(h.dataFolder);
        const qsizetype sent = d.line()->written.size();
        h.dialogs.clear();
        QVERIFY(d.run(h.form->uploadDifferencesAction()));
        QCOMPARE(h.dialogs.messageTexts().size(), 1);
        QVERIFY2(d.lastMessage().contains(message), qPrintable(d.lastMessage()));
        QCOMPARE(d.line()->written.size(), sent);
        QCOMPARE(snapshot(h.dataFolder), before);
    }

    void verifyRefusals_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("message");
        QTest::newRow("no port") << "port" << "Nincs megnyitott soros port";
        QTest::newRow("house changed on disk") << "file" << Reopen;
        QTest::newRow("Text2 names another file") << "text2" << Reopen;
        QTest::newRow("unsaved rows") << "unsaved" << "Mentés gombbal";
        QTest::newRow("record the upload would refuse") << "hex" << "kódja hibás";
        QTest::newRow("an exchange runs") << "running" << "adatcsere folyik";
    }
    void verifyRefusals()
    {
        QFETCH(QString, state);
        QFETCH(QString, message);
        Door d;
        QVERIFY(d.start());
        Harness &h = d.h;
        if (state == "hex") {
            h.writeFile(QStringLiteral("haz.txt"), QByteArray(d.house).replace(100 * 12, 12, "ZZZZZZZZZZZZ"));
            fixtures::openHouse(h, h.path(QStringLiteral("haz.txt")));
            h.dialogs.clear();
        } else if (state == "port")
            h.form->reader().detach();
        else if (state == "file")
            h.writeFile(QStringLiteral("haz.txt"), openedhouse::houseWithCodes(4));
        else if (state == "text2")
            h.ui().Text2->setText(h.path(QStringLiteral("mas.txt")));
        else if (state == "unsaved")
            h.form->state().shownHouse.setUnsavedRows(true);
        else if (state == "running")
            h.form->state().readOutRunning = 1;
        const auto before = snapshot(h.dataFolder);
        h.form->verifyAction()->trigger();
        QCOMPARE(h.dialogs.messageTexts().size(), 1);
        QVERIFY2(d.lastMessage().contains(message), qPrintable(d.lastMessage()));
        QCOMPARE(h.form->state().verifyRunning, qint16(0));
        if (d.line())
            QVERIFY(d.line()->written.isEmpty());
        QCOMPARE(snapshot(h.dataFolder), before);
    }

    void verifyThatGetsNoDumpEndsCleanly_data()
    {
        QTest::addColumn<bool>("portLost");
        QTest::newRow("port lost mid-dump") << true;
        QTest::newRow("dump stops") << false;
    }
    void verifyThatGetsNoDumpEndsCleanly()
    {
        QFETCH(bool, portLost);
        Door d;
        QVERIFY(d.start());
        MemoryLink *link = d.line();
        link->onWritten = [link](const QByteArray &) {
            QTimer::singleShot(0, link, [link] { link->feed(fixtures::dump().left(5000)); });
        };
        const auto before = snapshot(d.h.dataFolder);
        d.h.form->verifyAction()->trigger();
        QTRY_COMPARE(d.h.ui().Text3->text(), QStringLiteral("5000"));
        if (portLost)
            link->vanish(QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt"));
        QTRY_COMPARE(d.h.form->state().verifyRunning, qint16(0));
        d.checkIdle();
        QVERIFY(d.lastMessage().contains(portLost ? QStringLiteral("Az ellenőrzés megszakadt")
                                                  : Verify::transferErrorMessage()));
        QVERIFY(!d.h.form->verify().hasResult());
        QCOMPARE(snapshot(d.h.dataFolder), before);
    }

#ifndef Q_OS_WIN // pseudo-terminals are Linux-only
    // The whole road over a pseudo-terminal: the real port code and the
    // simulated reader's server.
    void verifyAndDifferenceUploadEndToEnd()
    {
        QTemporaryDir ports;
        PtyServer server{ReaderOptions()};
        server.setLinkDirectory(ports.path());
        server.setPortNumber(201);
        SystemPortCatalogue catalogue(ports.path());
        Harness h;
        const QByteArray house = openedhouse::houseWithCodes(8);
        h.writeFile(QStringLiteral("haz.txt"), house);
        QVERIFY(server.model().loadHouseFile(h.path(QStringLiteral("haz.txt"))));
        const QList<int> picked = server.model().changeSlots(9, 3);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        h.services.ports = &catalogue;
        h.saveDataFolder();
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"), QStringLiteral("201"));
        QVERIFY(h.start() && h.form->reader().isOpen());
        fixtures::openHouse(h, h.path(QStringLiteral("haz.txt")));
        h.dialogs.clear();
        h.form->verifyAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!h.form->exchangeRunning(), 20000);
        QCOMPARE(h.form->verify().differences().size(), 9);
        QCOMPARE(h.form->verify().differences().first().slot, picked.first());
        h.dialogs.answer(Answer::Ok);
        h.form->uploadDifferencesAction()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!h.form->exchangeRunning(), 20000);
        QCOMPARE(server.model().memory(), memoryOf(house));
        QCOMPARE(server.model().storedWrites(), 9);
        QVERIFY(h.dialogs.messageTexts().last().contains(QStringLiteral("most ") + Exact));
        QCOMPARE(h.readFile(QStringLiteral("haz.txt")), house);
    }
#endif
};

QTEST_MAIN(TstVerify)
#include "tst_verify.moc"
