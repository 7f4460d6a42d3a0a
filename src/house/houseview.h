#pragma once
#include "house/housefile.h"

#include <QString>
#include <QStringList>

class Form1;
class QListWidget;
class QWidget;

// What the house lists of the window share: filling, selecting with the
// scrolling the user expects, and the checks before anything is written into
// the house named in Text2.
namespace houseview {

// Clears the list and shows exactly these rows.
void fill(QListWidget *list, const QStringList &rows);
// 1518 rows: the headers and one blank row per record, as a new house shows.
QStringList blankHouseRows();
// Makes row current and selected, scrolling only as far as needed to show it.
void selectRow(QListWidget *list, int row);
QString rowText(const QListWidget *list, int row);
QStringList rowsOf(const QListWidget *list);
// Shown by the list's own widget (its parent window need not be on screen).
bool isShown(const QWidget *widget);

// A blank record row stands for an empty slot.
QString recordOf(const QString &row);

// List2 holds a whole house (shown, 1518 rows); otherwise asks the user to
// open one first and returns false.
bool freshListHoldsHouse(Form1 &form);

// The house named in Text2 may receive positional writes: it exists and is a
// whole 16392-byte house. Otherwise the user is told why and false comes back;
// a write into anything else would grow a damaged or empty file. Each refusal
// is logged under the command that asked.
bool checkTargetHouse(Form1 &form, house::HouseRead *read = nullptr, const QString &command = QString());

// "Mentés" and every other write of List2's rows: Text2 names the file List2
// was filled from and the file still holds what it held then. Otherwise the
// user is told which file it is and to open the house again (and the refusal
// is logged under the command that asked).
bool checkShownHouse(Form1 &form, const QString &command = QString());

// Clears List2 and fills it from the file named in Text2. When the file
// cannot be read as a house, List2 is cleared and hidden instead, so that it
// never shows what is not on disk.
bool refillFreshList(Form1 &form);

// After the program changed these files without List2 (codes taken out, a
// file brought back from the history): List2 and the house on screen, List3
// and the donor list follow each of them they show.
void refillOpenLists(Form1 &form, const QStringList &changedPaths);

// Before a write that puts content into path: when it holds a revoked card,
// the user is asked whether to write it all the same (Nem under Enter; a
// refusal is logged under command). True: write. For a positional write,
// content is only what is written: records from firstRecord on, at their
// place in an otherwise empty house.
bool allowRevoked(Form1 &form, const QString &command, const QString &path, const QByteArray &content);
bool allowRevoked(Form1 &form, const QString &command, const QString &path, int firstRecord, const QString &records);

// Shows an IoResult's message when it failed; returns its success.
bool reportFailure(Form1 &form, const house::IoResult &result);

} // namespace houseview
