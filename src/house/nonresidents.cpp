#include "house/nonresidents.h"

#include "app/form1.h"
#include "cards/revokedview.h"
#include "house/cp1250.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "house/houseopening.h"
#include "house/houseview.h"
#include "ui_form1.h"

#include <QFileInfo>

using Answer = Dialogs::Answer;

namespace {

bool isFreeSlot(const QString &row)
{
    return row.trimmed().isEmpty() || row == QStringLiteral("FFFFFFFFFFFF") || row == QStringLiteral("000000000000");
}

// findNonResident answers with a position inside the file for a match and
// the first position beyond it otherwise.
bool isMatch(const QString &listPath, qint64 position)
{
    return position <= QFileInfo(listPath).size();
}

} // namespace

bool NonResidents::acceptable(const QString &name, const QString &code)
{
    if (!house::isHexCode(code)) {
        m_form.ask(QStringLiteral("A kártyakód csak 0-9 és A-F karaktereket tartalmazhat."));
        return false;
    }
    if (!cp1250::canEncode(name)) {
        m_form.ask(QStringLiteral("A név olyan karaktert tartalmaz, amely nem menthető el. "
                                  "Csak a magyar és a közép-európai ábécék betűit használja!"));
        return false;
    }
    return true;
}

bool NonResidents::allowRevokedCode(const QString &code)
{
    const cards::RevokedCard *card = m_form.revokedCards().find(code);
    return !card
           || m_form.ask(cards::intoListQuestion(*card), Dialogs::Buttons::YesNo, Answer::No) == Answer::Yes;
}

void NonResidents::refillList5()
{
    house::IoResult io;
    const QStringList records = house::readNonResidents(m_form.dataFolder(), &io);
    if (!houseview::reportFailure(m_form, io))
        return;
    houseview::fill(m_form.ui().List5, records);
}

void NonResidents::command3Clicked()
{
    Ui::Form1 &u = m_form.ui();
    if (u.Text6->text() == defaultCode() && u.Text5->text().trimmed().isEmpty() && u.List5->count() == 0) {
        m_form.ask(QStringLiteral("Nem adott meg nevet."));
        return;
    }
    if (u.Text6->text().trimmed().isEmpty())
        u.Text6->setText(defaultCode());
    const QString code = house::trimSpaces(u.Text6->text());
    if (code.size() != house::NonResidentCodeWidth) {
        m_form.ask(QStringLiteral("A kártyakód túl rövid."));
        return;
    }
    const QString name = house::trimSpaces(u.Text5->text());
    if (!acceptable(name, code))
        return;

    const QString folder = m_form.dataFolder();
    house::IoResult io;
    const qint64 position = house::findNonResident(folder, name, &io);
    if (!houseview::reportFailure(m_form, io))
        return;
    if (isMatch(house::nonResidentListPath(folder), position)
        && m_form.ask(QStringLiteral("Módosítja a kódot?"), Dialogs::Buttons::OkCancel) != Answer::Ok)
        return;
    if (!allowRevokedCode(code)
        || !houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Nem ott lakó felvétele")).writeNonResident(folder, position, name, code)))
        return;
    refillList5();
}

void NonResidents::list5Clicked()
{
    Ui::Form1 &u = m_form.ui();
    const QListWidgetItem *item = u.List5->currentItem();
    if (!item)
        return;
    const QString row = item->text();
    const qsizetype tail = house::RecordLength; // code and "05"
    if (row.size() < tail)
        return;
    u.Text5->setText(house::trimSpaces(row.left(row.size() - tail)));
    u.Text6->setText(row.mid(row.size() - tail, house::NonResidentCodeWidth));
}

bool NonResidents::apartment138MatchesFile(const QString &command)
{
    // The slot comes from List2: only the file it was filled from, unchanged since, may receive it.
    if (!houseview::checkShownHouse(m_form, command))
        return false;
    house::HouseRead read;
    if (!houseview::checkTargetHouse(m_form, &read, command))
        return false;
    const QListWidget *list2 = m_form.ui().List2;
    for (int row = house::NonResidentFirstRow; row <= house::NonResidentLastRow; ++row) {
        const QString onDisk = read.records.value(house::recordOfRow(row) - 1);
        if (houseview::recordOf(houseview::rowText(list2, row)) != onDisk) {
            m_form.ask(QStringLiteral("A 'Friss adatok' lista nem a(z) %1 fájl tartalmát mutatja. "
                                      "Nyissa meg újra a házat!")
                           .arg(m_form.ui().Text2->text()));
            return false;
        }
    }
    return true;
}

void NonResidents::list5DoubleClicked()
{
    Ui::Form1 &u = m_form.ui();
    // The house file must not change under a running exchange.
    if (m_form.refuseDuringExchange())
        return;
    const QListWidgetItem *item = u.List5->currentItem();
    if (!item)
        return;
    if (!houseview::freshListHoldsHouse(m_form))
        return;

    houseview::selectRow(u.List2, house::NonResidentHeaderRow);
    const QString row5 = item->text();
    const QString record = row5.right(house::RecordLength);
    if (record.size() != house::RecordLength)
        return;
    for (int row = house::NonResidentFirstRow; row <= house::NonResidentLastRow; ++row) {
        if (houseview::rowText(u.List2, row).left(10) == record.left(10)) {
            m_form.ask(QStringLiteral("Ez a kód már szerepel a 138-as lakásban"));
            return;
        }
    }
    if (m_form.ask(QStringLiteral("Be kívánja illeszteni a kijelőlt nem ott lakót a 'Friss adatok' 138-as lakásába?"),
                   Dialogs::Buttons::OkCancel)
        != Answer::Ok)
        return;

    int slot = 0;
    while (slot < house::ApartmentRecords
           && !isFreeSlot(houseview::rowText(u.List2, house::NonResidentFirstRow + slot)))
        ++slot;
    if (slot == house::ApartmentRecords) {
        m_form.ask(QStringLiteral("Nincs szabad hely a 138-as lakásban."));
        return;
    }
    if (!apartment138MatchesFile(QStringLiteral("Nem ott lakó a 138-as lakásba")))
        return;

    if (!houseview::allowRevoked(m_form, QStringLiteral("Nem ott lakó a 138-as lakásba"), u.Text2->text(),
                                 house::NonResidentFirstRecord + slot, record))
        return;
    m_form.state().recordBuffer = record;
    if (!houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Nem ott lakó a 138-as lakásba"))
                                                  .writeRecords(u.Text2->text(), {{house::NonResidentFirstRecord + slot, record}})))
        return;
    if (!houseview::refillFreshList(m_form))
        return;
    houseview::selectRow(u.List2, HouseOpening::FirstRowShown);
    houseview::selectRow(u.List2, HouseOpening::SelectedRow);
    if (u.List3->currentRow() > 1400)
        houseview::selectRow(u.List3, HouseOpening::SelectedRow);
}

