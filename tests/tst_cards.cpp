// "Kártya keresése", "Kód törlése" and "Lakás ürítése" over a generated data folder, checked byte by byte.
#include "housefixtures.h"
#include "openedhouse.h"
#include "cards/cardfinder.h"
#include "cards/revoked.h"
#include "cards/revokedwindow.h"
#include "ui_revokedwindow.h"
#include "ui_cardwindow.h"
#include <QAction>
#include <QSignalSpy>

using openedhouse::snapshot;
static const QByteArray Code = "0A1B2C3D4E05", Empty = "FFFFFFFFFFFF";

// `code` at `at`; elsewhere every seventh slot empty, digits (no query with a letter or a 0 meets them) in the rest.
static QByteArray houseOf(const QList<int> &at = {}, const QByteArray &code = Code, const char *digits = "123456789123")
{
    QByteArray out;
    for (int r = 1; r <= 1366; ++r) out += at.contains(r) ? code : r % 7 == 0 ? Empty : QByteArray(digits);
    return out;
}

class TstCards : public QObject
{
    Q_OBJECT
    std::unique_ptr<Harness> h;
    CardFinder &finder() { return h->form->cardFinder(); }
    Ui::CardWindow &window() { return finder().ui(); }
    bool search(const QString &query) // true when a search ran to its end
    {
        window().queryEdit->setText(query);
        QSignalSpy done(&finder(), &CardFinder::searchFinished);
        QTest::mouseClick(window().searchButton, Qt::LeftButton);
        return finder().searching() && done.wait(5000);
    }
    QStringList hits()
    {
        QStringList out;
        for (const cards::Hit &hit : finder().hits()) out << QStringLiteral("%1:%2").arg(hit.file).arg(hit.slot);
        return out;
    }

private slots:
    // Code in a.txt (apartment 5), in b.txt (apartment 138, named in postas.lst), in the backup b.bak,
    // in lower case in "c" without extension, in every slot of g.txt and in f.txt's record 1366, which is no
    // slot; a damaged and an empty file; letiltott.lst of a house's length, full of Code: no house, never searched nor changed.
    void init()
    {
        h = std::make_unique<Harness>();
        QVERIFY(h->startShown());
        const QList<std::pair<QString, QByteArray>> files{{"a.txt", houseOf({40})}, {"b.txt", houseOf({1236})},
            {"b.bak", houseOf({100})}, {"c", houseOf({1365}, Code.toLower())}, {"f.txt", houseOf({1366})}, {"e.txt", {}},
            {"g.txt", Code.repeated(1365) + Empty}, {"d.txt", QByteArray(100, '1')}, {"letiltott.lst", Code.repeated(1366)}, {"postas.lst",
            fixtures::nonResident("Kovacs", "1111111111") + fixtures::nonResident("Postas Pal", "0A1B2C3D4E")}};
        for (const auto &[name, bytes] : files) h->writeFile(name, bytes);
        h->form->findCardAction()->trigger();
        QVERIFY(finder().window()->isVisible());
    }

    void search_data()
    {
        QTest::addColumn<QString>("query"); QTest::addColumn<QStringList>("hits"); // "none": no query
        QStringList everywhere{"postas.lst:2", "a.txt:40", "b.bak:100", "b.txt:1236", "c:1365"};
        for (int r = 1; r <= 1365; ++r) everywhere << QStringLiteral("g.txt:%1").arg(r);
        QTest::newRow("fragment, lower case") << "c3d4" << everywhere;
        QTest::newRow("digits with spaces") << " 0A1B 2C3D " << everywhere;
        QTest::newRow("non-resident's name") << "Postas Pal" << everywhere;
        QTest::newRow("empty slots never match") << "FFFF" << QStringList();
        QTest::newRow("only postas.lst") << "11111111110" << QStringList{"postas.lst:1"};
        QTest::newRow("three digits") << "0A1" << QStringList{"none"};
        QTest::newRow("not hex") << "0A1B2X" << QStringList{"none"};
        QTest::newRow("unknown name") << "Kiss Bela" << QStringList{"none"};
    }
    void search()
    {
        QFETCH(QString, query); QFETCH(QStringList, hits);
        const bool none = hits == QStringList{"none"};
        QCOMPARE(search(query), !none);
        QCOMPARE(h->dialogs.messageTexts().size(), int(none)); // saying why
        QCOMPARE(this->hits(), none ? QStringList() : hits);
    }

