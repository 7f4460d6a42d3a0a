#include "reader/readerlink.h"
#include "app/form1.h"

ReaderLink::ReaderLink(Form1 &form)
    : m_form(form)
{
    m_timer1.setInterval(form.timing().timer1Ms);
    // Replies are taken on readyRead; timing().timer2Ms (1 ms) would only burn
    // the processor. Timer2 keeps its on/off role and a slow backstop tick.
    m_timer2.setInterval(SafetyPollMs);
    m_timer3.setInterval(form.timing().timer3Ms);
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(form.timing().quietLineMs);
    m_replyRest.setSingleShot(true);
    m_replyRest.setInterval(form.timing().writeReplyRestMs);

    connect(&m_timer2, &QTimer::timeout, this, &ReaderLink::onSafetyTick);
    connect(&m_quiet, &QTimer::timeout, this, &ReaderLink::onQuietLine);
    connect(&m_replyRest, &QTimer::timeout, this, &ReaderLink::onReplyRestElapsed);
}

ReaderLink::~ReaderLink() = default;

QString ReaderLink::noPortMessage()
{
    return QStringLiteral("Nincs megnyitott soros port. Válasszon portot a Comm listában!");
}

void ReaderLink::attach(std::unique_ptr<SerialLink> link)
{
    detach();
    m_link = std::move(link);
    if (!m_link)
        return;
    connect(m_link.get(), &SerialLink::readyRead, this, &ReaderLink::onReadyRead);
    connect(m_link.get(), &SerialLink::failed, this, &ReaderLink::onLinkFailed);
}

void ReaderLink::detach()
{
    m_quiet.stop();
    m_replyRest.stop();
    m_quietElapsed = false;
    if (!m_link)
        return;
    m_link->disconnect(this);
    m_link->close();
    // The link may be inside one of its own signals; let it go afterwards.
    m_link.release()->deleteLater();
}

void ReaderLink::tavi()
{
    WindowState &s = m_form.state();
    s.requestFrame = protocol::tavi(s.requestBytes);
}

bool ReaderLink::adas()
{
    m_erasePending = false;
    if (!isOpen())
        return false;
    emit requestSending();
    m_link->discardInput();
    m_quiet.stop();
    m_replyRest.stop();
    m_quietElapsed = false;
    return m_link->write(m_form.state().requestFrame);
}

void ReaderLink::onReadyRead()
{
    // Every arrival starts the quiet-line wait of the idle branch afresh. In
    // the middle of an exchange the timer is left alone (a dump arrives in
    // thousands of pieces); the idle branch starts it when it gets there.
    m_quietElapsed = false;
    const WindowState &s = m_form.state();
    if (s.uploadRunning != 1 && !dumpExpected())
        m_quiet.start();
    poll();
}

void ReaderLink::onSafetyTick()
{
    poll();
}

void ReaderLink::onQuietLine()
{
    m_quietElapsed = true;
    poll();
}

void ReaderLink::onReplyRestElapsed()
{
    if (m_form.state().uploadRunning != 1 || !isOpen())
        return;
    const qint64 waiting = m_link->bytesWaiting();
    if (waiting >= protocol::BlockLength) {
        poll();
        return;
    }
    // A reply that stopped short is no reply; the upload's Timer1 resends.
    if (waiting > 0)
        m_link->discardInput();
}

void ReaderLink::poll()
{
    if (m_inBranch) {
        m_pollAgain = true;
        return;
    }
    m_inBranch = true;
    do {
        m_pollAgain = false;
        dispatch();
    } while (m_pollAgain);
    m_inBranch = false;
}

void ReaderLink::dispatch()
{
    if (!m_timer2.isActive() || !isOpen())
        return;
    const WindowState &s = m_form.state();
    if (s.uploadRunning == 1)
        uploadBranch();
    else if (dumpExpected())
        readOutBranch();
    else
        idleBranch();
}

bool ReaderLink::dumpExpected() const
{
    const WindowState &s = m_form.state();
    return s.readOutRunning == 1 || s.verifyRunning == 1;
}

void ReaderLink::uploadBranch()
{
    const qint64 waiting = m_link->bytesWaiting();
    if (waiting == 0)
        return;
    if (waiting < protocol::BlockLength) {
        if (!m_replyRest.isActive())
            m_replyRest.start();
        return;
    }
    m_replyRest.stop();
    const QByteArray block = m_link->read(protocol::BlockLength);
    emit writeReplyReceived(block);
    // Whatever is left is looked at under the flags the handler left behind.
    if (isOpen() && m_link->bytesWaiting() > 0)
        m_pollAgain = true;
}

void ReaderLink::readOutBranch()
{
    const qint64 waiting = m_link->bytesWaiting();
    emit readOutProgress(waiting);
    if (waiting < protocol::DumpLength || !isOpen())
        return;
    const QByteArray dump = m_link->read(protocol::DumpLength);
    m_link->discardInput();
    emit dumpReceived(dump);
}

void ReaderLink::idleBranch()
{
    const qint64 waiting = m_link->bytesWaiting();
    if (waiting == 0)
        return;
    if (!m_quietElapsed) {
        if (!m_quiet.isActive())
            m_quiet.start();
        return;
    }
    // A partial block waits for its rest.
    if (waiting % protocol::BlockLength != 0)
        return;
    m_quietElapsed = false;
    const QByteArray blocks = m_link->read(waiting);
    emit idleBlocksReceived(blocks);
}

void ReaderLink::onLinkFailed(const QString &reason)
{
    QStringList notes;
    emit exchangeAborted(&notes);
    m_timer1.stop();
    m_timer2.stop();
    m_timer3.stop();
    m_quiet.stop();
    m_replyRest.stop();
    m_erasePending = false;
    // Comm still shows the broken port's number; choosing it again reopens it,
    // and only then can the exchange be repeated.
    notes.prepend(QStringLiteral("Válassza ki újra a portot a Comm listában!"));
    notes.prepend(reason);
    emit linkFailed(notes.join(QLatin1Char('\n')));
}
