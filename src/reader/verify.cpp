#include "reader/verify.h"
#include "app/form1.h"
#include "house/housestore.h"
#include "app/windowplacement.h"
#include "help/helpmode.h"
#include "house/cp1250.h"
#include "house/housefile.h"
#include "house/houseview.h"
#include "reader/differenceswindow.h"
#include "reader/readerlink.h"
#include "reader/revokeddoor.h"
#include "reader/upload.h"
#include "ui_form1.h"

#include <QDir>
#include <QFile>

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QStringList recordsOf(const QByteArray &content)
{
    const QString text = cp1250::decode(content);
    QStringList records;
    for (qsizetype at = 0; at + house::RecordLength <= text.size(); at += house::RecordLength)
        records << text.mid(at, house::RecordLength);
    return records;
}

int rowOfRecord(int record)
{
    // A header row stands before every nine records.
    return record + (record - 1) / house::ApartmentRecords;
}

} // namespace

Verify::Verify(Form1 &form)
    : m_form(form)
    , m_wait(form)
{
    connect(&m_wait, &DumpWait::stalled, this, &Verify::onStalled);
    ReaderLink &link = form.reader();
    connect(&link, &ReaderLink::readOutProgress, this, &Verify::onProgress);
    connect(&link, &ReaderLink::dumpReceived, this, &Verify::onDump);
    connect(&link, &ReaderLink::exchangeAborted, this, &Verify::onLinkBroken);
    connect(&link, &ReaderLink::requestSending, this, &Verify::onRequestSending);
    connect(&form.upload(), &Upload::differencesWritten, this, &Verify::onDifferencesWritten);
}

Verify::~Verify()
{
    delete m_window.data();
}

DifferencesWindow *Verify::window() const
{
    return m_window.data();
}

QString Verify::housePath() const
{
    return m_form.state().verifyRunning == 1 ? m_path : QString();
}

QString Verify::runningMessage()
{
    return QStringLiteral("Amíg a kártya leolvasóval adatcsere folyik, ez a parancs nem indítható.");
}

QString Verify::transferErrorMessage()
{
    return QStringLiteral("Hiba az átvitelben. Ismételje meg az ellenőrzést!");
}

bool Verify::houseReady(const QString &path, const QString &command)
{
    if (!houseview::checkShownHouse(m_form, command))
        return false;
    if (m_form.state().shownHouse.hasUnsavedRows()) {
        m_form.ask(QStringLiteral("A 'Friss adatok' listában el nem mentett változás van. Mentse a Mentés gombbal, "
                                  "vagy nyissa meg újra a házat a Szerkesztés gombbal!"));
        return false;
    }
    // What the upload would refuse to send cannot be compared with the door either.
    if (const QString problem = Upload::checkHouse(path); !problem.isEmpty()) {
        m_form.ask(problem);
        return false;
    }
    return true;
}

void Verify::verifyTriggered()
{
    m_form.torles();
    if (m_form.exchangeRunning()) {
        m_form.ask(runningMessage());
        return;
    }
    if (!m_form.reader().isOpen()) {
        m_form.ask(ReaderLink::noPortMessage());
        return;
    }
    const QString path = m_form.ui().Text2->text();
    if (!houseReady(path, QStringLiteral("Ellenőrzés")))
        return;
    startRequest(path, m_form.state().shownHouse.content(), false);
}

bool Verify::startRequest(const QString &path, const QByteArray &content, bool readBack)
{
    WindowState &s = m_form.state();
    ReaderLink &reader = m_form.reader();
    m_form.setSideListsEnabled(false);
    s.requestBytes = protocol::readRequestBytes(quint8(s.requestLeadByte));
    reader.tavi();
    m_path = path;
    m_content = content;
    m_readBack = readBack;
    s.verifyRunning = 1;
    reader.timer2().start();
    m_line = reader.link();
    // Armed before the send: a reader may answer before adas returns.
    m_wait.start();
    if (!reader.adas()) {
        s.verifyRunning = 0;
        logEnd(history::Log::Result::PortLost);
        endWait();
        m_form.ask(ReaderLink::noPortMessage());
        return false;
    }
    return true;
}

void Verify::onProgress(qint64 waiting)
{
    if (m_form.state().verifyRunning == 1)
        m_wait.progress(waiting);
}

void Verify::endWait()
{
    Ui::Form1 &u = m_form.ui();
    m_wait.stop();
    u.ProgressBar1->setValue(0);
    u.Text3->clear();
    if (!m_form.exchangeRunning())
        m_form.setSideListsEnabled(true);
}

void Verify::logEnd(history::Log::Result result, const QString &details)
{
    m_form.logExchange(m_readBack ? Form1::Exchange::ReadBack : Form1::Exchange::Verify, m_path, result, details);
}