    // "Kód törlése" of the hits in a.txt (opened at its hit), b.bak and c, or "Lakás ürítése" of the
    // apartment of a List2 row of a.txt; `emptied`: file:first[:last] record.
    void emptiesExactlyTheChosenRecords_data()
    {
        QTest::addColumn<int>("row"); // -1: Kód törlése
        QTest::addColumn<QString>("meanwhile"); QTest::addColumn<QStringList>("emptied");
        const QStringList hits{"a.txt:40", "b.bak:100", "c:1365"};
        QTest::newRow("take-out") << -1 << "" << hits;
        QTest::newRow("take-out, a record changed since the search") << -1 << "changed" << hits.mid(0, 2);
        QTest::newRow("take-out, unsaved rows") << -1 << "unsaved" << hits.mid(1);
        QTest::newRow("take-out, the postas.lst hit selected too") << -1 << "postas" << hits; // the list is no house: left as it is
        QTest::newRow("take-out, unsaved rows of a house being uploaded") << -1 << "unsaved upload" << hits.mid(1);
        QTest::newRow("take-out answered No") << -1 << "no" << QStringList();
        QTest::newRow("apartment 5 by its header") << 40 << "" << QStringList{"a.txt:37:45"};
        QTest::newRow("apartment 152 (six slots) by a record row") << 1513 << "" << QStringList{"a.txt:1360:1365"};
        QTest::newRow("apartment 138 refused") << 1372 << "" << QStringList();
        QTest::newRow("apartment answered No") << 40 << "no" << QStringList();
        QTest::newRow("apartment with unsaved rows") << 40 << "unsaved" << QStringList();
    }
    void emptiesExactlyTheChosenRecords()
    {
        QFETCH(int, row); QFETCH(QString, meanwhile); QFETCH(QStringList, emptied);
        QTableWidget *table = window().hitTable;
        if (row < 0) {
            QVERIFY(search(QString::fromLatin1(Code)));
            QCOMPARE(table->rowCount(), 1000);
            QStringList row3; // apartment 138 names its non-resident
            for (int c = 0; c < 6; ++c) row3 << table->item(3, c)->text();
            QCOMPARE(row3, (QStringList{"b.txt", "138", "3", "1236", QString::fromLatin1(Code), "Postas Pal"}));
            QVERIFY(table->item(2, 0)->text().contains("biztonsági mentés"));
            int widest = 0; // the file column leaves a character's room beyond its widest name
            for (int r = 0; r < 1000; ++r) widest = qMax(widest, table->fontMetrics().horizontalAdvance(table->item(r, 0)->text()));
            QVERIFY(table->horizontalHeader()->sectionSize(0) >= widest + table->fontMetrics().averageCharWidth());
            const QPoint cell = table->visualItemRect(table->item(1, 0)).center();
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
            QCOMPARE(h->ui().Text2->text(), h->path("a.txt"));
        } else {
            fixtures::act(*h, "answer Ok|pick a.txt|click Command4");
            h->ui().List2->setCurrentRow(row);
        }
        QCOMPARE(h->ui().List2->currentRow(), row < 0 ? 44 : row);
        if (meanwhile == "changed")
            h->writeFile("c", houseOf({}, Code, "987654321987"));
        const bool unsaved = meanwhile.startsWith("unsaved"), upload = meanwhile.endsWith("upload");
        h->form->state().shownHouse.setUnsavedRows(unsaved);
        if (upload) fixtures::act(*h, "answer Ok|click Command1");
        auto expected = snapshot(h->dataFolder);
        const auto before = expected;
        const qsizetype kept = openedhouse::historyOf(h->dataFolder).size();
        for (const QString &range : emptied)
            for (int r = range.section(':', 1, 1).toInt(); r <= range.section(':', -1).toInt(); ++r)
                expected[range.section(':', 0, 0)].replace((r - 1) * 12, 12, Empty);
        h->dialogs.clear();
        h->dialogs.answer(meanwhile == "no" ? Dialogs::Answer::No : Dialogs::Answer::Yes);
        QSignalSpy searchedAgain(&finder(), &CardFinder::searchFinished);
        for (int r : {0, 1, 2, 4}) table->setRangeSelected({r, 0, r, 5}, r || meanwhile == "postas");
        if (row >= 0) h->form->emptyApartmentAction()->trigger();
        else QTest::mouseClick(window().takeOutButton, Qt::LeftButton);
        QVERIFY(row >= 0 || meanwhile == "no" || searchedAgain.wait(5000));
        QCOMPARE(snapshot(h->dataFolder), expected);
        QCOMPARE(openedhouse::versionsDiffer(h->dataFolder, kept, before, expected), QString());
        if (emptied.isEmpty()) { // refused at once, or asked and answered No
            QCOMPARE(h->dialogs.shown().size(), 1);
            QCOMPARE(h->dialogs.shown().first().buttons == Dialogs::Buttons::YesNo, meanwhile == "no");
            return;
        }
        const QString report = h->dialogs.messageTexts().last();
        QVERIFY2(report.contains("Ellenőrzés és Eltérések rátöltése"), qPrintable(report));
        QCOMPARE(report.contains("megváltozott: c, 1365"), meanwhile == "changed");
        QCOMPARE(report.split('\n').contains("Kihagyva, mert adatcsere használja: a.txt."), upload);
        QCOMPARE(report.split('\n').contains("Kihagyva, mert el nem mentett változás van benne: a.txt."), unsaved);
        QCOMPARE(window().skippedList->count(), row < 0 ? 2 : 0); // d.txt and e.txt, once after two searches
        // List2 and the record of what it shows followed a.txt: Mentés is still allowed.
        for (int r = 1; r <= 1366; ++r)
            QCOMPARE(h->ui().List2->item(r + (r - 1) / 9)->text().toLatin1(), expected["a.txt"].mid(r * 12 - 12, 12));
        QCOMPARE(h->ui().List2->currentRow(), row < 0 ? 44 : row / 10 * 10);
        QVERIFY(h->form->state().shownHouse.problem(h->ui().Text2->text()).isEmpty());
    }

