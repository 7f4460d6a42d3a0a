// Start-up, settings, data folder, serial port choice and ending the program,
// driven through Form1 with every seam faked.
#include "harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using Answer = Dialogs::Answer;

class TstShell : public QObject
{
    Q_OBJECT

    QTemporaryDir m_configHome;

    static QString port(Harness &h)
    {
        return h.settings->value(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"));
    }
    static QString folder(Harness &h)
    {
        return h.settings->value(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"));
    }
    static QStringList comboEntries(Harness &h)
    {
        QStringList out;
        for (int i = 0; i < h.ui().Combo1->count(); ++i)
            out << h.ui().Combo1->itemText(i);
        return out;
    }

private slots:
    void initTestCase()
    {
        // QSettings fixes the default settings folder at its first use.
        QVERIFY(m_configHome.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    }

    void copiesSharingTheSettingsShareTheLock()
    {
        const auto lockBeside = [](const QtSettingsStore &s) { return s.folder() + QStringLiteral("/belvarium.lock"); };
#ifdef Q_OS_WIN
        // The settings go to the registry, the lock to the local application data.
        QCOMPARE(QtSettingsStore().folder(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Belvarium"));
        QVERIFY(QFileInfo(QtSettingsStore().folder()).isDir());
        QtSettingsStore().setValue(QStringLiteral("alap"), QStringLiteral("teszt"), QStringLiteral("port"), QStringLiteral("7"));
        QSettings registry(QStringLiteral("HKEY_CURRENT_USER\\Software\\Belvarium\\alap"), QSettings::NativeFormat);
        QCOMPARE(registry.value(QStringLiteral("teszt/port")).toString(), QStringLiteral("7"));
        registry.remove(QStringLiteral("teszt"));
#else
        QCOMPARE(QtSettingsStore().folder(), m_configHome.path() + QStringLiteral("/Belvarium"));
#endif
        LockFileInstanceGuard first(lockBeside(QtSettingsStore()));
        QVERIFY(first.tryAcquire());
        qunsetenv("XDG_RUNTIME_DIR"); // started from su, ssh or cron
        LockFileInstanceGuard second(lockBeside(QtSettingsStore()));
        QVERIFY(!second.tryAcquire());
        QTemporaryDir own;
        LockFileInstanceGuard separate(lockBeside(QtSettingsStore(own.path())));
        QVERIFY(separate.tryAcquire());
    }

    void secondCopyIsRefused()
    {
        Harness h;
        h.saveDataFolder();
        LockFileInstanceGuard first(h.temp.path() + QStringLiteral("/belvarium.lock"));
        QVERIFY(first.tryAcquire());
        QVERIFY(!h.start());
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("A gépen már fut ez a program.")});
        QCOMPARE(h.dialogs.shown().first().title, QStringLiteral("Belvarium"));
        QVERIFY(h.ports.opened.isEmpty());
        QVERIFY(h.form->ended());
    }

    void staleLockOfACrashedCopyDoesNotBlock()
    {
        Harness h;
        h.saveDataFolder();
        // The machine named as QLockFile names it (Windows: COMPUTERNAME).
        QLockFile probe(h.temp.path() + QStringLiteral("/probe.lock"));
        qint64 pid;
        QString host, application;
        QVERIFY(probe.tryLock() && probe.getLockInfo(&pid, &host, &application));
        QFile lock(h.temp.path() + QStringLiteral("/belvarium.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("4194301\nbelvarium\n" + host.toUtf8() + "\n");
        lock.close();
        QVERIFY(h.start());
        QVERIFY(!h.dialogs.messageTexts().contains(QStringLiteral("A gépen már fut ez a program.")));
    }

    void savedPortIsSelectedAndOpenedWithoutRewritingTheSetting()
    {
        Harness h;
        h.saveDataFolder();
        h.ports.free = {1, 3};
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                             QStringLiteral("3"));
        QVERIFY(h.start());
        QCOMPARE(comboEntries(h), (QStringList{QStringLiteral("1"), QStringLiteral("3")}));
        QCOMPARE(h.ui().Combo1->currentText(), QStringLiteral("3"));
        QCOMPARE(h.ports.opened, QList<int>{3});
        QCOMPARE(h.form->state().portSetting, QStringLiteral("3"));
        QCOMPARE(h.form->state().portSelectLock, qint16(0));
        QCOMPARE(h.form->state().requestLeadByte, 1);
        QCOMPARE(h.ui().Combo1->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/fake3"));
    }

    void unknownOrMissingPortTakesTheFirstFreeSilently_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::newRow("saved port not free") << QStringLiteral("2");
        QTest::newRow("nothing saved") << QString();
    }
    void unknownOrMissingPortTakesTheFirstFreeSilently()
    {
        QFETCH(QString, saved);
        Harness h;
        h.saveDataFolder();
        h.ports.free = {1, 3};
        if (!saved.isEmpty())
            h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"), saved);
        QVERIFY(h.start());
        QCOMPARE(h.ui().Combo1->currentText(), QStringLiteral("1"));
        QCOMPARE(h.form->state().portSetting, QStringLiteral("1"));
        QCOMPARE(h.ports.opened, QList<int>{1});
        QCOMPARE(port(h), saved);
        QVERIFY(h.dialogs.messageTexts().isEmpty());
    }

    void noFreePortIsReportedAndTheWindowStillOpens()
    {
        Harness h;
        h.saveDataFolder();
        QVERIFY(h.start());
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("A gépen nincs szabad port!")});
        QCOMPARE(h.ui().Combo1->count(), 0);
        QVERIFY(h.ports.opened.isEmpty());
        QVERIFY(!h.form->reader().isOpen());
    }

    void portChoiceReopensAndWritesTheSetting()
    {
        Harness h;
        h.saveDataFolder();
        h.ports.free = {2, 5};
        QVERIFY(h.start());
        MemoryLink *first = h.ports.lastLink;
        QVERIFY(first && first->isOpen());
        h.ui().Combo1->setCurrentIndex(1);
        emit h.ui().Combo1->activated(1);
        QVERIFY(!first->isOpen());
        QCOMPARE(h.ports.opened, (QList<int>{2, 5}));
        QCOMPARE(port(h), QStringLiteral("5"));
        QCOMPARE(h.form->state().portSetting, QStringLiteral("5"));
        QVERIFY(h.form->reader().isOpen());
    }

    void portThatFailsToOpenIsReportedAndALaterChoiceTriesAgain()
    {
        Harness h;
        h.saveDataFolder();
        h.ports.free = {4};
        h.ports.failing = {4};
        QVERIFY(h.start());
        QCOMPARE(h.dialogs.messageTexts().size(), 1);
        QVERIFY(h.dialogs.messageTexts().first().contains(QStringLiteral("/dev/fake4")));
        QVERIFY(!h.form->reader().isOpen());
        h.ports.failing.clear();
        emit h.ui().Combo1->activated(0);
        QVERIFY(h.form->reader().isOpen());
        QCOMPARE(h.ports.opened, (QList<int>{4, 4}));
    }

    void vanishingPortIsReportedOnceAndCanBeChosenAgain()
    {
        Harness h;
        h.saveDataFolder();
        h.ports.free = {7};
        QVERIFY(h.start());
        h.ports.lastLink->vanish(QStringLiteral("A(z) /dev/fake7 port megszakadt."));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("A(z) /dev/fake7 port megszakadt.\n"
                                                                      "Válassza ki újra a portot a Comm listában!")});
        QVERIFY(!h.form->reader().isOpen());
        emit h.ui().Combo1->activated(0);
        QVERIFY(h.form->reader().isOpen());
    }

