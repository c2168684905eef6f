// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Displays behind a serial device server: the address a port setting may name, the bytes that
// reach the server (raw, and telnet with the line settings), what a misbehaving server gets
// back, and the connection's loss and return. The device server is a QTcpServer in the test.

#include "platform/NetworkPort.h"
#include "platform/PortMap.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace mrv;

namespace {

QStringList g_warnings;
QStringList g_infos;

void keepSyncMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (qstrcmp(context.category, "mirovalent.sync") != 0)
        return;
    (type == QtWarningMsg ? g_warnings : g_infos).append(text);
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The test's device server: takes connections and keeps what each sent.
struct Server
{
    QTcpServer listener;
    QList<QTcpSocket *> clients;
    int accepted = 0;
    QByteArray received;

    explicit Server(quint16 port = 0)
    {
        if (!listener.listen(QHostAddress::LocalHost, port))
            qFatal("cannot listen on port %d", port);
        QObject::connect(&listener, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *client = listener.nextPendingConnection()) {
                clients.append(client);
                ++accepted;
                QObject::connect(client, &QTcpSocket::readyRead,
                                 [this, client] { received += client->readAll(); });
            }
        });
    }
    QString address(const char *scheme) const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
                .arg(QLatin1String(scheme))
                .arg(listener.serverPort());
    }
    QTcpSocket *last() const { return clients.isEmpty() ? nullptr : clients.last(); }
};

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qInstallMessageHandler(keepSyncMessages); }
    void init()
    {
        g_warnings.clear();
        g_infos.clear();
    }

    void portNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error"); // a part of the reason; empty when accepted

        QTest::newRow("raw to a name") << "tcp://clock-server.lan:4001"
                                       << "";
        QTest::newRow("rfc2217 to an IPv4 address") << "rfc2217://192.0.2.7:2217"
                                                    << "";
        QTest::newRow("IPv6 in brackets") << "tcp://[2001:db8::1]:4001"
                                          << "";
        QTest::newRow("scheme in capitals") << "RFC2217://host:2217"
                                            << "";
        QTest::newRow("another scheme says what is accepted")
                << "udp://host:4001"
                << "tcp://HOST:PORT or rfc2217://HOST:PORT";
        QTest::newRow("no port") << "tcp://host"
                                 << "no port";
        QTest::newRow("port zero") << "tcp://host:0"
                                   << "no port";
        QTest::newRow("port beyond 65535") << "tcp://host:70000"
                                           << "tcp://HOST:PORT";
        QTest::newRow("a path after the port") << "tcp://host:4001/x"
                                               << "not a network address";
        QTest::newRow("a user before the host") << "tcp://me@host:4001"
                                                << "not a network address";
        QTest::newRow("IPv6 without brackets") << "tcp://2001:db8::1:4001"
                                               << "tcp://HOST:PORT";
        QTest::newRow("neither number nor path nor address")
                << "ttyUSB0"
                << "tcp://HOST:PORT or rfc2217://HOST:PORT";
    }
    void portNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, error);
        const QString why = checkPortName(name);
        if (error.isEmpty())
            QVERIFY2(why.isEmpty(), qPrintable(why));
        else
            QVERIFY2(why.contains(error), qPrintable(why));
    }

    void rawBytesArriveUnchanged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("a time string") << QByteArray("\x02"
                                                     "12:34:56\r\n");
        QTest::newRow("bytes telnet would change") << hex("ff00ff0d0a0dfffe");
    }
    void rawBytesArriveUnchanged()
    {
        QFETCH(QByteArray, bytes);
        Server server;
        NetworkPort port;
        QVERIFY(port.open(server.address("tcp"), QStringLiteral("nonsense")));
        QVERIFY(!port.isOpen());
        QTRY_VERIFY(port.reopenIfLost() || port.isOpen());
        QVERIFY(port.isOpen());
        QVERIFY(port.write(bytes));
        QVERIFY(port.write(bytes));
        QTRY_COMPARE(server.received, bytes + bytes);
        QVERIFY(g_warnings.isEmpty());
    }

    void telnetBytes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("expected"); // after the server's DO COM-PORT-OPTION

        const QByteArray data = hex("ff41ff0d");
        QTest::newRow("9600,e,7,2; IAC doubled in data") << "9600,e,7,2" << data
                                                         << hex("fffa2c0100002580fff0"
                                                                "fffa2c0207fff0"
                                                                "fffa2c0303fff0"
                                                                "fffa2c0402fff0"
                                                                "ffff41ffff0d");
        QTest::newRow("115200,n,8,1") << "115200,n,8,1" << data
                                      << hex("fffa2c010001c200fff0"
                                             "fffa2c0208fff0"
                                             "fffa2c0301fff0"
                                             "fffa2c0401fff0"
                                             "ffff41ffff0d");
        QTest::newRow("a baud rate with an IAC byte, doubled") << "255,o,8,1" << QByteArray("A")
                                                               << hex("fffa2c01000000ffff"
                                                                      "fff0"
                                                                      "fffa2c0208fff0"
                                                                      "fffa2c0302fff0"
                                                                      "fffa2c0401fff0"
                                                                      "41");
    }
    void telnetBytes()
    {
        QFETCH(QString, line);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, expected);
        Server server;
        NetworkPort port;
        QVERIFY(port.open(server.address("rfc2217"), line));
        // Binary both ways, and the com port option offered.
        QTRY_COMPARE(server.received, hex("fffb00"
                                          "fffd00"
                                          "fffb2c"));
        server.received.clear();
        QVERIFY(!port.reopenIfLost()); // the server has said nothing yet
        server.last()->write(hex("fffd00"
                                 "fffb00"
                                 "fffd2c"));
        QTRY_VERIFY(port.reopenIfLost() || port.isOpen());
        QVERIFY(port.write(data));
        QTRY_COMPARE(server.received, expected);
        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(u'\n')));
    }

    void serverAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("warning"); // empty: none

        QTest::newRow("the same settings") << hex("fffd2c"
                                                  "fffa2c6500002580fff0"
                                                  "fffa2c6608fff0"
                                                  "fffa2c6701fff0"
                                                  "fffa2c6801fff0")
                                           << "";
        QTest::newRow("another baud rate") << hex("fffd2c"
                                                  "fffa2c65000012c0fff0"
                                                  "fffa2c6608fff0")
                                           << "baud rate to 4800, not 9600";
        QTest::newRow("another parity") << hex("fffd2c"
                                               "fffa2c6703fff0")
                                        << "parity to even, not none";
        QTest::newRow("the option refused") << hex("fffe2c") << "refuses to set the serial line";
        QTest::newRow("the option neither taken up nor refused")
                << hex("fffb01") << "neither takes up nor refuses the com port option";
    }
    void serverAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, warning);
        Server server;
        NetworkPort port;
        const QString address = server.address("rfc2217");
        QVERIFY(port.open(address, QStringLiteral("9600,n,8,1")));
        // Every connection gets the same answer, the same again.
        QObject::connect(&server.listener, &QTcpServer::newConnection,
                         [&] { server.last()->write(answer); });
        if (warning.isEmpty()) {
            QTest::qWait(1500);
            QVERIFY(g_warnings.isEmpty());
            QVERIFY(port.reopenIfLost());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(g_warnings.size(), 1, 8000);
        QTest::qWait(2500); // a second connection gets the same answer, and no second warning
        QCOMPARE(g_warnings.size(), 1);
        QVERIFY2(g_warnings[0].contains(address) && g_warnings[0].contains(warning),
                 qPrintable(g_warnings[0]));
    }

    void junkFromServer_data()
    {
        QTest::addColumn<QByteArray>("junk");
        QTest::newRow("serial data with doubled IAC") << hex("41ffff42").repeated(1000);
        QTest::newRow("a subnegotiation without end") << hex("fffa2c65") + QByteArray(4000, 'x');
        QTest::newRow("offers of every option") << [] {
            QByteArray all;
            for (int option = 1; option < 256; ++option)
                all += hex("fffb") + char(option) + hex("fffd") + char(option);
            return all;
        }();
        QTest::newRow("stray commands") << hex("fff0fff1fff9fffffffa").repeated(500);
    }
    void junkFromServer()
    {
        QFETCH(QByteArray, junk);
        Server server;
        NetworkPort port;
        QVERIFY(port.open(server.address("rfc2217"), QStringLiteral("9600,n,8,1")));
        QTRY_VERIFY(server.last());
        server.last()->write(hex("fffd2c"));
        QTRY_VERIFY(port.reopenIfLost() || port.isOpen());
        // Some 30 MB: read and dropped as it comes, never kept.
        auto rss = [] {
            QFile status(QStringLiteral("/proc/self/statm"));
            return status.open(QIODevice::ReadOnly)
                           ? status.readAll().split(' ').value(1).toLongLong() * 4
                           : 0;
        };
        server.last()->write(junk);
        QTRY_COMPARE(server.last()->bytesToWrite(), 0);
        const qint64 before = rss();
        for (qsizetype sent = 0; sent < 30'000'000; sent += junk.size()) {
            server.last()->write(junk);
            QTRY_COMPARE(server.last()->bytesToWrite(), 0);
        }
#ifndef __SANITIZE_ADDRESS__ // which keeps freed memory aside for a while
        QVERIFY2(rss() - before < 8192, qPrintable(QString::number(rss() - before)));
#endif
        server.received.clear();
        QVERIFY(port.write("ok"));
        QTRY_VERIFY(server.received.endsWith("ok"));
    }

    void staleStringsAreDroppedWhole()
    {
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        NetworkPort port;
        QVERIFY(port.open(QStringLiteral("tcp://127.0.0.1:%1").arg(listener.serverPort()),
                          QString()));
        QTRY_VERIFY(listener.hasPendingConnections());
        QTcpSocket *server = listener.nextPendingConnection();
        server->setReadBufferSize(4096); // a server that falls behind
        QTRY_VERIFY(port.reopenIfLost() || port.isOpen());

        // Strings far larger than the system's buffers, so that most cannot go out in time.
        const qsizetype size = 1 << 20;
        QList<QByteArray> strings;
        for (char c = 'a'; c <= 't'; ++c) {
            strings.append(QByteArray(size, c));
            QVERIFY(port.write(strings.last()));
            QTest::qWait(20);
        }
        server->setReadBufferSize(0);
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += server->readAll()).endsWith(strings.last()), 20000);
        // Whole strings only, in order, the newest last, and not all of them.
        QCOMPARE(received.size() % size, 0);
        QVERIFY(received.size() < strings.size() * size);
        char last = 0;
        for (qsizetype at = 0; at < received.size(); at += size) {
            QCOMPARE(received.mid(at, size), QByteArray(size, received[at]));
            QVERIFY(received[at] > last);
            last = received[at];
        }
    }

    void unreachableServer_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        const quint16 closed = [] {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            return probe.serverPort();
        }();
        QTest::newRow("nothing listens")
                << QStringLiteral("tcp://127.0.0.1:%1").arg(closed) << "refused";
        QTest::newRow("a name that does not resolve") << "rfc2217://no-such-host.invalid:2217"
                                                      << "no-such-host.invalid is not known";
    }
    void unreachableServer()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        NetworkPort port;
        QVERIFY(port.open(address, QStringLiteral("9600,n,8,1")));
        QTest::qWait(3500);
        QVERIFY(port.wasLost());
        QVERIFY(!port.isOpen() && !port.reopenIfLost());
        QVERIFY(!port.write("x"));
        QCOMPARE(g_warnings.size(), 1); // once, however many attempts
        QVERIFY2(g_warnings[0].contains(address)
                         && g_warnings[0].contains(reason, Qt::CaseInsensitive),
                 qPrintable(g_warnings[0]));
        QVERIFY(port.errorString().contains(address));
    }

    void serverThatHangsUpAtOnceIsNotHammered()
    {
        Server server;
        int attempts = 0;
        QObject::connect(&server.listener, &QTcpServer::newConnection, [&] {
            ++attempts;
            server.last()->abort();
        });
        NetworkPort port;
        QVERIFY(port.open(server.address("tcp"), QString()));
        QTest::qWait(6500);
        // Tried after 1, 2 and 4 seconds, not every second.
        QVERIFY2(attempts >= 2 && attempts <= 4, qPrintable(QString::number(attempts)));
        QCOMPARE(g_warnings.size(), 1);
    }

    void serverGoesAwayAndComesBack()
    {
        auto server = std::make_unique<Server>();
        const quint16 number = server->listener.serverPort();
        const QString address = server->address("tcp");
        NetworkPort port;
        QVERIFY(port.open(address, QString()));
        QTRY_VERIFY(port.reopenIfLost() || port.isOpen());
        QVERIFY(port.write("one"));
        QTRY_COMPARE(server->received, QByteArray("one"));

        server.reset(); // its connections go with it
        QTRY_VERIFY(port.wasLost());
        QVERIFY(!port.write("lost"));
        QTest::qWait(2500);
        QCOMPARE(g_warnings.size(), 1);

        server = std::make_unique<Server>(number);
        QTRY_VERIFY_WITH_TIMEOUT(port.reopenIfLost() || port.isOpen(), 3000);
        QVERIFY(!port.reopenIfLost()); // once
        QVERIFY(port.write("two"));
        QTRY_COMPARE(server->received, QByteArray("two"));
        QCOMPARE(g_infos.filter(QStringLiteral("works again")).size(), 1);
        QCOMPARE(g_warnings.size(), 1);
    }

    void noDescriptorsLeftBehind()
    {
        Server server;
        NetworkPort port;
        QVERIFY(port.open(server.address("rfc2217"), QStringLiteral("9600,n,8,1")));
        QTRY_COMPARE(server.accepted, 1);
        QTest::qWait(100);
        const int before = openDescriptors();
        for (int cycle = 0; cycle < 30; ++cycle) {
            port.close();
            QVERIFY(port.open(server.address("rfc2217"), QStringLiteral("9600,n,8,1")));
            QTRY_COMPARE(server.accepted, cycle + 2);
            delete server.clients.takeFirst();
        }
        QTest::qWait(100);
        QCOMPARE(openDescriptors(), before);
    }
};

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
