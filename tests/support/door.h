#pragma once
// The window with haz.txt open beside haz.bak, b.txt and the donor d.txt (the card Code in haz.txt, haz.bak and b.txt, named
// "Postas Pal" in postas.lst), the erase password taken, and the simulated reader's model answering on the in-memory line, its
// memory the house. An exchange can be held part-way: replies go through up to a budget of bytes, the rest waits for release().
#include "housefixtures.h"
#include "openedhouse.h"
#include "simreader/readermodel.h"
#include <QAction>
#include <QTimer>

struct Door
{
    static inline const QByteArray Code = "0A1B2C3D4E05", Empty = "FFFFFFFFFFFF";
    static QByteArray with(QByteArray house, int slot, const QByteArray &record) { return house.replace(12 * (slot - 1), 12, record); }
    Harness h;
    ReaderModel model;
    QByteArray house = with(openedhouse::houseWithCodes(3), 40, Code);
    int budget = -1;  // reply bytes still let through (-1: all)
    QByteArray held;  // the rest of the last reply, held back
    int paceMs = 0;   // a dump comes in eight pieces this far apart
    QString atStart;  // the bar and Text3 right after hold() started the exchange

    bool start(const Timing &timing = Timing::scaled(0.2), bool memoryLine = true) // false: the port the settings name
    {
        h.ports.free = {1, 2};
        h.saveDataFolder();
        for (const auto &[name, bytes] : {std::pair{"haz.bak", with(openedhouse::houseWithCodes(4), 50, Code)}, {"b.txt", with(openedhouse::houseWithCodes(5), 60, Code)},
                                          {"d.txt", openedhouse::houseWithCodes(9)}, {"postas.lst", fixtures::nonResident("Postas Pal", "0A1B2C3D4E")}})
            h.writeFile(name, bytes);
        if (!h.start(timing) || !h.form->reader().isOpen()) return false;
        h.form->show();
        openedhouse::open(*h.form, h.path("haz.txt"), house);
        fixtures::act(h, "click Command17"); // the password taken, the erase it starts not wanted
        QTest::keyClicks(h.ui().Text8, "DmvX");
        h.script("c");
        QTest::keyClick(h.ui().Text8, Qt::Key_Return);
        if (memoryLine) answer();
        h.dialogs.clear();
        return QTest::qWaitForWindowExposed(h.form.get()) && h.ui().List2->count() == 1518 && model.loadHouseFile(h.path("haz.txt"));
    }
    void answer() // every frame on the in-memory line, a moment later
    {
        line()->onWritten = [this, link = line()](const QByteArray &frame) {
            QByteArray reply = model.respond(frame);
            if (budget >= 0) { const int now = qMin(budget, int(reply.size())); held = reply.mid(now); budget -= now; reply.truncate(now); }
            const int pieces = paceMs && reply.size() > 15 ? 8 : 1, size = int(reply.size() + pieces - 1) / pieces;
            for (int i = 0; i < pieces && !reply.isEmpty(); ++i)
                QTimer::singleShot(i * paceMs, link, [link, piece = reply.mid(i * size, size)] { link->feed(piece); });
        };
    }
    MemoryLink *line() { return h.ports.lastLink; }
    bool waitEnd() { return waitFor([this] { return !h.form->exchangeRunning(); }); }
    bool run(QAction *action = nullptr) // answering its question, if any, with OK; waits for the exchange to end
    {
        h.dialogs.answer(Dialogs::Answer::Ok);
        if (action) action->trigger();
        return waitEnd();
    }
    // Starts the exchange and holds it once `part` bytes of replies went through (a verify first, where it needs one).
    bool hold(Form1::Exchange e, int part)
    {
        using Ex = Form1::Exchange;
        if ((e == Ex::DifferenceUpload || e == Ex::ReadBack) && !run(h.form->verifyAction())) return false;
        budget = part;
        switch (e) {
        case Ex::ReadOut: fixtures::act(h, "answer Ok|pick haz.txt|answer Ok|click Command6"); break;
        case Ex::Upload: fixtures::act(h, "answer Ok|click Command1"); break;
        case Ex::Erase: fixtures::act(h, "answer Ok|click Command17"); break;
        case Ex::Verify: h.form->verifyAction()->trigger(); break;
        default: h.script("o"), h.form->uploadDifferencesAction()->trigger();
        }
        atStart = view();
        if (!waitFor([this] { return budget == 0 && !held.isEmpty(); })) return false;
        QTest::qWait(60); // Text3 and the bar follow the bytes within 40 ms
        return h.form->exchangeRunning();
    }
    // At once: a resend falling due before a posted feed would have its own reply overtake the held one (as under Wine's slow timers).
    void release() { budget = -1; const QByteArray rest = held; held.clear(); line()->feed(rest); }
    QByteArray door() { return model.records().join("").toLatin1() + Empty; } // as a read-out stores it
    QString view() { return QStringLiteral("%1/%2 '%3'").arg(h.ui().ProgressBar1->value()).arg(h.ui().ProgressBar1->maximum()).arg(h.ui().Text3->text()); }
    QString lastMessage() const { return h.dialogs.messageTexts().value(h.dialogs.messageTexts().size() - 1); }
    bool marked(int row) { return h.ui().List2->item(row)->background().style() != Qt::NoBrush; }
    QString idle() // what every exchange and refusal leaves: "messages, flags, side lists, the bar and Text3"
    { return QStringLiteral("%1, %2 %3, %4 %5, ").arg(h.dialogs.messageTexts().size()).arg(h.form->state().verifyRunning).arg(h.form->state().uploadRunning).arg(h.ui().List5->isEnabled()).arg(h.ui().List6->isEnabled()) + view().remove(QRegularExpression("/\\d+")); }
};
