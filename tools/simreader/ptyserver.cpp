#include "ptyserver.h"

#include "reader/portnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qint64 NsPerMs = 1000000;
// Paced events this close to their time are served now rather than a tick later.
constexpr qint64 DueToleranceNs = NsPerMs / 2;
// Noise only breaks into a line that has been quiet this long, so it lands
// between exchanges rather than inside a reply the program is collecting.
constexpr qint64 NoiseQuietNs = 200 * NsPerMs;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool makeRaw(int fd)
{
    termios tio;
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

PtyServer::PtyServer(const ReaderOptions &options, QObject *parent)
    : QObject(parent)
    , m_model(options)
    , m_random(options.seed)
{
    m_clock.start();
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &PtyServer::service);
    m_noiseTimer.setSingleShot(true);
    connect(&m_noiseTimer, &QTimer::timeout, this, &PtyServer::onNoise);
    m_exclusiveTimer.setInterval(ExclusiveClearMs);
    connect(&m_exclusiveTimer, &QTimer::timeout, this, &PtyServer::clearExclusive);
}

PtyServer::~PtyServer()
{
    stop();
}

void PtyServer::setPortNumber(int number)
{
    m_portNumber = number;
}

void PtyServer::setLinkDirectory(const QString &dir)
{
    m_linkDir = dir;
}

QString PtyServer::linkDirectory() const
{
    return m_linkDir.isEmpty() ? portnames::virtualPortDirectory() : m_linkDir;
}

QString PtyServer::linkPath() const
{
    return m_linkPath;
}

bool PtyServer::start(QString *error)
{
    auto fail = [this, error](const QString &why) {
        stop();
        if (error)
            *error = why;
        return false;
    };
    if (isRunning()) {
        if (error)
            *error = QStringLiteral("already serving %1").arg(m_linkPath);
        return false;
    }
    if (m_portNumber < portnames::FirstVirtualPort || m_portNumber > portnames::LastPort)
        return fail(QStringLiteral("virtual port numbers are %1 to %2, not %3")
                        .arg(portnames::FirstVirtualPort).arg(portnames::LastPort).arg(m_portNumber));

    const QString dir = linkDirectory();
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("cannot create %1").arg(dir));
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A lock next to the link tells a live simulator on the same number from
    // a link left behind by one that crashed; the latter is simply replaced.
    const QString number = QString::number(m_portNumber);
    m_linkLock = std::make_unique<QLockFile>(dir + QStringLiteral("/.") + number + QStringLiteral(".lock"));
    m_linkLock->setStaleLockTime(0);
    if (!m_linkLock->tryLock(0)) {
        qint64 pid = 0;
        QString host, app;
        m_linkLock->getLockInfo(&pid, &host, &app);
        m_linkLock.reset();
        return fail(QStringLiteral("virtual port %1 is already served by process %2").arg(number).arg(pid));
    }

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail(systemError("posix_openpt"));
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    if (::grantpt(m_master) != 0)
        return fail(systemError("grantpt"));
    if (::unlockpt(m_master) != 0)
        return fail(systemError("unlockpt"));
    const char *name = ::ptsname(m_master);
    if (!name)
        return fail(systemError("ptsname"));
    m_slaveName = QString::fromLocal8Bit(name);
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail(systemError("fcntl O_NONBLOCK"));

    // Holding the slave open ourselves keeps the pseudo-terminal alive
    // between clients: without it the master reads EIO and polls as hung up
    // from the moment the program closes the port until it reopens it.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail(systemError("open slave"));
    if (!makeRaw(m_slave) || !makeRaw(m_master))
        return fail(systemError("tcsetattr"));

    const QString link = dir + QLatin1Char('/') + number;
    const QFileInfo existing(link);
    if (existing.isSymLink() || existing.isFile()) {
        if (!QFile::remove(link))
            return fail(QStringLiteral("cannot remove the stale %1").arg(link));
    } else if (existing.exists()) {
        return fail(QStringLiteral("%1 exists and is not a link").arg(link));
    }
    if (!QFile::link(m_slaveName, link))
        return fail(QStringLiteral("cannot create the link %1").arg(link));
    m_linkPath = link;

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyServer::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyServer::onWritable);

    m_lastActivityNs = now();
    m_noiseTimer.start(100);
    m_exclusiveTimer.start();
    return true;
}

void PtyServer::stop()
{
    m_tick.stop();
    m_noiseTimer.stop();
    m_exclusiveTimer.stop();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_slaveName.clear();
    m_rxPartial.clear();
    m_heard.clear();
    m_due.clear();
    m_tx.clear();
    releaseLink();
}

void PtyServer::closeMaster()
{
    if (!isRunning())
        return;
    stop();
    emit masterClosed();
}

void PtyServer::releaseLink()
{
    if (!m_linkPath.isEmpty()) {
        QFile::remove(m_linkPath);
        m_linkPath.clear();
    }
    m_linkLock.reset(); // unlocks and removes the lock file
}

bool PtyServer::isIdle() const
{
    return m_rxPartial.isEmpty() && m_heard.isEmpty() && m_due.isEmpty() && m_tx.isEmpty();
}

