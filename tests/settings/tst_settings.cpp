#include "settings/IniFile.h"
#include "settings/SettingsTable.h"

#include <QtTest>

#include <sys/stat.h>

using namespace mrv;
using namespace Qt::StringLiterals;

static const QByteArray bom("\xEF\xBB\xBF");

static void put(const QString &path, const QByteArray &bytes) // null bytes: no file
{
    QFile file(path);
    QVERIFY(bytes.isNull()
            || (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()));
}

static QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Only the settings category may warn (see init), and any warning not expected fails.
static void expectWarnings(int count)
{
    for (int i = 0; i < count; ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("."));
}

class TestSettings : public QObject
{
    Q_OBJECT

    QString path() const { return m_dir->filePath("mrvl.ini"); }
    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        QLoggingCategory::setFilterRules("*.warning=false\nmirovalent.settings.warning=true");
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QTest::failOnWarning(QRegularExpression("."));
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("key"); // in section S
        QTest::addColumn<QString>("expected");
        const QString k("K");
        const QByteArray sk("[S]\nK=");
        QTest::newRow("names ignore case") << "[s]\nk=4\n"_ba << k << u"4"_s;
        QTest::newRow("blanks and tabs") << " \t[ S ]\t\n \tK \t= \t4 \t\n"_ba << k << u"4"_s;
        QTest::newRow("requested name trimmed") << "[S]\nK=4\n"_ba << u"\tK "_s << u"4"_s;
        QTest::newRow("double quotes") << "[S]\nK=\" a b \"\n"_ba << k << u" a b "_s;
        QTest::newRow("single quotes") << "[S]\nK='x'\n"_ba << k << u"x"_s;
        QTest::newRow("unmatched quotes") << "[S]\nK=\"x'\n"_ba << k << u"\"x'"_s;
        QTest::newRow("comment") << "[S]\n;K=1\n  ; K=2\nK=3\n"_ba << k << u"3"_s;
        QTest::newRow("; in value") << "[S]\nK=a;b ; c\n"_ba << k << u"a;b ; c"_s;
        QTest::newRow("line without =") << "[S]\nK\nK=2\n"_ba << k << u"2"_s;
        QTest::newRow("first section wins") << "[S]\nK=1\n[s]\nK=2\n"_ba << k << u"1"_s;
        QTest::newRow("first key wins") << "[S]\nK=1\nk=2\n"_ba << k << u"1"_s;
        QTest::newRow("other sections") << "K=1\n[A]\nK=1\n[S]\nX=2\n"_ba << k << QString();
        QTest::newRow("empty value") << "[S]\nK=\nK=2\n"_ba << k << QString();
        QTest::newRow("cut to 254") << sk + QByteArray(300, 'x') << k << QString(254, u'x');
        QTest::newRow("UTF-8") << sk + QString(300, u'ä').toUtf8() << k << QString(254, u'ä');
        QTest::newRow("pair kept") << sk + QByteArray(253, 'x') + "\xF0\x9F\x98\x80y" << k
                                   << QString(253, u'x') + u"\U0001F600"_s;
        QTest::newRow("BOM") << bom + "[S]\nK=1\n" << k << u"1"_s;
        QTest::newRow("BOM inside a value") << sk + bom + "x" << k << u"\uFEFFx"_s;
        QTest::newRow("CRLF") << "[S]\r\nK=1\r\n"_ba << k << u"1"_s;
        QTest::newRow("8-bit legacy value") << "[S]\nK=M\xE4r\n"_ba << k << u"Mär"_s;
        QTest::newRow("NUL ends a value") << "[S]\nK=ab\0cd\n"_ba << k << u"ab"_s;
        QTest::newRow("NUL in a name") << "[S]\na\0y=1\n"_ba << u"a\0x"_s << QString();
        QByteArray junk(1 << 20, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
        QTest::newRow("missing file") << QByteArray() << k << QString();
        QTest::newRow("binary junk") << junk << k << QString();
        QTest::newRow("1 MB line") << QByteArray(1 << 20, '[') + "\n[S]\nK=4" << k << u"4"_s;
        QTest::newRow("15 MB") << "[S]\n" + "a=b\n"_ba.repeated(3'900'000) + "K=4" << k << u"4"_s;
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        put(path(), content);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(IniFile(path()).read("S", key), expected);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed()) + " ms"));
    }

    void write_data() // K in section S
    {
        QTest::addColumn<QByteArray>("before"); // null: neither file nor folder
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("replace, keeping spelling and other lines")
                << ";c\n[s]\n  k = 4 ;x \nB=1\n\n[T]\nK=1\n"_ba << u"5"_s
                << ";c\n[s]\n  k = 5 \nB=1\n\n[T]\nK=1\n"_ba;
        QTest::newRow("replace, no line end") << "[S]\r\nK=1"_ba << u"5"_s << "[S]\r\nK=5"_ba;
        QTest::newRow("duplicate keys") << "[S]\nK=1\nk=2\n"_ba << u"5"_s << "[S]\nK=5\nk=2\n"_ba;
        QTest::newRow("other lines byte for byte")
                << "junk \xFF\0\n[S]\nA=M\xE4r\r\nK=1\n"_ba << u"Mär"_s
                << "junk \xFF\0\n[S]\nA=M\xE4r\r\nK=M\xC3\xA4r\n"_ba;
        QTest::newRow("last key") << "[S]\nA=\n\n;c=\n"_ba << u"5"_s << "[S]\nA=\nK=5\n\n;c=\n"_ba;
        QTest::newRow("no keys yet") << "[S]\n;c\nA\n"_ba << u"5"_s << "[S]\nK=5\n;c\nA\n"_ba;
        QTest::newRow("key, line end added") << "[S]\nA=1"_ba << u"5"_s << "[S]\nA=1\nK=5\n"_ba;
        QTest::newRow("two sections") << "[S]\n[S]\nB=\n"_ba << u"5"_s << "[S]\nK=5\n[S]\nB=\n"_ba;
        QTest::newRow("new section") << "K=1\n[T]\n\n"_ba << u"5"_s << "K=1\n[T]\n\n[S]\nK=5\n"_ba;
        QTest::newRow("section, line end") << "[T]\nA"_ba << u"5"_s << "[T]\nA\n[S]\nK=5\n"_ba;
        QTest::newRow("new file") << QByteArray() << u"5"_s << "[S]\nK=5\n"_ba;
        QTest::newRow("CRLF key") << "[S]\r\nA=1\r\n"_ba << u"5"_s << "[S]\r\nA=1\r\nK=5\r\n"_ba;
        QTest::newRow("CRLF section") << "[T]\r\nA"_ba << u"5"_s << "[T]\r\nA\r\n[S]\r\nK=5\r\n"_ba;
        QTest::newRow("BOM kept") << bom + "[S]\nK=1\n" << u"5"_s << bom + "[S]\nK=5\n";
        QTest::newRow("BOM only") << bom << u"5"_s << bom + "[S]\nK=5\n";
    }
    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        const QString file = before.isNull() ? m_dir->filePath("new/mrvl.ini") : path();
        put(file, before);
        IniFile ini(file);
        QVERIFY(ini.write("S", "K", value));
        QCOMPARE(bytesOf(file), after);
        QCOMPARE(ini.read(" s\t", "K"), value); // the requested section trimmed, too
    }

    // Entries that could not be read back are refused and change nothing; all others are
    // written, in one save exactly as one by one.
    void writeAll_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file") << QByteArray() << "[S]\nK=2\nA=3\n[T]\nK=M\xC3\xA4r\n"_ba;
        QTest::newRow("BOM, CRLF")
                << bom + "[T]\r\nX=1\r\n[s]\r\nk=0\r\n\r\n;c\r\n"
                << bom + "[T]\r\nX=1\r\nK=M\xC3\xA4r\r\n[s]\r\nk=2\r\nA=3\r\n\r\n;c\r\n";
    }
    void writeAll()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QList<IniFile::Entry> refused = {
                {"S", "K", "a\nb"}, {"S", "K", "\r"}, {"S", "K", u"\0"_s}, {"S", "A=B", "x"},
                {"S", ";A", "x"},   {"S]", "K", "x"}, {"", "K", "x"},
        };
        const QList<IniFile::Entry> stored = {
                {"S", "K", "1"}, {"T", "K", "Mär"}, {" s\t", "k ", "2"}, {"S", "A", "3"}};
        const QString one = m_dir->filePath("one.ini"), all = m_dir->filePath("all.ini");
        put(one, before);
        put(all, before);
        expectWarnings(2 * refused.size());
        IniFile byOne(one);
        for (const IniFile::Entry &entry : refused) {
            QVERIFY(!byOne.write(entry.section, entry.key, entry.value));
            QCOMPARE(QFileInfo::exists(one), !before.isNull());
            QCOMPARE(bytesOf(one), before);
        }
        for (const IniFile::Entry &entry : stored)
            QVERIFY(byOne.write(entry.section, entry.key, entry.value));
        QVERIFY(!IniFile(all).writeAll(stored.first(2) + refused + stored.sliced(2)));
        QCOMPARE(bytesOf(one), after);
        QCOMPARE(bytesOf(all), after);
    }

    // A file that cannot be used reads as empty, and a write fails and leaves it as it was.
    void unusable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("warnings"); // reading, then writing
        const QByteArray ini("[S]\nK=4\n");
        QTest::newRow("parent path is a regular file") << u"blocked"_s << ini << 1;
        QTest::newRow("directory") << u"directory"_s << QByteArray() << 3;
        QTest::newRow("named pipe") << u"fifo"_s << QByteArray() << 3;
        QTest::newRow("over the size cap")
                << u"file"_s << ini.leftJustified(IniFile::MaximumFileSize + 1, ' ') << 3;
        QTest::newRow("read-only folder") << u"readonly"_s << ini << 1;
    }
    void unusable()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, before);
        QFETCH(int, warnings);
        const QString folder = m_dir->filePath("app"), file = folder + "/mrvl.ini";
        const QString target = kind == u"blocked" ? folder : file; // what must stay as it was
        QVERIFY(kind == u"blocked" || QDir().mkpath(kind == u"directory" ? file : folder));
        if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else if (kind != u"directory")
            put(target, before);
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner;
        if (kind == u"readonly"
            && (!QFile::setPermissions(folder, readOnly) || QFileInfo(folder).isWritable()))
            QSKIP("permission bits do not stop this user");
        expectWarnings(warnings);
        IniFile ini(file);
        QCOMPARE(ini.read("S", "K"), QString(kind == u"readonly" ? "4" : ""));
        QVERIFY(!ini.write("S", "K", "5"));
        if (kind == u"fifo")
            QVERIFY(!QFileInfo(file).isFile());
        else
            QCOMPARE(bytesOf(target), before);
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(folder).entryList(all), // and no temporary file left
                 kind == u"blocked" ? QStringList() : QStringList {"mrvl.ini"});
    }

    void iniFolder_data()
    {
        QTest::addColumn<QString>("program"); // relative: in the test folder
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("expected");
        const QString cfg("cfg"), own("cfg/mirovalent/");
        QTest::newRow("writable folder") << u"app"_s << cfg << u"app/"_s;
        QTest::newRow("one trailing separator") << u"app//"_s << cfg << u"app/"_s;
        QTest::newRow("missing folder") << u"gone"_s << cfg << own;
        QTest::newRow("no config home")
                << u"gone"_s << QString() << QDir::homePath() + "/.config/mirovalent/";
        QTest::newRow("installed tree") << u"pkg/bin"_s << cfg << own;
        QTest::newRow("installed tree holding the file") << u"own/bin"_s << cfg << u"own/bin/"_s;
        QTest::newRow("not named bin") << u"pkg/app"_s << cfg << u"pkg/app/"_s;
        QTest::newRow("bin without desktop entry") << u"usr/bin"_s << cfg << u"usr/bin/"_s;
        QTest::newRow("system folder") << u"/usr/bin"_s << cfg << own;
    }
    void iniFolder()
    {
        QFETCH(QString, program);
        QFETCH(QString, configHome);
        QFETCH(QString, expected);
        const QString root = m_dir->path() + u'/';
        for (const QString tree : {"pkg", "own"}) {
            QVERIFY(QDir(root + tree).mkpath("bin")
                    && QDir(root + tree).mkpath("share/applications"));
            put(root + tree + "/share/applications/mirovalent.desktop", "");
        }
        put(root + "own/bin/mrvl.ini", "");
        if (!program.startsWith(u'/'))
            program.prepend(root);
        QVERIFY(program.endsWith(u"gone") || QDir().mkpath(program));
        QCOMPARE(iniFolderFor(program, configHome.isEmpty() ? configHome : root + configHome),
                 expected.startsWith(u'/') ? expected : root + expected);
    }

    void table_data()
    {
        QTest::addColumn<QString>("name"); // section/key
        QTest::addColumn<QByteArray>("line"); // after the key; null: no key
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("warnings");
        const QString zone("Zone/Zone1"), dst("Zone/DST1"), sync("Settings/SyncInt"),
                port("Settings/CommPort"), setting("Settings/Setting");
        QTest::newRow("missing") << zone << QByteArray() << u"-1"_s << 0;
        QTest::newRow("empty") << zone << "="_ba << u"-1"_s << 0;
        QTest::newRow("not a number") << zone << "=abc"_ba << u"-1"_s << 1;
        QTest::newRow("junk after") << zone << "=3x"_ba << u"-1"_s << 1;
        QTest::newRow("full-width digit") << zone << "=\xEF\xBC\x93"_ba << u"-1"_s << 1;
        QTest::newRow("above the range") << zone << "=99"_ba << u"-1"_s << 1;
        QTest::newRow("overflow") << zone << "=4294967299"_ba << u"-1"_s << 1;
        QTest::newRow("top of the range") << zone << "=31"_ba << u"31"_s << 0;
        QTest::newRow("below the range") << dst << "=-1"_ba << u"0"_s << 1;
        QTest::newRow("check state") << dst << "=3"_ba << u"0"_s << 1;
        QTest::newRow("blanks around") << sync << "=\" 3 \""_ba << u"3"_s << 0;
        QTest::newRow("negative") << sync << "=-1"_ba << u"-1"_s << 0;
        QTest::newRow("text missing") << port << QByteArray() << u"1"_s << 0;
        QTest::newRow("text empty") << port << "="_ba << u"1"_s << 0;
        QTest::newRow("text given") << port << "= 4"_ba << u"4"_s << 0;
        QTest::newRow("line default") << setting << QByteArray() << u"9600,n,8,1"_s << 0;
    }
    void table()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        QFETCH(int, warnings);
        const QStringList parts = name.split(u'/');
        put(path(),
            '[' + parts[0].toUtf8() + "]\n" + (line.isNull() ? line : parts[1].toUtf8() + line));
        expectWarnings(warnings);
        const IniFile file(path());
        QMap<QString, QString> got; // by name, so that a misspelt one in the table fails
        for (const IntSetting &s : {settings::Zone[0], settings::DST[0], settings::SyncInt})
            got[QString::asprintf("%s/%s", s.section, s.key)] =
                    QString::number(readSetting(file, s));
        for (const TextSetting &s : {settings::CommPort, settings::Setting})
            got[QString::asprintf("%s/%s", s.section, s.key)] = readSetting(file, s);
        QCOMPARE(got.value(name, u"no such setting"_s), expected);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
