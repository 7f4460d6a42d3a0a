// Runs copies (mode "copy") or copies each followed by a restore (mode
// "cycle") through the window, over and over, until it is killed; or (mode
// "takeout") takes a code out of every house with "Kód törlése" and writes it
// back. The crash tests kill it at random instants and check the files it
// leaves.
//
// Work folder layout: data/s1.txt and data/s2.txt are the two sources,
// data/t.txt the target. For "takeout", the houses and backups of data/
// hold TakeOutCode in any number of records.
#include "app/form1.h"
#include "app/instanceguard.h"
#include "app/settingsstore.h"
#include "cards/cardfinder.h"
#include "copyrestore/restorehouse.h"
#include "house/housefile.h"
#include "fakes.h"
#include "openedhouse.h"
#include "scripteddialogs.h"
#include "ui_cardwindow.h"
#include "ui_form1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

namespace {

int fail(const char *what)
{
    std::fprintf(stderr, "copyrestore_child: %s\n", what);
    return 2;
}

// Command7, then a click on t.bak in File1, answering OK to both questions.
bool restore(Form1 &form, ScriptedDialogs &dialogs)
{
    Ui::Form1 &u = form.ui();
    dialogs.clear();
    dialogs.answer(Dialogs::Answer::Ok); // choose from the list
    dialogs.answer(Dialogs::Answer::Ok); // the txt file exists
    QTest::mouseClick(u.Command7, Qt::LeftButton);
    const QList<QListWidgetItem *> items = u.File1->findItems(QStringLiteral("t.bak"), Qt::MatchExactly);
    if (items.size() != 1)
        return false;
    u.File1->scrollToItem(items.first());
    QTest::mouseClick(u.File1->viewport(), Qt::LeftButton, {}, u.File1->visualItemRect(items.first()).center());
    return dialogs.unexpected().isEmpty() && dialogs.pendingAnswers() == 0 && u.File1->isHidden();
}

const QString TakeOutCode = QStringLiteral("0A1B2C3D4E05");

// Each round searches TakeOutCode in the card window, selects every hit and
// takes them out (Yes to the question), then writes the code back into each
// record it emptied, positionally as the program writes a record, so a kill
// can land in a take-out or in a write-back.
int takeOutRounds(Form1 &form, ScriptedDialogs &dialogs, const QString &data)
{
    form.findCardAction()->trigger();
    CardFinder &finder = form.cardFinder();
    Ui::CardWindow &w = finder.ui();
    // Both buttons end in a search of the folder (the take-out searches again).
    const auto clickAndWait = [&](QPushButton *button) {
        QSignalSpy done(&finder, &CardFinder::searchFinished);
        QTest::mouseClick(button, Qt::LeftButton);
        return done.wait(10000);
    };
    w.queryEdit->setText(TakeOutCode);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int round = 0;; ++round) {
        if (!clickAndWait(w.searchButton))
            return fail("the search did not finish");
        const QList<cards::Hit> hits = finder.hits();
        w.hitTable->selectAll();
        dialogs.clear();
        dialogs.answer(Dialogs::Answer::Yes);
        if (!clickAndWait(w.takeOutButton) || !dialogs.unexpected().isEmpty())
            return fail(qPrintable(dialogs.messageTexts().join(QLatin1Char('|'))));
        // Only the postas.lst hits, which are never changed, may be left.
        for (const cards::Hit &hit : finder.hits())
            if (!hit.nonResidentList)
                return fail(qPrintable(QStringLiteral("not taken out: %1:%2").arg(hit.file).arg(hit.slot)));
        for (const cards::Hit &hit : hits)
            if (!hit.nonResidentList && !house::writeHouseRecord(data + hit.file, hit.slot, hit.code))
                return fail("the code could not be written back");
        std::printf("%d\n", round);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3)
        return fail("usage: copyrestore_child copy|cycle|takeout <work folder>");
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString work = QString::fromLocal8Bit(argv[2]);
    const QString data = work + QStringLiteral("/data/");
    const QString scratch = work + QStringLiteral("/child-%1").arg(QCoreApplication::applicationPid());
    QDir().mkpath(scratch);

    ScriptedDialogs dialogs;
    FakePortCatalogue ports;
    QtSettingsStore settings(scratch);
    LockFileInstanceGuard instance(scratch + QStringLiteral("/lock"));
    settings.setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), data);
    Services services;
    services.dialogs = &dialogs;
    services.ports = &ports;
    services.settings = &settings;
    services.instance = &instance;
    Form1 form(services);
    if (!form.startUp())
        return fail("start-up failed");
    form.show();
    if (mode == QLatin1String("takeout"))
        return takeOutRounds(form, dialogs, data);
    Ui::Form1 &u = form.ui();

    const QString sources[2] = {data + QStringLiteral("s1.txt"), data + QStringLiteral("s2.txt")};
    const QString target = data + QStringLiteral("t.txt");
    QFile first(sources[0]);
    if (!first.open(QIODevice::ReadOnly))
        return fail("no source");
    openedhouse::open(form, sources[0], first.readAll());

    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    // A child killed between its copy and its restore left the target's own
    // data in the backup; a second copy would overwrite it there.
    if (mode == QLatin1String("cycle") && QFile::exists(data + QStringLiteral("t.bak")) && !restore(form, dialogs))
        return fail("the leftover backup was not restored");
    for (int round = 0;; ++round) {
        dialogs.clear();
        u.Text2->setText(sources[round % 2]);
        dialogs.answer(Dialogs::Answer::Ok);   // the question
        dialogs.pick(target);                  // the dialog
        dialogs.answer(Dialogs::Answer::Ok);   // the target holds codes: back it up
        QTest::mouseClick(u.Command5, Qt::LeftButton);
        if (!dialogs.unexpected().isEmpty() || !dialogs.messageTexts().contains(QStringLiteral("A másolás kész.")))
            return fail(qPrintable(dialogs.messageTexts().join(QLatin1Char('|'))));

        if (mode == QLatin1String("cycle") && !restore(form, dialogs))
            return fail(qPrintable(dialogs.messageTexts().join(QLatin1Char('|'))));
        std::printf("%d\n", round);
        std::fflush(stdout);
    }
}
