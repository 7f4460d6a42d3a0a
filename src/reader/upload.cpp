#include "reader/upload.h"
#include "app/form1.h"
#include "house/housestore.h"
#include "house/cp1250.h"
#include "house/housefile.h"
#include "house/oserror.h"
#include "reader/erase.h"
#include "reader/protocol.h"
#include "reader/readerlink.h"
#include "reader/revokeddoor.h"
#include "ui_form1.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

const QString NotUploadable = QStringLiteral("A ház nem tölthető rá a kártya leolvasóra.");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// error: errno, set to 0 before the failing call and taken right after it.
QString cannotRead(const QString &path, int error, const QFile &file)
{
    return oserror::fileMessage(oserror::Action::Read, path, oserror::describe(error, file.errorString()));
}

int apartmentOfRecord(int record)
{
    return (record - 1) / house::ApartmentRecords + 1;
}

// The record as the user would see it in a list, for the message that names it.
QString shownRecord(const QByteArray &bytes)
{
    return cp1250::decode(bytes);
}

bool isHexRecord(const QByteArray &bytes)
{
    if (bytes.size() != house::RecordLength)
        return false;
    for (const char c : bytes) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex)
            return false;
    }
    return true;
}

QString badCodeMessage(int record, const QByteArray &bytes)
{
    return QStringLiteral("A(z) %1. lakás kódja hibás: %2.")
        .arg(apartmentOfRecord(record))
        .arg(shownRecord(bytes));
}

} // namespace

Upload::Upload(Form1 &form)
    : m_form(form)
{
    ReaderLink &link = form.reader();
    // A coarse timer may tick up to 5 % early; a resend must never come
    // before the reader has had its full 500 ms to answer.
    link.timer1().setTimerType(Qt::PreciseTimer);
    connect(&link.timer1(), &QTimer::timeout, this, &Upload::onTimer1);
    connect(&link, &ReaderLink::writeReplyReceived, this, &Upload::onWriteReply);
    connect(&link, &ReaderLink::exchangeAborted, this, &Upload::onLinkBroken);
}

QString Upload::checkHouse(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return QStringLiteral("A(z) %1 fájl nem található. %2").arg(native(path), NotUploadable);
    if (info.size() != house::HouseFileSize)
        return QStringLiteral("A(z) %1 fájl sérült: %2 bájt hosszú, nem %3. %4")
            .arg(native(path))
            .arg(info.size())
            .arg(house::HouseFileSize)
            .arg(NotUploadable);
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return cannotRead(path, errno, file);
    errno = 0;
    const QByteArray content = file.read(house::HouseFileSize);
    if (content.size() != house::HouseFileSize)
        return cannotRead(path, errno, file);
    for (int record = 1; record <= protocol::SlotCount; ++record) {
        const QByteArray bytes = content.mid((record - 1) * house::RecordLength, house::RecordLength);
        if (!isHexRecord(bytes))
            return badCodeMessage(record, bytes) + QLatin1Char(' ') + NotUploadable;
    }
    return QString();
}

void Upload::endRefused()
{
    if (!m_form.exchangeRunning())
        m_form.setSideListsEnabled(true);
}

