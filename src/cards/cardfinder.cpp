#include "cards/cardfinder.h"
#include "ui_cardwindow.h"

#include "app/form1.h"
#include "cards/revoked.h"
#include "cards/revokedview.h"
#include "app/windowplacement.h"
#include "help/helpmode.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "house/houseopening.h"
#include "house/houseview.h"
#include "ui_form1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMap>
#include <QTimer>

using Answer = Dialogs::Answer;

namespace {

// A slice of the folder walk, then the event loop gets its turn.
constexpr int SliceMs = 8;
constexpr int CodeColumn = 4;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

int rowOfRecord(int record)
{
    return record + (record - 1) / house::ApartmentRecords;
}

QString carryIntoDoors()
{
    return QStringLiteral("Vigye át a változást a kártya leolvasókba is: nyissa meg a házat, majd Ellenőrzés és "
                          "Eltérések rátöltése!");
}

} // namespace

CardFinder::CardFinder(Form1 &form)
    : m_form(form)
    , m_ui(std::make_unique<Ui::CardWindow>())
{
}

CardFinder::~CardFinder()
{
    delete m_window;
}

QWidget *CardFinder::window() const
{
    return m_window;
}

QString CardFinder::runningMessage()
{
    return QStringLiteral("Amíg a kártya leolvasóval adatcsere folyik, ez a parancs nem indítható.");
}