void Verify::onDump(const QByteArray &dump)
{
    WindowState &s = m_form.state();
    if (s.verifyRunning != 1 || m_form.ended())
        return;
    // Cleared before any message box: its event loop must not take this
    // branch again.
    s.verifyRunning = 0;
    endWait();

    const QStringList records = protocol::decodeDump(dump);
    QByteArray held;
    for (const QString &record : records)
        held += record.toLatin1();
    m_result = Result{true, m_path, m_content, m_line, protocol::differingSlots(records, recordsOf(m_content)), held};
    const QString house = native(m_path);
    const qsizetype count = m_result.differences.size();
    const QString command = (m_readBack ? QStringLiteral("Eltérések rátöltése, visszaolvasás ") : QStringLiteral("Ellenőrzés "))
                            + m_form.fromPortPhrase();
    history::Store &history = m_form.houseStore().history();
    const history::DoorChange since = history.doorChangeSince(history.keyOf(m_path), held);
    const QString lost = m_form.houseStore().keepDoor(history::Kind::DoorRead, m_path, held, command, s.portSetting,
                                                      int(count));
    // A door that could not be kept is what the status line says; there is
    // no "since last time" without it. The read-back follows the program's
    // own upload: nothing else to tell then either.
    const bool tellChange = !m_readBack && lost.isEmpty();
    if (!lost.isEmpty())
        m_form.showStatus(lost);
    // A revoked card in the door is told in any case: after the read-back it
    // says whether the door is clean now.
    const QString revoked = revokeddoor::doorNote(m_form, held);
    const auto tellDoor = [&] {
        if (tellChange)
            m_form.tellDoorChange(since, m_result.path, revoked);
        else if (!revoked.isEmpty())
            m_form.ask(revoked);
    };
    logEnd(history::Log::Result::Done, QStringLiteral("%1 kódhely eltér").arg(count));
    if (count == 0) {
        m_form.ask(m_readBack ? QStringLiteral("A kártya leolvasó most pontosan a(z) %1 ház kódjait tartalmazza.").arg(house)
                              : QStringLiteral("A kártya leolvasó pontosan a(z) %1 ház kódjait tartalmazza.").arg(house));
        tellDoor();
        return;
    }
    markRows();
    if (!m_window) {
        m_window = new DifferencesWindow(&m_form);
        new WindowPlacement(*m_window, m_form, *m_form.services().settings, QStringLiteral("elteresek"));
        m_form.helpMode().watchWidget(m_window->copyButton());
    }
    m_window->showDifferences(m_path, m_result.differences, nonResidentNames());
    m_form.ask(m_readBack ? QStringLiteral("A rátöltés után is %1 kód eltér a kártya leolvasóban a(z) %2 háztól: "
                                           "közben valaki megváltoztathatta a kártya leolvasót. Az eltérések az "
                                           "Eltérések ablakban láthatók.")
                                .arg(count)
                                .arg(house)
                          : QStringLiteral("%1 kód eltér a kártya leolvasóban a(z) %2 háztól. Az eltérések az "
                                           "Eltérések ablakban láthatók; az Eltérések rátöltése csak ezeket "
                                           "tölti rá.")
                                .arg(count)
                                .arg(house));
    tellDoor();
}

QStringList Verify::nonResidentNames() const
{
    return DifferencesWindow::nonResidentNames(m_result.differences, house::readNonResidents(m_form.dataFolder()),
                                               QStringLiteral("leolvasóban"), QStringLiteral("házfájlban"));
}

void Verify::markRows()
{
    QListWidget *list = m_form.ui().List2;
    // Only where List2 still shows the house that was compared.
    if (!house::sameFile(m_form.state().shownHouse.path(), m_path))
        return;
    for (const protocol::SlotDifference &d : m_result.differences) {
        QListWidgetItem *item = list->item(rowOfRecord(d.slot));
        if (!item)
            continue;
        item->setBackground(QColor(255, 205, 205));
        item->setForeground(QColor(170, 0, 0));
        m_markedRows << rowOfRecord(d.slot);
    }
}

void Verify::clearMarks()
{
    QListWidget *list = m_form.ui().List2;
    for (int row : std::as_const(m_markedRows)) {
        if (QListWidgetItem *item = list->item(row)) {
            item->setData(Qt::BackgroundRole, QVariant());
            item->setData(Qt::ForegroundRole, QVariant());
        }
    }
    m_markedRows.clear();
}

void Verify::onRequestSending()
{
    // Whatever goes to the reader now may change it: what the last verify
    // found no longer describes the door for sure.
    m_result = Result();
    clearMarks();
}

void Verify::onStalled()
{
    WindowState &s = m_form.state();
    if (s.verifyRunning != 1)
        return;
    s.verifyRunning = 0;
    logEnd(history::Log::Result::TimedOut);
    endWait();
    m_form.ask(transferErrorMessage());
}

