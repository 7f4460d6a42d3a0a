// "Ellenőrzés" and "Eltérések rátöltése" against the simulated reader's model, once over a pseudo-terminal.
#include "door.h"
#include "readerfixtures.h"
#include "uploadfixtures.h"
#include "reader/differenceswindow.h"
#include "reader/verify.h"
#ifndef Q_OS_WIN
#include "simreader/ptyserver.h"
#endif
#include <QAction>
#include <QClipboard>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

class TstVerify : public QObject
{
    Q_OBJECT
private slots:
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
            writes << uploadfixtures::writeFrame(QByteArray::fromHex(house.toLatin1()), s);
            table += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n").arg((s - 1) / 9 + 1).arg((s - 1) % 9 + 1).arg(s)
                         .arg(d.model.slotRecord(s), house.toUpper(), s == 1236 ? "leolvasóban: Postas Pal" : "");
        }
        const auto before = openedhouse::snapshot(d.h.dataFolder);
        d.h.settings->setValue("belvarium", "ablakok", "elteresek", "20000,300,400,300"); // on a screen gone, too narrow
        QVERIFY(d.run(d.h.form->verifyAction()));
        QCOMPARE(openedhouse::snapshot(d.h.dataFolder), before);
        QCOMPARE(d.line()->written, QList<QByteArray>{fixtures::readFrame()});
        QCOMPARE(d.idle(), "1, 0 0, 1 1, 0, ''");
        const bool uploads = !then.isEmpty() && then != "lower";
        QVERIFY(d.lastMessage().startsWith(uploads ? QString::number(changed) + " kód eltér" : message));
        if (changed == 0) return;
        QCOMPARE(d.h.form->verify().markedRows(), rows);
        QVERIFY(d.marked(rows.first()) && d.marked(rows.last()) && !d.marked(rows.first() - 1));
        DifferencesWindow *window = d.h.form->verify().window();
        QVERIFY(window->isVisible() && window->rowsAsText() == table && window->height() == 300);
        QVERIFY(d.h.form->screen()->availableGeometry().contains(window->frameGeometry()));
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
            fixtures::openHouse(d.h, d.h.path("haz.txt")); // a refill takes the marks away
            QVERIFY(!d.marked(rows.first()) && !d.marked(rows.last()));
            return;
        }
        if (then == "changed") QVERIFY(d.model.setSlotRecord(picked.first() == 1 ? 2 : 1, "ABCDEF123456"));
        d.model.options().refuseSlot = then == "refused" ? picked.at(1) : 0;
        d.model.options().silent = then == "silent";
        d.line()->written.clear();
        d.h.dialogs.clear();
        QVERIFY(d.run(d.h.form->uploadDifferencesAction()));
        QCOMPARE(d.idle(), "2, 0 0, 1 1, 0, ''");
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
        QCOMPARE(d.idle(), "1, 0 0, 1 1, 0, ''");
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

QTEST_MAIN(TstVerify)
#include "tst_verify.moc"
