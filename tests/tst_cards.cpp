// "Kártya keresése", "Kód törlése" and "Lakás ürítése" over a generated data
// folder, checked file by file and byte by byte.
#include "housefixtures.h"
#include "killloop.h"
#include "openedhouse.h"
#include "cards/cardfinder.h"
#include "ui_cardwindow.h"

#include <QAction>
#include <QRandomGenerator>
#include <QSignalSpy>

using Answer = Dialogs::Answer;
using openedhouse::snapshot;

namespace {
const QByteArray Code = "0A1B2C3D4E05";

// A house of random codes made of the digits 1 to 9 only (a query with a
// letter or a 0 cannot meet them by chance), every seventh slot empty, with
// Code put into the given records (in lower case where asked).
QByteArray houseOf(quint32 seed, const QList<int> &records = {}, bool lower = false)
{
    QRandomGenerator random(seed);
    QByteArray out;
    for (int r = 1; r <= 1366; ++r) {
        QByteArray record;
        for (int i = 0; i < 12; ++i)
            record += char('1' + random.bounded(9));
        out += r % 7 == 0 || r == 1366 ? QByteArray("FFFFFFFFFFFF") : record;
    }
    for (int r : records)
        out.replace((r - 1) * 12, 12, lower ? Code.toLower() : Code);
    return out;
}

// The folder: Code in a.txt (apartment 5), in b.txt (apartment 138, named
// in postas.lst), in the backup b.bak and in lower case in "c" without
// extension; f.txt without it; a damaged and an empty file.
void fillFolder(Harness &h)
{
    h.writeFile(QStringLiteral("a.txt"), houseOf(1, {40}));
    h.writeFile(QStringLiteral("b.txt"), houseOf(2, {1236}));
    h.writeFile(QStringLiteral("b.bak"), houseOf(3, {100}));
    h.writeFile(QStringLiteral("c"), houseOf(4, {1365}, true));
    h.writeFile(QStringLiteral("f.txt"), houseOf(5));
    h.writeFile(QStringLiteral("d.txt"), QByteArray(100, '1'));
    h.writeFile(QStringLiteral("e.txt"), QByteArray());
    h.writeFile(QStringLiteral("postas.lst"),
                fixtures::nonResident("Kovacs", "1111111111") + fixtures::nonResident("Postas Pal", "0A1B2C3D4E"));
}

QStringList hitsOf(CardFinder &finder)
{
    QStringList out;
    for (const cards::Hit &hit : finder.hits())
        out << QStringLiteral("%1:%2").arg(hit.file).arg(hit.slot);
    return out;
}

QByteArray emptied(QByteArray content, int record)
{
    return content.replace((record - 1) * 12, 12, "FFFFFFFFFFFF");
}
} // namespace

