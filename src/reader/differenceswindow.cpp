#include "reader/differenceswindow.h"

#include "app/form1.h"
#include "app/windowplacement.h"
#include "cards/revokedview.h"
#include "house/housefile.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

DifferencesWindow::DifferencesWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("DifferencesWindow"));
    setWindowTitle(QStringLiteral("Eltérések"));
    setAccessibleName(QStringLiteral("Eltérések"));
    resize(640, 420);
    auto *layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    m_table = new QTableWidget(0, int(headers().size()), this);
    m_table->setObjectName(QStringLiteral("differencesTable"));
    m_table->setAccessibleName(QStringLiteral("Eltérések"));
    m_table->setHorizontalHeaderLabels(headers());
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    QFont codes(QStringLiteral("Courier New"));
    codes.setStyleHint(QFont::TypeWriter);
    m_table->setFont(codes);
    layout->addWidget(m_table);

    m_copy = new QPushButton(QStringLiteral("Sorok másolása"), this);
    m_copy->setObjectName(QStringLiteral("copyRowsButton"));
    m_copy->setAccessibleName(m_copy->text());
    m_copy->setToolTip(QStringLiteral("A kijelölt sorok (ha nincs kijelölés, az összes) vágólapra másolása szövegként."));
    m_copy->setWhatsThis(QStringLiteral(
        "Az 'Eltérések' ablak kijelölt sorait, vagy ha egy sor sincs kijelölve, az összeset a vágólapra "
        "másolja, soronként egy eltéréssel, a mezőket tabulátorral elválasztva, az oszlopok neveivel az "
        "első sorban. Így egy levélbe vagy táblázatba beilleszthetők."));
    layout->addWidget(m_copy, 0, Qt::AlignRight);
    connect(m_copy, &QPushButton::clicked, this, &DifferencesWindow::copyRows);
    auto *shortcut = new QShortcut(QKeySequence::Copy, m_table);
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, &DifferencesWindow::copyRows);
}

DifferencesWindow::DifferencesWindow(Form1 *form)
    : DifferencesWindow(static_cast<QWidget *>(form))
{
    m_revoked = [form]() -> const cards::RevokedCards & { return form->revokedCards(); };
}

void DifferencesWindow::markRevoked()
{
    if (m_revoked)
        cards::markCells(m_table, codeColumns(), m_revoked());
}

QStringList DifferencesWindow::headers()
{
    return {QStringLiteral("Lakás"), QStringLiteral("Hely"), QStringLiteral("Kódhely"),
            QStringLiteral("Leolvasóban"), QStringLiteral("Házfájlban"), QStringLiteral("Nem ott lakó")};
}

void DifferencesWindow::showDifferences(const QString &housePath, const QList<protocol::SlotDifference> &differences,
                             const QStringList &names)
{
    m_summary->setText(QStringLiteral("A(z) %1 ház és a kártya leolvasó eltérései: %2 kód.")
                           .arg(QDir::toNativeSeparators(housePath))
                           .arg(differences.size()));
    fillRows(m_table, differences, names);
    markRevoked();
    WindowPlacement::fitColumns(m_table);
    QWidget::show();
    raise();
}

QString DifferencesWindow::rowsAsText() const
{
    return rowsAsText(m_table);
}

void DifferencesWindow::fillRows(QTableWidget *table, const QList<protocol::SlotDifference> &differences,
                                 const QStringList &names)
{
    table->clearContents();
    table->setRowCount(int(differences.size()));
    for (int r = 0; r < differences.size(); ++r) {
        const protocol::SlotDifference &d = differences.at(r);
        // The bytes compared are equal whatever the case of a house file on
        // disk: shown in one case, a code reads the same in both columns.
        const QStringList cells = {QString::number(d.apartment), QString::number(d.slotInApartment),
                                   QString::number(d.slot), d.readerRecord.toUpper(), d.houseRecord.toUpper(),
                                   names.value(r)};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
}

QString DifferencesWindow::rowsAsText(const QTableWidget *table)
{
    QList<int> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 0) && table->item(r, 0)->isSelected())
            rows << r;
    }
    if (rows.isEmpty()) {
        for (int r = 0; r < table->rowCount(); ++r)
            rows << r;
    }
    QStringList headers;
    for (int c = 0; c < table->columnCount(); ++c)
        headers << (table->horizontalHeaderItem(c) ? table->horizontalHeaderItem(c)->text() : QString());
    QStringList lines{headers.join(QLatin1Char('\t'))};
    for (int r : rows) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QStringList DifferencesWindow::nonResidentNames(const QList<protocol::SlotDifference> &differences,
                                                const QStringList &people, const QString &firstSide,
                                                const QString &secondSide)
{
    auto namesOf = [&people](const QString &record) { return house::nonResidentNamesOf(people, record); };
    QStringList out;
    for (const protocol::SlotDifference &d : differences) {
        QStringList parts;
        if (d.apartment == house::NonResidentApartment) {
            if (const QString first = namesOf(d.readerRecord); !first.isEmpty())
                parts << QStringLiteral("%1: %2").arg(firstSide, first);
            if (const QString second = namesOf(d.houseRecord); !second.isEmpty())
                parts << QStringLiteral("%1: %2").arg(secondSide, second);
        }
        out << parts.join(QStringLiteral("; "));
    }
    return out;
}

void DifferencesWindow::copyRows()
{
    QApplication::clipboard()->setText(rowsAsText());
}
