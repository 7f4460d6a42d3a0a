#include "history/historywindow.h"
#include "ui_historywindow.h"

#include "app/windowplacement.h"
#include "cards/revokedview.h"
#include "help/helpmode.h"
#include "house/cp1250.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "reader/differenceswindow.h"
#include "reader/protocol.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeySequence>
#include <QShortcut>
#include <QElapsedTimer>

#include <algorithm>

using Answer = Dialogs::Answer;

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString BringBackCommand = QStringLiteral("Visszaállítás az előzményekből");
enum Column { TimeColumn, FileColumn, WhatColumn, CommandColumn, PortColumn, SlotsColumn, ColumnCount };

QString native(const QString &key)
{
    return QDir::toNativeSeparators(key);
}

QString timeOf(const history::Entry &entry)
{
    return entry.time.toString(TimeFormat);
}

QString backupKeyOf(const QString &houseKey)
{
    return house::backupPathOf(houseKey);
}

// The houses whose history is shown: a backup's entries go with its house,
// which has the backup's name with "txt" where no house of it has history.
QStringList housesOf(const QStringList &keys)
{
    QStringList houses;
    for (const QString &key : keys) {
        if (!house::isOwnBackup(key))
            houses << key;
    }
    for (const QString &key : keys) {
        if (!house::isOwnBackup(key))
            continue;
        const bool withHouse = std::any_of(houses.cbegin(), houses.cend(), [&](const QString &h) {
            return history::Store::sameKey(backupKeyOf(h), key);
        });
        if (!withHouse)
            houses << key.left(key.size() - 3) + QStringLiteral("txt");
    }
    std::sort(houses.begin(), houses.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return houses;
}

// 1366 records; a content the history holds none of (the file was missing or
// empty) is an empty house, as a new house file becomes when opened.
QStringList recordsOf(const QByteArray &content)
{
    const QByteArray bytes = content.isEmpty() ? house::blankHouseContent() : content;
    QStringList records;
    records.reserve(house::RecordCount);
    for (qsizetype at = 0; at < bytes.size() && records.size() < house::RecordCount; at += house::RecordLength)
        records << cp1250::decode(bytes.mid(at, house::RecordLength));
    return records;
}

} // namespace

// The rows of the chosen house; a row's texts are made when it is shown.
class VersionModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void reset(const QList<history::Entry> &entries)
    {
        beginResetModel();
        m_entries = entries;
        endResetModel();
    }
    const QList<history::Entry> &entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_entries.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_entries.size())
            return {};
        const history::Entry &e = m_entries[index.row()];
        switch (index.column()) {
        case TimeColumn:
            return timeOf(e);
        case FileColumn:
            return native(e.file);
        case WhatColumn:
            return HistoryWindow::whatWord(e);
        case CommandColumn:
            return e.command;
        case PortColumn:
            return e.port;
        case SlotsColumn:
            return e.kind == history::Kind::Version ? QStringLiteral("%1 változott").arg(e.changed)
                                                    : QStringLiteral("%1 eltért a háztól").arg(e.changed);
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return {};
        static const QStringList headers{QStringLiteral("Idő"),        QStringLiteral("Fájl"),
                                         QStringLiteral("Tartalom"),   QStringLiteral("Mi történt"),
                                         QStringLiteral("Port"),       QStringLiteral("Kódhelyek")};
        return headers.value(section);
    }

private:
    QList<history::Entry> m_entries;
};

// The house list and the rows of one house, read a slice at a time on the
// user-interface thread, so that the window answers meanwhile however long
// the index is.
struct HistoryWindow::Loading
{
    bool listed = false;
    QStringList houses;   // with listed: every house with history
    QList<bool> missing;  // with listed: the house file does not exist
    QString house;        // whose rows these are
    QString backup;
    QByteArray index;     // the house's index, parsed from `at` on
    qsizetype at = 0;
    qint64 line = 0;
    QList<history::Entry> entries;
};