class TstCards : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    CardFinder &finder() { return h->form->cardFinder(); }
    Ui::CardWindow &window() { return finder().ui(); }

    bool search(const QString &text)
    {
        window().queryEdit->setText(text);
        QSignalSpy done(&finder(), &CardFinder::searchFinished);
        QTest::mouseClick(window().searchButton, Qt::LeftButton);
        return done.wait(5000);
    }
    // Selects the hit rows of these "file:slot" names and answers the question.
    void takeOut(const QStringList &which, Answer answer = Answer::Yes)
    {
        QTableWidget *table = window().hitTable;
        table->clearSelection();
        const QStringList all = hitsOf(finder());
        for (const QString &hit : which)
            table->selectionModel()->select(table->model()->index(int(all.indexOf(hit)), 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        h->dialogs.answer(answer);
        QSignalSpy done(&finder(), &CardFinder::searchFinished);
        QTest::mouseClick(window().takeOutButton, Qt::LeftButton);
        if (answer == Answer::Yes)
            QVERIFY(done.wait(5000));
    }

private slots:
    void init()
    {
        h = std::make_unique<Harness>();
        QVERIFY(fixtures::startShown(*h));
        fillFolder(*h);
        h->form->findCardAction()->trigger();
        QVERIFY(finder().window()->isVisible());
    }
    void cleanup() { h.reset(); }

    void searchFindsTheCardWhereverItIs_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("hits");
        const QStringList everywhere{"postas.lst:2", "a.txt:40", "b.bak:100", "b.txt:1236", "c:1365"};
        QTest::newRow("full code") << "0A1B2C3D4E05" << everywhere;
        QTest::newRow("fragment, lower case") << "c3d4" << everywhere;
        QTest::newRow("digits with spaces") << " 0A1B 2C3D " << everywhere;
        QTest::newRow("non-resident's name") << "Postas Pal" << everywhere;
        QTest::newRow("empty slots never match") << "FFFF" << QStringList();
        QTest::newRow("only postas.lst") << "11111111110" << QStringList{"postas.lst:1"};
    }
    void searchFindsTheCardWhereverItIs()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, hits);
        const auto before = snapshot(h->dataFolder);
        QVERIFY(search(query));
        QCOMPARE(hitsOf(finder()), hits);
        QCOMPARE(window().hitTable->rowCount(), hits.size());
        QCOMPARE(finder().skipped().size(), 2); // d.txt and e.txt, each once
        QVERIFY(finder().skipped().first().startsWith(QStringLiteral("d.txt: 100 bájt")));
        QCOMPARE(snapshot(h->dataFolder), before);
        if (hits.size() < 5)
            return;
        // Apartment 138 names its non-resident; a backup says it is one.
        QCOMPARE(window().hitTable->item(3, 5)->text(), QStringLiteral("Postas Pal"));
        QCOMPARE(window().hitTable->item(3, 1)->text(), QStringLiteral("138"));
        QCOMPARE(window().hitTable->item(3, 2)->text(), QStringLiteral("3"));
        QCOMPARE(window().hitTable->item(4, 4)->text(), QStringLiteral("0a1b2c3d4e05"));
        QVERIFY(window().hitTable->item(2, 0)->text().contains(QStringLiteral("biztonsági mentés")));
    }

    void whatIsNoQueryIsSaidAndNothingSearched_data()
    {
        QTest::addColumn<QString>("query");
        QTest::newRow("three digits") << "0A1";
        QTest::newRow("not hex") << "0A1B2X";
        QTest::newRow("unknown name") << "Kiss Bela";
    }
    void whatIsNoQueryIsSaidAndNothingSearched()
    {
        QFETCH(QString, query);
        QVERIFY(!finder().search(query));
        QCOMPARE(h->dialogs.messageTexts().size(), 1);
        QVERIFY(!finder().searching());
    }

    void anEmptyFolderFindsNothing()
    {
        for (const QString &name : QDir(h->dataFolder).entryList(QDir::Files))
            QVERIFY(QFile::remove(h->path(name)));
        QVERIFY(search(QStringLiteral("0A1B")));
        QVERIFY(finder().hits().isEmpty() && finder().skipped().isEmpty());
    }

    void takeOutEmptiesExactlyTheChosenRecords_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QStringList>("emptiedHits");
        const QStringList chosen{"a.txt:40", "b.bak:100", "c:1365"};
        QTest::newRow("nothing changed") << QString() << chosen;
        QTest::newRow("record changed since the search") << "changed" << QStringList{"a.txt:40", "b.bak:100"};
        QTest::newRow("open house with unsaved rows") << "unsaved" << QStringList{"b.bak:100", "c:1365"};
        QTest::newRow("house being uploaded") << "upload" << QStringList{"b.bak:100", "c:1365"};
        QTest::newRow("answered No") << "no" << QStringList();
    }
    void takeOutEmptiesExactlyTheChosenRecords()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, emptiedHits);
        QVERIFY(search(QString::fromLatin1(Code)));
        if (meanwhile == "changed")
            h->writeFile(QStringLiteral("c"), houseOf(4, {}));
        if (meanwhile == "unsaved" || meanwhile == "upload") {
            fixtures::openHouse(*h, h->path(QStringLiteral("a.txt")));
            h->form->state().shownHouse.setUnsavedRows(meanwhile == "unsaved");
        }
        if (meanwhile == "upload") {
            h->dialogs.answer(Answer::Ok);
            QTest::mouseClick(h->ui().Command1, Qt::LeftButton);
            QCOMPARE(h->form->runningExchange(), Form1::Exchange::Upload);
        }
        auto expected = snapshot(h->dataFolder);
        for (const QString &hit : emptiedHits) {
            const QString file = hit.section(QLatin1Char(':'), 0, 0);
            expected[file] = emptied(expected[file], hit.section(QLatin1Char(':'), 1).toInt());
        }
        h->dialogs.clear();
        takeOut({"a.txt:40", "b.bak:100", "c:1365"}, meanwhile == "no" ? Answer::No : Answer::Yes);
        QCOMPARE(snapshot(h->dataFolder), expected);
        QCOMPARE(h->dialogs.messageTexts().first(),
                 QStringLiteral("3 kódot töröl 3 fájlból (a biztonsági mentésekből is). A nem ott lakók listája nem "
                                "változik. Folytatja?"));
        if (meanwhile == "no")
            return;
        const QString report = h->dialogs.messageTexts().last();
        QVERIFY2(report.contains(QStringLiteral("Ellenőrzés és Eltérések rátöltése")), qPrintable(report));
        QCOMPARE(report.contains(QStringLiteral("megváltozott: c, 1365")), meanwhile == "changed");
        QCOMPARE(report.contains(QStringLiteral("Kihagyva")), meanwhile == "unsaved" || meanwhile == "upload");
        // The hit list is searched again: what was taken out is gone from it.
        QVERIFY(hitsOf(finder()).contains(QStringLiteral("b.txt:1236")));
        for (const QString &hit : emptiedHits)
            QVERIFY(!hitsOf(finder()).contains(hit));
    }

    void takeOutRefreshesTheOpenHouse()
    {
        fixtures::openHouse(*h, h->path(QStringLiteral("a.txt")));
        QVERIFY(search(QString::fromLatin1(Code)));
        // A double click on a house's hit opens it at the hit.
        const QRect cell = window().hitTable->visualItemRect(window().hitTable->item(1, 0));
        QTest::mouseClick(window().hitTable->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(window().hitTable->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(h->ui().Text2->text(), h->path(QStringLiteral("a.txt")));
        QCOMPARE(h->ui().List2->currentRow(), 44);
        takeOut({"a.txt:40"});
        QCOMPARE(h->ui().List2->item(44)->text(), QStringLiteral("FFFFFFFFFFFF"));
        // The record of what List2 shows followed: Mentés is still allowed.
        QVERIFY(h->form->state().shownHouse.problem(h->ui().Text2->text()).isEmpty());
    }

    void emptyingAnApartment_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::newRow("apartment 5 by its header") << 40 << "" << 37 << 9;
        QTest::newRow("apartment 152 by a record row") << 1513 << "" << 1360 << 6;
        QTest::newRow("apartment 138 refused") << 1372 << "" << 0 << 0;
        QTest::newRow("answered No") << 40 << "no" << 0 << 0;
        QTest::newRow("stale list refused") << 40 << "stale" << 0 << 0;
        QTest::newRow("unsaved rows refused") << 40 << "unsaved" << 0 << 0;
        QTest::newRow("refused while an exchange runs") << 40 << "running" << 0 << 0;
    }
    void emptyingAnApartment()
    {
        QFETCH(int, row);
        QFETCH(QString, state);
        QFETCH(int, first);
        QFETCH(int, count);
        fixtures::openHouse(*h, h->path(QStringLiteral("a.txt")));
        h->ui().List2->setCurrentRow(row);
        if (state == "stale")
            h->writeFile(QStringLiteral("a.txt"), houseOf(9));
        h->form->state().shownHouse.setUnsavedRows(state == "unsaved");
        h->form->state().verifyRunning = state == "running";
        auto expected = snapshot(h->dataFolder);
        for (int r = first; r < first + count; ++r)
            expected[QStringLiteral("a.txt")] = emptied(expected[QStringLiteral("a.txt")], r);
        h->dialogs.clear();
        h->dialogs.answer(state == "no" ? Answer::No : Answer::Yes);
        h->form->emptyApartmentAction()->trigger();
        QCOMPARE(snapshot(h->dataFolder), expected);
        if (count == 0)
            return;
        QVERIFY(h->dialogs.messageTexts().first().contains(QStringLiteral("%1. lakását").arg(row / 10 + 1)));
        QCOMPARE(h->ui().List2->item(first + (first - 1) / 9)->text(), QStringLiteral("FFFFFFFFFFFF"));
        QCOMPARE(h->ui().List2->currentRow(), row / 10 * 10);
    }

    // The child takes Code out of six houses and writes it back, round after
    // round; wherever the kill lands, each file keeps its length and every
    // record is as it was, or emptied where Code was. The non-houses of
    // fillFolder and postas.lst (which the search also hits) stay byte for byte.
    void aTakeOutKilledAtAnyInstantLeavesWholeFiles()
    {
        QRandomGenerator random(20261206);
        for (const char *name : {"a.txt", "b.txt", "c", "f.txt", "g.txt", "b.bak"}) {
            QList<int> records;
            for (int i = 0; i < 50; ++i)
                records << int(random.bounded(1, 1366));
            h->writeFile(QString::fromLatin1(name), houseOf(random.generate(), records));
        }
        const auto prepared = snapshot(h->dataFolder);
        KillLoop loop;
        loop.child = QStringLiteral("copyrestore_child");
        loop.arguments = {QStringLiteral("takeout"), h->temp.path()};
        loop.seed = 20261206;
        // A round takes several times longer under the sanitizers, and far
        // longer still under Wine.
#ifdef Q_OS_WIN
        loop.maxDelayMs = 1500;
#else
        loop.maxDelayMs = 150;
#endif
        loop.check = [&](int) -> QString {
            const auto now = snapshot(h->dataFolder);
            if (now.keys() != prepared.keys())
                return QStringLiteral("files came or went");
            for (auto it = prepared.cbegin(); it != prepared.cend(); ++it) {
                const QByteArray was = it.value(), is = now.value(it.key());
                bool whole = is.size() == was.size();
                for (int at = 0; whole && at < was.size(); at += 12) {
                    const QByteArray before = was.mid(at, 12), after = is.mid(at, 12);
                    whole = after == before || (before == Code && after == "FFFFFFFFFFFF");
                }
                if (!whole)
                    return it.key() + QStringLiteral(" is not whole");
                h->writeFile(it.key(), was); // the next child finds Code everywhere again
            }
            return QString();
        };
        int rounds = 0;
        const QString problem = loop.run(rounds);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(rounds > 0, "the child finished no round at all");
    }
};

QTEST_MAIN(TstCards)
#include "tst_cards.moc"
