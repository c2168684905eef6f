// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// How the program meets the desktop: "Start at login" and its autostart entry, the icon from
// the icon theme, and Qt's own texts in the desktop's language.

#include "AppFixture.h"
#include "app/Autostart.h"
#include "app/Desktop.h"
#include "platform/IniFile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTranslator>

using namespace mrv;

namespace {

const QString kEntry = QStringLiteral("autostart/org.mirovalent.Mirovalent.desktop");

bool writeFile(const QString &path, const QByteArray &content = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A main window over the settings file `iniPath` (which it does not start, so never writes).
struct Window
{
    FakeClock clock;
    FixedZones zones;
    RecordingBoxes boxes;
    MainWindow window;

    explicit Window(const QString &iniPath)
        : window(MainWindow::Dependencies {&clock, &zones, &boxes, iniPath, false, [] {
                                               return false;
                                           }})
    { }
    QAction *item() const { return window.findChild<QAction *>("mnuStartAtLogin"); }
    QMenu *trayMenu() const { return window.findChild<QMenu *>("mPopupSys"); }
    QMenu *optionsMenu() const { return window.findChild<QMenu *>("mnuOptions"); }
};

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString config() const { return m_home.filePath("config"); }
    QString entry() const { return config() + u'/' + kEntry; }

private Q_SLOTS:
    void init()
    {
        QVERIFY(QDir(config()).removeRecursively());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
    }

    void entryPath_data()
    {
        QTest::addColumn<QByteArray>("configHome");
        QTest::addColumn<QString>("path"); // below the scratch home
        QTest::newRow("XDG_CONFIG_HOME") << QByteArray("/config") << "/config/" + kEntry;
        QTest::newRow("unset") << QByteArray() << "/.config/" + kEntry;
        QTest::newRow("relative, so invalid") << QByteArray("config") << "/.config/" + kEntry;
    }
    void entryPath()
    {
        QFETCH(QByteArray, configHome);
        if (configHome.startsWith('/'))
            configHome.prepend(QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", configHome);
        QTEST(autostartEntryPath().mid(m_home.path().size()), "path");
    }

    // Login runs this program with its settings file: the Exec line after the program.
    void entryRunsTheProgramAsItRunsNow_data()
    {
        QTest::addColumn<QString>("ini"); // "@" stands for a scratch folder
        QTest::addColumn<QString>("arguments");
        QTest::newRow("the file it finds by itself") << ""
                                                     << "";
        QTest::newRow("a plain path") << "@/mrvl.ini"
                                      << " --config @/mrvl.ini";
        QTest::newRow("a relative path, made absolute") << "clocks.ini"
                                                        << " --config =/clocks.ini";
        QTest::newRow("blanks") << "@/my clocks/mrvl.ini"
                                << " --config \"@/my clocks/mrvl.ini\"";
        QTest::newRow("quote, dollar, backquote, backslash")
                << "@/a\"b$c`d\\e.ini"
                << " --config \"@/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e.ini\"";
        QTest::newRow("a percent sign, not a field code") << "@/100%.ini"
                                                          << " --config \"@/100%%.ini\"";
    }
    void entryRunsTheProgramAsItRunsNow()
    {
        QFETCH(QString, ini);
        QFETCH(QString, arguments);
        QTemporaryDir scratch;
        const auto place = [&](QString text) {
            return text.replace("@", scratch.path()).replace("=", QDir::currentPath());
        };
        Window w(ini.isEmpty() ? defaultIniFilePath() : place(ini));
        w.item()->trigger();
        QVERIFY2(w.boxes.texts.isEmpty(), qPrintable(w.boxes.details.join('\n')));
        QVERIFY(w.item()->isChecked());
        const QList<QByteArray> lines = readFile(entry()).split('\n');
        QVERIFY(lines.contains("[Desktop Entry]") && lines.contains("Type=Application"));
        QVERIFY(lines.contains("Icon=org.mirovalent.Mirovalent"));
        const QString program = QCoreApplication::applicationFilePath();
        if (program.contains(QRegularExpression("[^A-Za-z0-9/._+-]")))
            QSKIP("the test's own path needs quoting: its Exec line is not the one below");
        QVERIFY(lines.contains("TryExec=" + program.toUtf8()));
        const auto exec = std::find_if(lines.begin(), lines.end(),
                                       [](const QByteArray &l) { return l.startsWith("Exec="); });
        QVERIFY(exec != lines.end());
        QCOMPARE(QString::fromUtf8(*exec), "Exec=" + program + place(arguments));
        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        if (!validator.isEmpty()) {
            QProcess check;
            check.start(validator, {entry()});
            QVERIFY(check.waitForFinished(10000));
            QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        }
    }

    void startAtLoginItem()
    {
        Window w(m_home.filePath("mrvl.ini"));
        // Off until asked for; one item in the window's menu and the tray's, ticked together.
        QVERIFY(w.item() && w.item()->isCheckable() && !w.item()->isChecked());
        QVERIFY(w.optionsMenu()->actions().contains(w.item()));
        QVERIFY(w.window.menuBar()->actions().contains(w.optionsMenu()->menuAction()));
        QVERIFY(w.trayMenu()->actions().contains(w.item()));
        QCOMPARE(w.trayMenu()->actions().constLast()->objectName(), "mnuExit");
        w.item()->trigger();
        QVERIFY(w.item()->isChecked() && QFileInfo::exists(entry()));
        w.item()->trigger();
        QVERIFY(!w.item()->isChecked() && !QFileInfo::exists(entry()));
        // The tick follows the file when it is made or removed elsewhere.
        QVERIFY(writeFile(entry(), "[Desktop Entry]\n"));
        Q_EMIT w.trayMenu()->aboutToShow();
        QVERIFY(w.item()->isChecked());
        QVERIFY(QFile::remove(entry()));
        Q_EMIT w.optionsMenu()->aboutToShow();
        QVERIFY(!w.item()->isChecked());
        QVERIFY(w.boxes.texts.isEmpty());
    }

    void startAtLoginFailure_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands in the way, below the config folder
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the autostart folder is a file")
                << "autostart" << false << "cannot create the folder " + config() + "/autostart";
        QTest::newRow("the entry cannot be removed") << kEntry + "/x" << true << "cannot remove it";
    }
    void startAtLoginFailure()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, ticked);
        QFETCH(QString, reason);
        QVERIFY(writeFile(config() + u'/' + blocker));
        Window w(m_home.filePath("mrvl.ini"));
        QCOMPARE(w.item()->isChecked(), ticked);
        w.item()->trigger();
        // The box names the file and the reason, and the tick stays as the file is.
        QCOMPARE(w.boxes.texts.size(), 1);
        const QString details = w.boxes.details.first();
        QVERIFY2(details.startsWith(entry() + ": ") && details.contains(reason),
                 qPrintable(details));
        QCOMPARE(w.item()->isChecked(), ticked);
    }

    void programIcon_data()
    {
        QTest::addColumn<QString>("theme"); // where the icon is installed, "" for nowhere
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::newRow("in the desktop's theme") << "current"
                                                << "org.mirovalent.Mirovalent" << 48;
        QTest::newRow("in hicolor only") << "hicolor"
                                         << "org.mirovalent.Mirovalent" << 256;
        QTest::newRow("in no theme: built in") << ""
                                               << "" << 32;
    }
    void programIcon()
    {
        QFETCH(QString, theme);
        // The desktop's theme has 48-pixel icons; the packages install theirs into hicolor.
        QTemporaryDir themes;
        const QMap<QString, int> sizes {{"current", 48}, {"hicolor", 256}};
        for (auto it = sizes.begin(); it != sizes.end(); ++it) {
            const QByteArray folder = QByteArray::number(*it) + 'x' + QByteArray::number(*it);
            QVERIFY(writeFile(themes.filePath(it.key() + "/index.theme"),
                              "[Icon Theme]\nName=" + it.key().toUtf8() + "\nDirectories=" + folder
                                      + "/apps\n[" + folder + "/apps]\nType=Fixed\nSize="
                                      + QByteArray::number(*it) + "\n"));
            if (it.key() == theme) {
                QImage image(*it, *it, QImage::Format_ARGB32);
                image.fill(Qt::darkBlue);
                QDir().mkpath(themes.filePath(theme + '/' + folder + "/apps"));
                QVERIFY(image.save(themes.filePath(theme + '/' + folder
                                                   + "/apps/org.mirovalent.Mirovalent.png")));
            }
        }
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName("current");
        const QIcon icon = mrv::programIcon();
        QVERIFY(!icon.isNull());
        QTEST(icon.name(), "name");
        QTEST(icon.availableSizes().value(0).width(), "size");
    }

    // Standard buttons as the message boxes and the date dialog show them.
    void qtTextsInTheDesktopsLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<QStringList>("loaded");
        QTest::newRow("German") << "de_DE"
                                << "Abbrechen" << QStringList {"qtbase_de.qm"};
        QTest::newRow("Austrian German: the German catalogue")
                << "de_AT"
                << "Abbrechen" << QStringList {"qtbase_de.qm"};
        QTest::newRow("French") << "fr_FR"
                                << "Annuler" << QStringList {"qtbase_fr.qm"};
        QTest::newRow("English: nothing to translate") << "en_GB"
                                                       << "Cancel" << QStringList();
        QTest::newRow("no language") << "C"
                                     << "Cancel" << QStringList();
    }
    void qtTextsInTheDesktopsLanguage()
    {
        QFETCH(QString, locale);
        const QStringList loaded =
                installTranslations(*QCoreApplication::instance(), QLocale(locale));
        const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        const QString cancel = buttons.button(QDialogButtonBox::Cancel)->text().remove('&');
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>());
        QTEST(cancel, "cancel");
        QStringList names;
        for (const QString &file : loaded)
            names << QFileInfo(file).fileName();
        QTEST(names, "loaded");
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
