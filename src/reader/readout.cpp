#include "reader/readout.h"
#include "app/form1.h"
#include "copyrestore/filesteps.h"
#include "house/housefile.h"
#include "house/housestore.h"
#include "house/oserror.h"
#include "reader/erase.h"
#include "reader/protocol.h"
#include "reader/readerlink.h"
#include "reader/revokeddoor.h"
#include "ui_form1.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The old house, byte for byte, for its backup.
house::IoResult readRaw(const QString &path, QByteArray *content)
{
    house::IoResult result = filesteps::readAll(path, content);
    if (result && content->size() != house::HouseFileSize) {
        // Changed on disk since it was opened.
        result.ok = false;
        result.error = oserror::fileMessage(oserror::Action::Read, path,
                                            QStringLiteral("%1 bájt hosszú, nem %2")
                                                .arg(content->size())
                                                .arg(house::HouseFileSize));
    }
    return result;
}

} // namespace

ReadOut::ReadOut(Form1 &form)
    : m_form(form)
    , m_wait(form)
{
    connect(&m_wait, &DumpWait::stalled, this, &ReadOut::onStalled);
    ReaderLink &link = form.reader();
    connect(&link, &ReaderLink::readOutProgress, this, &ReadOut::onProgress);
    connect(&link, &ReaderLink::dumpReceived, this, &ReadOut::onDump);
    connect(&link, &ReaderLink::exchangeAborted, this, &ReadOut::onLinkBroken);
}

QString ReadOut::transferErrorMessage()
{
    return QStringLiteral("Hiba az átvitelben. Ismételje meg a kódmemória kiolvasását!");
}

void ReadOut::endRefused()
{
    if (!m_form.exchangeRunning())
        m_form.setSideListsEnabled(true);
}

