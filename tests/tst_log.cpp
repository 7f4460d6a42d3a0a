// "Napló": the lines each exchange, house write and refusal leaves in elozmenyek/naplo.log, its rotation, and its window.
#include "door.h"
#include "history/logwindow.h"
#include "house/housestore.h"
#include "ui_logwindow.h"
#include <QClipboard>

class TstLog : public QObject
{
    Q_OBJECT
private slots:
    void events_data()
    {
        QTest::addColumn<QString>("event"); QTest::addColumn<QString>("lines"); // the whole log, each line without its time
        QTest::newRow("read-out") << "answer Ok|pick haz.txt|answer Ok|click Command6"
                                  << "Kiolvasás az 1-es portról\thaz.bak\t1\tkész\t1365 kódhely változott\nKiolvasás az 1-es portról\thaz.txt\t1\tkész\t3 kódhely változott\nKiolvasás\thaz.txt\t1\tkész\t3 kódhely eltért a háztól";
        QTest::newRow("upload, a slot refused") << "refuse|answer Ok|click Command1" << "Rátöltés\thaz.txt\t1\tkódhely visszautasítva\t1/1365 kódhely írva, megállt a\\(z\\) 2. kódhelynél";
        QTest::newRow("upload, given up") << "silent|answer Ok|click Command1" << "Rátöltés\thaz.txt\t1\tfeladva\t0/1365 kódhely írva, megállt a\\(z\\) 1. kódhelynél";
        QTest::newRow("verify, port lost") << "hold|lose" << "Ellenőrzés\thaz.txt\t1\tport elveszett\t";
        QTest::newRow("verify, the dump stops") << "hold" << "Ellenőrzés\thaz.txt\t1\tidőtúllépés\t";
        QTest::newRow("erase") << "answer Ok|click Command17" << "Törlés\t\t1\tkész\t";
        QTest::newRow("difference upload and read-back") << "differences"
            << "Ellenőrzés\thaz.txt\t1\tkész\t3 kódhely eltér\nEltérések rátöltése\thaz.txt\t1\tkész\t3/3 kódhely írva\nEltérések rátöltése, visszaolvasás\thaz.txt\t1\tkész\t0 kódhely eltér";
        const QString stored = "Visszaállítás az előzményekből\thaz.txt\t\t", refused = stored + "elutasítva\tAz előzmények nem írhatók, ezért a\\(z\\) \\S+haz.txt fájl nem változott.+";
        QTest::newRow("two writes of one command") << "store" << stored + "kész\t1 kódhely változott\n" + stored + "kész\t1 kódhely változott";
        QTest::newRow("history cannot be written") << "no history|store" << refused + "\n" + refused;
        QTest::newRow("the house changed on disk") << "changed|empty" << "Lakás ürítése\thaz.txt\t\telutasítva\tA\\(z\\) \\S+haz.txt fájl megváltozott.+";
        QTest::newRow("log cannot be written") << "no log|store" << "";
        QTest::newRow("upload of a revoked card, Nem") << "revoke|answer No|click Command1" << "Rátöltés\thaz.txt\t1\telutasítva\tletiltott kártya 1 kódhelyen, semmi sem került a kártya leolvasóba: a felhasználó nem kérte";
        QTest::newRow("upload of a revoked card, Igen") << "revoke|answer Yes|click Command1" << "Letiltott kártya törlése\thaz.txt\t1\tkész\t1 kódhely változott\nRátöltés\thaz.txt\t1\tkész\t1365/1365 kódhely írva";
    }
    void events()
    {
        QFETCH(QString, event); QFETCH(QString, lines);
        Door d;
        QVERIFY(d.start());
        d.model.changeSlots(3, 7);
        const QString house = d.h.path("haz.txt");
        const bool stores = event != "no history|store";
        for (const QString &step : event.split('|')) {
            house::HouseStore::Command c(d.h.form->houseStore(), "Visszaállítás az előzményekből");
            if (step == "refuse") d.model.options().refuseSlot = 2;
            else if (step == "silent") d.model.options().silent = true;
            else if (step == "hold") QVERIFY(d.hold(Form1::Exchange::Verify, 1500));
            else if (step == "lose") d.line()->vanish("A(z) /dev/fake1 port megszakadt: teszt");
            else if (step == "differences") QVERIFY(d.run(d.h.form->verifyAction()) && d.run(d.h.form->uploadDifferencesAction()));
            else if (step == "store") QVERIFY(c.writeRecords(house, {{40, Door::Empty}}).ok == stores && c.writeRecords(house, {{41, Door::Code}}).ok == stores);
            else if (step == "no history") QDir().mkpath(d.h.path("elozmenyek")), d.h.writeFile("elozmenyek/tartalom", "");
            else if (step == "no log") QVERIFY(QDir().mkpath(d.h.path("elozmenyek/naplo.log")));
            else if (step == "changed") d.h.writeFile("haz.txt", Door::with(d.house, 1, Door::Code));
            else if (step == "empty") d.h.form->emptyApartmentAction()->trigger();
            else if (step == "revoke") d.h.writeFile("letiltott.lst", "0A1B2C3D4E\t2024-05-01T10:00:00+02:00\tKód törlése\n");
            else fixtures::act(d.h, step);
        }
        QVERIFY(d.waitEnd()); // each line begins with the local time and its offset
        const QString all = QString::fromUtf8(d.h.readFile("elozmenyek/naplo.log")).remove(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d)\t", QRegularExpression::MultilineOption));
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(lines.isEmpty() ? lines : lines + '\n')).match(all).hasMatch(), qPrintable(all));
        if (event.contains("store")) QCOMPARE(d.h.readFile("haz.txt"), stores ? Door::with(Door::with(d.house, 40, Door::Empty), 41, Door::Code) : d.house);
    }

    // A line that fits keeps the file; the one that would pass 1 MiB moves every file up one, the fifth going; the window shows them
    // all, newest first, filtered, and copies what is chosen; help mode explains its controls however the mouse moves over them.
    void rotationAndWindow()
    {
        Harness h;
        QVERIFY(h.startShown() && QDir().mkpath(h.path("elozmenyek")));
        history::Log &log = h.form->houseStore().log();
        const auto file = [&](int n) { return h.readFile(n ? QStringLiteral("elozmenyek/naplo.%1.log").arg(n) : "elozmenyek/naplo.log"); };
        QList<QByteArray> before{QByteArray()};
        for (int n = 1; n <= 5; ++n) h.writeFile(QStringLiteral("elozmenyek/naplo.%1.log").arg(n), before.emplaceBack(QStringLiteral("2024-01-0%1T10:00:00+01:00\tMentés\t%1.txt\t\tkész\t\n").arg(n).toUtf8()));
        const auto fits = [&] { return log.write("Ellenőrzés", "", "201", history::Log::Result::Failed, "HIBA"); };
        h.writeFile("elozmenyek/naplo.log", ""); // what the start-up logged (postas.lst made) goes
        QVERIFY(fits()); // then the same line again into a file just that much short of 1 MiB
        h.writeFile("elozmenyek/naplo.log", QByteArray(history::Log::LimitBytes - file(0).size() - 1, 'x') + '\n');
        QVERIFY(fits() && (before[0] = file(0)).size() == history::Log::LimitBytes);
        QVERIFY(log.write("Rátöltés", h.path("b.txt"), "201", history::Log::Result::GaveUp, "0/1365 kódhely írva"));
        QVERIFY(file(0).endsWith("\tRátöltés\tb.txt\t201\tfeladva\t0/1365 kódhely írva\n") && file(0).count('\n') == 1 && !QFile::exists(h.path("elozmenyek/naplo.6.log")));
        for (int n = 1; n <= 5; ++n) QCOMPARE(file(n), before[n - 1]);
        h.form->logAction()->trigger();
        LogWindow *window = h.form->findChild<LogWindow *>();
        QAbstractItemModel *rows = window->ui().logTable->model();
        QVERIFY(window->isVisible() && rows->rowCount() == 6 && rows->index(0, 1).data() == "Rátöltés" && rows->index(1, 5).data() == "HIBA" && rows->index(5, 2).data() == "4.txt");
        h.ui().Check1->setChecked(true); // the filter box tracks the mouse
        QEvent enter(QEvent::Enter);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window->ui().filterEdit, &enter), QApplication::sendEvent(window->ui().filterEdit, &move);
        QVERIFY(!h.ui().Text7->isHidden() && h.ui().Text7->toPlainText() == window->ui().filterEdit->whatsThis() && !window->ui().filterEdit->whatsThis().isEmpty());
        window->ui().filterEdit->setText("RÁTÖLTÉS");
        QVERIFY(rows->rowCount() == 1 && rows->index(0, 4).data() == "feladva");
        window->ui().filterEdit->clear();
        window->ui().logTable->selectRow(2);
        QTest::mouseClick(window->ui().copyButton, Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), LogWindow::headers().join('\t') + '\n' + before[1]);
    }
};

QTEST_MAIN(TstLog)
#include "tst_log.moc"