    // After Yes to the take-out, a second question offers to revoke the selected hits' cards: Igen under Enter for a name or a
    // whole code, Nem for a fragment. The a.txt hit, skipped for its unsaved rows, is revoked too, once, with its reason.
    void revokingByTakeOut_data()
    {
        QTest::addColumn<QString>("query"); QTest::addColumn<QString>("answer"); QTest::addColumn<QString>("enter"); QTest::addColumn<QString>("reason");
        QTest::newRow("whole code, Igen") << QString(Code) << "Yes" << "Yes" << "Kód törlése";
        QTest::newRow("ten digits, Nem") << "0A1B2C3D4E" << "No" << "Yes" << "";
        QTest::newRow("a name, Igen") << "Postas Pal" << "Yes" << "Yes" << "Kód törlése: Postas Pal";
        QTest::newRow("a fragment, Igen") << "c3d4" << "Yes" << "No" << "Kód törlése";
    }
    void revokingByTakeOut()
    {
        QFETCH(QString, query); QFETCH(QString, answer); QFETCH(QString, enter); QFETCH(QString, reason);
        fixtures::act(*h, "answer Ok|pick a.txt|click Command4");
        h->form->state().shownHouse.setUnsavedRows(true);
        QVERIFY(search(query) && hits().value(1) == "a.txt:40");
        window().hitTable->setRangeSelected({1, 0, 1, 5}, true);
        h->dialogs.clear();
        fixtures::act(*h, "answer Yes|answer " + answer + "|click takeOutButton");
        QVERIFY(waitFor([&] { return !finder().searching(); }));
        const auto asked = h->dialogs.shown().value(1);
        const QStringList buttons{"Ok", "Cancel", "Yes", "No"};
        QCOMPARE(asked.text + " Enter=" + buttons[int(asked.defaultButton)],
                 "Letiltja ezeket a kártyákat is, hogy ne kerülhessenek vissza ajtóba vagy házba? 0A1B2C3D4E Enter=" + enter);
        const QList<cards::RevokedCard> revoked = cards::RevokedCards::parse(h->readFile("letiltott.lst"));
        QCOMPARE(revoked.size(), int(!reason.isEmpty()));
        QVERIFY(reason.isEmpty() || (revoked[0].number == "0A1B2C3D4E" && revoked[0].reason == reason && revoked[0].time.secsTo(QDateTime::currentDateTime()) < 60));
        QCOMPARE(h->readFile("a.txt"), houseOf({40})); // skipped all the same
    }