HistoryWindow::HistoryWindow(Needs needs)
    : m_needs(std::move(needs))
    , m_ui(std::make_unique<Ui::HistoryWindow>())
{
    connect(&m_sliceTimer, &QTimer::timeout, this, &HistoryWindow::readSlice);
}

HistoryWindow::~HistoryWindow()
{
    delete m_window;
}

QString HistoryWindow::whatWord(const history::Entry &entry)
{
    switch (entry.kind) {
    case history::Kind::DoorRead:
        return QStringLiteral("ajtó (kiolvasva)");
    case history::Kind::DoorWritten:
        return QStringLiteral("ajtó (rátöltve)");
    case history::Kind::Version:
        break;
    }
    return entry.content.isEmpty() ? QStringLiteral("nem létezett vagy üres") : QStringLiteral("korábbi tartalom");
}

QList<history::Entry> HistoryWindow::entries() const
{
    return m_model ? m_model->entries() : QList<history::Entry>();
}

void HistoryWindow::build()
{
    m_window = new QWidget(&m_needs.parent, Qt::Window);
    m_ui->setupUi(m_window);
    m_window->setAccessibleName(m_window->windowTitle());
    m_model = new VersionModel(m_window);
    QTableView *versions = m_ui->versionTable;
    versions->setModel(m_model);
    versions->verticalHeader()->hide();
    versions->horizontalHeader()->setStretchLastSection(true);
    QTableWidget *differences = m_ui->differenceTable;
    differences->setColumnCount(int(DifferencesWindow::headers().size()));
    differences->verticalHeader()->hide();
    differences->horizontalHeader()->setStretchLastSection(true);
    QFont codes(QStringLiteral("Courier New"));
    codes.setStyleHint(QFont::TypeWriter);
    differences->setFont(codes);

    m_ui->houseCombo->setWhatsThis(QStringLiteral(
        "Az adatmappa azon házai, amelyeknek előzményei vannak (a biztonsági mentés előzményei a házáé között "
        "látszanak). Megnyitáskor a megnyitott ház van kiválasztva. A már nem létező fájl mellett '(nem létezik)' "
        "áll; az is visszaállítható."));
    versions->setWhatsThis(QStringLiteral(
        "A ház és biztonsági mentése minden korábbi tartalma, és ami az ajtóban volt kiolvasáskor vagy "
        "rátöltéskor, a legújabb felül: mikor, melyik fájl, mi történt akkor, és hány kódhely változott (az "
        "ajtónál: hány tért el a háztól). Egy sort kijelölve alul látszik, miben tér el a fájl mostani "
        "tartalmától; két sort (Ctrl+kattintás) kijelölve a kettő eltérése."));
    differences->setWhatsThis(QStringLiteral(
        "A kijelölt sor és a fájl mostani tartalma, vagy a két kijelölt sor eltérő kódhelyei: lakás, hely a "
        "lakáson belül, kódhely, a két kód, a 138-as lakásnál a nem ott lakó neve."));
    m_ui->copyButton->setWhatsThis(QStringLiteral(
        "Az eltérések kijelölt sorait, vagy ha egy sincs kijelölve, az összeset a vágólapra másolja, a mezőket "
        "tabulátorral elválasztva, az oszlopok neveivel az első sorban."));
    m_ui->restoreButton->setWhatsThis(QStringLiteral(
        "A kijelölt sor tartalmát teszi vissza abba a fájlba, amelyhez a sor tartozik (az ajtó sorát a házba), "
        "egy kérdés után. A fájl mostani tartalma előbb az előzmények közé kerül: ha mégsem ez kellett, a "
        "legfelső sorból visszahozható. Nem lehet, amíg adatcsere használja a fájlt, vagy el nem mentett "
        "változás van benne. Utána vigye át a változást a kártya leolvasóba (Ellenőrzés, majd Eltérések "
        "rátöltése)!"));
    for (QWidget *w : {static_cast<QWidget *>(m_ui->houseCombo), static_cast<QWidget *>(versions),
                       static_cast<QWidget *>(differences), static_cast<QWidget *>(m_ui->copyButton),
                       static_cast<QWidget *>(m_ui->restoreButton)})
        m_needs.help.watchWidget(w);

    connect(m_ui->houseCombo, qOverload<int>(&QComboBox::activated), this, &HistoryWindow::houseChosen);
    connect(versions->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryWindow::compare);
    connect(m_ui->copyButton, &QPushButton::clicked, this, &HistoryWindow::copyDifferences);
    connect(m_ui->restoreButton, &QPushButton::clicked, this, &HistoryWindow::bringBack);
    auto *shortcut = new QShortcut(QKeySequence::Copy, differences);
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, &HistoryWindow::copyDifferences);
    new WindowPlacement(*m_window, m_needs.parent, m_needs.settings, QStringLiteral("elozmenyek"));
}

