#include "history/logwindow.h"
#include "ui_logwindow.h"

#include "app/windowplacement.h"
#include "help/helpmode.h"
#include "history/log.h"
#include "house/housestore.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeySequence>
#include <QShortcut>

#include <algorithm>

// The lines as read, and the ones the filter lets through. A model over the
// lines themselves: a log of 6 MiB is some 65000 rows, which items (or even
// their fields split at once) would take long to build.
class LogModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setLines(QStringList lines, const QString &text)
    {
        beginResetModel();
        m_lines = std::move(lines);
        keep(text);
        endResetModel();
    }
    void filter(const QString &text)
    {
        beginResetModel();
        keep(text);
        endResetModel();
    }
    const QString &line(int row) const { return m_lines.at(m_shown.at(row)); }
    int total() const { return int(m_lines.size()); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_shown.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : history::Log::FieldCount;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return QVariant();
        // Split when shown: only the rows on screen are ever asked for.
        return line(index.row()).section(QLatin1Char('\t'), index.column(), index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QVariant();
        return LogWindow::headers().value(section);
    }

private:
    void keep(const QString &text)
    {
        m_shown.clear();
        for (int i = 0; i < m_lines.size(); ++i) {
            if (text.isEmpty() || m_lines.at(i).contains(text, Qt::CaseInsensitive))
                m_shown << i;
        }
    }

    QStringList m_lines;
    QList<int> m_shown;
};

LogWindow *LogWindow::showFor(QWidget &parent, house::HouseStore &store, SettingsStore &settings, HelpMode &help)
{
    LogWindow *window = parent.findChild<LogWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new LogWindow(parent, store);
        for (QWidget *w : {static_cast<QWidget *>(window->m_ui->filterEdit), static_cast<QWidget *>(window->m_ui->logTable),
                           static_cast<QWidget *>(window->m_ui->copyButton)})
            help.watchWidget(w);
        new WindowPlacement(*window, parent, settings, QStringLiteral("naplo"));
    }
    window->refill();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

LogWindow::LogWindow(QWidget &parent, house::HouseStore &store)
    : QWidget(&parent, Qt::Window)
    , m_store(store)
    , m_ui(std::make_unique<Ui::LogWindow>())
    , m_model(new LogModel(this))
{
    m_ui->setupUi(this);
    setAccessibleName(windowTitle());
    QTableView *table = m_ui->logTable;
    table->setModel(m_model);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    m_ui->filterEdit->setWhatsThis(QStringLiteral(
        "Ide írva egy szövegrészt (például egy ház nevét, egy parancsot vagy azt, hogy 'hiba'), a napló csak azokat "
        "a sorokat mutatja, amelyekben szerepel, kis- és nagybetűtől függetlenül. Üresen minden sor látszik."));
    m_ui->logTable->setWhatsThis(QStringLiteral(
        "A program eseményei, a legújabb felül: minden adatcsere a kártya leolvasóval és a vége (kész, "
        "időtúllépés, feladva, port elveszett...), minden írás egy házfájlba vagy mentésbe a parancsával és a "
        "megváltozott kódhelyek számával, és minden elutasított írás az okával. A napló az adatmappa "
        "'elozmenyek' mappájában van (naplo.log); 1 MB után a régebbi sorok a naplo.1.log - naplo.5.log "
        "fájlokba kerülnek, a legrégebbiek törlődnek."));
    m_ui->copyButton->setWhatsThis(QStringLiteral(
        "A napló kijelölt sorait, vagy ha egy sor sincs kijelölve, az összes látható sort a vágólapra másolja, "
        "soronként egy eseménnyel, a mezőket tabulátorral elválasztva, az oszlopok neveivel az első sorban. Így "
        "egy levélbe vagy táblázatba beilleszthetők."));
    connect(m_ui->filterEdit, &QLineEdit::textChanged, this, &LogWindow::applyFilter);
    connect(m_ui->copyButton, &QPushButton::clicked, this, &LogWindow::copyRows);
    auto *shortcut = new QShortcut(QKeySequence::Copy, table);
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, &LogWindow::copyRows);
}

LogWindow::~LogWindow() = default;

QStringList LogWindow::headers()
{
    return {QStringLiteral("Idő"), QStringLiteral("Parancs"), QStringLiteral("Fájl"), QStringLiteral("Port"),
            QStringLiteral("Eredmény"), QStringLiteral("Részletek")};
}

void LogWindow::refill()
{
    m_model->setLines(m_store.log().read(), m_ui->filterEdit->text());
    showCount();
    WindowPlacement::fitColumns(m_ui->logTable);
}

void LogWindow::applyFilter()
{
    m_model->filter(m_ui->filterEdit->text());
    showCount();
}

void LogWindow::showCount()
{
    m_ui->countLabel->setText(QStringLiteral("%1 / %2 sor").arg(m_model->rowCount()).arg(m_model->total()));
}

QString LogWindow::rowsAsText() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_ui->logTable->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        for (int r = 0; r < m_model->rowCount(); ++r)
            rows << r;
    }
    QStringList lines{headers().join(QLatin1Char('\t'))};
    for (int r : std::as_const(rows))
        lines << m_model->line(r);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void LogWindow::copyRows()
{
    QApplication::clipboard()->setText(rowsAsText());
}