void Verify::onLinkBroken(QStringList *notes)
{
    WindowState &s = m_form.state();
    m_result = Result();
    if (s.verifyRunning != 1)
        return;
    s.verifyRunning = 0;
    logEnd(history::Log::Result::PortLost);
    endWait();
    notes->append(QStringLiteral("Az ellenőrzés megszakadt, egy fájl sem változott. Ismételje meg az ellenőrzést!"));
}

void Verify::uploadDifferencesTriggered()
{
    m_form.torles();
    if (m_form.exchangeRunning()) {
        m_form.ask(runningMessage());
        return;
    }
    const QString verifyFirst = QStringLiteral("Ellenőrizze újra a kártya leolvasót az Ellenőrzés paranccsal!");
    if (!m_result.valid) {
        m_form.ask(QStringLiteral("Nincs érvényes ellenőrzés: az eltérések csak közvetlenül egy ellenőrzés után "
                                  "tölthetők rá. Előbb ellenőrizze a kártya leolvasót az Ellenőrzés paranccsal!"));
        return;
    }
    const QString nothingToSend = QStringLiteral("A legutóbbi ellenőrzés szerint a kártya leolvasó pontosan a házat "
                                                 "tartalmazza, nincs mit rátölteni.");
    // A revoked card where door and house agree is no difference, yet it must go.
    const QList<cards::RevokedSlot> revoked = revokeddoor::find(m_form, m_result.content, m_result.door);
    if (m_result.differences.isEmpty() && revoked.isEmpty()) {
        m_form.ask(nothingToSend);
        return;
    }
    ReaderLink &reader = m_form.reader();
    if (!reader.isOpen() || m_result.line.isNull() || reader.link() != m_result.line.data()) {
        m_result = Result();
        m_form.ask(QStringLiteral("Az ellenőrzés óta megváltozott a soros port. ") + verifyFirst);
        return;
    }
    const QString path = m_form.ui().Text2->text();
    if (!house::sameFile(path, m_result.path) || !house::sameFile(m_form.state().shownHouse.path(), m_result.path)) {
        m_form.ask(QStringLiteral("Az ellenőrzés a(z) %1 házra szólt, most más ház van megnyitva. ")
                       .arg(native(m_result.path))
                   + verifyFirst);
        return;
    }
    if (!houseReady(path, QStringLiteral("Eltérések rátöltése")))
        return;
    if (m_form.state().shownHouse.content() != m_result.content) {
        m_form.ask(QStringLiteral("A(z) %1 fájl megváltozott az ellenőrzés óta. ").arg(native(path)) + verifyFirst);
        return;
    }

    Result result = m_result;
    const int afterEmptying = int(protocol::differingSlots(recordsOf(result.door),
                                                           recordsOf(revokeddoor::emptied(result.content, revoked)))
                                      .size());
    if (revoked.isEmpty() ? m_form.ask(QStringLiteral("%1 kód eltér a kártya leolvasóban a(z) %2 háztól. Rátölthetem "
                                                      "csak ezeket a kódokat a kártya leolvasóba?")
                                           .arg(result.differences.size())
                                           .arg(native(path)),
                                       Dialogs::Buttons::OkCancel)
                                != Dialogs::Answer::Ok
                          : !revokeddoor::askToEmpty(m_form, Form1::Exchange::DifferenceUpload, path, revoked, afterEmptying))
        return;
    // The question ran an event loop: the port, the house or the reader may
    // have changed meanwhile.
    if (m_form.exchangeRunning() || !m_result.valid || reader.link() != result.line.data()
        || !houseview::checkShownHouse(m_form, QStringLiteral("Eltérések rátöltése"))) {
        m_form.ask(QStringLiteral("Az ellenőrzés eredménye közben érvényét vesztette. ") + verifyFirst);
        return;
    }
    if (!revoked.isEmpty()) {
        if (!revokeddoor::emptyInHouse(m_form, Form1::Exchange::DifferenceUpload, path, revoked))
            return;
        // The verify's result follows this own write: the slots to send are
        // those where the door as read differs from the house as it is now.
        m_result.content = m_form.state().shownHouse.content();
        m_result.differences = protocol::differingSlots(recordsOf(m_result.door), recordsOf(m_result.content));
        result = m_result;
        if (result.differences.isEmpty()) {
            m_form.ask(nothingToSend);
            return;
        }
    }
    QList<int> slotNumbers;
    for (const protocol::SlotDifference &d : result.differences)
        slotNumbers << d.slot;
    m_content = result.content;
    m_form.upload().startDifferences(path, slotNumbers);
}

void Verify::onDifferencesWritten(const QString &path)
{
    startRequest(path, m_content, true);
}
