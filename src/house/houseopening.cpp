#include "house/houseopening.h"

#include "app/form1.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "house/houseview.h"
#include "ui_form1.h"

#include <QFileInfo>
#include <QScrollBar>

using Answer = Dialogs::Answer;
using house::LengthClass;

bool HouseOpening::showBackup()
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();
    s.backupFilePath = house::backupPathOf(s.houseFilePath);
    if (!QFileInfo::exists(s.backupFilePath))
        return false;
    const house::HouseRead backup = house::readHouseFile(s.backupFilePath);
    if (!backup.ok) {
        m_form.ask(backup.error);
        return false;
    }
    if (backup.lengthClass != LengthClass::Valid)
        return false;
    m_form.setShown({u.List3, u.Label19, u.Label10}, true);
    houseview::fill(u.List3, house::houseListRows(backup.records));
    return true;
}

void HouseOpening::showNonResidents()
{
    Ui::Form1 &u = m_form.ui();
    house::IoResult io;
    const QStringList records = house::readNonResidents(m_form.dataFolder(), &io);
    if (!io)
        m_form.ask(io.error);
    // A list without one whole record leaves the rows shown so far.
    else if (!records.isEmpty())
        houseview::fill(u.List5, records);
    m_form.setShown({u.List5, u.Label29}, true);
}

void HouseOpening::command4Clicked()
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();

    u.File1->hide();
    u.Text1->clear();
    if (m_form.refuseDuringExchange())
        return;
    m_form.hideCopyView();

    const Answer answer = m_form.ask(QStringLiteral("Adja meg a ház címét vagy hozzon létre új házfájlt!"),
                                     Dialogs::Buttons::OkCancel);
    m_form.torles();
    if (answer != Answer::Ok)
        return;

    s.houseFilePath = m_form.pickHouseFile();
    if (s.houseFilePath.isEmpty()) {
        m_form.torles();
        return;
    }
    openHouse(s.houseFilePath);
}

void HouseOpening::openHouse(const QString &path)
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();
    s.houseFilePath = path;
    m_form.setShown({u.List3, u.Label19, u.Label10, u.List2, u.Label21, u.Label18}, false);
    u.List2->clear();
    u.List3->clear();
    s.shownHouse.clear();
    u.Text2->setText(s.houseFilePath);

    house::HouseRead read = house::readHouseFile(s.houseFilePath);
    LengthClass kind = read.lengthClass;
    if (!read.ok) {
        // Unreadable: shown like a damaged house, with the reason instead.
        m_form.ask(read.error);
        kind = LengthClass::Damaged;
    } else if (kind == LengthClass::New) {
        m_form.ask(QStringLiteral("Új, még üres fájl."));
        // Filled with empty slots at once, so that later writes into it keep
        // it a whole house.
        if (!houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Új ház")).initHouse(s.houseFilePath)))
            kind = LengthClass::Damaged;
    } else if (kind == LengthClass::Damaged) {
        m_form.ask(QStringLiteral("A fájl sérült!"));
    }

    if (kind == LengthClass::Damaged) {
        // Nothing of the house can be edited; a whole backup is still worth seeing.
        showBackup();
    } else {
        m_form.setShown({u.List2, u.Label21, u.Label18}, true);
        houseview::fill(u.List2, kind == LengthClass::New ? houseview::blankHouseRows()
                                                          : house::houseListRows(read.records));
        s.shownHouse.load(s.houseFilePath, kind == LengthClass::New ? house::blankHouseContent() : read.content);
        const bool backupShown = showBackup();
        // Row 1370, then 23 rows further down 1393: apartment 138's header ends
        // at the top of both lists.
        houseview::selectRow(u.List2, FirstRowShown);
        if (backupShown && kind == LengthClass::Valid)
            houseview::selectRow(u.List3, SelectedRow);
        u.Label2->show();
        showNonResidents();
        houseview::selectRow(u.List2, SelectedRow);
        if (backupShown && kind == LengthClass::Valid)
            houseview::selectRow(u.List3, FirstRowShown);
    }

    m_form.setShown({u.List6, u.Label8, u.Command2, u.Label30, u.Command3, u.Text5, u.Text6, u.Label15,
                     u.Label16, u.Label28, u.Label3},
                    true);
}

void HouseOpening::text2DoubleClicked()
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();
    // A running read-out writes into houseFilePath when it ends; an upload
    // reads the house named in Text2.
    if (m_form.refuseDuringExchange())
        return;

    s.houseFilePath.clear();
    s.houseFilePath = m_form.pickHouseFile();
    if (s.houseFilePath.isEmpty())
        return;

    const house::HouseRead read = house::readHouseFile(s.houseFilePath);
    bool shown = false;
    if (!read.ok) {
        m_form.ask(read.error);
    } else if (read.lengthClass == LengthClass::Valid) {
        houseview::fill(u.List2, house::houseListRows(read.records));
        s.shownHouse.load(s.houseFilePath, read.content);
        shown = true;
    } else if (read.lengthClass == LengthClass::New) {
        shown = houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Új ház")).initHouse(s.houseFilePath));
        if (shown) {
            houseview::fill(u.List2, houseview::blankHouseRows());
            s.shownHouse.load(s.houseFilePath, house::blankHouseContent());
        }
    } else {
        m_form.ask(QStringLiteral("A fájl sérült!"));
    }
    if (!shown) {
        u.List2->clear();
        s.shownHouse.clear();
    }
    // List2 never shows another house than the one named in Text2.
    m_form.setShown({u.List2, u.Label21, u.Label18}, shown);

    // Nor does List3 keep the backup of the house shown before.
    if (!showBackup()) {
        u.List3->clear();
        m_form.setShown({u.List3, u.Label19, u.Label10}, false);
    }
    u.Text2->setText(s.houseFilePath);
}

void HouseOpening::list3Scrolled(int value)
{
    // Per-item scrolling: the value is the first visible row.
    m_form.ui().List2->verticalScrollBar()->setValue(value);
}
