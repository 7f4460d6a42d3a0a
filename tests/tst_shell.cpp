// Start-up, the single-instance lock, the serial port choice, the data folder
// and ending the program, driven through Form1 with every seam faked.
#include "harness.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>

namespace {
const QString NoPort = QStringLiteral("A gépen nincs szabad port!");
QString setting(Harness &h, const char *application, const char *section, const char *key)
{
    return h.settings->value(QLatin1String(application), QLatin1String(section), QLatin1String(key));
}
} // namespace

class TstShell : public QObject
{
    Q_OBJECT
    QTemporaryDir m_configHome;

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
        QVERIFY(!LockFileInstanceGuard(lockBeside(QtSettingsStore())).tryAcquire());
        QTemporaryDir own;
        QVERIFY(LockFileInstanceGuard(lockBeside(QtSettingsStore(own.path()))).tryAcquire());
    }

    void aSecondCopyIsRefusedAStaleLockTakenOver()
    {
        for (const bool stale : {false, true}) {
            Harness h;
            h.saveDataFolder();
            h.ports.free = {1};
            QLockFile other(h.temp.path() + QStringLiteral("/belvarium.lock"));
            QVERIFY(other.tryLock());
            if (stale) { // as a crash leaves it: this machine as QLockFile names it, a process that is gone
                qint64 pid;
                QString host, application;
                QVERIFY(other.getLockInfo(&pid, &host, &application));
                other.unlock();
                QFile file(h.temp.path() + QStringLiteral("/belvarium.lock"));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("4194301\nbelvarium\n" + host.toUtf8() + "\n"));
            }
            QCOMPARE(h.start(), stale);
            QCOMPARE(h.form->ended(), !stale);
            CHECK_MESSAGES(h, stale ? QStringList() : QStringList{QStringLiteral("A gépen már fut ez a program.")});
            QCOMPARE(h.ports.opened, stale ? QList<int>{1} : QList<int>());
            QCOMPARE(QFileInfo::exists(h.path(QStringLiteral("postas.lst"))), stale);
        }
    }

    void portChoice_data()
    {
        QTest::addColumn<QList<int>>("free");  // a negative one fails to open at start
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("chosen");   // selected and opened at start
        QTest::addColumn<QString>("message");  // the one message shown contains it
        QTest::newRow("saved port free") << QList<int>{1, 3} << "3" << "3" << "";
        QTest::newRow("saved port gone") << QList<int>{1, 3} << "2" << "1" << "";
        QTest::newRow("nothing saved") << QList<int>{1, 3} << "" << "1" << "";
        QTest::newRow("no free port") << QList<int>() << "" << "" << NoPort;
        QTest::newRow("port fails") << QList<int>{-4} << "" << "4" << "/dev/fake4";
    }
    void portChoice()
    {
        QFETCH(QList<int>, free);
        QFETCH(QString, saved);
        QFETCH(QString, chosen);
        QFETCH(QString, message);
        Harness h;
        h.saveDataFolder();
        for (int &port : free)
            if (port < 0)
                h.ports.failing.insert(port = -port);
        h.ports.free = free;
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"), saved);
        QVERIFY(h.start());
        Ui::Form1 &u = h.ui();
        QCOMPARE(u.Combo1->count(), free.size());
        for (int i = 0; i < free.size(); ++i)
            QCOMPARE(u.Combo1->itemData(i, Qt::ToolTipRole).toString(), QStringLiteral("/dev/fake%1").arg(free[i]));
        QCOMPARE(u.Combo1->currentText(), chosen);
        QCOMPARE(h.form->state().portSetting, chosen.isEmpty() ? saved : chosen);
        QCOMPARE(h.ports.opened, chosen.isEmpty() ? QList<int>() : QList<int>{chosen.toInt()});
        QCOMPARE(h.form->reader().isOpen(), !chosen.isEmpty() && h.ports.failing.isEmpty());
        QCOMPARE(setting(h, "alap", "comm", "port"), saved); // not rewritten at start
        QCOMPARE(h.dialogs.messageTexts().size(), int(!message.isEmpty()));
        QVERIFY(message.isEmpty() || h.dialogs.messageTexts().first().contains(message));
        if (free.isEmpty())
            return;
        // Choosing an entry closes the open port, opens that one and saves the choice.
        MemoryLink *first = h.ports.lastLink;
        h.ports.failing.clear();
        u.Combo1->setCurrentIndex(free.size() - 1);
        emit u.Combo1->activated(free.size() - 1);
        QVERIFY(!first || !first->isOpen());
        QVERIFY(h.form->reader().isOpen());
        QCOMPARE(h.ports.opened.last(), free.last());
        QCOMPARE(setting(h, "alap", "comm", "port"), QString::number(free.last()));
        QCOMPARE(h.form->state().portSetting, QString::number(free.last()));
        // A port that vanishes is reported once and can be chosen again.
        h.dialogs.clear();
        h.ports.lastLink->vanish(QStringLiteral("A port megszakadt."));
        CHECK_MESSAGES(h, {QStringLiteral("A port megszakadt.\nVálassza ki újra a portot a Comm listában!")});
        QVERIFY(!h.form->reader().isOpen());
        emit u.Combo1->activated(free.size() - 1);
        QVERIFY(h.form->reader().isOpen());
    }

    void theDataFolderAtStart_data()
    {
        QTest::addColumn<QString>("saved");       // a name in the data folder: no such folder
        QTest::addColumn<QString>("steps");       // see Harness::script()
        QTest::addColumn<QStringList>("messages"); // after the port's
        const QString make = QStringLiteral("Hozzon létre egy mappát, melyben az adatait tárolni fogja! A 'Fájlnév'-hez "
                                            "írjon be egy '1'-et és nyomja meg a megnyitás gombot!");
        const QString leave = QStringLiteral("Nem hozott létre mappát, ki akar lépni a programból?");
        QTest::newRow("nothing saved") << "" << "o p n p1" << QStringList{make, leave};
        QTest::newRow("only blanks") << "   " << "o p n p1" << QStringList{make, leave};
        QTest::newRow("leaving") << "" << "o p y" << QStringList{make, leave};
        QTest::newRow("a file picked") << "" << "o phaz.txt" << QStringList{make};
        QTest::newRow("no such folder picked") << "" << "o pnincs/1 p1" << QStringList{make, "@nincs/"};
        QTest::newRow("saved folder gone") << "gone/" << "o o p1" << QStringList{"@gone/", make};
    }
    void theDataFolderAtStart()
    {
        QFETCH(QString, saved);
        QFETCH(QString, steps);
        QFETCH(QStringList, messages);
        Harness h;
        const QString savedPath = saved.trimmed().isEmpty() ? saved : h.path(saved);
        if (!saved.isEmpty())
            h.settings->setValue(QStringLiteral("belvarium"), QStringLiteral("cim"), QStringLiteral("hely"), savedPath);
        h.writeFile(QStringLiteral("haz.txt"), "x");
        h.script(steps);
        const bool started = !steps.endsWith(QLatin1Char('y'));
        QCOMPARE(h.start(), started);
        CHECK_MESSAGES(h, QStringList{NoPort} + messages);
        QCOMPARE(h.form->ended(), !started);
        QCOMPARE(setting(h, "belvarium", "cim", "hely"), started ? h.dataFolder : savedPath);
        QCOMPARE(h.ui().Text4->text(), started ? h.dataFolder : QString());
        QCOMPARE(QFileInfo::exists(h.path(QStringLiteral("postas.lst"))), started);
        // The first dialog opens where the folder was, or in the home folder.
        const ScriptedDialogs::Shown dialog = h.dialogs.shown().at(messages.first() == "@gone/" ? 3 : 2);
        QCOMPARE(dialog.folder, saved.trimmed().isEmpty() ? QDir::homePath() : savedPath);
        QCOMPARE(dialog.text, QStringLiteral("Szöveg (*.txt)|*.txt|"));
    }

    void changingTheDataFolder()
    {
        Harness h;
        h.saveDataFolder();
        h.ports.free = {1};
        QVERIFY(h.start());
        h.writeFile(QStringLiteral("postas.lst"), "a postás");
        QVERIFY(QDir().mkpath(h.path(QStringLiteral("masik"))));
        const QString other = h.path(QStringLiteral("masik/")).replace(QLatin1Char('\\'), QLatin1Char('/'));
        for (const auto &[steps, folder] : {std::pair{"c", h.dataFolder}, {"o pmasik/1", other}, {"o p", other}}) {
            const QString before = h.ui().Text4->text();
            h.dialogs.clear();
            h.script(QLatin1String(steps));
            h.ui().Text7->show();
            QTest::mouseDClick(h.ui().Text4, Qt::LeftButton);
            CHECK_MESSAGES(h, {QStringLiteral("Meg kívánja változtatni az adat elérési útvonalat?")});
            QVERIFY(h.dialogs.shown().size() == 1 || h.dialogs.shown().at(1).folder == before);
            QVERIFY(h.ui().Text7->isHidden());
            QCOMPARE(QDir::fromNativeSeparators(h.ui().Text4->text()), folder);
            QCOMPARE(QDir::fromNativeSeparators(setting(h, "belvarium", "cim", "hely")), folder);
            QCOMPARE(h.readFile(QStringLiteral("postas.lst")), QByteArray("a postás")); // kept
            QVERIFY(QFileInfo::exists(folder + QStringLiteral("postas.lst"))); // made
        }
    }

    void ending_data()
    {
        QTest::addColumn<QString>("how"); // Kilép's answer, or none for the close box
        QTest::newRow("Kilép, Cancel") << "c";
        QTest::newRow("Kilép, OK") << "o";
        QTest::newRow("close box") << "";
    }
    void ending()
    {
        QFETCH(QString, how);
        Harness h;
        QVERIFY(h.startShown());
        QSignalSpy ended(h.form.get(), &Form1::endRequested);
        h.ui().Label11->hide();
        h.script(how);
        if (how.isEmpty())
            h.form->close(); // ends at once, without a question
        else
            QTest::mouseClick(h.ui().Command19, Qt::LeftButton);
        CHECK_MESSAGES(h, how.isEmpty() ? QStringList() : QStringList{QStringLiteral("Ki akar lépni?")});
        QVERIFY(how.isEmpty() || h.dialogs.shown().first().buttons == Dialogs::Buttons::OkCancel);
        const bool cancelled = how == QLatin1String("c");
        QCOMPARE(ended.count(), int(!cancelled));
        QCOMPARE(h.form->ended(), !cancelled);
        QCOMPARE(h.ports.lastLink->isOpen(), cancelled);
        QCOMPARE(h.ui().Label11->isHidden(), !cancelled); // Cancel shows the shadow again
    }
};

QTEST_MAIN(TstShell)
#include "tst_shell.moc"
