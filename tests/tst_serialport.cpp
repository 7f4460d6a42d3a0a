// The real port code over pseudo-terminals served by the simulated reader:
// discovery, opening, a whole exchange, a port held by someone else, and a
// device that vanishes.
#include "harness.h"
#include "reader/protocol.h"
#include "reader/serialport.h"
#include "simreader/ptyserver.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TstSerialPort : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    std::unique_ptr<PtyServer> serve(int number)
    {
        auto server = std::make_unique<PtyServer>();
        server->setLinkDirectory(dir.path());
        server->setPortNumber(number);
        QString error;
        if (!server->start(&error))
            qWarning() << error;
        return server;
    }

private slots:
    void discoveryListsVirtualPortsButNotOneHeldElsewhere()
    {
        auto a = serve(201);
        auto b = serve(203);
        SystemPortCatalogue catalogue(dir.path());
        QList<int> free = catalogue.freePorts();
        QVERIFY(free.contains(201));
        QVERIFY(free.contains(203));
        QVERIFY(!free.contains(202));
        QVERIFY(std::is_sorted(free.begin(), free.end()));
        QCOMPARE(catalogue.deviceName(203), dir.path() + QStringLiteral("/203"));

        QSerialPort holder;
        holder.setPortName(catalogue.deviceName(203));
        QVERIFY(holder.open(QIODevice::ReadWrite));
        free = catalogue.freePorts();
        QVERIFY(free.contains(201));
        QVERIFY(!free.contains(203));
        QString error;
        QVERIFY(!catalogue.open(203, &error));
        QVERIFY(error.contains(catalogue.deviceName(203)));
    }

    void openedLinkCarriesAWholeReadOut()
    {
        auto server = serve(201);
        server->model().setSlotRecord(1, QStringLiteral("0A1B2C3D4E05"));
        SystemPortCatalogue catalogue(dir.path());
        QString error;
        std::unique_ptr<SerialLink> link = catalogue.open(201, &error);
        QVERIFY2(link, qPrintable(error));
        QSignalSpy failures(link.get(), &SerialLink::failed);
        QVERIFY(link->write(protocol::readFrame()));
        QTRY_COMPARE_WITH_TIMEOUT(link->bytesWaiting(), qint64(protocol::DumpLength), 5000);
        const QStringList records = protocol::decodeDump(link->read(protocol::DumpLength));
        QCOMPARE(records.first(), QStringLiteral("0A1B2C3D4E05"));
        QCOMPARE(records.last(), QStringLiteral("FFFFFFFFFFFF"));
        QCOMPARE(failures.count(), 0); // the refused DTR/RTS of a pseudo-terminal is no failure

        QVERIFY(link->write(protocol::eraseFrame()));
        QTRY_VERIFY(link->bytesWaiting() >= protocol::BlockLength);
        link->discardInput();
        QCOMPARE(link->bytesWaiting(), qint64(0));
    }

    void vanishingDeviceIsReportedOnceAndClosesTheLink()
    {
        auto server = serve(204);
        SystemPortCatalogue catalogue(dir.path());
        QString error;
        std::unique_ptr<SerialLink> link = catalogue.open(204, &error);
        QVERIFY2(link, qPrintable(error));
        QSignalSpy failures(link.get(), &SerialLink::failed);
        server->closeMaster();
        QTRY_COMPARE(failures.count(), 1);
        QVERIFY(!link->isOpen());
        QVERIFY(failures.first().first().toString().contains(QStringLiteral("204")));
        QTest::qWait(100);
        QCOMPARE(failures.count(), 1);
    }

    void windowListsTheSimulatedReaderAndReopensOnAChoice()
    {
        auto a = serve(201);
        auto b = serve(202);
        Harness h;
        h.saveDataFolder();
        SystemPortCatalogue catalogue(dir.path());
        h.services.ports = &catalogue;
        h.settings->setValue(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port"),
                             QStringLiteral("202"));
        QVERIFY(h.start());
        QCOMPARE(h.ui().Combo1->currentText(), QStringLiteral("202"));
        const int index201 = h.ui().Combo1->findText(QStringLiteral("201"));
        QVERIFY(index201 >= 0);
        QCOMPARE(h.ui().Combo1->itemData(index201, Qt::ToolTipRole).toString(), dir.path() + QStringLiteral("/201"));
        QVERIFY(h.form->reader().isOpen());
        QCOMPARE(h.form->reader().link()->deviceName().endsWith(QStringLiteral("202")), true);

        emit h.ui().Combo1->activated(index201);
        QVERIFY(h.form->reader().isOpen());
        QVERIFY(h.form->reader().link()->deviceName().endsWith(QStringLiteral("201")));
        QCOMPARE(h.settings->value(QStringLiteral("alap"), QStringLiteral("comm"), QStringLiteral("port")),
                 QStringLiteral("201"));
        // The old port is free again for others.
        QSerialPort other;
        other.setPortName(dir.path() + QStringLiteral("/202"));
        QVERIFY(other.open(QIODevice::ReadWrite));
    }
};

QTEST_MAIN(TstSerialPort)
#include "tst_serialport.moc"
