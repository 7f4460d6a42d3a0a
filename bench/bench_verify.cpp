// "Ellenőrzés" and "Eltérések rátöltése" against the simulated reader paced at
// 9600 baud and running in a process of its own, as a real reader would be:
// its work does not share this user-interface thread.
//  (a) a verify of a reader that equals the house: wall time over the line
//      time of the request and the dump, 11 + 20490 bytes;
//  (b) one apartment (slots 37..45) changed in the reader: verify, upload of
//      the nine differing slots and the read-back, over the line time
//      2 x (11 + 20490) + 9 x (11 + 15) bytes; beside it the same door fixed
//      with a whole "Rátöltés" (1365 x (11 + 15) bytes) and a verify;
//  and the longest gap of a 1 ms timer on this thread during each, with the
//  processor time the thread used within it, beside the same figures for the
//  idle window: on a busy machine a gap is mostly waiting to be scheduled.
// Line time counts 10 bits a byte and leaves the reader's turnaround out.
// Takes about two minutes; exits non-zero when a result is wrong.
#include "harness.h"
#include "benchsupport.h"
#include "openedhouse.h"
#include "house/housefile.h"
#include "reader/protocol.h"
#include "reader/serialport.h"
#include "reader/upload.h"
#include "reader/verify.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr int Port = 240;
constexpr int FirstChangedSlot = 37; // apartment 5
constexpr int ChangedSlots = house::ApartmentRecords;
constexpr qint64 DumpExchangeBytes = protocol::FrameLength + protocol::DumpLength;
constexpr qint64 WriteExchangeBytes = protocol::FrameLength + protocol::BlockLength;

double lineSeconds(qint64 bytes)
{
    return bytes * 10.0 / 9600.0;
}

// The house on screen, and the same house with apartment 5 changed as the
// reader holds it.
QByteArray windowHouse()
{
    return openedhouse::houseWithCodes(5);
}

QByteArray readerHouseWithChanges()
{
    QByteArray content = windowHouse();
    for (int slot = FirstChangedSlot; slot < FirstChangedSlot + ChangedSlots; ++slot) {
        const QByteArray record = QByteArray::number(0xA5C300000000LL + slot, 16).toUpper();
        content.replace((slot - 1) * house::RecordLength, house::RecordLength, record);
    }
    return content;
}

// One door: the simulated reader in its own process serving a house file on
// a virtual port of its own folder, and the window connected to it with the
// house opened.
struct Door
{
    QTemporaryDir readerDir;
    QProcess reader;
    std::unique_ptr<SystemPortCatalogue> catalogue;
    Harness h; // last: closes its port before the reader goes
    QElapsedTimer wall;
    qint64 lastMessageNs = -1;
    qint64 lastRequestNs = -1;

    ~Door()
    {
        h.form.reset();
        if (reader.state() != QProcess::NotRunning) {
            reader.terminate();
            if (!reader.waitForFinished(3000))
                reader.kill();
            reader.waitForFinished(3000);
        }
    }

