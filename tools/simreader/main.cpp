// belvarium-simreader: a card reader on a virtual serial port, for trying
// Belvarium without the hardware and for its end-to-end tests.

#include "ptyserver.h"

#include "reader/portnames.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cerrno>
#include <limits>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// The program that started us is gone (a zombie counts as gone: it has
// ended, only its parent has not collected it yet).
bool processGone(qint64 pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0)
        return errno == ESRCH;
#ifdef __linux__
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const int close = line.lastIndexOf(')');
        if (close >= 0 && close + 2 < line.size() && line.at(close + 2) == 'Z')
            return true;
    }
#endif
    return false;
}

bool intOption(const QCommandLineParser &parser, const QString &name, int min, int max, int &out, QString &error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < min || value > max) {
        error = QStringLiteral("--%1 takes a number from %2 to %3").arg(name).arg(min).arg(max);
        return false;
    }
    out = value;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("belvarium-simreader"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated Belvarium card reader. Serves a reader's code memory (1365 slots of\n"
        "6 bytes) on a pseudo-terminal in raw mode and publishes it as a virtual port:\n"
        "a link named after the port number, which Belvarium lists as that port.\n"
        "It answers the write (06), read (20) and erase (21) requests; frames with a\n"
        "bad checksum or an unknown command get no answer. Stops on SIGINT/SIGTERM."));
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("port"), QStringLiteral("Virtual port number, %1 to %2 (default 201).").arg(portnames::FirstVirtualPort).arg(portnames::LastPort), QStringLiteral("N")},
        {QStringLiteral("dir"), QStringLiteral("Folder of the port link (default %1).").arg(portnames::virtualPortDirectory()), QStringLiteral("D")},
        {QStringLiteral("house"), QStringLiteral("Load the code memory from a house file (16392 bytes); otherwise it starts empty (all FF)."), QStringLiteral("FILE")},
        {QStringLiteral("differ"), QStringLiteral("After loading the memory, give N slots (0 to 1365) a new content each, as a door that differs from its house; the changed slots are listed at start."), QStringLiteral("N")},
        {QStringLiteral("seed"), QStringLiteral("Which slots --differ changes and to what (a number, default 1): the same seed gives the same change."), QStringLiteral("S")},
        {QStringLiteral("paced"), QStringLiteral("Take true 9600-baud line time (10 bits a byte) for every byte in both directions; a read-out then lasts about 21 s.")},
        {QStringLiteral("silent"), QStringLiteral("Never answer anything (an unplugged or switched-off reader).")},
        {QStringLiteral("refuse-slot"), QStringLiteral("Refuse writes to slot N (1 to 1365): the reply's byte 13 is 15 instead of 06, nothing is stored."), QStringLiteral("N")},
        {QStringLiteral("drop-first"), QStringLiteral("Leave the first N sends of each slot unanswered and unstored; answer the next one."), QStringLiteral("N")},
        {QStringLiteral("short-replies"), QStringLiteral("Answer writes with %1 bytes instead of 15.").arg(ReaderOptions::ShortReplyLength)},
        {QStringLiteral("long-replies"), QStringLiteral("Answer writes with %1 bytes instead of 15.").arg(ReaderOptions::LongReplyLength)},
        {QStringLiteral("short-dump"), QStringLiteral("Send only %1 bytes of the 20490-byte memory dump.").arg(ReaderOptions::ShortDumpLength)},
        {QStringLiteral("long-dump"), QStringLiteral("Send %1 bytes: the 20490-byte dump and a few more.").arg(ReaderOptions::LongDumpLength)},
        {QStringLiteral("erase-delay"), QStringLiteral("Confirm an erase MS milliseconds after hearing it."), QStringLiteral("MS")},
        {QStringLiteral("no-erase-reply"), QStringLiteral("Erase, but never confirm it.")},
        {QStringLiteral("noise"), QStringLiteral("Send a few random bytes now and then while the line is idle.")},
        {QStringLiteral("parent-pid"), QStringLiteral("Quit when process PID has ended (checked every 500 ms)."), QStringLiteral("PID")},
    };
    parser.addOptions(options);
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);
    QString error;
    ReaderOptions readerOptions;
    int port = portnames::FirstVirtualPort;
    int eraseDelay = 0;
    int differ = 0;
    bool ok = intOption(parser, QStringLiteral("port"), portnames::FirstVirtualPort, portnames::LastPort, port, error)
        && intOption(parser, QStringLiteral("differ"), 0, protocol::SlotCount, differ, error)
        && intOption(parser, QStringLiteral("refuse-slot"), 1, protocol::SlotCount, readerOptions.refuseSlot, error)
        && intOption(parser, QStringLiteral("drop-first"), 0, 1000000, readerOptions.dropFirst, error)
        && intOption(parser, QStringLiteral("erase-delay"), 0, 24 * 3600 * 1000, eraseDelay, error);
    if (ok && parser.isSet(QStringLiteral("short-replies")) && parser.isSet(QStringLiteral("long-replies"))) {
        error = QStringLiteral("--short-replies and --long-replies exclude each other");
        ok = false;
    }
    if (ok && parser.isSet(QStringLiteral("short-dump")) && parser.isSet(QStringLiteral("long-dump"))) {
        error = QStringLiteral("--short-dump and --long-dump exclude each other");
        ok = false;
    }
    quint32 seed = 1;
    if (ok && parser.isSet(QStringLiteral("seed"))) {
        seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok)
            error = QStringLiteral("--seed takes a number from 0 to %1").arg(std::numeric_limits<quint32>::max());
        else if (!parser.isSet(QStringLiteral("differ"))) {
            // Alone it would change nothing, and the user surely meant it to.
            error = QStringLiteral("--seed needs --differ");
            ok = false;
        }
    }
    qint64 parentPid = 0;
    if (ok && parser.isSet(QStringLiteral("parent-pid"))) {
        parentPid = parser.value(QStringLiteral("parent-pid")).toLongLong(&ok);
        if (!ok || parentPid <= 0) {
            error = QStringLiteral("--parent-pid takes a process id");
            ok = false;
        }
    }
    if (!ok) {
        err << error << Qt::endl;
        return 2;
    }
    readerOptions.eraseDelayMs = eraseDelay;
    readerOptions.silent = parser.isSet(QStringLiteral("silent"));
    readerOptions.paced = parser.isSet(QStringLiteral("paced"));
    readerOptions.noise = parser.isSet(QStringLiteral("noise"));
    readerOptions.eraseReply = !parser.isSet(QStringLiteral("no-erase-reply"));
    if (parser.isSet(QStringLiteral("short-replies")))
        readerOptions.writeReplyLength = ReaderOptions::ShortReplyLength;
    if (parser.isSet(QStringLiteral("long-replies")))
        readerOptions.writeReplyLength = ReaderOptions::LongReplyLength;
    if (parser.isSet(QStringLiteral("short-dump")))
        readerOptions.dumpLength = ReaderOptions::ShortDumpLength;
    if (parser.isSet(QStringLiteral("long-dump")))
        readerOptions.dumpLength = ReaderOptions::LongDumpLength;

    PtyServer server(readerOptions);
    server.setPortNumber(port);
    if (parser.isSet(QStringLiteral("dir")))
        server.setLinkDirectory(parser.value(QStringLiteral("dir")));
    if (parser.isSet(QStringLiteral("house")) && !server.model().loadHouseFile(parser.value(QStringLiteral("house")), &error)) {
        err << error << Qt::endl;
        return 1;
    }
    QList<int> changed;
    if (parser.isSet(QStringLiteral("differ")))
        changed = server.model().changeSlots(differ, seed);

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        err << "socketpair failed" << Qt::endl;
        return 1;
    }
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);

    if (!server.start(&error)) {
        err << error << Qt::endl;
        return 1;
    }
    out << "Virtual port " << port << ": " << server.linkPath() << " -> " << server.slaveName() << Qt::endl;
    if (parser.isSet(QStringLiteral("differ"))) {
        out << "Changed slots (" << changed.size() << "):";
        for (int s : changed)
            out << ' ' << s;
        out << Qt::endl;
    }

    QTimer parentWatch;
    if (parentPid > 0) {
        QObject::connect(&parentWatch, &QTimer::timeout, &app, [parentPid] {
            if (processGone(parentPid))
                QCoreApplication::quit();
        });
        parentWatch.start(500);
        if (processGone(parentPid))
            return 0;
    }

    QObject::connect(&server, &PtyServer::frameReceived, &app, [&out](const QByteArray &frame) {
        out << "<- " << frame.toHex(' ').toUpper() << Qt::endl;
    });

    const int rc = app.exec();
    server.stop();
    out << "Virtual port " << port << " closed" << Qt::endl;
    return rc;
}
