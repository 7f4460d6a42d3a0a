#include "cards/revokedview.h"

#include <QDir>
#include <QFont>
#include <QListWidget>
#include <QTableWidget>

namespace cards {
namespace {

template <typename Item>
void mark(Item *item, const RevokedCards &revoked)
{
    const RevokedCard *card = revoked.find(item->text());
    if (card) {
        // Only these two properties: the list's own font stays under them.
        QFont font;
        font.setBold(true);
        font.setStrikeOut(true);
        item->setFont(font);
        item->setToolTip(revokedTip(*card));
        item->setData(Qt::AccessibleDescriptionRole, revokedTip(*card));
    } else if (item->data(Qt::ToolTipRole).isValid()) {
        for (int role : {int(Qt::FontRole), int(Qt::ToolTipRole), int(Qt::AccessibleDescriptionRole)})
            item->setData(role, QVariant());
    }
}

} // namespace

QString revokedTip(const RevokedCard &card)
{
    return card.reason.isEmpty() ? QStringLiteral("Letiltott kártya") : QStringLiteral("Letiltott kártya: %1").arg(card.reason);
}

void markItem(QListWidgetItem *item, const RevokedCards &revoked)
{
    mark(item, revoked);
}

void markItem(QTableWidgetItem *item, const RevokedCards &revoked)
{
    mark(item, revoked);
}

void markRows(QListWidget *list, const RevokedCards &revoked)
{
    for (int r = 0; r < list->count(); ++r)
        markItem(list->item(r), revoked);
}

void markCells(QTableWidget *table, const QList<int> &columns, const RevokedCards &revoked)
{
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c : columns) {
            if (QTableWidgetItem *item = table->item(r, c))
                markItem(item, revoked);
        }
    }
}

void followRows(QListWidget *list, const std::function<const RevokedCards &()> &revoked)
{
    QAbstractItemModel *model = list->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, list, [list, revoked](const QModelIndex &, int first, int last) {
        const RevokedCards &cards = revoked();
        if (cards.isEmpty()) // new rows carry no mark to take off
            return;
        for (int r = first; r <= last; ++r)
            markItem(list->item(r), cards);
    });
    // A row's new text; the mark's own changes come back here too and are passed over.
    QObject::connect(model, &QAbstractItemModel::dataChanged, list,
                     [list, revoked](const QModelIndex &top, const QModelIndex &bottom, const QList<int> &roles) {
                         if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole))
                             return;
                         const RevokedCards &cards = revoked();
                         for (int r = top.row(); r <= bottom.row(); ++r)
                             markItem(list->item(r), cards);
                     });
}

QString intoHouseQuestion(const QString &path, const QList<RevokedSlot> &found)
{
    return QStringLiteral("A(z) %1 fájlba írandó kódok között letiltott kártya van:\n%2\nMégis beírja? (Nem: semmi sem változik.)")
        .arg(QDir::toNativeSeparators(path), describeSlots(found, false));
}

QString intoListQuestion(const RevokedCard &card)
{
    return QStringLiteral("A(z) %1 kártya le van tiltva%2. Mégis felveszi a nem ott lakók közé?")
        .arg(card.number, card.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(card.reason));
}

} // namespace cards
