#include "reader/differenceswindow.h"

#include "app/windowplacement.h"

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
    m_table->clearContents();
    m_table->setRowCount(int(differences.size()));
    for (int r = 0; r < differences.size(); ++r) {
        const protocol::SlotDifference &d = differences.at(r);
        // The bytes compared are equal whatever the case of a house file on
        // disk: shown in one case, a code reads the same in both columns.
        const QStringList cells = {QString::number(d.apartment), QString::number(d.slotInApartment),
                                   QString::number(d.slot), d.readerRecord.toUpper(), d.houseRecord.toUpper(),
                                   names.value(r)};
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    WindowPlacement::fitColumns(m_table);
    QWidget::show();
    raise();
}

QString DifferencesWindow::rowsAsText() const
{
    QList<int> rows;
    for (int r = 0; r < m_table->rowCount(); ++r) {
        if (m_table->item(r, 0) && m_table->item(r, 0)->isSelected())
            rows << r;
    }
    if (rows.isEmpty()) {
        for (int r = 0; r < m_table->rowCount(); ++r)
            rows << r;
    }
    QStringList lines{headers().join(QLatin1Char('\t'))};
    for (int r : rows) {
        QStringList cells;
        for (int c = 0; c < m_table->columnCount(); ++c)
            cells << (m_table->item(r, c) ? m_table->item(r, c)->text() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void DifferencesWindow::copyRows()
{
    QApplication::clipboard()->setText(rowsAsText());
}
