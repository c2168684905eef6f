#include "settings/IniFile.h"

#include "SettingsWarnings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using mrv::IniFile;

namespace {

#ifdef Q_OS_WIN
const QByteArray nl("\r\n"); // line end of a new file
#else
const QByteArray nl("\n");
#endif
const QByteArray bom("\xEF\xBB\xBF");

// Bytes of a literal that may hold NULs.
template<qsizetype N>
QByteArray raw(const char (&bytes)[N])
{
    return QByteArray(bytes, N - 1);
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void read_data();
    void read();
    void badInputReadsEmptyQuickly_data();
    void badInputReadsEmptyQuickly();

    void write_data();
    void write();
    void writeCreatesFolderAndFile();
    void writeRefusesWhatCannotReadBack_data();
    void writeRefusesWhatCannotReadBack();
    void writeAllMatchesSequentialWrites_data();
    void writeAllMatchesSequentialWrites();
    void failedSaveLeavesFileIntact_data();
    void failedSaveLeavesFileIntact();
    void writeKeepsPermissionsAndLinks();

    void iniFolderFor_data();
    void iniFolderFor();
    void defaultPath();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("mrvl.ini")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestIniFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString s = QStringLiteral("S");
    const QString k = QStringLiteral("K");
    QTest::newRow("plain") << QByteArray("[S]\nK=4\n") << s << k << "4";
    QTest::newRow("names ignore case") << QByteArray("[sETTINGS]\ncommPORT=4\n") << "Settings"
                                       << "CommPort"
                                       << "4";
    QTest::newRow("blanks and tabs around")
            << QByteArray(" \t[ S ]\t\n \tK \t= \t4 \t\n") << s << k << "4";
    QTest::newRow("blanks around the requested names") << QByteArray("[S]\nK=4\n") << " S\t"
                                                       << "\tK "
                                                       << "4";
    QTest::newRow("double quotes") << QByteArray("[S]\nK=\" a b \"\n") << s << k << " a b ";
    QTest::newRow("single quotes") << QByteArray("[S]\nK='x'\n") << s << k << "x";
    QTest::newRow("unmatched quotes kept") << QByteArray("[S]\nK=\"x'\n") << s << k << "\"x'";
    QTest::newRow("comment is no key") << QByteArray("[S]\n;K=1\n  ; K=2\nK=3\n") << s << k << "3";
    QTest::newRow("semicolon inside value")
            << QByteArray("[S]\nK=a;b ; c\n") << s << k << "a;b ; c";
    QTest::newRow("line without equals is no key") << QByteArray("[S]\nK\nK=2\n") << s << k << "2";
    QTest::newRow("first duplicate section wins")
            << QByteArray("[S]\nK=1\n[s]\nK=2\n") << s << k << "1";
    QTest::newRow("first duplicate key wins") << QByteArray("[S]\nK=1\nk=2\n") << s << k << "1";
    QTest::newRow("key of another section") << QByteArray("[A]\nK=1\n[S]\nX=2\n") << s << k << "";
    QTest::newRow("key before any section") << QByteArray("K=1\n[S]\n") << s << k << "";
    QTest::newRow("empty value") << QByteArray("[S]\nK=\nK=2\n") << s << k << "";
    QTest::newRow("300 characters cut to 254") << "[S]\nK=" + QByteArray(300, 'x') + '\n'
                                               << s << k << QString(254, u'x');
    QTest::newRow("characters counted, not bytes")
            << "[S]\nK=" + QString(300, u'ä').toUtf8() << s << k << QString(254, u'ä');
    QTest::newRow("surrogate pair kept whole")
            << "[S]\nK=" + QByteArray(253, 'x') + "\xF0\x9F\x98\x80y" << s << k
            << QString(253, u'x') + QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("BOM before the first section") << bom + "[S]\nK=1\n" << s << k << "1";
    QTest::newRow("CRLF") << QByteArray("[S]\r\nK=1\r\n") << s << k << "1";
    QTest::newRow("8-bit legacy value") << QByteArray("[S]\nK=03 M\xE4r\n") << s << k << "03 Mär";
    QTest::newRow("NUL ends a value") << raw("[S]\nK=ab\0cd\n") << s << k << "ab";
    QTest::newRow("NUL inside a name is part of it")
            << raw("[S]\na\0y=1\n") << s << QString::fromUtf8("a\0x", 3) << "";
}

void TestIniFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    put(path(), content);
    QCOMPARE(IniFile(path()).read(section, key), expected);
}

