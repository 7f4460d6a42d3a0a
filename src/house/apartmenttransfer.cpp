#include "house/apartmenttransfer.h"

#include "app/form1.h"
#include "house/cp1250.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "house/houseview.h"
#include "ui_form1.h"

#include <QFileInfo>

using Answer = Dialogs::Answer;
using house::LengthClass;

namespace {
constexpr int AnswerWidth = 3;
} // namespace

int ApartmentTransfer::targetApartment(const QString &answer)
{
    const QString head = (answer + QString(30, QLatin1Char(' '))).left(AnswerWidth);
    int at = 0;
    while (at < head.size() && head[at] == QLatin1Char(' '))
        ++at;
    int number = 0;
    for (; at < head.size(); ++at) {
        const char16_t c = head[at].unicode();
        if (c < u'0' || c > u'9')
            break;
        number = number * 10 + (c - u'0');
    }
    return number;
}

void ApartmentTransfer::command2Clicked()
{
    Ui::Form1 &u = m_form.ui();
    if (m_form.refuseDuringExchange())
        return;
    u.List6->clear();
    m_donorPath.clear();
    if (m_form.ask(QStringLiteral("Válassza ki melyik házból kiván kódokat másolni!"), Dialogs::Buttons::OkCancel)
        != Answer::Ok)
        return;
    const QString donor = m_form.pickHouseFile();
    m_form.torles();
    if (donor.isEmpty())
        return;
    // The donor only fills List6; Text2 keeps naming the receiving house.
    m_form.state().houseFilePath = donor;

    const house::HouseRead read = house::readHouseFile(donor);
    if (!read.ok) {
        m_form.ask(read.error);
        return;
    }
    switch (read.lengthClass) {
    case LengthClass::New:
        m_form.ask(QStringLiteral("A fájl üres."));
        break;
    case LengthClass::Valid:
        houseview::fill(u.List6, house::houseListRows(read.records));
        houseview::selectRow(u.List6, 1393);
        m_donorPath = donor;
        break;
    case LengthClass::Damaged:
        m_form.ask(QStringLiteral("A fájl sérült!"));
        break;
    }
}

void ApartmentTransfer::refillDonor()
{
    QListWidget *list6 = m_form.ui().List6;
    const house::HouseRead read = house::readHouseFile(m_donorPath);
    const int row = list6->currentRow();
    if (read.ok && read.lengthClass == LengthClass::Valid) {
        houseview::fill(list6, house::houseListRows(read.records));
        houseview::selectRow(list6, row);
    } else {
        list6->clear();
        m_donorPath.clear();
    }
}

void ApartmentTransfer::list6DoubleClicked()
{
    Ui::Form1 &u = m_form.ui();
    // The upload reads the receiving house; it must not change under it.
    if (m_form.refuseDuringExchange())
        return;
    int header = u.List6->currentRow();
    if (header < 0 || header >= u.List6->count())
        return;
    while (header >= 0 && !house::isHeaderRow(houseview::rowText(u.List6, header)))
        --header;
    if (header < 0)
        return;
    if (!houseview::freshListHoldsHouse(m_form))
        return;

    const QString answer = m_form.inputBox(
        QStringLiteral("A(z) ") + houseview::rowText(u.List6, header)
        + QStringLiteral("t választotta. Adja meg a lakás számát ahova másolni szeretné a Friss adatok listában! "
                         "Max 3 karakter lehet."));
    if (answer.trimmed().isEmpty())
        return;
    const int target = targetApartment(answer);
    // Only a whole apartment, at its own place.
    if (target < 1 || target > house::LastWholeApartment) {
        m_form.ask(QStringLiteral("A lakás száma 1 és %1 közötti egész szám lehet.").arg(house::LastWholeApartment));
        return;
    }

    // The last group of the donor has seven records: the slots it lacks are
    // copied as empty ones.
    const int first = house::headerRowOf(target) + 1;
    QStringList before;
    QString joined;
    for (int j = 0; j < house::ApartmentRecords; ++j) {
        const int from = header + 1 + j;
        QString record = house::emptyRecord();
        if (from < u.List6->count() && !house::isHeaderRow(houseview::rowText(u.List6, from)))
            record = houseview::recordOf(houseview::rowText(u.List6, from));
        before << houseview::rowText(u.List2, first + j);
        u.List2->item(first + j)->setText(record);
        joined += record;
    }

    const QString path = u.Text2->text();
    WindowState &s = m_form.state();
    if (m_form.ask(QStringLiteral("Mentsem a ") + path + QStringLiteral(" nevű fájlba?"), Dialogs::Buttons::YesNo)
        == Answer::Yes) {
        // The apartment is written beside the rest of what List2 shows: only into the file it was filled from,
        // unchanged since, so that List2 then shows that file.
        const QString command = QStringLiteral("Lakás átmásolása innen: %1").arg(QFileInfo(donorPath()).fileName());
        const bool written = houseview::checkShownHouse(m_form, command) && houseview::checkTargetHouse(m_form, nullptr, command)
                             && houseview::allowRevoked(m_form, command, path, (target - 1) * house::ApartmentRecords + 1, joined)
                             && houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), command).writeApartment(path, target, joined));
        if (written) {
            // The file named in the question got what List2 now shows.
            s.shownHouse.applyWrite(path, qint64(target - 1) * house::ApartmentBytes, cp1250::encode(joined));
        } else {
            // List2 keeps showing what the file holds.
            for (int j = 0; j < house::ApartmentRecords; ++j)
                u.List2->item(first + j)->setText(before[j]);
        }
    } else {
        s.shownHouse.setUnsavedRows(true);
        m_form.setShown({u.Command8, u.Label31}, true);
    }
    houseview::selectRow(u.List2, house::headerRowOf(target));
}

void ApartmentTransfer::command8Clicked()
{
    Ui::Form1 &u = m_form.ui();
    if (m_form.refuseDuringExchange())
        return;
    if (!houseview::freshListHoldsHouse(m_form))
        return;
    // The whole house is replaced by List2's rows: only the very file they
    // came from, and only while it still holds what it held then.
    if (!houseview::checkShownHouse(m_form, QStringLiteral("Mentés")))
        return;
    const QString path = u.Text2->text();
    // The whole house is written, and so checked whole: a row that fails to
    // make bytes is left to the write, which says why.
    QByteArray content;
    if (house::rowsContent(path, houseview::rowsOf(u.List2), &content)
        && !houseview::allowRevoked(m_form, QStringLiteral("Mentés"), path, content))
        return;
    QByteArray written;
    if (houseview::reportFailure(m_form, house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Mentés")).writeRows(path, houseview::rowsOf(u.List2), &written)))
        m_form.state().shownHouse.load(path, written);
    m_form.torles();
}