void HistoryWindow::open(const QString &house)
{
    if (!m_window)
        build();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    const QString shown = house.isEmpty() ? m_needs.openHouse() : house;
    QString key = shown.trimmed().isEmpty() ? QString() : m_needs.store.history().keyOf(shown);
    if (house::isOwnBackup(key))
        key = key.left(key.size() - 3) + QStringLiteral("txt");
    load(true, key);
}

void HistoryWindow::load(bool listHouses, const QString &wanted)
{
    // Only the last request counts: the user may have chosen again meanwhile.
    m_loading = std::make_unique<Loading>();
    Loading &l = *m_loading;
    const history::Store &store = m_needs.store.history();
    QString house = wanted;
    if (listHouses) {
        l.listed = true;
        l.houses = housesOf(store.keys());
        for (const QString &h : std::as_const(l.houses))
            l.missing << !QFileInfo::exists(store.pathOf(h));
        const auto found = std::find_if(l.houses.cbegin(), l.houses.cend(), [&](const QString &h) {
            return !wanted.isEmpty() && history::Store::sameKey(h, wanted);
        });
        house = found != l.houses.cend() ? *found : l.houses.value(0);
    }
    l.house = house;
    l.backup = backupKeyOf(house);
    if (!house.isEmpty()) {
        QFile index(store.indexPathOf(house));
        if (index.open(QIODevice::ReadOnly))
            l.index = index.readAll();
    }
    m_ui->statusLabel->setText(QStringLiteral("Az előzmények olvasása...") + m_notice);
    m_ui->restoreButton->setEnabled(false);
    if (!m_sliceTimer.isActive())
        m_sliceTimer.start(0);
}

void HistoryWindow::readSlice()
{
    if (!m_loading) {
        m_sliceTimer.stop();
        return;
    }
    Loading &l = *m_loading;
    QElapsedTimer slice;
    slice.start();
    // A last line without its line end is left: a write cut short.
    while (slice.elapsed() < 8) {
        const qsizetype end = l.index.indexOf('\n', l.at);
        if (end < 0)
            break;
        history::Entry entry;
        if (history::Store::parseLine(QString::fromUtf8(l.index.constData() + l.at, end - l.at), &entry)) {
            entry.line = l.line++;
            if (history::Store::sameKey(entry.file, l.house) || history::Store::sameKey(entry.file, l.backup))
                l.entries << entry;
        }
        l.at = end + 1;
    }
    if (l.index.indexOf('\n', l.at) >= 0)
        return;
    m_sliceTimer.stop();
    // The index is appended to, oldest first; a clock put back leaves later
    // lines with earlier times: the times decide, then the order written.
    std::reverse(l.entries.begin(), l.entries.end());
    std::stable_sort(l.entries.begin(), l.entries.end(),
                     [](const history::Entry &a, const history::Entry &b) { return a.time > b.time; });
    const std::unique_ptr<Loading> done = std::move(m_loading);
    show(*done);
}