void TestIniFile::badInputReadsEmptyQuickly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("warns");

    QByteArray junk(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(20240607);
    random.fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
    const QByteArray keys = "[Settings]\n" + QByteArray("a=b\n").repeated(3'900'000);

    QTest::newRow("missing file") << "missing" << QByteArray() << "" << false;
    QTest::newRow("binary junk") << "file" << junk << "" << false;
    QTest::newRow("NUL bytes") << "file" << QByteArray(4096, '\0') << "" << false;
    QTest::newRow("1 MB line, then the key")
            << "file" << QByteArray(1 << 20, '[') + "\n[Settings]\nCommPort=4\n"
            << "4" << false;
    QTest::newRow("15 MB of other keys") << "file" << keys << "" << false;
    QTest::newRow("50 MB file") << "sparse" << QByteArray("[Settings]\nCommPort=4\n") << "" << true;
    QTest::newRow("directory") << "directory" << QByteArray() << "" << true;
#ifdef Q_OS_UNIX
    QTest::newRow("named pipe") << "fifo" << QByteArray() << "" << true;
    QTest::newRow("no read permission")
            << "unreadable" << QByteArray("[Settings]\nCommPort=4\n") << "" << true;
#endif
}

void TestIniFile::badInputReadsEmptyQuickly()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QFETCH(bool, warns);

    if (kind == u"directory") {
        QVERIFY(QDir().mkdir(path()));
    } else if (kind == u"fifo") {
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
#endif
    } else if (kind != u"missing") {
        put(path(), content);
        if (kind == u"sparse")
            QVERIFY(QFile::resize(path(), 50 * 1024 * 1024));
        if (kind == u"unreadable") {
            QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
            if (QFile(path()).open(QIODevice::ReadOnly))
                QSKIP("permission bits do not stop this user from reading");
        }
    }

    SettingsWarnings warnings;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(IniFile(path()).read(QStringLiteral("Settings"), QStringLiteral("CommPort")),
             expected);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed()) + " ms"));
    QCOMPARE(!warnings.messages.isEmpty(), warns);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("replace in place, keeping spelling and other lines")
            << QByteArray("; mine\n[settings]\n  commport = 4 ;x \nSetting=9600,n,8,1\n\n[Other]\n"
                          "A=1\n")
            << "Settings"
            << "CommPort"
            << "7"
            << QByteArray("; mine\n[settings]\n  commport = 7 \nSetting=9600,n,8,1\n\n[Other]\n"
                          "A=1\n");
    QTest::newRow("replace a quoted value") << QByteArray("[Zone]\nDSS1=\"01 Mar\"\n") << "Zone"
                                            << "DSS1"
                                            << "05 Apr" << QByteArray("[Zone]\nDSS1=05 Apr\n");
    QTest::newRow("replace in the last line without line end")
            << QByteArray("[Zone]\r\nZone1=1") << "Zone"
            << "Zone1"
            << "3" << QByteArray("[Zone]\r\nZone1=3");
    QTest::newRow("replace the first of duplicates")
            << QByteArray("[Zone]\nZone1=1\nZone1=2\n[Zone]\nZone1=9\n") << " zone\t"
            << "ZONE1 "
            << "3" << QByteArray("[Zone]\nZone1=3\nZone1=2\n[Zone]\nZone1=9\n");
    QTest::newRow("other lines kept byte for byte")
            << raw("junk \xFF\0\n[Zone]\nDSS1=03 M\xE4r\r\nZone1=1\n") << "Zone"
            << "Zone1"
            << "03 Mär" << raw("junk \xFF\0\n[Zone]\nDSS1=03 M\xE4r\r\nZone1=03 M\xC3\xA4r\n");
    QTest::newRow("new key after the last key, before blank lines and comments")
            << QByteArray("[Zone]\nZone1=1\n\n; dates\n[Settings]\nSyncInt=0\n") << "Zone"
            << "Zone2"
            << "5" << QByteArray("[Zone]\nZone1=1\nZone2=5\n\n; dates\n[Settings]\nSyncInt=0\n");
    QTest::newRow("new key in a section without keys")
            << QByteArray("[Zone]\n; none yet\nnot a key\n[Settings]\n") << "Zone"
            << "Zone2"
            << "5" << QByteArray("[Zone]\nZone2=5\n; none yet\nnot a key\n[Settings]\n");
    QTest::newRow("new key after a last line without line end")
            << QByteArray("[Zone]\nZone1=1") << "Zone"
            << "Zone2"
            << "5" << QByteArray("[Zone]\nZone1=1\nZone2=5\n");
    QTest::newRow("new key in the first of duplicate sections")
            << QByteArray("[Zone]\nZone1=1\n[Zone]\nZone3=1\n") << "Zone"
            << "Zone2"
            << "5" << QByteArray("[Zone]\nZone1=1\nZone2=5\n[Zone]\nZone3=1\n");
    QTest::newRow("new section at the end, line end added")
            << QByteArray("[Settings]\nSyncInt=0") << "Zone"
            << "Zone2"
            << "5" << QByteArray("[Settings]\nSyncInt=0\n[Zone]\nZone2=5\n");
    QTest::newRow("new section at the end")
            << QByteArray("K=1\n[Settings]\n\n") << "Zone"
            << "Zone2"
            << "5" << QByteArray("K=1\n[Settings]\n\n[Zone]\nZone2=5\n");
    QTest::newRow("empty file") << QByteArray("") << "Zone"
                                << "Zone2"
                                << "5"
                                << "[Zone]" + nl + "Zone2=5" + nl;
    QTest::newRow("CRLF file, new key") << QByteArray("[Zone]\r\nZone1=1\r\n") << "Zone"
                                        << "Zone2"
                                        << "5" << QByteArray("[Zone]\r\nZone1=1\r\nZone2=5\r\n");
    QTest::newRow("CRLF file, new section")
            << QByteArray("[Settings]\r\nSyncInt=0") << "Zone"
            << "Zone2"
            << "5" << QByteArray("[Settings]\r\nSyncInt=0\r\n[Zone]\r\nZone2=5\r\n");
    QTest::newRow("BOM kept") << bom + "[Zone]\nZone2=1\n"
                              << "Zone"
                              << "Zone2"
                              << "5" << bom + "[Zone]\nZone2=5\n";
    QTest::newRow("BOM-only file") << bom << "Zone"
                                   << "Zone2"
                                   << "5" << bom + "[Zone]" + nl + "Zone2=5" + nl;
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    put(path(), before);
    IniFile file(path());
    QVERIFY(file.write(section, key, value));
    QCOMPARE(bytesOf(path()), after);
    QCOMPARE(file.read(section, key), value);
}

