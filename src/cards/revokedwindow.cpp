#include "cards/revokedwindow.h"
#include "ui_revokedwindow.h"

#include "app/windowplacement.h"
#include "cards/revoked.h"
#include "help/helpmode.h"
#include "house/housefile.h"

#include <QHeaderView>

RevokedWindow::RevokedWindow(Needs needs) : m_needs(std::move(needs)), m_ui(std::make_unique<Ui::RevokedWindow>()) {}

RevokedWindow::~RevokedWindow()
{
    delete m_window;
}

void RevokedWindow::build()
{
    m_window = new QWidget(&m_needs.parent, Qt::Window);
    m_ui->setupUi(m_window);
    m_window->setAccessibleName(m_window->windowTitle());
    m_ui->cardTable->verticalHeader()->hide();
    m_ui->cardTable->horizontalHeader()->setStretchLastSection(true);
    m_ui->cardTable->setWhatsThis(QStringLiteral(
        "A letiltott (elveszett, ellopott) kártyák: a kártyaszám (a kód első 10 számjegye), mikor és miért lett "
        "letiltva, és a nem ott lakó, akinek ez a kódja. Letiltott kártyát a program nem tölt rá ajtóba és nem ír "
        "házba kérdés nélkül, és megjelöli a listákban. A lista az adatmappa 'letiltott.lst' fájlja."));
    m_ui->numberEdit->setWhatsThis(QStringLiteral(
        "Ide írja a letiltandó kártya számát: pontosan 10 hexadecimális számjegy (0-9, A-F), a szóközök nem "
        "számítanak, a kisbetű is jó. Az üres kódhely számai (FFFFFFFFFF, 0000000000) nem tilthatók le."));
    m_ui->reasonEdit->setWhatsThis(QStringLiteral("Miért tiltja le a kártyát, például: elveszett. Nem kötelező."));
    m_ui->addButton->setWhatsThis(QStringLiteral(
        "A beírt kártyaszámot felveszi a letiltott kártyák közé a beírt okkal. A házakból és ajtókból ez még nem "
        "törli: azt a Kártya keresése ablak Kód törlése gombja teszi meg."));
    m_ui->removeButton->setWhatsThis(QStringLiteral(
        "A kijelölt kártyát egy kérdés után leveszi a listáról, például ha megtalálták. Utána újra ajtóba és "
        "házba kerülhet."));
    for (QWidget *w : {static_cast<QWidget *>(m_ui->cardTable), static_cast<QWidget *>(m_ui->numberEdit),
                       static_cast<QWidget *>(m_ui->reasonEdit), static_cast<QWidget *>(m_ui->addButton),
                       static_cast<QWidget *>(m_ui->removeButton)})
        m_needs.help.watchWidget(w);
    connect(m_ui->addButton, &QPushButton::clicked, this, &RevokedWindow::add);
    connect(m_ui->numberEdit, &QLineEdit::returnPressed, this, &RevokedWindow::add);
    connect(m_ui->reasonEdit, &QLineEdit::returnPressed, this, &RevokedWindow::add);
    connect(m_ui->removeButton, &QPushButton::clicked, this, &RevokedWindow::remove);
    new WindowPlacement(*m_window, m_needs.parent, m_needs.settings, QStringLiteral("letiltott"));
}

void RevokedWindow::open()
{
    if (!m_window)
        build();
    refresh();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void RevokedWindow::refresh()
{
    if (!m_window)
        return;
    const cards::RevokedCards &revoked = m_needs.revoked();
    const QStringList people = house::readNonResidents(m_needs.dataFolder());
    QTableWidget *table = m_ui->cardTable;
    table->setRowCount(int(revoked.cards().size()));
    for (int r = 0; r < table->rowCount(); ++r) {
        const cards::RevokedCard &card = revoked.cards().at(r);
        QStringList names;
        for (const QString &person : people) {
            if (cards::RevokedCards::numberOf(person.mid(house::NonResidentNameWidth, house::NonResidentCodeWidth)) == card.number)
                names << house::trimSpaces(person.left(house::NonResidentNameWidth));
        }
        const QStringList cells{card.number, card.time.isValid() ? card.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString(),
                                card.reason, names.join(QStringLiteral(", "))};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    WindowPlacement::fitColumns(table);
}

void RevokedWindow::add()
{
    QString error;
    const QString number = cards::RevokedCards::normalized(m_ui->numberEdit->text(), &error);
    if (number.isEmpty()) {
        m_needs.ask(error, Dialogs::Buttons::Ok, Dialogs::Answer::Ok);
        return;
    }
    if (m_needs.revoked().find(number)) {
        m_needs.ask(QStringLiteral("A(z) %1 kártya már le van tiltva.").arg(number), Dialogs::Buttons::Ok, Dialogs::Answer::Ok);
        return;
    }
    const QString reason = m_ui->reasonEdit->text().trimmed();
    if (const QString failed = cards::addRevoked(m_needs.store, m_needs.dataFolder(), {number}, reason,
                                                 QStringLiteral("Letiltás: %1").arg(number));
        !failed.isEmpty()) {
        m_needs.ask(failed, Dialogs::Buttons::Ok, Dialogs::Answer::Ok);
        return;
    }
    m_ui->numberEdit->clear();
    m_ui->reasonEdit->clear();
    m_needs.changed();
    refresh();
}

void RevokedWindow::remove()
{
    const int row = m_ui->cardTable->currentRow();
    const QTableWidgetItem *item = row < 0 ? nullptr : m_ui->cardTable->item(row, 0);
    if (!item || !m_ui->cardTable->selectionModel()->isRowSelected(row, {})) {
        m_needs.ask(QStringLiteral("Jelölje ki a feloldandó kártyát a listában!"), Dialogs::Buttons::Ok, Dialogs::Answer::Ok);
        return;
    }
    const QString number = item->text();
    if (m_needs.ask(QStringLiteral("Feloldja a(z) %1 kártya tiltását (például mert megtalálták)? Utána újra ajtóba és "
                                   "házba kerülhet.")
                        .arg(number),
                    Dialogs::Buttons::YesNo, Dialogs::Answer::No)
        != Dialogs::Answer::Yes)
        return;
    if (const QString failed = cards::removeRevoked(m_needs.store, m_needs.dataFolder(), number,
                                                    QStringLiteral("Tiltás feloldása: %1").arg(number));
        !failed.isEmpty()) {
        m_needs.ask(failed, Dialogs::Buttons::Ok, Dialogs::Answer::Ok);
        return;
    }
    m_needs.changed();
    refresh();
}
