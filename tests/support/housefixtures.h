#pragma once
// House files and window steps shared by the house-data tests.
#include "harness.h"
#include "house/housefile.h"

#include <QListWidget>
#include <QScrollBar>
#include <QTest>

namespace fixtures {

// Record k (1-based) as twelve distinct upper-case hex digits: "00000000" + k.
inline QString recordText(int k, int salt = 0)
{
    return QStringLiteral("%1").arg(qint64(salt) * 0x10000 + k, 12, 16, QLatin1Char('0')).toUpper();
}

inline QStringList records(int salt = 0)
{
    QStringList out;
    for (int k = 1; k <= house::RecordCount; ++k)
        out << recordText(k, salt);
    return out;
}

inline QByteArray houseBytes(int salt = 0)
{
    return records(salt).join(QString()).toLatin1();
}

inline QByteArray nonResident(const char *name, const char *code)
{
    QByteArray r = QByteArray(name).leftJustified(18, ' ') + QByteArray(code).leftJustified(10, ' ') + "05";
    return r;
}

// The window started with a free port (no start-up message) and on screen,
// so that lists lay out and scroll as they do for the user.
inline bool startShown(Harness &h)
{
    h.ports.free = {1};
    h.saveDataFolder();
    if (!h.start())
        return false;
    h.form->show();
    if (!QTest::qWaitForWindowExposed(h.form.get()))
        return false;
    h.dialogs.clear();
    return true;
}

// "Szerkesztés" with OK and the given file picked; OK boxes acknowledge themselves.
inline void openHouse(Harness &h, const QString &path)
{
    h.dialogs.answer(Dialogs::Answer::Ok);
    h.dialogs.pick(path);
    QTest::mouseClick(h.ui().Command4, Qt::LeftButton);
}

inline int firstVisibleRow(QListWidget *list)
{
    return list->verticalScrollBar()->value();
}

// The row drawn at the top of the list, as the user sees it.
inline int topRowOnScreen(QListWidget *list)
{
    return list->indexAt(QPoint(2, 2)).row();
}

inline QStringList rows(const QListWidget *list)
{
    QStringList out;
    for (int r = 0; r < list->count(); ++r)
        out << list->item(r)->text();
    return out;
}

// A real click or double-click on a row: the row is scrolled into view first.
inline void clickRow(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

inline void doubleClickRow(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace fixtures