void TestIniFile::writeCreatesFolderAndFile()
{
    const QString nested = m_dir->filePath(QStringLiteral("config/mirovalent/mrvl.ini"));
    QVERIFY(IniFile(nested).write(QStringLiteral("Settings"), QStringLiteral("CommPort"),
                                  QStringLiteral("2")));
    QCOMPARE(bytesOf(nested), "[Settings]" + nl + "CommPort=2" + nl);
}

void TestIniFile::writeRefusesWhatCannotReadBack_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("LF in value") << "Zone"
                                 << "DSS1"
                                 << "01\nMar";
    QTest::newRow("CR in value") << "Zone"
                                 << "DSS1"
                                 << "01 Mar\r";
    QTest::newRow("NUL in value") << "Zone"
                                  << "DSS1" << QString(QChar(0));
    QTest::newRow("equals in key") << "Zone"
                                   << "A=B"
                                   << "x";
    QTest::newRow("key that reads as a comment") << "Zone"
                                                 << ";DSS1"
                                                 << "x";
    QTest::newRow("bracket in section") << "Zo]ne"
                                        << "DSS1"
                                        << "x";
    QTest::newRow("empty section") << ""
                                   << "DSS1"
                                   << "x";
}

void TestIniFile::writeRefusesWhatCannotReadBack()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    SettingsWarnings warnings;
    QVERIFY(!IniFile(path()).write(section, key, value));
    QVERIFY(!QFileInfo::exists(path()));

    const QByteArray before("[Zone]\nDSS1=01 Mar\n");
    put(path(), before);
    QVERIFY(!IniFile(path()).write(section, key, value));
    QCOMPARE(bytesOf(path()), before);
    QCOMPARE(warnings.messages.size(), 2);
}

