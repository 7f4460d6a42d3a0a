#pragma once
#include "cards/revoked.h"

#include <QList>
#include <QString>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QTableWidget;
class QTableWidgetItem;

// What the windows show of the revoked cards: the mark of a row that holds
// one, and the questions before one is written into a house or postas.lst.
//
// The mark is a bold, struck-out text with the reason in its tooltip (and in
// its accessible description, for a screen reader). It uses neither the
// background nor the text colour, which the verify's marks use: a row can
// carry both at once.
namespace cards {

// "Letiltott kártya: <reason>".
QString revokedTip(const RevokedCard &card);

// Marks item when it holds a revoked card and takes an earlier mark off
// when it no longer does.
void markItem(QListWidgetItem *item, const RevokedCards &revoked);
void markItem(QTableWidgetItem *item, const RevokedCards &revoked);
void markRows(QListWidget *list, const RevokedCards &revoked);
// The cells of these columns.
void markCells(QTableWidget *table, const QList<int> &columns, const RevokedCards &revoked);
// The rows a list gets later (a fill, a row's new text) are marked as they
// come; revoked is asked once per change.
void followRows(QListWidget *list, const std::function<const RevokedCards &()> &revoked);

// The question before a write of these slots into path (Nem under Enter).
QString intoHouseQuestion(const QString &path, const QList<RevokedSlot> &found);
// The question before a revoked card is stored in postas.lst.
QString intoListQuestion(const RevokedCard &card);

} // namespace cards
