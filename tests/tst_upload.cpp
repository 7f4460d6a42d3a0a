// "Rátöltés" through Form1's real controls over an in-memory line: the frames
// byte for byte, the acknowledgement chain, Timer1's resending and give-up, the
// refusals, the checks of the house file, and the state every end leaves.
// The reader's side is the simulated reader's model, answering each frame the
// program writes.
#include "harness.h"
#include "uploadfixtures.h"
#include "housefixtures.h"
#include "openedhouse.h"
#include "readerfixtures.h"
#include "house/housefile.h"
#include "reader/erase.h"
#include "reader/upload.h"
#include "simreader/readermodel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

using Answer = Dialogs::Answer;

using namespace uploadfixtures;

namespace {
const QString NoHouse = QStringLiteral("Előbb a Szerkesztés gombbal válassza ki a kártya leolvasóra rátöltendő fájlt!");
const QString NoPort = QStringLiteral("Nincs megnyitott soros port. Válasszon portot a Comm listában!");
const QString ReadOutQuestion = QStringLiteral("Adja meg a ház címét ahova a kiolvasott adatok kerüljenek!");
const QString EraseQuestion = QStringLiteral("Ha folytatja, kitörlődnek a kártya leolvasóban engedélyezett kártyák!");

QByteArray ack()
{
    QByteArray b(15, char(0x44));
    b[12] = char(0x06);
    return b;
}
} // namespace

class TstUpload : public QObject
{
    Q_OBJECT

    // Port 1 open, the house written to haz.txt and opened with "Szerkesztés".
    static bool startWithHouse(Harness &h, const QByteArray &content, const Timing &timing = Timing())
    {
        if (!fixtures::startWithPort(h, timing))
            return false;
        h.dialogs.clear();
        h.writeFile(QStringLiteral("haz.txt"), content);
        fixtures::openHouse(h, h.path(QStringLiteral("haz.txt")));
        const bool opened = h.ui().List2->isVisible() && h.dialogs.unexpected().isEmpty();
        h.dialogs.clear();
        return opened;
    }

    static void clickUpload(Harness &h, Answer answer = Answer::Ok)
    {
        h.dialogs.answer(answer);
        QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
    }

    // Plays the reader: answers every frame the program writes, at once, with
    // the model's reply. text3 gets Text3 as it is when each frame goes out;
    // before(n) runs before the n-th frame (1-based) is answered.
    static void playReader(Harness &h, ReaderModel &model, QStringList *text3 = nullptr,
                           const std::function<void(int)> &before = {})
    {
        MemoryLink *link = h.ports.lastLink;
        auto frames = std::make_shared<int>(0);
        link->onWritten = [&h, &model, text3, before, link, frames](const QByteArray &frame) {
            ++*frames;
            if (text3)
                *text3 << h.ui().Text3->text();
            if (before)
                before(*frames);
            const QByteArray reply = model.respond(frame);
            if (!reply.isEmpty())
                link->feed(reply);
        };
    }

    // Waits until the upload has ended; the reader stops answering then.
    static bool waitForEnd(Harness &h, int timeoutMs = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (h.form->state().uploadRunning == 1 && clock.elapsed() < timeoutMs)
            QTest::qWait(1);
        if (h.ports.lastLink)
            h.ports.lastLink->onWritten = nullptr;
        return h.form->state().uploadRunning == 0;
    }

    // Plays the reader from the frame last sent (still unanswered) to the end.
    static void serve(Harness &h, ReaderModel &model, QStringList *text3 = nullptr,
                      const std::function<void(int)> &before = {})
    {
        playReader(h, model, text3, before);
        MemoryLink *link = h.ports.lastLink;
        QVERIFY(!link->written.isEmpty());
        const auto answer = link->onWritten;
        answer(link->written.last());
        QVERIFY(waitForEnd(h));
    }

    static bool waitForFrames(MemoryLink *link, int count, int timeoutMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (link->written.size() < count && clock.elapsed() < timeoutMs)
            QTest::qWait(1);
        return link->written.size() == count;
    }

    // The state every end of an upload must leave behind.
    static void verifyEnded(Harness &h)
    {
        QCOMPARE(h.form->state().uploadRunning, qint16(0));
        QVERIFY(!h.form->reader().timer1().isActive());
        QVERIFY(!h.form->upload().houseFileOpen());
        QCOMPARE(h.ui().ProgressBar1->value(), 0);
        QCOMPARE(h.ui().Text3->text(), QString());
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
    }