void PtyServer::onReadable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const qint64 t = now();
        if (!m_rxPartial.isEmpty() && t - m_rxLastNs > FrameGapMs * NsPerMs) {
            m_droppedBytes += m_rxPartial.size();
            m_rxPartial.clear();
        }
        m_rxLastNs = t;
        m_lastActivityNs = t;
        m_bytesReceived += n;
        const bool paced = m_model.options().paced;
        for (ssize_t i = 0; i < n; ++i) {
            if (paced)
                m_rxLineFreeNs = qMax(t, m_rxLineFreeNs) + ByteTimeNs;
            m_rxPartial.append(buffer[i]);
            if (m_rxPartial.size() == protocol::FrameLength) {
                m_heard.append({paced ? m_rxLineFreeNs : t, m_rxPartial});
                m_rxPartial.clear();
            }
        }
    }
    service();
}

void PtyServer::onWritable()
{
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    flush();
    scheduleNext();
}

void PtyServer::service()
{
    const qint64 t = now() + DueToleranceNs;
    while (isRunning() && !m_heard.isEmpty() && m_heard.first().atNs <= t) {
        const Timed heard = m_heard.takeFirst();
        const ReaderModel::Reply reply = m_model.handle(heard.bytes);
        if (!reply.bytes.isEmpty())
            queueReply(heard.atNs + reply.delayMs * NsPerMs, reply.bytes);
        m_frames.append(heard.bytes);
        emit frameReceived(heard.bytes); // a listener may stop us
    }
    while (isRunning() && !m_due.isEmpty() && m_due.first().atNs <= t) {
        const Timed due = m_due.takeFirst();
        transmit(due.bytes, due.atNs);
    }
    flush();
    scheduleNext();
}

void PtyServer::queueReply(qint64 atNs, const QByteArray &bytes)
{
    auto it = m_due.begin();
    while (it != m_due.end() && it->atNs <= atNs)
        ++it;
    m_due.insert(it, {atNs, bytes});
}

void PtyServer::transmit(const QByteArray &bytes, qint64 atNs)
{
    if (m_tx.isEmpty())
        m_txNextDueNs = qMax(atNs, m_txLineFreeNs) + ByteTimeNs;
    m_tx += bytes;
}

void PtyServer::flush()
{
    if (!isRunning() || m_tx.isEmpty() || (m_writeNotifier && m_writeNotifier->isEnabled()))
        return;
    qint64 count = m_tx.size();
    const bool paced = m_model.options().paced;
    if (paced) {
        const qint64 t = now() + DueToleranceNs;
        count = t < m_txNextDueNs ? 0 : qMin<qint64>(count, 1 + (t - m_txNextDueNs) / ByteTimeNs);
    }
    if (count == 0)
        return;
    ssize_t written;
    do
        written = ::write(m_master, m_tx.constData(), static_cast<size_t>(count));
    while (written < 0 && errno == EINTR);
    if (written > 0) {
        m_tx.remove(0, written);
        m_bytesSent += written;
        if (paced) {
            m_txLineFreeNs = m_txNextDueNs + (written - 1) * ByteTimeNs;
            m_txNextDueNs += written * ByteTimeNs;
        }
        m_lastActivityNs = now();
    } else if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        // Nobody can ever read these; keep the line usable for what follows.
        m_tx.clear();
    }
    if (written < count && !m_tx.isEmpty()) {
        // The client's input buffer is full: go on once it has read some.
        m_writeNotifier->setEnabled(true);
        return;
    }
    if (m_tx.isEmpty())
        emit replySent();
}

void PtyServer::scheduleNext()
{
    if (!isRunning()) {
        m_tick.stop();
        return;
    }
    qint64 next = LLONG_MAX;
    if (!m_heard.isEmpty())
        next = m_heard.first().atNs;
    if (!m_due.isEmpty())
        next = qMin(next, m_due.first().atNs);
    if (!m_tx.isEmpty() && m_model.options().paced && !m_writeNotifier->isEnabled())
        next = qMin(next, m_txNextDueNs);
    if (next == LLONG_MAX) {
        m_tick.stop();
        return;
    }
    const qint64 wait = next - now();
    // Rounded to the nearest millisecond: with the half-millisecond tolerance
    // of service() an event is on time on average, where rounding up made
    // every paced step late by half a millisecond and more.
    m_tick.start(wait <= 0 ? 0 : static_cast<int>((wait + NsPerMs / 2) / NsPerMs));
}

void PtyServer::onNoise()
{
    if (!isRunning())
        return;
    if (m_model.options().noise && isIdle() && now() - m_lastActivityNs >= NoiseQuietNs) {
        QByteArray noise(1 + m_random.bounded(8), '\0');
        for (char &c : noise) {
            quint8 b = static_cast<quint8>(m_random.bounded(256));
            // Noise garbles counts and framing but never forges the two
            // values the program tests, so no outcome hangs on luck.
            if (b == protocol::WriteSlot || b == protocol::EraseMemory)
                b ^= 0x80;
            c = static_cast<char>(b);
        }
        m_noiseBytes += noise.size();
        transmit(noise, now());
        flush();
        scheduleNext();
    }
    m_noiseTimer.start(100 + m_random.bounded(600));
}

// QSerialPort opens a port exclusively (TIOCEXCL) and lifts that only when it
// closes it. A client that crashes leaves the flag on the terminal, which our
// own open slave keeps alive, and every later open by a non-root user fails
// with EBUSY until the simulator is restarted. The port lock file already
// keeps two Qt clients apart, so the flag is simply cleared now and then.
void PtyServer::clearExclusive()
{
    if (m_slave >= 0)
        ::ioctl(m_slave, TIOCNXCL);
}
