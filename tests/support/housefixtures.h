#pragma once
// The window driven as its user drives it, for the tests that open and edit houses.
#include "harness.h"
#include "openedhouse.h"
#include "house/cp1250.h"
#include "house/housefile.h"

#include <QDir>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

namespace fixtures {

using Files = QMap<QString, QByteArray>;

// One postas.lst record: name and code filled with spaces, then "05".
inline QByteArray nonResident(const char *name, const char *code)
{
    return QByteArray(name).leftJustified(18, ' ') + QByteArray(code).leftJustified(10, ' ') + "05";
}

// The rows List2 shows for a house of these bytes (records of spaces: blank rows).
inline QStringList listed(const QByteArray &content)
{
    return house::houseListRows(openedhouse::recordsOf(content)).replaceInStrings(QRegularExpression("^ +$"), QString());
}

// Started with a free port (no start-up message), on screen: lists lay out and scroll.
inline bool startShown(Harness &h)
{
    h.ports.free = {1};
    h.saveDataFolder();
    if (!h.start())
        return false;
    h.form->show();
    const bool exposed = QTest::qWaitForWindowExposed(h.form.get());
    h.dialogs.clear();
    return exposed;
}

// "Szerkesztés" with OK and the given file picked; OK boxes acknowledge themselves.
inline void openHouse(Harness &h, const QString &path)
{
    h.dialogs.answer(Dialogs::Answer::Ok);
    h.dialogs.pick(path);
    QTest::mouseClick(h.ui().Command4, Qt::LeftButton);
}

// Steps split by '|': "answer Ok|Cancel|Yes|No", "type <text>" and "pick
// <file>" ("pick" alone: Cancel) reply to the next dialog; "click|dclick
// <control> [row]" clicks a visible control or its row; "scroll <list> <row>";
// "set <box> <text>" (Text2: a file's path); "run upload|read-out" marks an
// exchange as running; "copy <file> <file>" as another program would.
inline void act(Harness &h, const QString &steps)
{
    for (const QString &step : steps.split(QLatin1Char('|'))) {
        const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1), rest = step.section(' ', 2);
        auto *control = h.form->findChild<QWidget *>(arg.section(' ', 0, 0));
        auto *list = qobject_cast<QListWidget *>(control);
        if (verb == "answer") {
            h.dialogs.answer(Dialogs::Answer(QStringList{"Ok", "Cancel", "Yes", "No"}.indexOf(arg)));
        } else if (verb == "type") {
            h.dialogs.type(arg);
        } else if (verb == "pick") {
            h.dialogs.pick(arg.isEmpty() ? QString() : h.path(arg));
        } else if (verb == "copy") {
            QVERIFY(QFile::remove(h.path(rest)) && QFile::copy(h.path(arg.section(' ', 0, 0)), h.path(rest)));
        } else if (verb == "scroll" && list) {
            list->verticalScrollBar()->setValue(rest.toInt());
        } else if (verb == "run") {
            (arg == "upload" ? h.form->state().uploadRunning : h.form->state().readOutRunning) = 1;
        } else if (verb == "set" && control) {
            static_cast<QLineEdit *>(control)->setText(arg.startsWith("Text2 ") && !rest.isEmpty() ? h.path(rest) : rest);
        } else if ((verb == "click" || verb == "dclick") && control && control->isVisible()) {
            QWidget *target = list && !rest.isEmpty() ? list->viewport() : control;
            if (target != control)
                list->scrollToItem(list->item(rest.toInt()));
            const QPoint at = target != control ? list->visualItemRect(list->item(rest.toInt())).center() : control->rect().center();
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            if (verb == "dclick")
                QTest::mouseDClick(target, Qt::LeftButton, {}, at);
        } else {
            QFAIL(qPrintable("Cannot do: " + step));
        }
    }
}

// Steps on the open house a.txt beside a.bak, b.txt, b.bak, the donor d.txt (in
// List6), d.bak of 100 bytes, rossz.txt of 100 with a whole rossz.bak, an empty
// ures.txt: then every file holds what the row says, List2 and List5 what is on disk.
inline void editColumns()
{
    QTest::addColumn<QByteArray>("house"); // a.txt; empty: a new house
    QTest::addColumn<QByteArray>("list"); // postas.lst; null: a folder of that name
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("dialogs"); // messages and prompts, a question with its buttons; %1: the data folder
    QTest::addColumn<Files>("changes"); // the files changed, with their bytes
    QTest::addColumn<QByteArray>("shown"); // the house in List2; null: a.txt; empty: List2 hidden
    QTest::addColumn<QString>("view"); // Text2's file, List2, List3, List5, List6, Text5|Text6; null: not looked at
}

inline void runEdit()
{
    QFETCH(QByteArray, house);
    QFETCH(QByteArray, list);
    QFETCH(QString, steps);
    QFETCH(QStringList, dialogs);
    QFETCH(Files, changes);
    QFETCH(QByteArray, shown);
    QFETCH(QString, view);
    Harness h;
    QVERIFY(startShown(h));
    Ui::Form1 &u = h.ui();
    const Files scene{{"a.bak", openedhouse::houseWithCodes(2)}, {"b.txt", openedhouse::houseWithCodes(5)}, {"b.bak", openedhouse::houseWithCodes(6)},
                      {"d.txt", openedhouse::houseWithCodes(9)}, {"d.bak", QByteArray(100, 'F')}, {"rossz.txt", QByteArray(100, 'F')},
                      {"rossz.bak", openedhouse::houseWithCodes(7)}, {"ures.txt", ""}, {"postas.lst", list}};
    for (auto file = scene.begin(); file != scene.end(); ++file) {
        QFile::remove(h.path(file.key())); // the start-up made an empty postas.lst
        QVERIFY(file->isNull() ? QDir().mkdir(h.path(file.key())) : (h.writeFile(file.key(), *file), true));
    }
    openedhouse::open(*h.form, h.path("a.txt"), house);
    act(h, "answer Ok|pick d.txt|click Command2");
    h.dialogs.clear();
    Files expected = openedhouse::snapshot(h.dataFolder);
    const QStringList shownBefore = openedhouse::rowsOf(u.List5);
    act(h, steps);
    QStringList log; // a reason from the system after the colon left out
    for (const ScriptedDialogs::Shown &s : h.dialogs.shown())
        if (s.kind != ScriptedDialogs::Kind::OpenFile)
            log << s.text.section(": ", 0, 0) + QStringList{"", " [OkCancel]", " [YesNo]", " [YesNoCancel]"}.value(s.kind == ScriptedDialogs::Kind::Message ? int(s.buttons) : 0);
    QCOMPARE(log, dialogs.replaceInStrings("%1", h.dataFolder));
    expected.insert(changes);
    QCOMPARE(openedhouse::snapshot(h.dataFolder), expected);
    // A new house not written yet shows blank rows.
    const QByteArray listedHouse = !shown.isNull() ? shown : house.isEmpty() && !changes.contains("a.txt") ? QByteArray(16392, ' ') : expected["a.txt"];
    QCOMPARE(u.List2->isVisible(), !listedHouse.isEmpty());
    QCOMPARE(openedhouse::rowsOf(u.List2), listed(listedHouse));
    QStringList nonResidents;
    for (int at = 0; at < expected.value("postas.lst").size(); at += 30)
        nonResidents << cp1250::decode(expected.value("postas.lst").mid(at, 30));
    QCOMPARE(openedhouse::rowsOf(u.List5), nonResidents.isEmpty() ? shownBefore : nonResidents); // no whole record: rows kept
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