    QString log() const
    {
        QFile file(readerDir.filePath(QStringLiteral("simreader.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    bool start(const QByteArray &readerContent)
    {
        const QString houseFile = readerDir.filePath(QStringLiteral("olvaso.txt"));
        QFile file(houseFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(readerContent) != readerContent.size())
            return false;
        file.close();
        // Its output goes to a file: this thread is the one measured, and
        // should not be the one reading the reader's log.
        reader.setStandardOutputFile(readerDir.filePath(QStringLiteral("simreader.log")));
        reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        reader.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/belvarium-simreader"),
                     {QStringLiteral("--port"), QString::number(Port), QStringLiteral("--dir"), readerDir.path(),
                      QStringLiteral("--house"), houseFile, QStringLiteral("--paced"), QStringLiteral("--parent-pid"),
                      QString::number(QCoreApplication::applicationPid())});
        if (!reader.waitForStarted(5000)) {
            std::fprintf(stderr, "the simulated reader did not start: %s\n", qPrintable(reader.errorString()));
            return false;
        }
        const QString link = readerDir.filePath(QString::number(Port));
        QElapsedTimer waited;
        waited.start();
        while (!(QFileInfo::exists(link) && log().startsWith(QStringLiteral("Virtual port")))) {
            if (reader.state() == QProcess::NotRunning || waited.elapsed() > 10000) {
                std::fprintf(stderr, "the simulated reader does not serve port %d\n", Port);
                return false;
            }
            QTest::qWait(20);
        }

        catalogue = std::make_unique<SystemPortCatalogue>(readerDir.path());
        h.services.ports = catalogue.get();
        h.saveDataFolder();
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                             QString::number(Port));
        if (!h.start() || !h.form->reader().isOpen()) {
            std::fprintf(stderr, "the window did not open port %d\n", Port);
            return false;
        }
        h.form->show();
        if (!QTest::qWaitForWindowExposed(h.form.get()))
            return false;
        h.dialogs.clear();
        h.writeFile(QStringLiteral("haz.txt"), windowHouse());
        h.script(QStringLiteral("o phaz.txt"));
        QTest::mouseClick(h.ui().Command4, Qt::LeftButton);
        if (!h.ui().List2->isVisible() || !h.dialogs.unexpected().isEmpty()) {
            std::fprintf(stderr, "the house did not open\n");
            return false;
        }
        h.dialogs.clear();
        h.dialogs.onShown = [this](const ScriptedDialogs::Shown &) { lastMessageNs = wall.nsecsElapsed(); };
        QObject::connect(&h.form->reader(), &ReaderLink::requestSending,
                         [this] { lastRequestNs = wall.nsecsElapsed(); });
        QTest::qWait(200); // the window settles before the clock starts
        wall.start();
        return true;
    }

    // Triggers a command and runs the event loop until its exchange is over.
    // The time of the message that ended it (from the door's clock), or -1.
    qint64 run(const std::function<void()> &trigger, int timeoutMs)
    {
        lastMessageNs = -1;
        trigger();
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf("  triggered at %.3f s\n", wall.nsecsElapsed() / 1e9);
        QElapsedTimer guard;
        guard.start();
        // A plain event loop: QTest::qWait sleeps between its rounds and would
        // itself stall the thread measured. The poller's 1 ms timer wakes it.
        while (h.form->exchangeRunning() && guard.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (h.form->exchangeRunning() || !h.dialogs.unexpected().isEmpty()) {
            std::fprintf(stderr, "an exchange did not end as it should; messages: %s\nreader log:\n%s\n",
                         qPrintable(h.dialogs.messageTexts().join(QLatin1Char('|'))), qPrintable(log()));
            return -1;
        }
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf("  ended at %.3f s, last request at %.3f s\n", lastMessageNs / 1e9, lastRequestNs / 1e9);
        return lastMessageNs;
    }

    qint64 verify() { return run([this] { h.form->verifyAction()->trigger(); }, 60000); }

    QString lastMessage() const
    {
        const QStringList texts = h.dialogs.messageTexts();
        return texts.isEmpty() ? QString() : texts.last();
    }

    bool found(int differences, const char *message) const
    {
        const bool ok = h.form->verify().hasResult() && h.form->verify().differences().size() == differences
            && lastMessage().contains(QString::fromUtf8(message));
        if (!ok)
            std::fprintf(stderr, "unexpected verify result: %lld differences, message \"%s\"\n",
                         qlonglong(h.form->verify().differences().size()), qPrintable(lastMessage()));
        return ok;
    }
};

struct Row
{
    const char *what;
    double wallS;
    double lineS;
    double goal = 0;               // 0: none
    const StallMeter *ui = nullptr; // the figures of the UI thread, where measured
};

QByteArray uiFigures(const StallMeter &m, bool judged)
{
    return QString::asprintf("%6.2f %-6s %6.2f %6.2f %5d", m.maxGapNs / 1e6,
                             !judged ? "" : m.maxGapNs < 5000000 ? "ok" : "MISSED", m.maxGapCpuNs / 1e6,
                             m.maxCpuNs / 1e6, m.gapsOver5)
        .toUtf8();
}

void printRow(const Row &r)
{
    QByteArray goal;
    if (r.goal > 0)
        goal = QByteArray("<= ") + QByteArray::number(r.goal, 'f', 2)
            + (r.wallS / r.lineS <= r.goal ? " ok" : " MISSED");
    const QByteArray ui = r.ui ? uiFigures(*r.ui, r.goal > 0) : QByteArray();
    // Padded as characters: the labels are not all ASCII.
    std::printf("%s %8.3f %8.3f %8.4f  %-14s %s\n", QString::fromUtf8(r.what).leftJustified(42).toUtf8().constData(),
                r.wallS, r.lineS, r.wallS / r.lineS, goal.constData(), ui.constData());
}

} // namespace

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    QApplication app(argc, argv);
    StallMeter idleUi, equalUi, differencesUi, oldWayUi;
    QList<Row> rows;

    // (a) A reader that holds the house.
    {
        Door door;
        if (!door.start(windowHouse()))
            return 1;
        // For comparison, the same window with nothing to do: what this
        // machine's scheduling alone gives the timer.
        idleUi.start();
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        idleUi.timer.stop();
        door.wall.start();
        equalUi.start();
        const qint64 end = door.verify();
        equalUi.timer.stop();
        if (end < 0 || !door.found(0, "pontosan a(z)"))
            return 1;
        rows << Row{"(a) verify, reader equal to the house", end / 1e9, lineSeconds(DumpExchangeBytes), 1.01, &equalUi};
    }

    // (b) Apartment 5 changed in the reader, fixed with the difference upload.
    {
        Door door;
        if (!door.start(readerHouseWithChanges()))
            return 1;
        differencesUi.start();
        const qint64 verified = door.verify();
        if (verified < 0 || !door.found(ChangedSlots, "kód eltér"))
            return 1;
        for (int i = 0; i < ChangedSlots; ++i) {
            if (door.h.form->verify().differences().at(i).slot != FirstChangedSlot + i) {
                std::fprintf(stderr, "the verify found other slots than 37..45\n");
                return 1;
            }
        }
        const qint64 uploadStart = door.wall.nsecsElapsed();
        door.h.dialogs.answer(Dialogs::Answer::Ok);
        const qint64 end = door.run([&door] { door.h.form->uploadDifferencesAction()->trigger(); }, 60000);
        differencesUi.timer.stop();
        if (end < 0 || door.h.dialogs.pendingAnswers() != 0 || !door.found(0, "most pontosan"))
            return 1;
        // The last request that went out was the read-back's.
        const qint64 readBack = door.lastRequestNs;
        const qint64 writeBytes = ChangedSlots * WriteExchangeBytes;
        rows << Row{"(b) verify + 9 slots written + read-back", end / 1e9,
                    lineSeconds(2 * DumpExchangeBytes + writeBytes), 1.02, &differencesUi};
        rows << Row{"    verify", verified / 1e9, lineSeconds(DumpExchangeBytes)};
        rows << Row{"    command to the read-back request", (readBack - uploadStart) / 1e9,
                    lineSeconds(writeBytes)};
        rows << Row{"    read-back", (end - readBack) / 1e9, lineSeconds(DumpExchangeBytes)};
    }

    // The same door fixed the old way: the whole house written, then a verify.
    {
        Door door;
        if (!door.start(readerHouseWithChanges()))
            return 1;
        oldWayUi.start();
        door.h.dialogs.answer(Dialogs::Answer::Ok);
        const qint64 uploaded =
            door.run([&door] { QTest::mouseClick(door.h.ui().Command1, Qt::LeftButton); }, 120000);
        if (uploaded < 0 || door.lastMessage() != Upload::doneMessage())
            return 1;
        const qint64 end = door.verify();
        oldWayUi.timer.stop();
        if (end < 0 || !door.found(0, "pontosan a(z)"))
            return 1;
        rows << Row{"old way: Rátöltés of 1365 slots + verify", end / 1e9,
                    lineSeconds(protocol::SlotCount * WriteExchangeBytes + DumpExchangeBytes), 0, &oldWayUi};
        rows << Row{"    Rátöltés", uploaded / 1e9, lineSeconds(protocol::SlotCount * WriteExchangeBytes)};
    }

    std::printf("9600 baud, the simulated reader in its own process; line time = bytes x 10 bits / 9600 baud\n"
                "UI thread (1 ms timer): longest gap, the processor time the thread used within it, the most it\n"
                "used within any gap (the longest stretch of the program's own work), and the gaps of 5 ms or more\n\n");
    std::printf("%-42s %8s %8s %8s  %-14s %-13s %6s %6s %5s\n", "", "wall s", "line s", "ratio", "goal",
                "gap ms (< 5)", "in it", "work", ">=5");
    for (const Row &r : std::as_const(rows))
        printRow(r);
    std::printf("%-42s %43s%s\n", "the window idle for 5 s, for comparison", "",
                uiFigures(idleUi, false).constData());
    const Row &differences = rows[1], &oldWay = rows[5];
    std::printf("\nthe difference upload saves %.3f s of wall time (%.1f%%) against the old way; %.3f s of line time\n",
                oldWay.wallS - differences.wallS, 100.0 * (oldWay.wallS - differences.wallS) / oldWay.wallS,
                oldWay.lineS - differences.lineS);
    return 0;
}
