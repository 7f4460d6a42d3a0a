#include "house/houseview.h"

#include "app/form1.h"
#include "cards/revokedview.h"
#include "house/cp1250.h"
#include "house/apartmenttransfer.h"
#include "house/housestore.h"
#include "ui_form1.h"

#include <QFileInfo>
#include <QListWidget>

namespace houseview {

void fill(QListWidget *list, const QStringList &rows)
{
    list->clear();
    list->addItems(rows);
}

QStringList blankHouseRows()
{
    return house::houseListRows(QStringList(house::RecordCount, QString()));
}

void selectRow(QListWidget *list, int row)
{
    if (row < 0 || row >= list->count())
        return;
    list->setCurrentRow(row);
    // setCurrentRow scrolls only when the list is on screen; this also covers
    // a list whose window has not been shown yet.
    list->scrollToItem(list->item(row), QAbstractItemView::EnsureVisible);
}

QString rowText(const QListWidget *list, int row)
{
    const QListWidgetItem *item = list->item(row);
    return item ? item->text() : QString();
}

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    rows.reserve(list->count());
    for (int r = 0; r < list->count(); ++r)
        rows << list->item(r)->text();
    return rows;
}

bool isShown(const QWidget *widget)
{
    return !widget->isHidden();
}

QString recordOf(const QString &row)
{
    return row.trimmed().isEmpty() ? house::emptyRecord() : row;
}

bool freshListHoldsHouse(Form1 &form)
{
    const QListWidget *list2 = form.ui().List2;
    if (isShown(list2) && list2->count() == house::ListRowCount)
        return true;
    form.ask(QStringLiteral("Előbb nyisson meg egy házat a Szerkesztés gombbal!"));
    return false;
}

namespace {

// The refusal told to the user, and kept in the log.
bool refuse(Form1 &form, const QString &command, const QString &path, const QString &reason)
{
    form.houseStore().log().write(command, path, QString(), history::Log::Result::Refused, reason);
    form.ask(reason);
    return false;
}

} // namespace

bool checkTargetHouse(Form1 &form, house::HouseRead *read, const QString &command)
{
    const QString path = form.ui().Text2->text();
    if (path.trimmed().isEmpty())
        return refuse(form, command, QString(), QStringLiteral("Előbb nyisson meg egy házat a Szerkesztés gombbal!"));
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return refuse(form, command, path, QStringLiteral("A(z) %1 fájl nem található.").arg(path));
    if (info.size() == 0)
        return refuse(form, command, path, QStringLiteral("A fájl üres."));
    if (info.size() != house::HouseFileSize)
        return refuse(form, command, path, QStringLiteral("A fájl sérült!"));
    if (read) {
        *read = house::readHouseFile(path);
        if (!read->ok)
            return refuse(form, command, path, read->error);
        if (read->lengthClass != house::LengthClass::Valid)
            return refuse(form, command, path, QStringLiteral("A fájl sérült!"));
    }
    return true;
}

bool checkShownHouse(Form1 &form, const QString &command)
{
    const QString path = form.ui().Text2->text();
    const QString problem = form.state().shownHouse.problem(path);
    return problem.isEmpty() || refuse(form, command, path, problem);
}

bool refillFreshList(Form1 &form)
{
    Ui::Form1 &u = form.ui();
    const house::HouseRead read = house::readHouseFile(u.Text2->text());
    if (read.ok && read.lengthClass == house::LengthClass::Valid) {
        fill(u.List2, house::houseListRows(read.records));
        form.state().shownHouse.load(u.Text2->text(), read.content);
        return true;
    }
    form.state().shownHouse.clear();
    u.List2->clear();
    form.setShown({u.List2, u.Label21, u.Label18}, false);
    form.ask(read.ok ? QStringLiteral("A fájl sérült!") : read.error);
    return false;
}

void refillOpenLists(Form1 &form, const QStringList &changedPaths)
{
    auto touched = [&](const QString &path) {
        for (const QString &changed : changedPaths) {
            if (!path.isEmpty() && house::sameFile(path, changed))
                return true;
        }
        return false;
    };
    Ui::Form1 &u = form.ui();
    const QString shown = form.state().shownHouse.path();
    if (!u.List2->isHidden() && touched(shown) && house::sameFile(u.Text2->text(), shown)) {
        const int row = u.List2->currentRow();
        if (refillFreshList(form))
            selectRow(u.List2, row);
    }
    const QString backup = shown.isEmpty() ? QString() : house::backupPathOf(shown);
    if (!u.List3->isHidden() && touched(backup)) {
        const house::HouseRead read = house::readHouseFile(backup);
        const int row = u.List3->currentRow();
        if (read.ok && read.lengthClass == house::LengthClass::Valid) {
            fill(u.List3, house::houseListRows(read.records));
            selectRow(u.List3, row);
        }
    }
    if (touched(form.apartmentTransfer().donorPath()))
        form.apartmentTransfer().refillDonor();
}

bool allowRevoked(Form1 &form, const QString &command, const QString &path, const QByteArray &content)
{
    const QList<cards::RevokedSlot> found = cards::revokedSlots(form.revokedCards(), content);
    if (found.isEmpty()
        || form.ask(cards::intoHouseQuestion(path, found), Dialogs::Buttons::YesNo, Dialogs::Answer::No) == Dialogs::Answer::Yes)
        return true;
    form.houseStore().log().write(command, path, QString(), history::Log::Result::Refused,
                                  QStringLiteral("letiltott kártya: %1 kódhely").arg(found.size()));
    return false;
}

bool allowRevoked(Form1 &form, const QString &command, const QString &path, int firstRecord, const QString &records)
{
    const QByteArray written = cp1250::encode(records);
    return allowRevoked(form, command, path,
                        house::blankHouseContent().replace(qsizetype(firstRecord - 1) * house::RecordLength, written.size(), written));
}

bool reportFailure(Form1 &form, const house::IoResult &result)
{
    if (!result)
        form.ask(result.error);
    return result.ok;
}

} // namespace houseview