void ReadOut::command6Clicked()
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();
    ReaderLink &reader = m_form.reader();

    u.Text1->clear();
    m_form.setSideListsEnabled(false);
    // Any other exchange refuses a read-out (a read request would discard its
    // replies); a second click during a read-out starts it afresh.
    if (m_form.refuseDuringExchange(Form1::Exchange::ReadOut))
        return;
    m_form.hideCopyView();

    if (!reader.isOpen()) {
        m_form.torles();
        m_form.ask(ReaderLink::noPortMessage());
        endRefused();
        return;
    }

    if (m_form.ask(QStringLiteral("Adja meg a ház címét ahova a kiolvasott adatok kerüljenek!"),
                   Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok) {
        m_form.torles();
        endRefused();
        return;
    }

    s.houseFilePath.clear();
    const QString path = m_form.pickHouseFile();
    s.houseFilePath = path;
    if (path.isEmpty()) {
        m_form.torles();
        endRefused();
        return;
    }
    // The old codes would go to the backup and the dump over them at once.
    if (house::isOwnBackup(path)) {
        m_form.ask(house::ownBackupMessage(path));
        m_form.torles();
        endRefused();
        return;
    }

    m_form.setShown({u.List3, u.Label19, u.Label10, u.List2, u.Label21, u.Label18}, false);
    s.shownHouse.clear();
    u.Text2->setText(path);

    const bool existed = QFileInfo::exists(path);
    const house::HouseRead read = house::readHouseFile(path);
    if (!read.ok) {
        m_form.ask(read.error);
        u.Text2->clear();
        m_form.torles();
        endRefused();
        return;
    }

    bool backup = false;
    QByteArray oldContent;
    switch (read.lengthClass) {
    case house::LengthClass::New:
        m_form.ask(QStringLiteral("Új, még üres fájl."));
        reader.timer2().start();
        break;
    case house::LengthClass::Valid:
        if (!house::holdsData(read.records)) {
            reader.timer2().start();
            break;
        }
        if (m_form.ask(QStringLiteral("Már létező, nem üres fájlt nyitott meg. Ha folytatja készítek róla "
                                      "másolatot .bak kiterjesztéssel."),
                       Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok) {
            m_form.torles();
            endRefused();
            return;
        }
        if (house::IoResult r = readRaw(path, &oldContent); !r) {
            m_form.ask(r.error);
            u.Text2->clear();
            m_form.torles();
            endRefused();
            return;
        }
        backup = true;
        s.backupFilePath = house::backupPathOf(path);
        // The backup is written when the dump is complete; until then the
        // house file itself still holds what the list shows.
        m_form.setShown({u.List3, u.Label19, u.Label10}, true);
        u.List3->clear();
        u.List3->addItems(house::houseListRows(read.records));
        break;
    case house::LengthClass::Damaged:
        m_form.ask(QStringLiteral("A fájl sérült!"));
        u.Text2->clear();
        // A read-out still waiting for its dump keeps its poller.
        if (s.readOutRunning != 1)
            reader.timer2().stop();
        m_form.setShown({u.List2, u.Label21, u.Label18}, false);
        endRefused();
        return;
    }

    s.requestBytes = protocol::readRequestBytes(quint8(s.requestLeadByte));
    reader.tavi();
    m_target = path;
    m_backupPending = backup;
    m_oldContent = oldContent;
    // An earlier exchange that ended while the questions were open enabled them.
    m_form.setSideListsEnabled(false);
    s.readOutRunning = 1;
    reader.timer2().start();
    // Armed before the send: a reader may answer before adas returns.
    m_wait.start();
    if (!reader.adas()) {
        // The port went away while the questions were open.
        m_wait.stop();
        u.ProgressBar1->setValue(0);
        s.readOutRunning = 0;
        m_backupPending = false;
        m_oldContent.clear();
        if (!existed && QFileInfo(path).size() == 0)
            house::HouseStore::Command(m_form.houseStore(), QStringLiteral("Kiolvasás")).removeIfExists(path);
        m_form.logExchange(Form1::Exchange::ReadOut, path, history::Log::Result::PortLost);
        m_form.setShown({u.List3, u.Label19, u.Label10}, false);
        u.Text2->clear();
        m_form.torles();
        m_form.ask(ReaderLink::noPortMessage());
        endRefused();
        return;
    }
    m_form.torles();
}

QString ReadOut::target() const
{
    return m_form.state().readOutRunning == 1 ? m_target : QString();
}

void ReadOut::onProgress(qint64 waiting)
{
    if (m_form.state().readOutRunning == 1)
        m_wait.progress(waiting);
}

void ReadOut::onDump(const QByteArray &dump)
{
    WindowState &s = m_form.state();
    if (s.readOutRunning != 1 || m_form.ended())
        return;
    Ui::Form1 &u = m_form.ui();
    m_wait.stop();
    // Cleared before any message box: its event loop must not take this
    // branch again.
    s.readOutRunning = 0;

    const QStringList records = protocol::decodeDump(dump);
    QByteArray content;
    content.reserve(house::HouseFileSize);
    for (const QString &record : records)
        content += record.toLatin1();

    const bool backup = m_backupPending;
    m_backupPending = false;
    const QByteArray oldContent = m_oldContent;
    m_oldContent.clear();

    // What the door held is kept whatever becomes of the house file.
    const QString port = s.portSetting;
    const QString command = QStringLiteral("Kiolvasás ") + m_form.fromPortPhrase();
    QByteArray before;
    readRaw(m_target, &before);
    history::Store &history = m_form.houseStore().history();
    const history::DoorChange since = history.doorChangeSince(history.keyOf(m_target), content);
    const int differing = house::changedSlots(before, content);
    if (const QString lost = m_form.houseStore().keepDoor(history::Kind::DoorRead, m_target, content, command, port,
                                                          differing);
        !lost.isEmpty())
        m_form.showStatus(lost);

    house::HouseStore::Command store(m_form.houseStore(), command, port);
    house::IoResult written;
    if (backup)
        // The backup must hold the old house byte for byte, whatever an older
        // backup of the same name held; it appears by one rename, so the
        // previous backup is gone only once its replacement is complete.
        written = store.replaceWhole(house::backupPathOf(m_target), oldContent);
    if (written)
        written = store.replaceContent(m_target, content);
    const QString counts = QStringLiteral("%1 kódhely eltért a háztól").arg(differing);
    m_form.logExchange(Form1::Exchange::ReadOut, m_target, written ? history::Log::Result::Done : history::Log::Result::Failed,
                       written ? counts : written.error);
    if (!written) {
        u.ProgressBar1->setValue(0);
        u.Text3->clear();
        m_form.setShown({u.List3, u.Label19, u.Label10}, false);
        u.Text2->clear();
        m_form.setSideListsEnabled(true);
        // Nothing of the dump reached the house: it must be read again.
        m_form.ask(store.historyRefused()
                       ? written.error + QStringLiteral(" Ismételje meg a kódmemória kiolvasását!")
                       : written.error);
        return;
    }

    u.List2->clear();
    u.List2->addItems(house::houseListRows(records));
    s.shownHouse.load(m_target, content);
    s.houseFilePath = m_target;
    u.Text2->setText(m_target);
    u.ProgressBar1->setValue(0);
    m_form.setShown({u.List2, u.Label21, u.Label18}, true);
    m_form.setSideListsEnabled(true);
    u.Text3->clear();
    m_form.ask(QStringLiteral("A kódmemória kiolvasása kész."));
    // The house now says what the door holds, a revoked card too: told here.
    m_form.tellDoorChange(since, m_target, revokeddoor::doorNote(m_form, content));
}

void ReadOut::endFailed()
{
    Ui::Form1 &u = m_form.ui();
    m_wait.stop();
    m_backupPending = false;
    m_oldContent.clear();
    if (SerialLink *link = m_form.reader().link(); link && link->isOpen())
        link->discardInput();
    u.ProgressBar1->setValue(0);
    u.Text3->clear();
    // No backup was made: the list of it must not stay on screen.
    m_form.setShown({u.List3, u.Label19, u.Label10}, false);
    u.Text2->clear();
    m_form.setSideListsEnabled(true);
}

void ReadOut::onStalled()
{
    WindowState &s = m_form.state();
    if (s.readOutRunning != 1)
        return;
    s.readOutRunning = 0;
    m_form.logExchange(Form1::Exchange::ReadOut, m_target, history::Log::Result::TimedOut);
    endFailed();
    m_form.ask(transferErrorMessage());
}

void ReadOut::onLinkBroken(QStringList *notes)
{
    WindowState &s = m_form.state();
    if (s.readOutRunning != 1)
        return;
    s.readOutRunning = 0;
    m_form.logExchange(Form1::Exchange::ReadOut, m_target, history::Log::Result::PortLost);
    endFailed();
    notes->append(QStringLiteral("A kódmemória kiolvasása megszakadt, a házfájl nem változott. "
                                 "Ismételje meg a kódmemória kiolvasását!"));
}