void Upload::command1Clicked()
{
    Ui::Form1 &u = m_form.ui();
    ReaderLink &reader = m_form.reader();

    u.Text1->clear();
    m_form.setSideListsEnabled(false);
    // The running exchange enables the lists when it ends. Its replies would
    // be taken for write acknowledgements, and the first frame's discard
    // would drop them. A running upload of the whole house starts afresh.
    if (m_form.refuseDuringExchange(Form1::Exchange::Upload))
        return;
    m_form.hideCopyView();
    m_form.torles();

    if (u.List2->isHidden()) {
        m_form.ask(noHouseMessage());
        endRefused();
        return;
    }
    // A house just created is listed with blank rows: nothing to send.
    if (u.List2->count() < 2 || house::trimSpaces(u.List2->item(1)->text()).isEmpty()) {
        endRefused();
        return;
    }
    if (!reader.isOpen()) {
        m_form.ask(ReaderLink::noPortMessage());
        endRefused();
        return;
    }
    const QString path = u.Text2->text();
    if (const QString problem = checkHouse(path); !problem.isEmpty()) {
        m_form.ask(problem);
        endRefused();
        return;
    }
    // A revoked card must not reach the door: its question takes the place
    // of the usual one, Igen empties it in the house before the run.
    QByteArray content;
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        content = file.read(house::HouseFileSize);
    const QList<cards::RevokedSlot> revoked = revokeddoor::find(m_form, content);
    if (revoked.isEmpty() ? m_form.ask(confirmMessage(), Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok
                          : !revokeddoor::askToEmpty(m_form, Form1::Exchange::Upload, path, revoked)) {
        endRefused();
        return;
    }
    // The question ran an event loop: another exchange may have started, the
    // port may have gone, the file may have changed.
    if (m_form.refuseDuringExchange(Form1::Exchange::Upload))
        return;
    if (!reader.isOpen()) {
        m_form.ask(ReaderLink::noPortMessage());
        endRefused();
        return;
    }

    if (!revokeddoor::emptyInHouse(m_form, Form1::Exchange::Upload, path, revoked)) {
        endRefused();
        return;
    }

    // A confirmed start while a run is going begins again from record 1.
    QList<int> slotNumbers;
    for (int slot = 1; slot <= protocol::SlotCount; ++slot)
        slotNumbers << slot;
    startRun(path, slotNumbers, false);
}

bool Upload::startDifferences(const QString &path, const QList<int> &slotNumbers)
{
    if (slotNumbers.isEmpty())
        return false;
    m_form.hideCopyView();
    startRun(path, slotNumbers, true);
    return running();
}

void Upload::startRun(const QString &path, const QList<int> &slotNumbers, bool differences)
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();
    ReaderLink &reader = m_form.reader();
    reader.timer1().stop();
    m_file.close();
    m_slots = slotNumbers;
    m_sent = house::blankHouseContent();
    m_position = 0;
    m_differences = differences;
    m_uploadRecord = m_slots.first();
    m_slotAddress = protocol::slotAddress(m_uploadRecord);
    m_file.setFileName(path);
    // Unbuffered: every record is read from the disk when its slot is sent, so
    // a record written in place meanwhile is seen, not served from a buffer.
    errno = 0;
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const QString error = cannotRead(path, errno, m_file);
        logEnd(history::Log::Result::Failed, error);
        windUp();
        m_form.ask(error);
        return;
    }
    if (const QString problem = checkHouse(path); !problem.isEmpty()) {
        logEnd(history::Log::Result::Failed, problem);
        windUp();
        m_form.ask(problem);
        return;
    }
    m_line = reader.link();
    m_active = true;
    // An earlier exchange that ended while the question was open enabled them.
    m_form.setSideListsEnabled(false);
    s.uploadRunning = 1;
    u.ProgressBar1->setMaximum(differences ? int(m_slots.size()) : ProgressMaximum);
    m_retriesLeft = SendsPerSlot;
    reader.timer1().start();
    reader.timer2().start();
    cikl();
}

bool Upload::readRecord(int record, QString *text, QString *error)
{
    const QByteArray bytes = m_file.seek(qint64(record - 1) * house::RecordLength)
                                 ? m_file.read(house::RecordLength)
                                 : QByteArray();
    if (bytes.size() != house::RecordLength) {
        *error = QStringLiteral("A(z) %1 fájl nem olvasható: a(z) %2. kód hiányzik.")
                     .arg(native(m_file.fileName()))
                     .arg(record);
        return false;
    }
    if (!isHexRecord(bytes)) {
        *error = badCodeMessage(record, bytes);
        return false;
    }
    *text = QString::fromLatin1(bytes);
    return true;
}

void Upload::cikl()
{
    Ui::Form1 &u = m_form.ui();
    WindowState &s = m_form.state();
    ReaderLink &reader = m_form.reader();

    reader.timer1().stop();
    // A whole house counts by record (1366 once all is sent), a difference
    // upload by the differing slotNumbers it has reached.
    const int shown = m_differences ? int(qMin(m_position + 1, m_slots.size())) : m_uploadRecord;
    u.Text3->setText(QString::number(shown));
    u.ProgressBar1->setValue(shown);

    // After the last slot (for a whole house address 0x1FFE): record 1366 is
    // never sent, and nothing it holds (or lacks) can stop a run whose slotNumbers
    // are all written.
    if (m_position >= m_slots.size()) {
        finish();
        return;
    }
    QString record;
    QString error;
    if (!readRecord(m_uploadRecord, &record, &error)) {
        const int stoppedAt = m_uploadRecord;
        logEnd(history::Log::Result::Failed, error);
        windUp();
        m_form.ask(error + QStringLiteral(" A rátöltés a(z) %1. kódnál leállt, ez és a további kódok nem kerültek "
                                          "a kártya leolvasóba.")
                               .arg(stoppedAt));
        return;
    }
    if (lineChanged()) {
        endOnLineChange();
        return;
    }
    m_sent.replace(qint64(m_uploadRecord - 1) * house::RecordLength, house::RecordLength, record.toLatin1());
    if (!protocol::writeRequestBytes(record, quint16(m_slotAddress), s.requestBytes, quint8(s.requestLeadByte))) {
        // readRecord has let only hexadecimal records through.
        logEnd(history::Log::Result::Failed, badCodeMessage(m_uploadRecord, record.toLatin1()));
        windUp();
        m_form.ask(badCodeMessage(m_uploadRecord, record.toLatin1()));
        return;
    }
    reader.tavi();
    // Timer1 runs from the send; it is started first because a reply taken
    // at once ends its interval, and may even end the whole run.
    reader.timer1().start();
    if (!reader.adas()) {
        logEnd(history::Log::Result::PortLost);
        windUp();
        m_form.ask(ReaderLink::noPortMessage());
    }
}