void CardFinder::findTriggered()
{
    m_form.torles();
    if (!m_window) {
        m_window = new QWidget(&m_form, Qt::Window);
        m_ui->setupUi(m_window);
        m_window->setAccessibleName(m_window->windowTitle());
        QTableWidget *table = m_ui->hitTable;
        table->setColumnCount(6);
        table->setHorizontalHeaderLabels({QStringLiteral("Fájl"), QStringLiteral("Lakás"), QStringLiteral("Hely"),
                                          QStringLiteral("Kódhely"), QStringLiteral("Kód"),
                                          QStringLiteral("Nem ott lakó")});
        table->verticalHeader()->hide();
        table->horizontalHeader()->setStretchLastSection(true);
        QFont codes(QStringLiteral("Courier New"));
        codes.setStyleHint(QFont::TypeWriter);
        table->setFont(codes);
        m_ui->searchButton->setWhatsThis(QStringLiteral(
            "A beírt nevet vagy kódrészletet keresi. Egy nem ott lakó neve (ahogy a 'postas.lst' listában áll) az ő "
            "kártyakódját keresteti; más esetben legalább 4 hexadecimális számjegy (0-9, A-F, szóközök között is) "
            "kell, amelyet a kódsorok bármely részén keres, kis- és nagybetűtől függetlenül. Üres helyet soha nem "
            "talál. Az adatmappa minden 16392 bájtos fájljában keres, a biztonsági mentésekben is; a más hosszú "
            "fájlokat a lista alatt sorolja fel. Az előzményekben nem keres."));
        m_ui->takeOutButton->setWhatsThis(QStringLiteral(
            "A kijelölt találatok kódját törli (üres helyre írja át) a házfájlokban és a biztonsági mentésekben is, "
            "hogy egy visszaállítás se hozhassa vissza. A nem ott lakók listáját nem változtatja. Csak azt a "
            "kódhelyet írja át, amely még mindig a megtalált kódot tartalmazza, és kihagyja azt a házat, amelyet "
            "éppen adatcsere használ, vagy amelynek változásai nincsenek mentve. Utána vigye át a változást a "
            "kártya leolvasókba (Ellenőrzés, majd Eltérések rátöltése)! Az előzmények nem változnak: azok azt őrzik, ami volt. Egy második kérdés felajánlja a kártyák "
            "letiltását is, hogy semmi ne hozhassa vissza őket (Letiltott kártyák)."));
        for (QWidget *w : {static_cast<QWidget *>(m_ui->searchButton), static_cast<QWidget *>(m_ui->takeOutButton)})
            m_form.helpMode().watchWidget(w);
        connect(m_ui->searchButton, &QPushButton::clicked, this, [this] { search(m_ui->queryEdit->text()); });
        connect(m_ui->queryEdit, &QLineEdit::returnPressed, this, [this] { search(m_ui->queryEdit->text()); });
        connect(m_ui->takeOutButton, &QPushButton::clicked, this, &CardFinder::takeOutSelected);
        connect(table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { hitDoubleClicked(row); });
        new WindowPlacement(*m_window, m_form, *m_form.services().settings, QStringLiteral("kartyakereses"));
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_ui->queryEdit->setFocus();
}

bool CardFinder::search(const QString &text)
{
    m_folder = m_form.dataFolder();
    house::IoResult io;
    m_people = house::readNonResidents(m_folder, &io);
    const cards::Query query = cards::parseQuery(text, m_people);
    if (!query.error.isEmpty()) {
        m_form.ask(query.error);
        return false;
    }
    m_text = text;
    m_digits = query.digits;
    m_name = query.name;
    m_hits = cards::nonResidentHits(m_people, m_digits);
    m_skipped.clear();
    m_filesSearched = 0;
    m_files.clear();
    const QFileInfoList entries = QDir(m_folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        // The two lists are no houses, whatever their length.
        if (entry.fileName() == QStringLiteral("postas.lst") || entry.fileName() == cards::RevokedCards::fileName())
            continue;
        if (entry.size() == house::HouseFileSize)
            m_files << entry.fileName();
        else
            m_skipped << QStringLiteral("%1: %2 bájt, nem házfájl, kihagyva").arg(entry.fileName()).arg(entry.size());
    }
    if (m_window) {
        m_ui->searchButton->setEnabled(false);
        m_ui->takeOutButton->setEnabled(false);
        m_ui->statusLabel->setText(QStringLiteral("Keresés..."));
    }
    const bool restart = m_searching;
    m_searching = true;
    if (!restart)
        QTimer::singleShot(0, this, &CardFinder::searchStep);
    return true;
}

void CardFinder::searchStep()
{
    QElapsedTimer slice;
    slice.start();
    while (!m_files.isEmpty() && slice.elapsed() < SliceMs) {
        const QString name = m_files.takeFirst();
        QFile file(m_folder + name);
        // A file that went away or changed length since the listing is passed over.
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray content = file.read(house::HouseFileSize + 1);
        if (content.size() != house::HouseFileSize)
            continue;
        ++m_filesSearched;
        m_hits += cards::houseHits(name, content, m_digits, m_people);
    }
    if (!m_files.isEmpty()) {
        QTimer::singleShot(0, this, &CardFinder::searchStep);
        return;
    }
    m_searching = false;
    showHits();
    emit searchFinished();
}

void CardFinder::showHits()
{
    if (!m_window)
        return;
    QTableWidget *table = m_ui->hitTable;
    const int shown = int(qMin<qsizetype>(m_hits.size(), cards::MaxHitsShown));
    table->setUpdatesEnabled(false);
    table->clearContents();
    table->setRowCount(shown);
    for (int r = 0; r < shown; ++r) {
        const cards::Hit &hit = m_hits.at(r);
        const QString file = hit.backup ? QStringLiteral("%1 (biztonsági mentés)").arg(hit.file) : hit.file;
        const QStringList cells =
            hit.nonResidentList
                ? QStringList{file, QString(), QString(), QString(), hit.code, hit.name}
                : QStringList{file, QString::number(hit.apartment), QString::number(hit.slotInApartment),
                              QString::number(hit.slot), hit.code, hit.name};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    markRevoked();
    WindowPlacement::fitColumns(table);
    table->setUpdatesEnabled(true);
    // The history is the record of what was: neither searched nor changed.
    QString status = QStringLiteral("%1 találat, %2 házfájlban és mentésben keresve (az előzményekben nem, az előzmények "
                                    "nem változnak).")
                         .arg(m_hits.size())
                         .arg(m_filesSearched);
    if (m_hits.size() > shown)
        status += QStringLiteral(" Az első %1 látszik, további %2 nem.").arg(shown).arg(m_hits.size() - shown);
    m_ui->statusLabel->setText(status);
    m_ui->skippedList->clear();
    m_ui->skippedList->addItems(m_skipped);
    m_ui->searchButton->setEnabled(true);
    m_ui->takeOutButton->setEnabled(true);
}

void CardFinder::markRevoked()
{
    if (m_window)
        cards::markCells(m_ui->hitTable, {CodeColumn}, m_form.revokedCards());
}

void CardFinder::hitDoubleClicked(int row)
{
    if (row < 0 || row >= m_hits.size() || m_searching)
        return;
    const cards::Hit hit = m_hits.at(row);
    if (hit.nonResidentList)
        return;
    if (hit.backup) {
        m_form.ask(QStringLiteral("A(z) %1 biztonsági mentés, nem ház: a Visszaállítás gombbal lehet újra házfájl.")
                       .arg(hit.file));
        return;
    }
    if (m_form.exchangeRunning()) {
        m_form.ask(runningMessage());
        return;
    }
    m_form.houseOpening().openHouse(m_folder + hit.file);
    Ui::Form1 &u = m_form.ui();
    if (!u.List2->isHidden())
        houseview::selectRow(u.List2, rowOfRecord(hit.slot));
    m_form.activateWindow();
}

void CardFinder::takeOutSelected()
{
    if (m_searching)
        return;
    QList<cards::Hit> chosen;
    QStringList numbers; // of every selected hit, postas.lst's too
    for (const QModelIndex &index : m_ui->hitTable->selectionModel()->selectedRows()) {
        const int row = index.row();
        if (row < m_hits.size() && !m_hits.at(row).nonResidentList)
            chosen << m_hits.at(row);
        const QString number = row < m_hits.size() ? cards::RevokedCards::numberOf(m_hits.at(row).code) : QString();
        if (!number.isEmpty() && !numbers.contains(number))
            numbers << number;
    }
    if (chosen.isEmpty()) {
        m_form.ask(QStringLiteral("Jelöljön ki egy vagy több találatot egy házban vagy mentésben!"));
        return;
    }
    QSet<QString> files;
    for (const cards::Hit &hit : std::as_const(chosen))
        files << hit.file;
    if (m_form.ask(QStringLiteral("%1 kódot töröl %2 fájlból (a biztonsági mentésekből is). A nem ott lakók listája "
                                  "nem változik. Folytatja?")
                       .arg(chosen.size())
                       .arg(files.size()),
                   Dialogs::Buttons::YesNo, Answer::No)
        != Answer::Yes)
        return;
    // A card looked for by its owner's name or its whole code is the lost one; a fragment may be anyone's.
    const bool whole = !m_name.isEmpty() || m_digits.size() == 10 || m_digits.size() == 12;
    const QString shown = numbers.mid(0, 5).join(QStringLiteral(", "))
                          + (numbers.size() > 5 ? QStringLiteral(" és még %1").arg(numbers.size() - 5) : QString());
    QStringList failed;
    if (!numbers.isEmpty()
        && m_form.ask(QStringLiteral("Letiltja ezeket a kártyákat is, hogy ne kerülhessenek vissza ajtóba vagy házba? %1")
                          .arg(shown),
                      Dialogs::Buttons::YesNo, whole ? Answer::Yes : Answer::No)
               == Answer::Yes) {
        const QString reason = m_name.isEmpty() ? QStringLiteral("Kód törlése") : QStringLiteral("Kód törlése: %1").arg(m_name);
        if (const QString error = cards::addRevoked(m_form.houseStore(), m_folder, numbers, reason,
                                                    QStringLiteral("Letiltás: %1").arg(numbers.join(QStringLiteral(", "))));
            !error.isEmpty())
            failed << error;
        m_form.revokedCardsChanged();
    }

    // Asked after the questions: their event loops may have let an exchange start.
    const QStringList exchanging = m_form.exchangeFiles(), unsaved = m_form.unsavedFiles();
    auto among = [](const QStringList &files, const QString &path) {
        for (const QString &file : files) {
            if (!file.isEmpty() && house::sameFile(file, path))
                return true;
        }
        return false;
    };
    QSet<QString> emptied, busy, notSaved;
    QStringList leftAlone;
    // One command: every file gets one version before its first record goes.
    house::HouseStore::Command store(m_form.houseStore(), QStringLiteral("Kód törlése"));
    QMap<QString, QList<cards::Hit>> byFile;
    for (const cards::Hit &hit : std::as_const(chosen))
        byFile[hit.file] << hit;
    for (auto it = byFile.cbegin(); it != byFile.cend(); ++it) {
        const QString path = m_folder + it.key();
        // Each reason is told, so the user knows whether to wait or to save.
        const bool inExchange = among(exchanging, path), withUnsaved = among(unsaved, path);
        if (inExchange)
            busy << it.key();
        if (withUnsaved)
            notSaved << it.key();
        if (inExchange || withUnsaved) {
            m_form.houseStore().log().write(QStringLiteral("Kód törlése"), path, QString(), history::Log::Result::Refused,
                                            inExchange ? QStringLiteral("adatcsere használja")
                                                       : QStringLiteral("el nem mentett változás van benne"));
            continue;
        }
        // Only records that still hold what the search found are emptied.
        QByteArray content;
        if (QFile file(path); file.open(QIODevice::ReadOnly) && file.size() == house::HouseFileSize)
            content = file.readAll();
        QMap<int, QString> records;
        for (const cards::Hit &hit : it.value()) {
            if (cards::stillHolds(content, hit.slot, hit.code))
                records.insert(hit.slot, house::emptyRecord());
            else
                leftAlone << QStringLiteral("%1, %2. kódhely").arg(hit.file).arg(hit.slot);
        }
        if (records.isEmpty())
            continue;
        if (const house::IoResult written = store.writeRecords(path, records); !written) {
            failed << written.error;
            continue;
        }
        emptied << it.key();
        for (auto record = records.cbegin(); record != records.cend(); ++record) {
            if (house::sameFile(m_form.state().shownHouse.path(), path))
                m_form.state().shownHouse.applyWrite(path, qint64(record.key() - 1) * house::RecordLength,
                                                     house::emptyRecord().toLatin1());
        }
    }
    QStringList emptiedPaths;
    for (const QString &name : std::as_const(emptied))
        emptiedPaths << m_folder + name;
    houseview::refillOpenLists(m_form, emptiedPaths);

    auto named = [](const QSet<QString> &files) {
        QStringList names = files.values();
        names.sort(Qt::CaseInsensitive);
        return names.join(QStringLiteral(", "));
    };
    QStringList report;
    if (!emptied.isEmpty())
        report << QStringLiteral("A kód törölve ezekből a fájlokból: %1.").arg(named(emptied)) << carryIntoDoors();
    if (!leftAlone.isEmpty())
        report << QStringLiteral("Nem törölve, mert a keresés óta megváltozott: %1.").arg(leftAlone.join(QStringLiteral("; ")));
    if (!busy.isEmpty())
        report << QStringLiteral("Kihagyva, mert adatcsere használja: %1.").arg(named(busy));
    if (!notSaved.isEmpty())
        report << QStringLiteral("Kihagyva, mert el nem mentett változás van benne: %1.").arg(named(notSaved));
    report << failed;
    search(m_text);
    m_form.ask(report.join(QLatin1Char('\n')));
}

void CardFinder::emptyApartmentTriggered()
{
    m_form.torles();
    Ui::Form1 &u = m_form.ui();
    if (m_form.exchangeRunning()) {
        m_form.ask(runningMessage());
        return;
    }
    if (!houseview::checkShownHouse(m_form, QStringLiteral("Lakás ürítése")))
        return;
    WindowState &s = m_form.state();
    if (s.shownHouse.hasUnsavedRows()) {
        m_form.ask(QStringLiteral("A 'Friss adatok' listában el nem mentett változás van. Mentse a Mentés gombbal, "
                                  "vagy nyissa meg újra a házat a Szerkesztés gombbal!"));
        return;
    }
    const int row = u.List2->currentRow();
    if (u.List2->isHidden() || row < 0) {
        m_form.ask(QStringLiteral("Jelölje ki a kiürítendő lakás egyik sorát a 'Friss adatok' listában!"));
        return;
    }
    const int apartment = row / 10 + 1;
    if (apartment == house::NonResidentApartment) {
        m_form.ask(QStringLiteral("A 138-as lakás a nem ott lakóké: kódjait a 'Friss adatok' listában kettős "
                                  "kattintással, egyenként törölheti."));
        return;
    }
    // The last group holds slots 1360 to 1365; record 1366 is no slot.
    const int records = apartment == house::ApartmentCount ? house::LastGroupRecords - 1 : house::ApartmentRecords;
    const int first = (apartment - 1) * house::ApartmentRecords + 1;
    const QString path = u.Text2->text();
    if (m_form.ask(QStringLiteral("Kiüríti a(z) %1 ház %2. lakását? Mind a %3 kódhelye törlődik.")
                       .arg(native(path))
                       .arg(apartment)
                       .arg(records),
                   Dialogs::Buttons::YesNo, Answer::No)
        != Answer::Yes)
        return;
    if (m_form.exchangeRunning() || !houseview::checkShownHouse(m_form, QStringLiteral("Lakás ürítése")))
        return;
    const QString empty = house::emptyRecord().repeated(records);
    QMap<int, QString> emptied;
    for (int k = 0; k < records; ++k)
        emptied.insert(first + k, house::emptyRecord());
    house::HouseStore::Command store(m_form.houseStore(), QStringLiteral("Lakás ürítése"));
    if (!houseview::reportFailure(m_form, store.writeRecords(path, emptied)))
        return;
    s.shownHouse.applyWrite(path, qint64(first - 1) * house::RecordLength, empty.toLatin1());
    if (houseview::refillFreshList(m_form))
        houseview::selectRow(u.List2, house::headerRowOf(apartment));
    m_form.ask(QStringLiteral("A(z) %1. lakás kiürítve. ").arg(apartment) + carryIntoDoors());
}