    // "Letiltott kártyák": a number typed by hand, spaces and case ignored, is revoked once, and found whatever type a record
    // gives it; a bad or a free slot's number is refused; a selected card is taken off after a question, Nem under Enter.
    void revokingByHand_data()
    {
        QTest::addColumn<QString>("typed"); QTest::addColumn<QString>("refused");
        QTest::newRow("spaces, lower case") << " 0a1b 2c3d4e " << "";
        QTest::newRow("nine digits") << "0A1B2C3D4" << "A kártyaszám pontosan 10 hexadecimális számjegy (0-9, A-F).";
        QTest::newRow("not hex") << "0A1B2C3D4G" << "A kártyaszám pontosan 10 hexadecimális számjegy (0-9, A-F).";
        QTest::newRow("an empty slot") << "ffffffffff" << "A(z) FFFFFFFFFF üres kódhelyet jelöl, nem tiltható le.";
        QTest::newRow("a zero slot") << "0000000000" << "A(z) 0000000000 üres kódhelyet jelöl, nem tiltható le.";
    }
    void revokingByHand()
    {
        QFETCH(QString, typed); QFETCH(QString, refused);
        const QByteArray listBefore = h->readFile("letiltott.lst");
        h->form->revokedAction()->trigger();
        Ui::RevokedWindow &w = h->form->revokedWindow().ui();
        h->dialogs.clear();
        for (int twice = 0; twice < 2; ++twice)
            fixtures::act(*h, "set numberEdit " + typed + "|set reasonEdit elveszett|click addButton");
        const QStringList once{"A(z) 0A1B2C3D4E kártya már le van tiltva."}, twice(2, refused);
        QCOMPARE(h->dialogs.messageTexts(), refused.isEmpty() ? once : twice);
        if (!refused.isEmpty()) {
            QCOMPARE(h->readFile("letiltott.lst"), listBefore);
            return;
        }
        QCOMPARE(h->readFile("letiltott.lst").split('\t').value(2), "elveszett\n");
        QStringList row;
        for (int c = 0; c < 4; ++c) row << w.cardTable->item(0, c)->text();
        QVERIFY(row[0] == "0A1B2C3D4E" && row[2] == "elveszett" && row[3] == "Postas Pal" && w.cardTable->rowCount() == 1);
        QVERIFY(h->form->revokedCards().find("0a1b2c3d4e07") && !h->form->revokedCards().find("0A1B2C3D4F05"));
        w.cardTable->selectRow(0);
        fixtures::act(*h, "click removeButton|answer Yes|click removeButton");
        QCOMPARE(h->dialogs.log().mid(1), QStringList(2, "Feloldja a(z) 0A1B2C3D4E kártya tiltását (például mert megtalálták)? Utána újra ajtóba és házba kerülhet. [YesNo Enter=No]"));
        QVERIFY(h->readFile("letiltott.lst").isEmpty() && w.cardTable->rowCount() == 0 && !h->form->revokedCards().find("0A1B2C3D4E"));
        QVERIFY(h->readFile("elozmenyek/naplo.log").contains("Letiltás: 0A1B2C3D4E") && h->readFile("elozmenyek/naplo.log").contains("Tiltás feloldása: 0A1B2C3D4E"));
    }

    // Over the main window on its screen at first; then where and as big as it was left, in a new run too; a place on no screen
    // any more (a monitor taken away) comes onto the main window's screen, and one reaching past its edge is moved inside it.
    void theWindowKeepsItsPlace()
    {
        const QRect screen = h->form->screen()->availableGeometry(), left(30, 40, 500, 300);
        for (const QString &saved : {QString(), QStringLiteral("20000,300,500,400"), QStringLiteral("400,300,500,400")}) {
            QWidget *window = finder().window();
            QVERIFY(screen.contains(window->frameGeometry()) && window->frameGeometry().intersects(h->form->frameGeometry()));
            if (saved.isEmpty()) window->setGeometry(left);
            window->close();
            if (!saved.isEmpty()) h->settings->setValue("belvarium", "ablakok", "kartyakereses", saved);
            h->form.reset();
            QVERIFY(h->startShown());
            h->form->findCardAction()->trigger();
            window = finder().window();
            QVERIFY(saved.isEmpty() ? window->geometry() == left : window->size() == QSize(500, 400) && screen.contains(window->frameGeometry()));
        }
    }

    // The child takes Code out of the houses and writes it back, round after round: wherever the kill
    // lands, every record is as it was or, where Code was, emptied.
    void aTakeOutKilledAtAnyInstantLeavesWholeFiles()
    {
        h->writeFile("g.txt", ("123456789123123456789123" + Code).repeated(455) + Empty); // fewer than 1000 hits
        const auto prepared = snapshot(h->dataFolder);
        // 30 kills, each 0 to 150 ms after the child is ready: a round under the sanitizers takes that
        // long, and ten times that under Wine.
#ifdef Q_OS_WIN
        const int window = 1500;
#else
        const int window = 150;
#endif
        const KillLoop loop{"kill_child", {"takeout", h->temp.path()}, 30, window, 1, [&](int) -> QString {
            auto now = snapshot(h->dataFolder);
            for (auto [name, was] : prepared.asKeyValueRange()) {
                // With every empty record read as Code (c holds it in lower case), each must be as it was.
                const QByteArray bytes = now.take(name);
                if (bytes.toUpper().replace(Empty, Code) != was.toUpper().replace(Empty, Code))
                    return name + " is not whole";
                bool kept = bytes == was; // a record emptied: the house as it was is in the history
                for (const auto &[entry, content] : openedhouse::historyOf(h->dataFolder))
                    kept = kept || (entry.file == name && content == was);
                if (!kept)
                    return name + " changed without its version";
                h->writeFile(name, was); // the next child finds Code everywhere again
            }
            return now.isEmpty() ? QString() : QStringLiteral("files came");
        }};
        int rounds = 0;
        QCOMPARE(loop.run(rounds), QString());
        QVERIFY2(rounds > 0, "the child finished no round at all");
    }
};

QTEST_MAIN(TstCards)
#include "tst_cards.moc"