void HistoryWindow::show(const Loading &loaded)
{
    if (!m_window)
        return;
    QComboBox *combo = m_ui->houseCombo;
    if (loaded.listed) {
        combo->clear();
        for (int i = 0; i < loaded.houses.size(); ++i) {
            const QString &key = loaded.houses[i];
            combo->addItem(loaded.missing[i] ? QStringLiteral("%1 (nem létezik)").arg(native(key)) : native(key), key);
        }
    }
    combo->setCurrentIndex(combo->findData(loaded.house));
    m_house = loaded.house;
    m_model->reset(loaded.entries);
    WindowPlacement::fitColumns(m_ui->versionTable);
    m_ui->restoreButton->setEnabled(!loaded.entries.isEmpty());
    m_ui->statusLabel->setText(loaded.house.isEmpty() ? QStringLiteral("Az adatmappa egyetlen házának sincsenek előzményei.")
                                                      : QStringLiteral("%1 sor.").arg(loaded.entries.size()) + m_notice);
    m_notice.clear();
    compare();
    emit rowsShown();
}

void HistoryWindow::houseChosen(int index)
{
    load(false, m_ui->houseCombo->itemData(index).toString());
}

void HistoryWindow::compare()
{
    QTableWidget *table = m_ui->differenceTable;
    QList<int> rows;
    for (const QModelIndex &index : m_ui->versionTable->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    auto clear = [&](const QString &text) {
        table->setRowCount(0);
        m_ui->differenceLabel->setText(text);
    };
    if (rows.isEmpty())
        return clear(QStringLiteral("Jelöljön ki egy sort (eltérései a fájl mostani tartalmától) vagy kettőt!"));
    if (rows.size() > 2)
        return clear(QStringLiteral("Egyszerre legfeljebb két sor vethető össze."));
    history::Store &store = m_needs.store.history();
    auto contentOf = [&](const history::Entry &entry, QByteArray *bytes) {
        return entry.content.isEmpty() || store.content(entry.content, bytes);
    };
    // Newest first: the lower row is the earlier one.
    const history::Entry &first = m_model->entries().at(rows.last());
    QByteArray before, after;
    if (!contentOf(first, &before))
        return clear(QStringLiteral("A(z) %1 sor tartalma hiányzik az előzményekből vagy sérült.").arg(timeOf(first)));
    QString firstSide = QStringLiteral("akkor"), secondSide = QStringLiteral("most"), summary;
    if (rows.size() == 2) {
        const history::Entry &second = m_model->entries().at(rows.first());
        if (!contentOf(second, &after))
            return clear(QStringLiteral("A(z) %1 sor tartalma hiányzik az előzményekből vagy sérült.").arg(timeOf(second)));
        firstSide = QStringLiteral("korábbi");
        secondSide = QStringLiteral("későbbi");
        summary = QStringLiteral("A %1 és a %2 sor eltérései").arg(timeOf(first), timeOf(second));
    } else {
        const QString path = store.pathOf(first.file);
        QFile file(path);
        if (file.exists() && !file.open(QIODevice::ReadOnly))
            return clear(QStringLiteral("A(z) %1 fájl nem olvasható.").arg(native(path)));
        after = file.isOpen() ? file.readAll() : QByteArray();
        summary = QStringLiteral("A %1 sor és a(z) %2 fájl mostani tartalmának eltérései").arg(timeOf(first), native(first.file));
    }
    const QList<protocol::SlotDifference> differences = protocol::differingSlots(recordsOf(before), recordsOf(after));
    QStringList headers = DifferencesWindow::headers();
    headers[3] = firstSide.left(1).toUpper() + firstSide.mid(1);
    headers[4] = secondSide.left(1).toUpper() + secondSide.mid(1);
    table->setHorizontalHeaderLabels(headers);
    DifferencesWindow::fillRows(table, differences,
                                DifferencesWindow::nonResidentNames(
                                    differences, house::readNonResidents(store.dataFolder()), firstSide, secondSide));
    markRevoked();
    WindowPlacement::fitColumns(table);
    m_ui->differenceLabel->setText(QStringLiteral("%1: %2 kód.").arg(summary).arg(differences.size()));
}

void HistoryWindow::markRevoked()
{
    if (m_window)
        cards::markCells(m_ui->differenceTable, DifferencesWindow::codeColumns(), m_needs.revoked());
}

QString HistoryWindow::differencesAsText() const
{
    return DifferencesWindow::rowsAsText(m_ui->differenceTable);
}

void HistoryWindow::copyDifferences()
{
    QApplication::clipboard()->setText(differencesAsText());
}

bool HistoryWindow::inUse(const QString &path) const
{
    const QStringList files = m_needs.filesInUse();
    return std::any_of(files.cbegin(), files.cend(),
                       [&](const QString &file) { return !file.isEmpty() && house::sameFile(file, path); });
}

void HistoryWindow::bringBack()
{
    const QModelIndexList selected = m_ui->versionTable->selectionModel()->selectedRows();
    if (selected.size() != 1) {
        m_needs.ask(QStringLiteral("Jelölje ki azt az egy sort, amelyet vissza akar állítani!"), Dialogs::Buttons::Ok,
                    Answer::Ok);
        return;
    }
    // Copied: the question's event loop may let the rows be read again.
    const history::Entry entry = m_model->entries().at(selected.first().row());
    history::Store &store = m_needs.store.history();
    // A door's row belongs to its house; a backup's row to the backup.
    const QString path = store.pathOf(entry.file);
    const QString busy = QStringLiteral("A(z) %1 fájlt most adatcsere használja, vagy el nem mentett változás van "
                                        "benne: nem állítható vissza.")
                             .arg(native(path));
    if (inUse(path)) {
        m_needs.ask(busy, Dialogs::Buttons::Ok, Answer::Ok);
        return;
    }
    QByteArray bytes;
    if (!entry.content.isEmpty() && !store.content(entry.content, &bytes)) {
        m_needs.ask(QStringLiteral("A %1 sor tartalma hiányzik az előzményekből vagy sérült: nem állítható vissza.")
                        .arg(timeOf(entry)),
                    Dialogs::Buttons::Ok, Answer::Ok);
        return;
    }
    // An empty content becomes the empty house it is compared as.
    if (bytes.isEmpty())
        bytes = house::blankHouseContent();
    QByteArray now;
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        now = file.readAll();
    if (now == bytes && QFileInfo::exists(path)) {
        m_needs.ask(QStringLiteral("A(z) %1 fájl most is pontosan ezt tartalmazza.").arg(native(path)),
                    Dialogs::Buttons::Ok, Answer::Ok);
        return;
    }
    if (m_needs.ask(QStringLiteral("Visszaállítja a(z) %1 fájlt a %2 sorból (%3)? A mostani tartalma az előzmények "
                                   "közé kerül.")
                        .arg(native(path), timeOf(entry), whatWord(entry)),
                    Dialogs::Buttons::YesNo, Answer::No)
        != Answer::Yes)
        return;
    if (!m_needs.allowRevoked(BringBackCommand, path, bytes))
        return;
    // Asked again after the questions: their event loops may have let an exchange start.
    if (inUse(path)) {
        m_needs.ask(busy, Dialogs::Buttons::Ok, Answer::Ok);
        return;
    }
    const house::IoResult written = house::HouseStore::Command(m_needs.store, BringBackCommand).replaceWhole(path, bytes);
    if (!written) {
        m_needs.ask(written.error, Dialogs::Buttons::Ok, Answer::Ok);
        return;
    }
    m_needs.written(path);
    m_notice = QStringLiteral(" A(z) %1 fájl visszaállítva; ami előtte volt benne, az a legfelső sor.").arg(native(path));
    load(true, m_house);
}