    // After an end the read-out and the erase start at once.
    static void verifyReadOutAndEraseStart(Harness &h)
    {
        MemoryLink *link = h.ports.lastLink;
        const qsizetype before = link->written.size();
        h.dialogs.clear();
        h.dialogs.answer(Answer::Cancel);
        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{ReadOutQuestion});
        h.dialogs.clear();
        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
        QTest::keyClicks(h.ui().Text8, QStringLiteral("DmvX"));
        QTest::keyClick(h.ui().Text8, Qt::Key_Return);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{EraseQuestion});
        QCOMPARE(link->written.size(), before + 1);
        QCOMPARE(link->written.last(), fixtures::eraseFrame());
    }

private slots:
    void allEmptyHouseGoesOutAsFrames1To1365()
    {
        Harness h;
        const QByteArray content = fixtures::allFHouse();
        QVERIFY(startWithHouse(h, content));
        MemoryLink *link = h.ports.lastLink;
        h.ui().Text1->setText(QStringLiteral("x"));
        h.ui().List1->show();
        h.ui().Label25->show();
        QSignalSpy progress(h.ui().ProgressBar1, &QProgressBar::valueChanged);
        ReaderModel model;
        model.clear();
        model.setSlotRecord(77, QStringLiteral("123456789ABC"));

        clickUpload(h);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Confirm});
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QCOMPARE(h.ui().Text1->text(), QString());
        QVERIFY(h.ui().List1->isHidden());
        QVERIFY(h.ui().Label25->isHidden());
        QCOMPARE(h.form->state().uploadRunning, qint16(1));
        QVERIFY(h.form->upload().houseFileOpen());
        QVERIFY(!h.ui().List5->isEnabled());
        QVERIFY(!h.ui().List6->isEnabled());
        QCOMPARE(h.ui().ProgressBar1->maximum(), 1366);
        QCOMPARE(h.ui().ProgressBar1->value(), 1);
        QCOMPARE(h.form->upload().retriesLeft(), 20);
        QVERIFY(h.form->reader().timer1().isActive());
        QVERIFY(h.form->reader().timer2().isActive());
        QCOMPARE(link->written.size(), 1);
        QCOMPARE(link->written.first().toHex(), QByteArray("01ffffffffffff00000601"));
        QCOMPARE(link->discards, 1); // adas empties the buffer first

        QStringList text3;
        QList<QVariant> atDone; // the flag, the bar and Text3 while the last message shows
        h.dialogs.onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == Done)
                atDone = {h.form->state().uploadRunning, h.ui().ProgressBar1->value(), h.ui().Text3->text()};
        };
        serve(h, model, &text3);
        QCOMPARE(atDone, (QList<QVariant>{qint16(0), 1366, QStringLiteral("1366")}));
        QCOMPARE(link->written.size(), 1365);
        for (int slot = 1; slot <= 1365; ++slot)
            QCOMPARE(link->written.at(slot - 1), writeFrame(QByteArray(6, char(0xFF)), slot));
        QCOMPARE(link->written.last().mid(7, 2).toHex(), QByteArray("1ff8"));
        QCOMPARE(text3.first(), QStringLiteral("1"));
        QCOMPARE(text3.last(), QStringLiteral("1365"));
        for (int i = 0; i < text3.size(); ++i)
            QCOMPARE(text3.at(i), QString::number(i + 1));
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
        QVERIFY(h.dialogs.unexpected().isEmpty());
        // The bar reached 1366 just before the end, then went back to 0.
        QCOMPARE(progress.at(progress.size() - 2).first().toInt(), 1366);
        QCOMPARE(progress.last().first().toInt(), 0);
        verifyEnded(h);
        QVERIFY(h.form->reader().timer2().isActive()); // the poller keeps running
        QCOMPARE(model.slotRecord(77), QStringLiteral("FFFFFFFFFFFF"));
        QCOMPARE(model.storedWrites(), 1365);
        QCOMPARE(h.readFile(QStringLiteral("haz.txt")), content);
        // Nothing more goes out afterwards, not even on Timer1's interval.
        QTest::qWait(600);
        QCOMPARE(link->written.size(), 1365);
        verifyReadOutAndEraseStart(h);
    }

    void variedCodesLandInTheReaderAsTheFileHoldsThem()
    {
        Harness h;
        QByteArray content = openedhouse::houseWithCodes(5);
        content.replace((1234 - 1) * 12, 12, "0A1B2C3D4E05");
        content.replace((1235 - 1) * 12, 12, "0a1b2c3d4e06"); // lower case reads the same
        content.replace((1366 - 1) * 12, 12, "ZZZZZZZZZZZZ"); // record 1366 never leaves the PC
        QVERIFY(startWithHouse(h, content));
        MemoryLink *link = h.ports.lastLink;
        ReaderModel model;
        model.clear();
        clickUpload(h);
        serve(h, model);
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
        QCOMPARE(link->written.size(), 1365);
        QCOMPARE(link->written.at(1233).toHex(), QByteArray("010a1b2c3d4e051ce606ea"));
        QCOMPARE(link->written.at(1234), link->written.at(1233).left(6) + QByteArray::fromHex("061CEC06F1"));
        for (int slot = 1; slot <= 1365; ++slot)
            QCOMPARE(link->written.at(slot - 1), writeFrame(recordBytes(content, slot), slot));
        QByteArray expectedMemory;
        for (int slot = 1; slot <= 1365; ++slot)
            expectedMemory += recordBytes(content, slot);
        QCOMPARE(model.memory(), expectedMemory);
        verifyEnded(h);
    }

    void refusedSlotEndsTheRun()
    {
        Harness h;
        const QByteArray content = openedhouse::houseWithCodes(2);
        QVERIFY(startWithHouse(h, content));
        MemoryLink *link = h.ports.lastLink;
        ReaderOptions options;
        options.refuseSlot = 700;
        ReaderModel model(options);
        model.clear();
        clickUpload(h);
        serve(h, model);
        QCOMPARE(link->written.size(), 700);
        QCOMPARE(link->written.last(), writeFrame(recordBytes(content, 700), 700));
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Refused}));
        verifyEnded(h);
        QCOMPARE(model.slotRecord(699), QString::fromLatin1(content.mid(698 * 12, 12)));
        QCOMPARE(model.slotRecord(700), QStringLiteral("FFFFFFFFFFFF"));
        QCOMPARE(model.slotRecord(701), QStringLiteral("FFFFFFFFFFFF"));
        // No later acknowledgement picks the run up again.
        link->feed(ack());
        QTest::qWait(50);
        QCOMPARE(link->written.size(), 700);
        verifyReadOutAndEraseStart(h);
    }

    void silentReaderGetsTwentySendsThenTheGiveUp()
    {
        Harness h;
        Timing timing = Timing::scaled(0.04); // Timer1 every 20 ms
        QVERIFY(startWithHouse(h, openedhouse::houseWithCodes(3), timing));
        MemoryLink *link = h.ports.lastLink;
        QElapsedTimer clock;
        clock.start();
        clickUpload(h);
        QTRY_VERIFY_WITH_TIMEOUT(h.form->state().uploadRunning == 0 || link->written.size() > 20, 5000);
        const qint64 ended = clock.elapsed();
        QCOMPARE(link->written.size(), 20);
        for (const QByteArray &frame : link->written)
            QCOMPARE(frame, link->written.first());
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, GaveUp}));
        QVERIFY2(ended >= 19 * 20, qPrintable(QString::number(ended)));
        verifyEnded(h);
        QCOMPARE(h.form->upload().retriesLeft(), 0);
        QTest::qWait(100);
        QCOMPARE(link->written.size(), 20);
        verifyReadOutAndEraseStart(h);
    }

    void resendsCountPerSlotAndALateReplyIsDiscarded()
    {
        Harness h;
        Timing timing;
        timing.timer1Ms = 60;
        const QByteArray content = openedhouse::houseWithCodes(4);
        QVERIFY(startWithHouse(h, content, timing));
        MemoryLink *link = h.ports.lastLink;
        clickUpload(h);
        // No answer to the first send: Timer1 sends the same frame again.
        QVERIFY(waitForFrames(link, 2));
        QCOMPARE(link->written.at(1), link->written.at(0));
        QCOMPARE(h.form->upload().retriesLeft(), 19);
        QCOMPARE(h.ui().Text3->text(), QStringLiteral("1"));
        // A reply that came in just before the next resend is thrown away by it.
        QVERIFY(waitForFrames(link, 3));
        QCOMPARE(h.form->upload().retriesLeft(), 18);
        link->feed(ack());
        QCOMPARE(link->written.size(), 4);
        QCOMPARE(link->written.at(3), writeFrame(recordBytes(content, 2), 2));
        QCOMPARE(h.form->upload().retriesLeft(), 20);
        QCOMPARE(h.form->upload().uploadRecord(), 2);
        QCOMPARE(h.form->upload().slotAddress(), 6);
        QCOMPARE(h.ui().Text3->text(), QStringLiteral("2"));
        QVERIFY(waitForFrames(link, 5));
        link->feed(ack().left(7)); // the start of a reply to send 5 ...
        QVERIFY(waitForFrames(link, 6)); // ... dropped, and Timer1 resends
        QCOMPARE(link->bytesWaiting(), qint64(0));
        link->feed(ack());
        QCOMPARE(link->written.last(), writeFrame(recordBytes(content, 3), 3));
        QCOMPARE(h.form->upload().retriesLeft(), 20);
    }

    void readerAnsweringOnlyTheThirdSendOfEachSlot()
    {
        Harness h;
        Timing timing = Timing::scaled(0.002); // Timer1 every 1 ms
        const QByteArray content = openedhouse::houseWithCodes(6);
        QVERIFY(startWithHouse(h, content, timing));
        MemoryLink *link = h.ports.lastLink;
        ReaderOptions options;
        options.dropFirst = 2;
        ReaderModel model(options);
        model.clear();
        clickUpload(h);
        serve(h, model);
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
        QCOMPARE(link->written.size(), 3 * 1365);
        for (int slot = 1; slot <= 1365; ++slot) {
            QCOMPARE(model.sendsOfSlot(slot), 3);
            for (int send = 0; send < 3; ++send)
                QCOMPARE(link->written.at(3 * (slot - 1) + send), writeFrame(recordBytes(content, slot), slot));
        }
        QCOMPARE(model.records(), openedhouse::recordsOf(content).mid(0, 1365));
        verifyEnded(h);
    }

    void shortAndLongRepliesNeverBlock()
    {
        // 16-byte replies: the surplus byte is dropped by the next send.
        {
            Harness h;
            const QByteArray content = openedhouse::houseWithCodes(7);
            QVERIFY(startWithHouse(h, content));
            ReaderOptions options;
            options.writeReplyLength = ReaderOptions::LongReplyLength;
            ReaderModel model(options);
            model.clear();
            clickUpload(h);
            serve(h, model);
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
            QCOMPARE(h.ports.lastLink->written.size(), 1365);
            QCOMPARE(model.records(), openedhouse::recordsOf(content).mid(0, 1365));
            verifyEnded(h);
        }
        // Two whole replies at once: the second is no acknowledgement of the next slot.
        {
            Harness h;
            const QByteArray content = openedhouse::houseWithCodes(7);
            QVERIFY(startWithHouse(h, content, Timing::scaled(0.04)));
            MemoryLink *link = h.ports.lastLink;
            clickUpload(h);
            link->feed(ack() + ack());
            QCOMPARE(link->written.size(), 2);
            QCOMPARE(h.form->upload().uploadRecord(), 2);
            QCOMPARE(link->bytesWaiting(), qint64(0));
        }
        // 14-byte replies are no replies: Timer1 resends until the give-up.
        {
            Harness h;
            Timing timing = Timing::scaled(0.04);
            QVERIFY(startWithHouse(h, openedhouse::houseWithCodes(8), timing));
            ReaderOptions options;
            options.writeReplyLength = ReaderOptions::ShortReplyLength;
            ReaderModel model(options);
            clickUpload(h);
            serve(h, model);
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, GaveUp}));
            QCOMPARE(h.ports.lastLink->written.size(), 20);
            QCOMPARE(model.sendsOfSlot(1), 20);
            QCOMPARE(model.sendsOfSlot(2), 0);
            verifyEnded(h);
        }
    }

    void cancelSendsNothing()
    {
        Harness h;
        const QByteArray content = openedhouse::houseWithCodes(9);
        QVERIFY(startWithHouse(h, content));
        clickUpload(h, Answer::Cancel);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Confirm});
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QCOMPARE(h.form->state().uploadRunning, qint16(0));
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QVERIFY(!h.form->reader().timer1().isActive());
        QVERIFY(!h.form->upload().houseFileOpen());
        QCOMPARE(h.readFile(QStringLiteral("haz.txt")), content);
    }

    void refusalsBeforeAnythingIsSent()
    {
        // No house open.
        {
            Harness h;
            QVERIFY(fixtures::startWithPort(h, Timing()));
            h.dialogs.clear();
            QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
            QCOMPARE(h.dialogs.messageTexts(), QStringList{NoHouse});
            QVERIFY(h.ports.lastLink->written.isEmpty());
            QVERIFY(h.ui().List5->isEnabled());
            QCOMPARE(h.form->state().uploadRunning, qint16(0));
        }
        // A house just created: blank rows, silently refused.
        {
            Harness h;
            QVERIFY(fixtures::startWithPort(h, Timing()));
            h.dialogs.clear();
            fixtures::openHouse(h, h.path(QStringLiteral("uj.txt")));
            QVERIFY(h.ui().List2->isVisible());
            QCOMPARE(h.ui().List2->item(1)->text().trimmed(), QString());
            h.dialogs.clear();
            QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
            QVERIFY(h.dialogs.shown().isEmpty());
            QVERIFY(h.ports.lastLink->written.isEmpty());
            QVERIFY(h.ui().List5->isEnabled());
            QVERIFY(h.ui().List6->isEnabled());
        }
        // No port open.
        {
            Harness h;
            h.saveDataFolder();
            QVERIFY(h.start());
            h.form->show();
            h.dialogs.clear();
            h.writeFile(QStringLiteral("haz.txt"), openedhouse::houseWithCodes(1));
            fixtures::openHouse(h, h.path(QStringLiteral("haz.txt")));
            h.dialogs.clear();
            QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
            QCOMPARE(h.dialogs.messageTexts(), QStringList{NoPort});
            QVERIFY(h.ui().List5->isEnabled());
            QCOMPARE(h.form->state().uploadRunning, qint16(0));
            QVERIFY(!h.form->upload().houseFileOpen());
        }
    }

    void badHouseFilesAreNotSent_data()
    {
        QTest::addColumn<QByteArray>("content");   // written after opening
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QString>("message");
        const QByteArray good = openedhouse::houseWithCodes(11);
        QByteArray apartment12 = good;
        apartment12.replace((100 - 1) * 12, 12, "0A1B2C3D4EZZ");
        QByteArray lastSlot = good;
        lastSlot.replace((1365 - 1) * 12, 12, "12345678 ABC");
        QByteArray accented = good;
        accented.replace(0, 12, "0A1B2C3D4E\xE1" "5"); // á in Windows-1250
        QTest::newRow("bad code in apartment 12") << apartment12 << false
            << QStringLiteral("A(z) 12. lakás kódja hibás: 0A1B2C3D4EZZ. A ház nem tölthető rá a kártya leolvasóra.");
        QTest::newRow("bad code in slot 1365") << lastSlot << false
            << QStringLiteral("A(z) 152. lakás kódja hibás: 12345678 ABC. A ház nem tölthető rá a kártya leolvasóra.");
        QTest::newRow("accented letter in apartment 1") << accented << false
            << QStringLiteral("A(z) 1. lakás kódja hibás: 0A1B2C3D4Eá5. A ház nem tölthető rá a kártya leolvasóra.");
        QTest::newRow("one byte short") << good.left(16391) << false
            << QStringLiteral("A(z) %1 fájl sérült: 16391 bájt hosszú, nem 16392. A ház nem tölthető rá a kártya leolvasóra.");
        QTest::newRow("one byte long") << good + "F" << false
            << QStringLiteral("A(z) %1 fájl sérült: 16393 bájt hosszú, nem 16392. A ház nem tölthető rá a kártya leolvasóra.");
        QTest::newRow("missing") << QByteArray() << true
            << QStringLiteral("A(z) %1 fájl nem található. A ház nem tölthető rá a kártya leolvasóra.");
    }
    void badHouseFilesAreNotSent()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, remove);
        QFETCH(QString, message);
        Harness h;
        QVERIFY(startWithHouse(h, openedhouse::houseWithCodes(11)));
        // The file changes on disk after the house was opened.
        if (remove)
            QVERIFY(QFile::remove(h.path(QStringLiteral("haz.txt"))));
        else
            h.writeFile(QStringLiteral("haz.txt"), content);
        QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
        const QString native = QDir::toNativeSeparators(h.path(QStringLiteral("haz.txt")));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{message.contains(QLatin1String("%1")) ? message.arg(native) : message});
        QVERIFY(h.ports.lastLink->written.isEmpty());
        QCOMPARE(h.form->state().uploadRunning, qint16(0));
        QVERIFY(!h.form->upload().houseFileOpen());
        QVERIFY(h.ui().List5->isEnabled());
        QVERIFY(h.ui().List6->isEnabled());
        QVERIFY(!h.form->reader().timer1().isActive());
        // The refusal changed nothing on disk.
        QCOMPARE(QFile::exists(h.path(QStringLiteral("haz.txt"))), !remove);
        if (!remove)
            QCOMPARE(h.readFile(QStringLiteral("haz.txt")), content);
    }

    void recordThatGoesBadDuringTheRunIsNotSent()
    {
        Harness h;
        const QByteArray content = openedhouse::houseWithCodes(12);
        QVERIFY(startWithHouse(h, content));
        MemoryLink *link = h.ports.lastLink;
        ReaderModel model;
        model.clear();
        clickUpload(h);
        const QString path = h.path(QStringLiteral("haz.txt"));
        serve(h, model, nullptr, [&](int frame) {
            if (frame == 10) {
                QFile f(path);
                QVERIFY(f.open(QIODevice::ReadWrite));
                QVERIFY(f.seek(49 * 12));
                f.write("0A1B2C3D4EXY");
            }
        });
        QCOMPARE(link->written.size(), 49);
        QCOMPARE(h.dialogs.messageTexts().size(), 2);
        QCOMPARE(h.dialogs.messageTexts().last(),
                 QStringLiteral("A(z) 6. lakás kódja hibás: 0A1B2C3D4EXY. A rátöltés a(z) 50. kódnál leállt, "
                                "ez és a további kódok nem kerültek a kártya leolvasóba."));
        QCOMPARE(model.slotRecord(50), QStringLiteral("FFFFFFFFFFFF"));
        QCOMPARE(model.slotRecord(49), QString::fromLatin1(content.mid(48 * 12, 12)));
        verifyEnded(h);
    }

    void fileCutShortDuringTheRun()
    {
        // Cut after record 50: record 51 is missing, nothing more is sent.
        {
            Harness h;
            const QByteArray content = openedhouse::houseWithCodes(31);
            QVERIFY(startWithHouse(h, content));
            ReaderModel model;
            model.clear();
            clickUpload(h);
            const QString path = h.path(QStringLiteral("haz.txt"));
            serve(h, model, nullptr, [&](int frame) {
                if (frame == 10)
                    QVERIFY(QFile::resize(path, 50 * 12));
            });
            QCOMPARE(h.ports.lastLink->written.size(), 50);
            QCOMPARE(h.dialogs.messageTexts().last(),
                     QStringLiteral("A(z) %1 fájl nem olvasható: a(z) 51. kód hiányzik. A rátöltés a(z) 51. kódnál "
                                    "leállt, ez és a további kódok nem kerültek a kártya leolvasóba.")
                         .arg(QDir::toNativeSeparators(path)));
            verifyEnded(h);
        }
        // Only record 1366 cut off: every slot still goes out.
        {
            Harness h;
            const QByteArray content = openedhouse::houseWithCodes(32);
            QVERIFY(startWithHouse(h, content));
            ReaderModel model;
            model.clear();
            clickUpload(h);
            const QString path = h.path(QStringLiteral("haz.txt"));
            serve(h, model, nullptr, [&](int frame) {
                if (frame == 10)
                    QVERIFY(QFile::resize(path, 1365 * 12));
            });
            QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
            QCOMPARE(model.records(), openedhouse::recordsOf(content).mid(0, 1365));
            verifyEnded(h);
        }
    }

    void recordWrittenIntoApartment138ReachesTheSlotsNotYetSent()
    {
        Harness h;
        const QByteArray content = openedhouse::houseWithCodes(13);
        QVERIFY(startWithHouse(h, content));
        ReaderModel model;
        model.clear();
        clickUpload(h);
        const QString path = h.path(QStringLiteral("haz.txt"));
        serve(h, model, nullptr, [&](int frame) {
            if (frame == 5)
                QVERIFY(house::writeHouseRecord(path, 1240, QStringLiteral("0A1B2C3D4E05")));
        });
        QCOMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, Done}));
        QCOMPARE(model.slotRecord(1240), QStringLiteral("0A1B2C3D4E05"));
        QCOMPARE(h.ports.lastLink->written.at(1239), writeFrame(QByteArray::fromHex("0A1B2C3D4E05"), 1240));
        QByteArray expected = content;
        expected.replace(1239 * 12, 12, "0A1B2C3D4E05");
        QCOMPARE(h.readFile(QStringLiteral("haz.txt")), expected);
        QCOMPARE(model.records(), openedhouse::recordsOf(expected).mid(0, 1365));
    }

    void otherCommandsRefuseWhileTheUploadRuns()
    {
        Harness h;
        const QByteArray content = openedhouse::houseWithCodes(14);
        h.writeFile(QStringLiteral("postas.lst"), fixtures::nonResident("Posta", "0A1B2C3D4E"));
        QVERIFY(startWithHouse(h, content));
        MemoryLink *link = h.ports.lastLink;
        QCOMPARE(h.ui().List5->count(), 1);
        h.writeFile(QStringLiteral("haz.bak"), openedhouse::houseWithCodes(15));
        h.writeFile(QStringLiteral("masik.txt"), openedhouse::houseWithCodes(16));
        const auto before = openedhouse::snapshot(h.dataFolder);
        clickUpload(h);
        QCOMPARE(link->written.size(), 1);
        h.dialogs.clear();

        QTest::mouseClick(h.ui().Command6, Qt::LeftButton);   // Kiolvasás
        QTest::mouseClick(h.ui().Command17, Qt::LeftButton);  // Törlés: the password box ...
        QTest::keyClicks(h.ui().Text8, QStringLiteral("DmvX"));
        QTest::keyClick(h.ui().Text8, Qt::Key_Return);        // ... remembered, nothing sent
        QCOMPARE(h.form->erase().acceptedPassword(), QStringLiteral("DmvX"));
        QTest::mouseClick(h.ui().Command4, Qt::LeftButton);   // Szerkesztés
        QTest::mouseDClick(h.ui().Text2, Qt::LeftButton);     // re-pick
        QTest::mouseClick(h.ui().Command5, Qt::LeftButton);   // Másolás
        QTest::mouseClick(h.ui().Command7, Qt::LeftButton);   // Visszaállítás
        QTest::mouseClick(h.ui().Command2, Qt::LeftButton);   // donor house
        h.ui().Command8->show();
        QTest::mouseClick(h.ui().Command8, Qt::LeftButton);   // Mentés
        h.ui().List2->setCurrentRow(1371);
        emit h.ui().List2->itemDoubleClicked(h.ui().List2->item(1371));
        h.ui().List5->setCurrentRow(0);
        emit h.ui().List5->itemDoubleClicked(h.ui().List5->item(0));

        QVERIFY2(h.dialogs.shown().isEmpty(), qPrintable(h.dialogs.texts().join(QLatin1Char('|'))));
        QCOMPARE(link->written.size(), 1);
        QCOMPARE(h.form->state().uploadRunning, qint16(1));
        QCOMPARE(h.form->state().readOutRunning, qint16(0));
        QVERIFY(!h.form->erase().waiting());
        QVERIFY(!h.ui().List5->isEnabled());
        QVERIFY(!h.ui().List6->isEnabled());
        QCOMPARE(h.ui().Text2->text(), h.path(QStringLiteral("haz.txt")));
        QCOMPARE(openedhouse::snapshot(h.dataFolder), before);

        // The upload goes on undisturbed.
        ReaderModel model;
        model.clear();
        serve(h, model);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{Done});
        QCOMPARE(model.records(), openedhouse::recordsOf(content).mid(0, 1365));
    }

    void uploadRefusesWhileAReadOutOrAnEraseRuns()
    {
        // A read-out waiting for its dump.
        {
            Harness h;
            QVERIFY(startWithHouse(h, openedhouse::houseWithCodes(17)));
            MemoryLink *link = h.ports.lastLink;
            h.dialogs.answer(Answer::Ok);
            h.dialogs.pick(h.path(QStringLiteral("uj.txt")));
            QTest::mouseClick(h.ui().Command6, Qt::LeftButton);
            QCOMPARE(h.form->state().readOutRunning, qint16(1));
            QCOMPARE(link->written, QList<QByteArray>{fixtures::readFrame()});
            h.dialogs.clear();
            h.ui().Text1->setText(QStringLiteral("x"));
            // The read-out hid List2; show a house again to be sure only the flag stops the upload.
            openedhouse::open(*h.form, h.path(QStringLiteral("haz.txt")), openedhouse::houseWithCodes(17));
            QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
            QVERIFY(h.dialogs.shown().isEmpty());
            QCOMPARE(h.ui().Text1->text(), QString());
            QVERIFY(!h.ui().List5->isEnabled());
            QVERIFY(!h.ui().List6->isEnabled());
            QCOMPARE(link->written.size(), 1);
            QCOMPARE(h.form->state().uploadRunning, qint16(0));
            QCOMPARE(h.form->state().readOutRunning, qint16(1));
        }
        // An erase waiting for its confirmation.
        {
            Harness h;
            QVERIFY(startWithHouse(h, openedhouse::houseWithCodes(18)));
            MemoryLink *link = h.ports.lastLink;
            h.dialogs.answer(Answer::Ok);
            QTest::mouseClick(h.ui().Command17, Qt::LeftButton);
            QTest::keyClicks(h.ui().Text8, QStringLiteral("DmvX"));
            QTest::keyClick(h.ui().Text8, Qt::Key_Return);
            QVERIFY(h.form->erase().waiting());
            QCOMPARE(link->written, QList<QByteArray>{fixtures::eraseFrame()});
            h.dialogs.clear();
            QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
            QVERIFY(h.dialogs.shown().isEmpty());
            QCOMPARE(link->written.size(), 1);
            QCOMPARE(h.form->state().uploadRunning, qint16(0));
            QVERIFY(!h.ui().List5->isEnabled());
            // The confirmation still ends the erase, which gives the lists back.
            link->feed(fixtures::eraseConfirmation(1));
            QTRY_COMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("A kódmemória törlés kész.")});
            QVERIFY(h.ui().List5->isEnabled());
            // Now the upload starts.
            clickUpload(h);
            QCOMPARE(link->written.size(), 2);
            QCOMPARE(h.form->state().uploadRunning, qint16(1));
        }
    }

    void confirmedStartDuringARunBeginsAgainFromSlot1()
    {
        Harness h;
        const QByteArray content = openedhouse::houseWithCodes(19);
        QVERIFY(startWithHouse(h, content));
        MemoryLink *link = h.ports.lastLink;
        clickUpload(h);
        for (int i = 0; i < 9; ++i)
            link->feed(ack());
        QCOMPARE(h.form->upload().uploadRecord(), 10);
        // Cancel leaves the run going, the lists still disabled.
        clickUpload(h, Answer::Cancel);
        QCOMPARE(link->written.size(), 10);
        QCOMPARE(h.form->state().uploadRunning, qint16(1));
        QVERIFY(!h.ui().List5->isEnabled());
        // OK starts from record 1 again.
        clickUpload(h);
        QCOMPARE(link->written.size(), 11);
        QCOMPARE(link->written.last(), writeFrame(recordBytes(content, 1), 1));
        QCOMPARE(h.form->upload().uploadRecord(), 1);
        QCOMPARE(h.form->upload().retriesLeft(), 20);
        QCOMPARE(h.ui().Text3->text(), QStringLiteral("1"));
        ReaderModel model;
        model.clear();
        serve(h, model);
        QCOMPARE(h.dialogs.messageTexts().last(), Done);
        QCOMPARE(model.records(), openedhouse::recordsOf(content).mid(0, 1365));
        verifyEnded(h);
    }

    void portChosenAnewEndsTheRun_data()
    {
        QTest::addColumn<bool>("replyOnNewLine");
        QTest::newRow("next resend") << false;
        QTest::newRow("reply on the new line") << true;
    }
    void portChosenAnewEndsTheRun()
    {
        QFETCH(bool, replyOnNewLine);
        Harness h;
        h.ports.free = {1, 2};
        h.saveDataFolder();
        QVERIFY(h.start(Timing::scaled(0.04)));
        h.form->show();
        h.dialogs.clear();
        h.writeFile(QStringLiteral("haz.txt"), openedhouse::houseWithCodes(30));
        fixtures::openHouse(h, h.path(QStringLiteral("haz.txt")));
        h.dialogs.clear();
        MemoryLink *first = h.ports.lastLink;
        clickUpload(h);
        for (int i = 0; i < 4; ++i)
            first->feed(ack());
        QCOMPARE(first->written.size(), 5);

        emit h.ui().Combo1->activated(h.ui().Combo1->findText(QStringLiteral("2")));
        MemoryLink *second = h.ports.lastLink;
        QVERIFY(second != first);
        QVERIFY(h.form->reader().isOpen());
        const QString stopped = QStringLiteral("A soros port megváltozott, a rátöltés a(z) 5. kódnál leállt. "
                                               "Ismételje meg a rátöltést!");
        if (replyOnNewLine)
            second->feed(ack());
        QTRY_COMPARE(h.dialogs.messageTexts(), (QStringList{Confirm, stopped}));
        QVERIFY(second->written.isEmpty());
        verifyEnded(h);
    }

    void vanishingPortEndsTheRun()
    {
        Harness h;
        QVERIFY(startWithHouse(h, openedhouse::houseWithCodes(20)));
        MemoryLink *link = h.ports.lastLink;
        clickUpload(h);
        for (int i = 0; i < 41; ++i)
            link->feed(ack());
        QCOMPARE(link->written.size(), 42);
        link->vanish(QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt"));
        QTRY_COMPARE(h.dialogs.messageTexts().size(), 2);
        QCOMPARE(h.dialogs.messageTexts().last(),
                 QStringLiteral("A(z) /dev/fake1 port megszakadt: teszt\n"
                                "A rátöltés a(z) 42. kódnál megszakadt. Ismételje meg a rátöltést!\n"
                                "Válassza ki újra a portot a Comm listában!"));
        verifyEnded(h);
        QVERIFY(!h.form->reader().isOpen());
        QVERIFY(!h.form->reader().link());
        // A new click says that no port is open.
        h.dialogs.clear();
        QTest::mouseClick(h.ui().Command1, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{NoPort});
    }
};

QTEST_MAIN(TstUpload)
#include "tst_upload.moc"