void TestIniFile::writeAllMatchesSequentialWrites_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");

    QTest::newRow("no file") << false << QByteArray();
    QTest::newRow("typical file")
            << true
            << QByteArray("[Settings]\nCommPort=1\nSyncInt=0\nSetting=9600,n,8,1\n\n[Zone]\n"
                          "Zone1=3\nDST1=1\nDSS1=01 Mar\nDSE1=01 Oct\n; mine\n");
    QTest::newRow("BOM, CRLF, other sections")
            << true << bom + "[Ports]\r\nCOM1=/dev/ttyUSB0\r\n[zone]\r\nzone4=2\r\n[Settings]";
}

void TestIniFile::writeAllMatchesSequentialWrites()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);

    const QList<IniFile::Entry> entries = {
            {"Settings", "CommPort", "3"}, {"Settings", "SyncInt", "2"}, {"Zone", "Zone1", "5"},
            {"Zone", "Zone2", "-1"},       {"Zone", "Zone3", "31"},      {"Zone", "Zone4", "0"},
            {"Zone", "DST1", "1"},         {"Zone", "DST2", "0"},        {"Zone", "DSS2", "a\nb"},
            {"Zone", "DSS1", "03 Mär"},    {"Zone", "DSE1", "27 Oct"},   {"ZONE", "zone1", "6"},
    };
    const QString one = m_dir->filePath(QStringLiteral("one.ini"));
    const QString all = m_dir->filePath(QStringLiteral("all.ini"));
    if (exists) {
        put(one, before);
        put(all, before);
    }

    SettingsWarnings warnings;
    IniFile byOne(one);
    bool everyWriteSucceeded = true;
    for (const IniFile::Entry &entry : entries)
        everyWriteSucceeded =
                byOne.write(entry.section, entry.key, entry.value) && everyWriteSucceeded;

    QCOMPARE(IniFile(all).writeAll(entries), everyWriteSucceeded);
    QCOMPARE(bytesOf(all), bytesOf(one));
    QCOMPARE(IniFile(all).read(QStringLiteral("Zone"), QStringLiteral("Zone1")), u"6");
}

void TestIniFile::failedSaveLeavesFileIntact_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("folder is a regular file") << "blocked";
    QTest::newRow("path is a directory") << "directory";
    QTest::newRow("file over the size cap") << "huge";
    QTest::newRow("read-only folder") << "readonly folder";
    QTest::newRow("read-only file") << "readonly file";
    QTest::newRow("unreadable file") << "unreadable file";
}

void TestIniFile::failedSaveLeavesFileIntact()
{
    QFETCH(QString, kind);

    const QString folder = m_dir->filePath(QStringLiteral("app"));
    QString target = folder + QStringLiteral("/mrvl.ini");
    const QByteArray content("[Settings]\nCommPort=4\n");
    if (kind == u"blocked") {
        put(folder, content); // the file's folder would have to be where this file is
        target = folder;
    } else if (kind == u"directory") {
        QVERIFY(QDir().mkpath(target));
    } else {
        QVERIFY(QDir().mkpath(folder));
        put(target, content);
        if (kind == u"huge")
            QVERIFY(QFile::resize(target, IniFile::MaximumFileSize + 1));
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner;
        if (kind == u"readonly folder")
            QVERIFY(QFile::setPermissions(folder, readOnly));
        if (kind == u"readonly file")
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
        if (kind == u"unreadable file")
            QVERIFY(QFile::setPermissions(target, QFile::WriteOwner));
        const bool ignored = (kind == u"readonly folder" && QFileInfo(folder).isWritable())
                             || (kind == u"readonly file" && QFileInfo(target).isWritable())
                             || (kind == u"unreadable file" && QFileInfo(target).isReadable());
        if (ignored)
            QSKIP("permission bits do not stop this user");
    }
    const QByteArray before = kind == u"directory" ? QByteArray()
                              : kind == u"huge"
                                      ? content.leftJustified(IniFile::MaximumFileSize + 1, '\0')
                                      : content;

    SettingsWarnings warnings;
    const QString file = kind == u"blocked" ? folder + QStringLiteral("/mrvl.ini") : target;
    QVERIFY(!IniFile(file).write(QStringLiteral("Settings"), QStringLiteral("CommPort"),
                                 QStringLiteral("5")));
    QVERIFY(!warnings.messages.isEmpty());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(bytesOf(target), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(),
             kind == u"blocked" || kind == u"directory" ? 0 : 1); // no temporary file left
}

