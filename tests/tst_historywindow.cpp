// "Előzmények" after two read-outs into the house b.txt: its rows and its backup's, newest first; the differences of a row against
// its file now and of two rows; the bring-back through the window's controls, undone from the newest row, refused for a file in use.
#include "door.h"
#include "history/historywindow.h"
#include "ui_historywindow.h"
#include "cards/cardfinder.h"
#include "ui_cardwindow.h"
#include "reader/differenceswindow.h"
#include "reader/verify.h"
#include <QClipboard>
#include <QSignalSpy>

using namespace fixtures;
namespace {
const QByteArray Code = Door::Code, B0 = Door::with(openedhouse::houseWithCodes(5), 60, Code), Door1 = Door::with(B0, 2, "111111111111"),
                 Door2 = Door::with(Door1, 1234, Code);
QString rec(const QByteArray &house, int slot) { return house.mid(12 * (slot - 1), 12); }
const QString Read = QStringLiteral("Kiolvasás az 1-es portról");
} // namespace

class TstHistoryWindow : public QObject
{
    Q_OBJECT
    std::unique_ptr<Door> d;
    HistoryWindow &w() { return d->h.form->historyWindow(); }
    QString cell(int row, int column) { return w().ui().versionTable->model()->index(row, column).data().toString(); }
    void open() { act(d->h, "menu Előzmények"); QVERIFY(waitFor([this] { return !w().loading(); })); }
    void select(const QList<int> &rows) // one click, then Ctrl-clicks
    {
        w().ui().versionTable->clearSelection();
        for (int r : rows) w().ui().versionTable->selectionModel()->select(w().ui().versionTable->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

private slots:
    // The door read first one slot off the house, then one more: b.bak did not exist, then held the house, then the first door.
    void init()
    {
        d = std::make_unique<Door>();
        QVERIFY(d->start() && d->model.loadHouseFile(d->h.path("b.txt")));
        for (const auto &[slot, record] : {std::pair{2, QString("111111111111")}, {1234, QString(Code)}}) {
            d->model.setSlotRecord(slot, record);
            act(d->h, "answer Ok|pick b.txt|answer Ok|click Command6");
            QVERIFY(d->waitEnd() && d->h.readFile("b.txt") == (slot == 2 ? Door1 : Door2));
        }
        open();
        QStringList rows;
        for (const history::Entry &e : w().entries()) rows << e.file + '|' + HistoryWindow::whatWord(e) + '|' + e.command;
        QCOMPARE(rows, QStringList({"b.txt|korábbi tartalom|", "b.bak|korábbi tartalom|", "b.txt|ajtó (kiolvasva)|", "b.txt|korábbi tartalom|",
                                    "b.bak|nem létezett vagy üres|", "b.txt|ajtó (kiolvasva)|"}).replaceInStrings(QRegularExpression("$"), Read));
        d->h.dialogs.clear();
    }

    void differences_data()
    {
        QTest::addColumn<QList<int>>("rows"); QTest::addColumn<QString>("text");
        const QString head = "Lakás\tHely\tKódhely\t%1\t%2\tNem ott lakó\n";
        QTest::newRow("a row against its house now") << QList<int>{0} << head.arg("Akkor", "Most") + "138\t1\t1234\t" + rec(B0, 1234) + "\t" + Code + "\tmost: Postas Pal\n";
        QTest::newRow("a backup's row against the backup now") << QList<int>{1} << head.arg("Akkor", "Most") + "1\t2\t2\t" + rec(B0, 2) + "\t111111111111\t\n";
        QTest::newRow("two rows, the earlier first") << QList<int>{3, 5} << head.arg("Korábbi", "Későbbi") + "1\t2\t2\t111111111111\t" + rec(B0, 2) + "\t\n";
        QTest::newRow("three rows") << QList<int>{0, 1, 2} << "Egyszerre legfeljebb két sor vethető össze.";
    }
    void differences()
    {
        QFETCH(QList<int>, rows); QFETCH(QString, text);
        select(rows);
        act(d->h, "click copyButton");
        QCOMPARE(rows.size() > 2 ? w().ui().differenceLabel->text() : QApplication::clipboard()->text(), text);
    }

    void bringBack_data()
    {
        QTest::addColumn<QString>("before"); QTest::addColumn<int>("row"); QTest::addColumn<QString>("answer"); QTest::addColumn<Files>("changes");
        QTest::newRow("a version of the house") << "" << 3 << "Yes" << Files{{"b.txt", B0}};
        QTest::newRow("a door into its house") << "" << 5 << "Yes" << Files{{"b.txt", Door1}};
        QTest::newRow("a backup's version into the backup") << "" << 1 << "Yes" << Files{{"b.bak", B0}};
        QTest::newRow("a house gone, under its own name") << "gone" << 3 << "Yes" << Files{{"b.txt", B0}};
        QTest::newRow("No") << "" << 3 << "No" << Files{};
        QTest::newRow("a revoked card, No") << "revoked" << 3 << "Yes|answer No" << Files{};
        QTest::newRow("a revoked card, Yes") << "revoked" << 3 << "Yes|answer Yes" << Files{{"b.txt", B0}}; // and so is the undo asked
        QTest::newRow("unsaved rows") << "unsaved" << 3 << "" << Files{};
        QTest::newRow("an upload of it") << "upload" << 3 << "" << Files{};
    }
    void bringBack()
    {
        QFETCH(QString, before); QFETCH(int, row); QFETCH(QString, answer); QFETCH(Files, changes);
        Harness &h = d->h;
        Ui::Form1 &u = h.ui();
        if (before == "unsaved") act(h, "answer Ok|pick d.txt|click Command2|type 7|answer No|dclick List6 114");
        if (before == "upload") QVERIFY(d->hold(Form1::Exchange::Upload, 99 * 15));
        if (before == "gone") QVERIFY(QFile::remove(h.path("b.txt")));
        if (before == "revoked") h.writeFile("letiltott.lst", revokedList("0A1B2C3D4E"));
        open();
        QCOMPARE(w().ui().houseCombo->currentText(), before == "gone" ? "b.txt (nem létezik)" : "b.txt");
        const QString name = cell(row, 1), file = QDir::toNativeSeparators(h.path(name));
        const QByteArray old = h.readFile(name);
        QStringList asked{QString(answer.isEmpty() ? "A(z) %1 fájlt most adatcsere használja, vagy el nem mentett változás van benne: nem állítható vissza."
                                                  : "Visszaállítja a(z) %1 fájlt a %2 sorból (%3)? A mostani tartalma az előzmények közé kerül. [YesNo Enter=No]")
                                    .arg(file, cell(row, 0), cell(row, 2))};
        if (before == "revoked") // B0 holds it at slot 60, as b.txt does now
            asked << QStringLiteral("A(z) %1 fájlba írandó kódok között letiltott kártya van:\n7. lakás 6. hely (60. kódhely): 0A1B2C3D4E, Elveszett\nMégis beírja? (Nem: semmi sem változik.) [YesNo Enter=No]").arg(file);
        Files expected = openedhouse::snapshot(h.dataFolder);
        expected.insert(changes);
        h.dialogs.clear();
        select({row});
        act(h, (answer.isEmpty() ? "" : "answer " + answer + '|') + "click restoreButton");
        QCOMPARE(h.dialogs.log(), asked);
        QCOMPARE(openedhouse::snapshot(h.dataFolder), expected);
        d->release();
        QVERIFY(d->waitEnd() && waitFor([this] { return !w().loading(); }));
        // The open lists show the files; the content before became the newest row, and from it the bring-back is undone.
        QVERIFY(before == "unsaved" || openedhouse::rowsOf(u.List2) == house::houseListRows(openedhouse::recordsOf(h.readFile("b.txt"))));
        QVERIFY(!u.List3->isVisible() || openedhouse::rowsOf(u.List3) == house::houseListRows(openedhouse::recordsOf(h.readFile("b.bak"))));
        if (changes.isEmpty()) return;
        const history::Entry top = w().entries().value(0);
        QCOMPARE(top.file + '|' + top.command + '|' + top.content, name + "|Visszaállítás az előzményekből|" + (old.isEmpty() ? "" : history::Store::hashOf(old)));
        select({0});
        act(h, "answer " + answer + "|click restoreButton");
        QCOMPARE(h.readFile(name), old.isEmpty() ? house::blankHouseContent() : old);
    }

    // A revoked card in List2 and List3, over the verify's mark where the door differs, in "Eltérések", in the difference rows
    // and the card hits, with its reason; after the list let it go, only the verify's mark is left.
    void revokedCardsAreMarked()
    {
        Harness &h = d->h;
        auto tip = [](auto *item) { return item->font().strikeOut() && item->font().bold() ? item->toolTip() : QString(); };
        auto marks = [&] {
            QStringList out{tip(h.ui().List2->item(66)), tip(h.ui().List2->item(65)), tip(h.ui().List3->item(66)), tip(w().ui().differenceTable->item(0, 4)),
                            tip(w().ui().differenceTable->item(0, 3)), tip(d->h.form->verify().window()->table()->item(0, 4))};
            for (int r = 0; r < h.form->cardFinder().ui().hitTable->rowCount(); ++r) out << tip(h.form->cardFinder().ui().hitTable->item(r, 4));
            return out.join('|');
        };
        h.writeFile("letiltott.lst", revokedList("0a1b2c3d4e"));
        h.form->revokedCardsChanged();
        select({0}); // the house before the second read-out against now: slot 1234 took the card
        d->model.setSlotRecord(60, "222222222222");
        QVERIFY(d->run(h.form->verifyAction()) && d->marked(66) && !d->marked(65));
        h.form->findCardAction()->trigger();
        QSignalSpy found(&h.form->cardFinder(), &CardFinder::searchFinished);
        QVERIFY(h.form->cardFinder().search("0A1B2C3D4E") && found.wait(5000));
        const QString lost = "Letiltott kártya: Elveszett";
        QCOMPARE(marks(), (QStringList{lost, "", lost, lost, "", lost} + QStringList(6, lost)).join('|')); // postas.lst, b.bak, b.txt twice, haz.bak, haz.txt
        h.form->revokedCardsChanged(); // marked again over the verify's mark, which stays
        h.writeFile("letiltott.lst", "");
        h.form->revokedCardsChanged();
        QCOMPARE(marks(), QString(11, '|'));
        QVERIFY(d->marked(66));
    }
};

QTEST_MAIN(TstHistoryWindow)
#include "tst_historywindow.moc"