bool Upload::running() const
{
    return m_active && m_form.state().uploadRunning == 1;
}

bool Upload::lineChanged() const
{
    return m_line.isNull() || m_form.reader().link() != m_line.data();
}

void Upload::endOnLineChange()
{
    const int stoppedAt = m_uploadRecord;
    logEnd(history::Log::Result::PortLost, QStringLiteral("a soros port megváltozott"));
    windUp();
    m_form.ask(QStringLiteral("A soros port megváltozott, a rátöltés a(z) %1. kódnál leállt. "
                              "Ismételje meg a rátöltést!")
                   .arg(stoppedAt));
}

void Upload::stopRun()
{
    m_form.reader().timer1().stop();
    m_file.close();
    m_form.state().uploadRunning = 0;
    m_active = false;
    m_line.clear();
}

void Upload::clearProgress()
{
    Ui::Form1 &u = m_form.ui();
    u.ProgressBar1->setValue(0);
    u.Text3->clear();
    endRefused();
}

void Upload::logEnd(history::Log::Result result, const QString &why)
{
    QString details = QStringLiteral("%1/%2 kódhely írva").arg(m_position).arg(m_slots.size());
    if (result != history::Log::Result::Done)
        details += QStringLiteral(", megállt a(z) %1. kódhelynél").arg(m_uploadRecord);
    if (!why.isEmpty())
        details += QStringLiteral(": ") + why;
    m_form.logExchange(m_differences ? Form1::Exchange::DifferenceUpload : Form1::Exchange::Upload, m_file.fileName(),
                       result, details);
}

void Upload::windUp()
{
    stopRun();
    clearProgress();
}

void Upload::finish()
{
    // The run is over before the message: its event loop must find the
    // upload ended. The full bar stays until the user has read it.
    stopRun();
    logEnd(history::Log::Result::Done);
    if (m_differences) {
        // The reader is read back at once; that tells whether it now holds
        // the house, so there is nothing to report yet.
        emit differencesWritten(m_file.fileName());
        return;
    }
    // The door holds what it acknowledged; the house may have changed meanwhile.
    QByteArray now;
    if (QFile file(m_file.fileName()); file.open(QIODevice::ReadOnly))
        now = file.readAll();
    if (const QString lost = m_form.houseStore().keepDoor(history::Kind::DoorWritten, m_file.fileName(), m_sent,
                                                          QStringLiteral("Rátöltés ") + m_form.fromPortPhrase(),
                                                          m_form.state().portSetting, house::changedSlots(m_sent, now));
        !lost.isEmpty())
        m_form.showStatus(lost);
    m_form.ask(doneMessage());
    if (m_form.state().uploadRunning != 1)
        clearProgress();
}

void Upload::endWithMessage(const QString &message)
{
    const bool differences = m_differences;
    const qsizetype written = m_position, total = m_slots.size();
    windUp();
    if (differences)
        m_form.ask(message + QLatin1Char('\n')
                   + QStringLiteral("Az eltérő %1 kódból %2 került a kártya leolvasóba. "
                                    "Ellenőrizze újra a kártya leolvasót (Ellenőrzés)!")
                         .arg(total)
                         .arg(written));
    else
        m_form.ask(message);
}

void Upload::onWriteReply(const QByteArray &block)
{
    if (!running())
        return;
    m_form.reader().timer1().stop();
    // A reply from another line says nothing about the slot sent on this one.
    if (lineChanged()) {
        endOnLineChange();
        return;
    }
    const bool acknowledged = protocol::isWriteAcknowledged(block);
    if (acknowledged)
        ++m_position;
    // The next slot; after the last one of a whole house, record 1366 at 0x1FFE.
    m_uploadRecord = m_position < m_slots.size() ? m_slots.at(m_position) : m_slots.last() + 1;
    m_slotAddress = int(protocol::SlotBytes) * (m_uploadRecord - 1);
    if (acknowledged) {
        m_retriesLeft = SendsPerSlot;
        cikl();
        return;
    }
    // A refused slot ends the run: left running, it would keep the read-out
    // and the erase locked out with nothing left to send.
    logEnd(history::Log::Result::SlotRefused);
    endWithMessage(refusedMessage());
}

void Upload::onTimer1()
{
    ReaderLink &reader = m_form.reader();
    if (!running()) {
        reader.timer1().stop();
        return;
    }
    --m_retriesLeft;
    if (m_retriesLeft >= 1) {
        reader.timer1().start();
        reader.timer2().start();
        cikl();
        return;
    }
    logEnd(history::Log::Result::GaveUp);
    endWithMessage(gaveUpMessage());
}

void Upload::onLinkBroken(QStringList *notes)
{
    if (!running())
        return;
    const int stoppedAt = m_uploadRecord;
    logEnd(history::Log::Result::PortLost);
    windUp();
    notes->append(QStringLiteral("A rátöltés a(z) %1. kódnál megszakadt. Ismételje meg a rátöltést!").arg(stoppedAt));
}
