#pragma once
// The window driven as its user drives it, for the tests that open and edit houses.
#include "harness.h"
#include "openedhouse.h"
#include "house/cp1250.h"
#include "house/housefile.h"

#include <QAction>
#include <QRegularExpression>
#include <QScrollBar>

namespace fixtures {

using Files = QMap<QString, QByteArray>;

// One postas.lst record: name and code filled with spaces, then "05".
inline QByteArray nonResident(const char *name, const char *code)
{
    return QByteArray(name).leftJustified(18, ' ') + QByteArray(code).leftJustified(10, ' ') + "05";
}

// letiltott.lst revoking one lost card, and the files of a data folder with it.
inline QByteArray revokedList(const QByteArray &number) { return number + "\t2024-05-01T10:00:00+02:00\tElveszett\n"; }
inline Files revoking(const QByteArray &number, Files files = {}) { files.insert("letiltott.lst", revokedList(number)); return files; }

// Steps split by '|': "answer Ok|Cancel|Yes|No", "type <text>" and "pick <file>" ("pick" alone: Cancel) reply to the next dialog;
// "click|dclick <control> [row]" clicks a visible control or its row; "scroll <list> <row>"; "set <box> <text>" (Text2: a file's
// path); "menu <entry>" of "Eszközök"; "copy <file> <file>" as another program would;
// "revoke <number>": letiltott.lst holds that card, as the program tells the window when it changes the list.
inline void act(Harness &h, const QString &steps)
{
    for (const QString &step : steps.split(QLatin1Char('|'))) {
        const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1), rest = step.section(' ', 2);
        auto *control = h.form->findChild<QWidget *>(arg.section(' ', 0, 0));
        auto *list = qobject_cast<QListWidget *>(control);
        QListWidgetItem *item = list && !rest.isEmpty() ? list->item(rest.toInt()) : nullptr;
        if (verb == "answer") {
            h.dialogs.answer(Dialogs::Answer(QStringList{"Ok", "Cancel", "Yes", "No"}.indexOf(arg)));
        } else if (verb == "type") {
            h.dialogs.type(arg);
        } else if (verb == "pick") {
            h.dialogs.pick(arg.isEmpty() ? QString() : h.path(arg));
        } else if (verb == "copy") {
            QVERIFY(QFile::remove(h.path(rest)) && QFile::copy(h.path(arg.section(' ', 0, 0)), h.path(rest)));
        } else if (verb == "revoke") {
            h.writeFile("letiltott.lst", revokedList(arg.toLatin1()));
            h.form->revokedCardsChanged();
        } else if (verb == "scroll" && list) {
            list->verticalScrollBar()->setValue(rest.toInt());
        } else if (verb == "menu") {
            for (QAction *action : h.form->findChildren<QAction *>())
                action->text() == arg ? action->trigger() : void();
        } else if (verb == "set" && control) {
            static_cast<QLineEdit *>(control)->setText(arg.startsWith("Text2 ") && !rest.isEmpty() ? h.path(rest) : rest);
        } else if ((verb == "click" || verb == "dclick") && control && control->isVisible()) {
            if (item)
                list->scrollToItem(item);
            QWidget *target = item ? list->viewport() : control;
            const QPoint at = item ? list->visualItemRect(item).center() : control->rect().center();
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            if (verb == "dclick")
                QTest::mouseDClick(target, Qt::LeftButton, {}, at);
        } else {
            QFAIL(qPrintable("Cannot do: " + step));
        }
    }
}

// Steps on the open house a.txt beside a.bak, b.txt, b.bak, the donor d.txt (in List6), d.bak of 100 bytes, rossz.txt of 100 with
// a whole rossz.bak, an empty ures.txt: then every file holds what the row says, List2 and List5 what is on disk.
inline void editColumns()
{
    // a.txt (empty: a new house); postas.lst (null: a folder of that name); the steps; the dialogs' log (%1: the data folder);
    // the files changed, with their bytes; the house in List2 (null: a.txt; empty: List2 hidden); Text2's file, List2, List3,
    // List5, List6, Text5|Text6 (null: not looked at).
    QTest::addColumn<QByteArray>("house"); QTest::addColumn<QByteArray>("list"); QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("dialogs"); QTest::addColumn<Files>("changes"); QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QString>("view");
}