    void firstStartPicksAFolder_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::newRow("nothing saved") << QString();
        QTest::newRow("only blanks") << QStringLiteral("   ");
    }
    void firstStartPicksAFolder()
    {
        QFETCH(QString, saved);
        Harness h;
        if (!saved.isEmpty())
            h.settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), saved);
        h.dialogs.answer(Answer::Ok);                    // the instruction
        h.dialogs.pick(QString());                      // cancelled dialog
        h.dialogs.answer(Answer::No);                    // do not leave
        h.dialogs.pick(h.dataFolder + QStringLiteral("1"));
        QVERIFY(h.start());
        const QStringList texts = h.dialogs.messageTexts();
        QCOMPARE(texts.size(), 3); // the instruction only once
        QCOMPARE(texts.count(QStringLiteral("Hozzon létre egy mappát, melyben az adatait tárolni fogja! A "
                                            "'Fájlnév'-hez írjon be egy '1'-et és nyomja meg a megnyitás gombot!")),
                 1);
        QCOMPARE(texts.first(), QStringLiteral("A gépen nincs szabad port!"));
        QVERIFY(texts.contains(QStringLiteral("Nem hozott létre mappát, ki akar lépni a programból?")));
        QCOMPARE(h.ui().Text4->text(), h.dataFolder);
        QCOMPARE(folder(h), h.dataFolder);
        QVERIFY(QFileInfo::exists(h.path(QStringLiteral("postas.lst"))));
        const auto &open = h.dialogs.shown()[2];
        QCOMPARE(open.kind, ScriptedDialogs::Kind::OpenFile);
        QCOMPARE(open.text, QStringLiteral("Szöveg (*.txt)|*.txt|"));
        QCOMPARE(open.folder, QDir::homePath());
        QVERIFY(h.dialogs.unexpected().isEmpty());
    }

    void firstStartRefusedEndsWithoutWritingTheSetting()
    {
        Harness h;
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(QString());
        h.dialogs.answer(Answer::Yes);
        QVERIFY(!h.start());
        QVERIFY(h.form->ended());
        QCOMPARE(folder(h), QString());
    }

    void pickingAnExistingFileKeepsItsFolder()
    {
        Harness h;
        h.writeFile(QStringLiteral("haz.txt"), "x");
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(h.path(QStringLiteral("haz.txt")));
        QVERIFY(h.start());
        QCOMPARE(folder(h), h.dataFolder);
    }

    void savedFolderThatVanishedIsPickedAgain()
    {
        Harness h;
        h.settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"),
                             h.temp.path() + QStringLiteral("/gone/"));
        h.dialogs.answer(Answer::Ok); // the folder is gone
        h.dialogs.answer(Answer::Ok); // the instruction
        h.dialogs.pick(h.dataFolder + QStringLiteral("1"));
        QVERIFY(h.start());
        QVERIFY(h.dialogs.messageTexts().at(1).contains(h.temp.path() + QStringLiteral("/gone/")));
        QCOMPARE(h.ui().Text4->text(), h.dataFolder);
        QVERIFY(!QFileInfo::exists(h.temp.path() + QStringLiteral("/gone")));
    }

    void nonResidentListIsCreatedOnlyWhenMissing()
    {
        Harness h;
        h.saveDataFolder();
        QVERIFY(h.start());
        QCOMPARE(QFileInfo(h.path(QStringLiteral("postas.lst"))).size(), 0);

        Harness kept;
        kept.saveDataFolder();
        kept.writeFile(QStringLiteral("postas.lst"), QByteArray(30, 'a'));
        QVERIFY(kept.start());
        QCOMPARE(kept.readFile(QStringLiteral("postas.lst")), QByteArray(30, 'a'));
    }

    void dataFolderChangeByDoubleClick()
    {
        Harness h;
        h.saveDataFolder();
        QVERIFY(h.start());
        const QString other = h.temp.path() + QStringLiteral("/other/");
        QDir().mkpath(other);

        h.dialogs.clear();
        h.dialogs.answer(Answer::Cancel);
        QTest::mouseDClick(h.ui().Text4, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageTexts(),
                 QStringList{QStringLiteral("Meg kívánja változtatni az adat elérési útvonalat?")});
        QCOMPARE(h.ui().Text4->text(), h.dataFolder);
        QCOMPARE(folder(h), h.dataFolder);

        h.dialogs.clear();
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(other + QStringLiteral("1"));
        QTest::mouseDClick(h.ui().Text4, Qt::LeftButton);
        QCOMPARE(h.dialogs.shown().last().folder, h.dataFolder);
        QCOMPARE(h.ui().Text4->text(), other);
        QCOMPARE(folder(h), other);
        QVERIFY(QFileInfo::exists(other + QStringLiteral("postas.lst")));
        QVERIFY(h.ui().Text7->isHidden());

        // OK, then a cancelled dialog: the folder stays, the panel is hidden.
        h.dialogs.clear();
        h.dialogs.answer(Answer::Ok);
        h.dialogs.pick(QString());
        h.ui().Text7->show();
        QTest::mouseDClick(h.ui().Text4, Qt::LeftButton);
        QCOMPARE(folder(h), other);
        QVERIFY(h.ui().Text7->isHidden());
    }

    void exitAsksAndCancelOnlyShowsTheShadow()
    {
        Harness h;
        h.saveDataFolder();
        QVERIFY(h.start());
        QSignalSpy ended(h.form.get(), &Form1::endRequested);
        h.dialogs.clear();
        h.dialogs.answer(Answer::Cancel);
        h.ui().Label11->hide();
        QTest::mouseClick(h.ui().Command19, Qt::LeftButton);
        QCOMPARE(h.dialogs.shown().first().text, QStringLiteral("Ki akar lépni?"));
        QCOMPARE(h.dialogs.shown().first().buttons, Dialogs::Buttons::OkCancel);
        QVERIFY(!h.ui().Label11->isHidden());
        QCOMPARE(ended.count(), 0);

        h.dialogs.answer(Answer::Ok);
        QTest::mouseClick(h.ui().Command19, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QVERIFY(h.form->ended());
    }

    void closeBoxEndsAtOnceWithoutAQuestion()
    {
        Harness h;
        h.saveDataFolder();
        h.ports.free = {1};
        QVERIFY(h.start());
        h.form->show();
        QSignalSpy ended(h.form.get(), &Form1::endRequested);
        h.dialogs.clear();
        h.form->close();
        QCOMPARE(ended.count(), 1);
        QVERIFY(h.dialogs.shown().isEmpty());
        QVERIFY(!h.ports.lastLink->isOpen());
    }
};

QTEST_MAIN(TstShell)
#include "tst_shell.moc"
