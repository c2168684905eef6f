// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// How the program starts and where its window goes: the command line, one copy per settings
// file, the port error box, and a tray host that comes and goes.

#include "AppFixture.h"
#include "Pty.h"
#include "app/Application.h"
#include "app/SingleInstance.h"
#include "tray/TrayIcon.h"

#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

using namespace mrv;
using namespace Qt::StringLiterals;

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trayHostComesAndGoes()
    {
        AppFixture app;
        app.trayUp = true;
        PtyPair display;
        MainWindow &window = app.create("[Ports]\nCOM1=" + display.slavePath().toUtf8() + "\n");
        QVERIFY(window.start());
        QVERIFY(!window.isVisible() && window.trayIcon()->isVisible());
        window.checkTray(); // still there: nothing changes
        QVERIFY(!window.isVisible());
        // The panel crashes: the window comes back, normal, says why it stays, and the icon goes.
        app.trayUp = false;
        QTest::ignoreMessage(QtInfoMsg, "no system tray: the window stays open");
        window.checkTray();
        QVERIFY(window.isVisible() && !window.isMinimized() && !window.trayIcon()->isVisible());
        auto *noTray = app.find<QLabel>("lblNoTray");
        QVERIFY(noTray->isVisible());
        // The line fits in the window, whole, below the sync controls.
        const QRect line(noTray->mapTo(window.centralWidget(), QPoint()), noTray->size());
        QVERIFY(window.centralWidget()->rect().contains(line));
        QVERIFY(noTray->heightForWidth(noTray->width()) <= noTray->height());
        QVERIFY(line.top() >= app.find("cmdSyncNow")->geometry().bottom());
        // A tray again: the next minimise goes to it, and the line goes.
        app.trayUp = true;
        window.showMinimized();
        QTRY_VERIFY(!window.isVisible() && window.trayIcon()->isVisible());
        QVERIFY(noTray->isHidden());
    }

    void portHeldByTheService()
    {
        PtyPair display;
        AppFixture app;
        // The service drives only a port its settings name.
        const QByteArray ini =
                "[Settings]\nCommPort=1\n[Ports]\nCOM1=" + display.slavePath().toUtf8() + "\n";
        MainWindow &window = app.create(ini);
        QProcess service;
        service.start(MIROVALENT_BINARY, {"--headless", "--config", app.iniPath()});
        QVERIFY(!display.read(3000, 9).isEmpty()); // the service sends: it holds the port
        QVERIFY(!window.start());
        QVERIFY2(app.boxes.details.value(0).contains("systemctl stop mirovalent-sync"),
                 qPrintable(app.boxes.details.value(0)));
        service.terminate();
        QVERIFY(service.waitForFinished(2000) && service.exitCode() == 0);
        QCOMPARE(app.readIni(), ini); // the service never writes the file
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("configOrError");
        QTest::newRow("nothing") << QStringList() << int(CommandLine::Run) << "";
        QTest::newRow("a settings file")
                << QStringList {"--config", "/tmp/x.ini"} << int(CommandLine::Run) << "/tmp/x.ini";
        QTest::newRow("an unknown option, even beside help")
                << QStringList {"--bogus", "-h"} << int(CommandLine::Fail)
                << "unknown option 'bogus' (see --help)";
        QTest::newRow("an extra argument") << QStringList {"extra"} << int(CommandLine::Fail)
                                           << "unexpected argument 'extra' (see --help)";
        QTest::newRow("an empty settings path")
                << QStringList {"--config="} << int(CommandLine::Fail)
                << "--config needs the path of a settings file";
        QTest::newRow("the service") << QStringList {"--headless", "--config", "/etc/m.ini"}
                                     << int(CommandLine::Run) << "/etc/m.ini";
        QTest::newRow("version") << QStringList {"--version"} << int(CommandLine::Version) << "";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        const CommandLine line = parseCommandLine(QStringList {"mirovalent"} + arguments);
        QTEST(int(line.action), "action");
        QTEST(line.action == CommandLine::Fail ? line.error : line.configPath, "configOrError");
        QCOMPARE(line.headless, arguments.contains("--headless"));
    }

    // The same file is known however it is reached, and the lock lives where only the user
    // writes: $XDG_RUNTIME_DIR when it is private, else a private folder of the user's.
    void oneCopyPerSettingsFile_data()
    {
        QTest::addColumn<QString>("secondName"); // how the second copy names the file
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<int>("runtimeMode"); // of $XDG_RUNTIME_DIR; 0: not set
        QTest::newRow("another spelling") << u"./mrvl.ini"_s << true << 0700;
        QTest::newRow("a hard link") << u"hard.ini"_s << true << 0700;
        QTest::newRow("a linked folder") << u"linked/mrvl.ini"_s << true << 0700;
        QTest::newRow("no file yet, another spelling") << u"./mrvl.ini"_s << false << 0700;
        QTest::newRow("a runtime folder others may write") << u"./mrvl.ini"_s << true << 0777;
        QTest::newRow("no runtime folder") << u"./mrvl.ini"_s << true << 0;
    }
    void oneCopyPerSettingsFile()
    {
        QFETCH(QString, secondName);
        QFETCH(bool, fileExists);
        QFETCH(int, runtimeMode);
        QTemporaryDir dir, runtime;
        const QString ini = dir.filePath("mrvl.ini");
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", oldRuntime); });
        QVERIFY(::chmod(QFile::encodeName(runtime.path()), runtimeMode ? runtimeMode : 0700) == 0);
        if (runtimeMode)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        else
            qunsetenv("XDG_RUNTIME_DIR");
        if (fileExists) {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QVERIFY(::link(QFile::encodeName(ini), QFile::encodeName(dir.filePath("hard.ini")))
                    == 0);
        }
        QVERIFY(QFile::link(dir.path(), dir.filePath("linked")));
        const QString folder = QFileInfo(SingleInstance(ini).lockPath()).path();
        QCOMPARE(folder == runtime.path(), runtimeMode == 0700);
        struct stat info
        {
        };
        QVERIFY(::lstat(QFile::encodeName(folder), &info) == 0 && S_ISDIR(info.st_mode));
        QCOMPARE(info.st_uid, ::getuid());
        QCOMPARE(info.st_mode & 077, 0u);
        // A lock left by a copy that crashed (its process is gone) does not stop a start.
        QString lock;
        {
            SingleInstance crashed(ini);
            QVERIFY(crashed.claim());
            lock = crashed.lockPath();
        }
        QFile stale(lock);
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("999999\nmirovalent\n\n") > 0);
        stale.close();
        SingleInstance first(ini), second(dir.filePath(secondName)), other(ini + ".2");
        QVERIFY(first.claim());
        QVERIFY(other.claim()); // another file, another copy
        QSignalSpy shown(&first, &SingleInstance::activationRequested);
        QVERIFY(!second.claim());
        QVERIFY(second.activateRunning());
        QTRY_COMPARE(shown.count(), 1);
    }

    void portErrorBox()
    {
        // Before the window is placed, the box is centred on the screen, and a path in it is
        // never broken across lines.
        const QString path = "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial-if00-port0";
        QRect frame, screen;
        int labelWidth = 0, pathWidth = 0;
        QTimer::singleShot(0, this, [&] {
            QTimer::singleShot(50, this, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                auto *label = box->findChild<QLabel *>("qt_msgbox_informativelabel");
                frame = box->frameGeometry();
                screen = box->screen()->availableGeometry();
                labelWidth = label->width();
                pathWidth = label->fontMetrics().horizontalAdvance(path);
                QCOMPARE(label->text().remove(QChar(0x2060)), "Cannot open " + path + ": busy");
                box->accept();
            });
        });
        QWidget unplaced;
        QtMessageBoxes().exclamation(&unplaced, "COM Port Error", "Cannot open " + path + ": busy");
        QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 2);
        QVERIFY(qAbs(frame.center().y() - screen.center().y()) <= 2);
        QVERIFY(labelWidth >= pathWidth);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