inline void runEdit()
{
    QFETCH(QByteArray, house); QFETCH(QByteArray, list); QFETCH(QString, steps); QFETCH(QStringList, dialogs);
    QFETCH(Files, changes); QFETCH(QByteArray, shown); QFETCH(QString, view);
    Harness h;
    QVERIFY(h.startShown());
    Ui::Form1 &u = h.ui();
    using openedhouse::houseWithCodes;
    const Files scene{{"a.bak", houseWithCodes(2)}, {"b.txt", houseWithCodes(5)}, {"b.bak", houseWithCodes(6)}, {"d.txt", houseWithCodes(9)},
                      {"d.bak", QByteArray(100, 'F')}, {"rossz.txt", QByteArray(100, 'F')}, {"rossz.bak", houseWithCodes(7)}, {"ures.txt", ""}};
    for (auto file = scene.begin(); file != scene.end(); ++file)
        h.writeFile(file.key(), *file);
    QFile::remove(h.path("postas.lst")); // the start-up made an empty one
    QVERIFY(list.isNull() ? QDir().mkdir(h.path("postas.lst")) : (h.writeFile("postas.lst", list), true));
    openedhouse::open(*h.form, h.path("a.txt"), house);
    act(h, "answer Ok|pick d.txt|click Command2");
    h.dialogs.clear();
    Files expected = openedhouse::snapshot(h.dataFolder);
    const Files before = expected;
    const qsizetype keptBefore = openedhouse::historyOf(h.dataFolder).size();
    const QStringList shownBefore = openedhouse::rowsOf(u.List5);
    act(h, steps);
    for (const ScriptedDialogs::Shown &s : h.dialogs.shown()) // every house is picked in the data folder, from the house files
        QVERIFY(s.kind != ScriptedDialogs::Kind::OpenFile || s.folder + s.text == h.dataFolder + "Szöveg (*.txt)|*.txt|");
    const QRegularExpression reason(": [^\\[]*?(?= \\[|$)"); // a reason from the system after the colon left out
    QCOMPARE(h.dialogs.log().replaceInStrings(reason, QString()), dialogs.replaceInStrings("%1", h.dataFolder).replaceInStrings(reason, QString()));
    expected.insert(changes);
    QCOMPARE(openedhouse::snapshot(h.dataFolder), expected);
    QCOMPARE(openedhouse::versionsDiffer(h.dataFolder, keptBefore, before, expected), QString());
    // A new house not written yet shows blank rows.
    const QByteArray listedHouse = !shown.isNull() ? shown : house.isEmpty() && !changes.contains("a.txt") ? QByteArray(16392, ' ') : expected["a.txt"];
    const auto listed = [](const QByteArray &content) { // records of spaces: blank rows
        return house::houseListRows(openedhouse::recordsOf(content)).replaceInStrings(QRegularExpression("^ +$"), QString());
    };
    QCOMPARE(u.List2->isVisible(), !listedHouse.isEmpty());
    QCOMPARE(openedhouse::rowsOf(u.List2), listed(listedHouse));
    QStringList nonResidents;
    for (int at = 0; at < expected.value("postas.lst").size(); at += 30)
        nonResidents << cp1250::decode(expected.value("postas.lst").mid(at, 30));
    QCOMPARE(openedhouse::rowsOf(u.List5), nonResidents.isEmpty() ? shownBefore : nonResidents); // no whole record: rows kept
    const QByteArray revoked = expected.value("letiltott.lst").left(10); // every row holding it marked with its reason, no other
    for (QListWidget *l : {u.List2, u.List3, u.List6})
        for (int r = 0; r < l->count(); ++r)
            QCOMPARE(l->item(r)->font().strikeOut() ? l->item(r)->toolTip() : "", QString(!revoked.isEmpty() && l->item(r)->text().toUpper().startsWith(revoked) ? "Letiltott kártya: Elveszett" : ""));
    if (view.isNull())
        return;
    QString lists = QFileInfo(u.Text2->text()).fileName();
    for (QListWidget *l : {u.List2, u.List3, u.List5, u.List6}) // hidden "-", empty "0", else rows:selected(/first drawn)
        lists += !l->isVisible() ? " -" : !l->count() ? " 0" : QStringLiteral(" %1:%2").arg(l->count()).arg(l->currentRow()) + (l == u.List2 || l == u.List3 ? "/" + QString::number(l->verticalScrollBar()->value()) : "");
    QCOMPARE(lists + ' ' + u.Text5->text() + '|' + u.Text6->text(), view);
    // List3 shows the backup of the house named in Text2, or nothing.
    QCOMPARE(openedhouse::rowsOf(u.List3), u.List3->isVisible() ? listed(expected[QFileInfo(house::backupPathOf(u.Text2->text())).fileName()]) : QStringList());
}

} // namespace fixtures