void TestIniFile::writeKeepsPermissionsAndLinks()
{
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    const QString real = m_dir->filePath(QStringLiteral("dotfiles/mrvl.ini"));
    QVERIFY(QDir().mkpath(QFileInfo(real).path()));
    put(real, "[Settings]\nCommPort=4\n");
    QVERIFY(QFile::setPermissions(real, permissions));
    const QFile::Permissions before = QFile::permissions(real);
    QVERIFY(QFile::link(real, path()));

    QVERIFY(IniFile(path()).write(QStringLiteral("Settings"), QStringLiteral("CommPort"),
                                  QStringLiteral("5")));
    QVERIFY(QFileInfo(path()).isSymLink());
    QCOMPARE(bytesOf(real), QByteArray("[Settings]\nCommPort=5\n"));
    QCOMPARE(QFile::permissions(real), before);
}

void TestIniFile::iniFolderFor_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("expected");

    const QString home = QDir::homePath() + QStringLiteral("/.config/mirovalent/");
    QTest::newRow("writable program folder") << ""
                                             << "app"
                                             << "cfg"
                                             << "app/";
    QTest::newRow("extra separators dropped") << ""
                                              << "app//"
                                              << "cfg"
                                              << "app/";
    QTest::newRow("read-only folder holding the file") << "readonly,file"
                                                       << "app"
                                                       << "cfg"
                                                       << "app/";
    QTest::newRow("read-only folder without the file") << "readonly"
                                                       << "app"
                                                       << "cfg"
                                                       << "cfg/mirovalent/";
    QTest::newRow("missing program folder") << ""
                                            << "gone"
                                            << "cfg"
                                            << "cfg/mirovalent/";
    QTest::newRow("empty config home") << ""
                                       << "gone"
                                       << "" << home;
    // An installed program keeps per-user settings even when it could write beside itself.
    QTest::newRow("writable installed tree") << "installed"
                                             << "usr/bin"
                                             << "cfg"
                                             << "cfg/mirovalent/";
    QTest::newRow("installed tree holding the file") << "installed,file"
                                                     << "usr/bin"
                                                     << "cfg"
                                                     << "usr/bin/";
    QTest::newRow("bin without the desktop entry") << ""
                                                   << "usr/bin"
                                                   << "cfg"
                                                   << "usr/bin/";
    QTest::newRow("system folder") << ""
                                   << "/usr/bin"
                                   << "cfg"
                                   << "cfg/mirovalent/";
}

void TestIniFile::iniFolderFor()
{
    QFETCH(QString, setup);
    QFETCH(QString, program);
    QFETCH(QString, configHome);
    QFETCH(QString, expected);

    const QString root = m_dir->path() + u'/';
    const QString app = root + QStringLiteral("app");
    QVERIFY(QDir().mkpath(app));
    if (!program.startsWith(u'/'))
        program.prepend(root);
    QVERIFY(program.endsWith(u"gone") || QDir().mkpath(program));
    if (setup.contains(u"installed")) {
        QVERIFY(QDir().mkpath(root + QStringLiteral("usr/share/applications")));
        put(root + QStringLiteral("usr/share/applications/mirovalent.desktop"), "");
    }
    if (setup.contains(u"file"))
        put(program + QStringLiteral("/mrvl.ini"), "");
    if (setup.contains(u"readonly")) {
        QVERIFY(QFile::setPermissions(app, QFile::ReadOwner | QFile::ExeOwner));
        const bool ignored = QFileInfo(app).isWritable();
        if (ignored && !setup.contains(u"file")) {
            QFile::setPermissions(app, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("permission bits do not stop this user from writing");
        }
    }
    if (!configHome.isEmpty())
        configHome.prepend(root);
    if (!expected.startsWith(u'/'))
        expected.prepend(root);

    const QString folder = mrv::iniFolderFor(program, configHome);
    QFile::setPermissions(app, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(folder, expected);
}

void TestIniFile::defaultPath()
{
    const QString folder = mrv::GetINIPath();
    QVERIFY(folder.endsWith(u'/'));
    QVERIFY(!folder.endsWith(QStringLiteral("//")));
    QCOMPARE(mrv::defaultIniFilePath(), folder + QStringLiteral("mrvl.ini"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