void NonResidents::list2DoubleClicked()
{
    Ui::Form1 &u = m_form.ui();
    if (m_form.refuseDuringExchange())
        return;
    const int row = u.List2->currentRow();
    if (row < house::NonResidentFirstRow || row > house::NonResidentLastRow)
        return;

    const Answer answer = m_form.ask(QStringLiteral("Törölni szeretné a 138-as lakás kijelölt elemét? (Igen), "
                                                    "Felvenné a nem ott lakók közé? (Nem)"),
                                     Dialogs::Buttons::YesNoCancel);
    if (answer == Answer::Yes)
        deleteFromApartment138(row);
    else if (answer == Answer::No)
        takeUpFromApartment138();
}

void NonResidents::deleteFromApartment138(int row)
{
    Ui::Form1 &u = m_form.ui();
    if (!apartment138MatchesFile(QStringLiteral("Törlés a 138-as lakásból")))
        return;
    const int slot = row - house::NonResidentFirstRow;
    m_form.state().recordBuffer = house::emptyRecord();
    if (!houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Törlés a 138-as lakásból"))
                                                  .writeRecords(u.Text2->text(), {{house::NonResidentFirstRecord + slot,
                                                                                   house::emptyRecord()}})))
        return;
    if (houseview::refillFreshList(m_form))
        houseview::selectRow(u.List2, HouseOpening::SelectedRow);
}

void NonResidents::takeUpFromApartment138()
{
    Ui::Form1 &u = m_form.ui();
    int selected = -1;
    for (int r = 0; r < u.List2->count() && selected < 0; ++r) {
        if (u.List2->item(r)->isSelected())
            selected = r;
    }
    if (selected < 0) {
        m_form.ask(QStringLiteral("Nincs kiválasztott sor."));
        return;
    }
    // A blank row is an empty slot; its code is the one of a card not yet given.
    u.Text6->setText(houseview::recordOf(houseview::rowText(u.List2, selected)).left(house::NonResidentCodeWidth));

    const QString answer = m_form.inputBox(QStringLiteral("Adjon nevet a kódsornak! (Max. 17 karakter hosszú lehet)"));
    if (answer.trimmed().isEmpty())
        return;
    const QString name = house::trimSpaces(answer.left(house::NonResidentNameMax));
    u.Text5->setText(name);
    const QString code = u.Text6->text();
    if (!acceptable(name, code))
        return;

    if (m_form.ask(QStringLiteral("Ellenőrizze az adatok megfelelőségét!"), Dialogs::Buttons::OkCancel) != Answer::Ok)
        return;
    const QString folder = m_form.dataFolder();
    house::IoResult io;
    const qint64 position = house::findNonResident(folder, name, &io);
    if (!houseview::reportFailure(m_form, io))
        return;
    if (isMatch(house::nonResidentListPath(folder), position)) {
        m_form.ask(QStringLiteral("A név már használatban van."));
        return;
    }
    if (!allowRevokedCode(code)
        || !houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Nem ott lakó felvétele")).writeNonResident(folder, position, name, code)))
        return;
    refillList5();
}
