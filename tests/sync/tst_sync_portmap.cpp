#include "settings/IniFile.h"
#include "sync/PortMap.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mrv;

class TestPortMap : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deviceForPort_data();
    void deviceForPort();
};

void TestPortMap::deviceForPort_data()
{
    QTest::addColumn<QByteArray>("ini"); // empty: no settings file
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error"); // a piece of the error text

#ifdef Q_OS_WIN
    const QString com3 = "COM3", com9 = "COM9", com1 = "COM1";
#else
    const QString com3 = "/dev/ttyS2", com9 = "/dev/ttyS8", com1 = "/dev/ttyS0";
#endif
    const QByteArray usb = "[Settings]\nCommPort=3\n[Ports]\nCOM3=/dev/ttyUSB0\n";
    QTest::newRow("override") << usb << "3"
                              << "/dev/ttyUSB0" << QString();
    QTest::newRow("key in other case") << QByteArray("[PORTS]\ncom3 = /dev/ttyACM1\n") << "3"
                                       << "/dev/ttyACM1" << QString();
    QTest::newRow("override of another port") << usb << "1" << com1 << QString();
    QTest::newRow("empty override") << QByteArray("[Ports]\nCOM3=\n") << "3" << com3 << QString();
    QTest::newRow("no file") << QByteArray() << "3" << com3 << QString();
    QTest::newRow("beyond the menu") << QByteArray() << "9" << com9 << QString();
    QTest::newRow("blanks around") << QByteArray() << " 3 " << com3 << QString();
    QTest::newRow("override beyond the menu") << QByteArray("[Ports]\nCOM12=/dev/ttyUSB3\n") << "12"
                                              << "/dev/ttyUSB3" << QString();
    QTest::newRow("letters") << usb << "abc" << QString() << "“abc” is not a port number";
    QTest::newRow("zero") << usb << "0" << QString() << "“0” is not a port number";
    QTest::newRow("negative") << usb << "-3" << QString() << "“-3” is not a port number";
    QTest::newRow("empty") << usb << "" << QString() << "is not a port number";
    QTest::newRow("beyond 16 bits") << usb << "70000" << QString() << "“70000”";
}

void TestPortMap::deviceForPort()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, number);
    QFETCH(QString, path);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString iniPath = dir.filePath("mrvl.ini");
    if (!ini.isEmpty()) {
        QFile file(iniPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }

    const PortDevice device = mrv::deviceForPort(number, IniFile(iniPath));
    QCOMPARE(device.path, path);
    if (error.isEmpty())
        QVERIFY(device.error.isEmpty());
    else
        QVERIFY2(device.error.contains(error), qPrintable(device.error));

    // Read, never written.
    QFile file(iniPath);
    if (ini.isEmpty()) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), ini);
    }
}

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_sync_portmap.moc"
