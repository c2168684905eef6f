// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/IniFile.h"
#include "platform/IniStore.h"
#include "app/SettingsModel.h"
#include "app/SettingsTable.h"

#include <QtTest>

#include <csignal>
#include <ctime>

#include <fcntl.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace mrv;
using namespace Qt::StringLiterals;

static const QByteArray bom("\xEF\xBB\xBF");

static void put(const QString &path, const QByteArray &bytes) // null bytes: no file
{
    QFile file(path);
    QVERIFY(bytes.isNull()
            || (QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
                && file.write(bytes) == bytes.size()));
}

static QByteArray utf16le(const QString &text) // with its byte-order mark, as Notepad saves
{
    return QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(text);
}

static QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static void expectWarnings(int count) // only settings may warn (see init), and only as expected
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
        QVERIFY((m_dir = std::make_unique<QTemporaryDir>())->isValid());
        QTest::failOnWarning(QRegularExpression("."));
    }

    void read_data() // key K in section S
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("expected");
        const QByteArray sk("[S]\nK=");
        QTest::newRow("blanks and tabs") << " \t[ S ]\t\n \tK \t= \t4 \t\n"_ba << u"4"_s;
        QTest::newRow("vertical tabs are blanks") << "\v[\vS\v]\n\vK\v=\v4\v\n"_ba << u"4"_s;
        QTest::newRow("Ctrl-Z ends the file") << "[S]\nK=4\x1A"_ba << u"4"_s;
        QTest::newRow("Ctrl-Z inside a value") << "[S]\nK=4\x1Ay\n"_ba << u"4\x1Ay"_s;
        QTest::newRow("a key without a name") << "[S]\n=1\nK=4\n"_ba << u"4"_s;
        QTest::newRow("double quotes") << "[S]\nK=\" a b \"\n"_ba << u" a b "_s;
        QTest::newRow("single quotes") << "[S]\nK='x'\n"_ba << u"x"_s;
        QTest::newRow("unmatched quotes") << "[S]\nK=\"x'\n"_ba << u"\"x'"_s;
        QTest::newRow("comment") << "[S]\n;K=1\n  ; K=2\nK=3\n"_ba << u"3"_s;
        QTest::newRow("; in value") << "[S]\nK=a;b ; c\n"_ba << u"a;b ; c"_s;
        QTest::newRow("line without =") << "[S]\nK\nK=2\n"_ba << u"2"_s;
        QTest::newRow("CR line ends") << "[S]\rA=1\rK=4\r"_ba << u"4"_s;
        QTest::newRow("bare CR in a CRLF file") << "[S]\r\nA=1\rK=4\r\n"_ba << u"4"_s;
        QTest::newRow("section without ]") << "[T]\nK=1\n[ S \t\nK=4\n"_ba << u"4"_s;
        QTest::newRow("UTF-16LE") << utf16le(u"[S]\r\nK=M\u00E4r \u20AC\r\n"_s) << u"Mär €"_s;
        QTest::newRow("first section wins") << "[S]\nK=1\n[s]\nK=2\n"_ba << u"1"_s;
        QTest::newRow("other sections") << "K=1\n[A]\nK=1\n[S]\nX=2\n"_ba << QString();
        QTest::newRow("empty value") << "[S]\nK=\nK=2\n"_ba << QString();
        QTest::newRow("cut to 254") << sk + QByteArray(300, 'x') << QString(254, u'x');
        QTest::newRow("pair kept") << sk + QByteArray(253, 'x') + "\xF0\x9F\x98\x80y"
                                   << QString(253, u'x') + u"\U0001F600"_s;
        QTest::newRow("BOM inside a value") << sk + bom + "x" << u"\uFEFFx"_s;
        QTest::newRow("not UTF-8: Windows-1252") << "[S]\nK=\x80 M\xE4r\x9F\n"_ba << u"€ MärŸ"_s;
        QTest::newRow("NUL ends a value") << "[S]\nK=ab\0cd\n"_ba << u"ab"_s;
        QTest::newRow("NUL in a name") << "[S]\nK\0y=1\n"_ba << QString(); // not K
        QByteArray junk(1 << 20, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
        QTest::newRow("missing file") << QByteArray() << QString();
        QTest::newRow("binary junk") << junk << QString();
        QTest::newRow("1 MB line") << QByteArray(1 << 20, '[') + "\n[S]\nK=4" << u"4"_s;
        QTest::newRow("15 MB") << "[S]\n" + "a=b\n"_ba.repeated(3'900'000) + "K=4" << u"4"_s;
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        put(path(), content);
        // Generous, for sanitizers on a busy machine; a reader that goes quadratic on large
        // files takes minutes.
        const QDeadlineTimer deadline(30000);
        QCOMPARE(IniFile(path()).read("S", "K"), expected);
        QVERIFY2(!deadline.hasExpired(), "slower than 30 s");
        QVERIFY(QFileInfo::exists(path()) != content.isNull() && bytesOf(path()) == content);
    }

    // Empty names find what Windows finds with them.
    void emptyNames_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the key without a name") << "S"
                                                << ""
                                                << "[S]\nK=2\n=1\n"_ba << u"1"_s;
        QTest::newRow("the key without a name, blanks around") << "S"
                                                               << " "
                                                               << "[S]\n \t\v= 2\n"_ba << u"2"_s;
        QTest::newRow("keys before the first section") << ""
                                                       << "k"
                                                       << "K=1\n[S]\nK=2\n"_ba << u"1"_s;
        QTest::newRow("none before the first section") << ""
                                                       << "K"
                                                       << "[S]\nK=2\n"_ba << QString();
        QTest::newRow("before the first section, name of blanks")
                << " \v"
                << "K"
                << ";c\n\vK=3\n[S]\n"_ba << u"3"_s;
    }
    void emptyNames()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        put(path(), content);
        QCOMPARE(IniFile(path()).read(section, key), expected);
        QCOMPARE(IniDocument(content).read(section, key), expected);
    }

    // A whole file read once, through one descriptor that never blocks: only a regular file
    // (or a link to one), and what it held when read, however it changes afterwards.
    void document_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why"); // null: it reads
        QTest::newRow("a regular file") << u"file"_s << QString();
        QTest::newRow("a link to a regular file") << u"link"_s << QString();
        QTest::newRow("no file") << u"missing"_s << QString();
        QTest::newRow("a named pipe") << u"fifo"_s << u"not a regular file but a named pipe"_s;
        QTest::newRow("a folder") << u"folder"_s << u"not a regular file but a folder"_s;
        QTest::newRow("a link to a device") << u"device"_s << u"not a regular file but a device"_s;
    }
    void document()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        const QByteArray name = QFile::encodeName(path());
        if (kind == u"file" || kind == u"link")
            put(m_dir->filePath("real.ini"), "[S]\nK=4\n");
        if (kind == u"file")
            QVERIFY(QFile::rename(m_dir->filePath("real.ini"), path()));
        else if (kind == u"link")
            QVERIFY(::symlink("real.ini", name) == 0);
        else if (kind == u"fifo")
            QVERIFY(::mkfifo(name, 0600) == 0);
        else if (kind == u"folder")
            QVERIFY(QDir().mkpath(path()));
        else if (kind == u"device")
            QVERIFY(::symlink("/dev/null", name) == 0);
        expectWarnings(!why.isNull());
        QString whyNot;
        const std::optional<IniDocument> document = IniDocument::load(path(), &whyNot);
        QCOMPARE(whyNot, why);
        QCOMPARE(document.has_value(), why.isNull());
        if (!document)
            return;
        QCOMPARE(document->read("S", "K"), QString(kind == u"missing" ? "" : "4"));
        put(path(), "[S]\nK=5\n");
        QCOMPARE(document->read("S", "K"), QString(kind == u"missing" ? "" : "4"));
        QCOMPARE(IniFile(path()).read("S", "K"), u"5"_s);
    }

    void write_data() // K in section S
    {
        QTest::addColumn<QByteArray>("before"); // null: neither file nor folder
        QTest::addColumn<QByteArray>("after"); // null: refused, the file left as it was
        QTest::addColumn<QString>("value");
        const auto row = [](const char *name, const QByteArray &before, const QByteArray &after,
                            const QString &value = u"5"_s) {
            QTest::newRow(name) << before << after << value;
        };
        row("replace, spelling kept", ";c\n[s]\n  k = 4 ;x \nB=1\n\n[T]\nK=1\n"_ba,
            ";c\n[s]\n  k = 5 \nB=1\n\n[T]\nK=1\n"_ba);
        row("duplicate keys", "[S]\nK=1\nk=2\n"_ba, "[S]\nK=5\nk=2\n"_ba);
        row("other lines byte for byte", "junk \xFF\0\n[S]\nA=M\xE4r\r\nK=1"_ba,
            "junk \xFF\0\n[S]\nA=M\xE4r\r\nK=5"_ba);
        row("last key", "[S]\nA=\n\n;c=\n"_ba, "[S]\nA=\nK=5\n\n;c=\n"_ba);
        row("no keys yet", "[S]\n;c\nA\n"_ba, "[S]\nK=5\n;c\nA\n"_ba);
        row("key, line end added", "[S]\nA=1"_ba, "[S]\nA=1\nK=5\n"_ba);
        row("two sections", "[S]\n[S]\nB=\n"_ba, "[S]\nK=5\n[S]\nB=\n"_ba);
        row("new section", "K=1\n[T]\n\n"_ba, "K=1\n[T]\n\n[S]\nK=5\n"_ba);
        row("section, line end", "[T]\nA"_ba, "[T]\nA\n[S]\nK=5\n"_ba);
        row("new file", QByteArray(), "[S]\nK=5\n"_ba);
        row("CRLF key", "[S]\r\nA=1\r\n"_ba, "[S]\r\nA=1\r\nK=5\r\n"_ba);
        row("CRLF section", "[T]\r\nA"_ba, "[T]\r\nA\r\n[S]\r\nK=5\r\n"_ba);
        row("section without ]", "[T]\n[S\nA=1\n[U]\n"_ba, "[T]\n[S\nA=1\nK=5\n[U]\n"_ba);
        row("CR key", "[S]\rA=1\r"_ba, "[S]\rA=1\rK=5\r"_ba);
        row("CR section", "[T]\rA"_ba, "[T]\rA\r[S]\rK=5\r"_ba);
        row("bare CR ends a line in a CRLF file", "[S]\r\nK=1\rB=2\r\n"_ba,
            "[S]\r\nK=5\rB=2\r\n"_ba);
        row("Ctrl-Z stays last, key replaced", "[S]\nK=1\x1A"_ba, "[S]\nK=5\x1A"_ba);
        row("Ctrl-Z stays last, key added", "[S]\nA=1\x1A"_ba, "[S]\nA=1\nK=5\n\x1A"_ba);
        row("Ctrl-Z stays last, section added", "[T]\nA=1\n\x1A"_ba, "[T]\nA=1\n[S]\nK=5\n\x1A"_ba);
        row("UTF-8 BOM kept", bom + "[S]\nK=1\n", bom + "[S]\nK=M\xC3\xA4r\n", u"Mär"_s);
        row("BOM only", bom, bom + "[S]\nK=5\n");
        row("Windows-1252 kept", "[S]\nA=M\xE4r\nK=1\n"_ba, "[S]\nA=M\xE4r\nK=\x80 \x9F\n"_ba,
            u"€ Ÿ"_s);
        row("Windows-1252 without the character", "[S]\nA=M\xE4r\n"_ba, QByteArray(), u"中"_s);
        row("Windows-1252 that would read as UTF-8", "[S]\nK=\xE4\nA=\xC3\xA4\n"_ba, QByteArray());
        row("too large to read once saved",
            "[S]\n"_ba.leftJustified(IniFile::MaximumFileSize - 1, ';') + '\n', QByteArray());
        row("UTF-16LE kept", utf16le(u"[S]\r\nK=1\r\n"_s),
            utf16le(u"[S]\r\nK=\u20AC \u4E2D \U0001F600\r\n"_s), u"€ 中 😀"_s);
        row("UTF-16LE holding half a pair", utf16le(u"[S]\r\nK=1\r\n"_s) + "\x3D\xD8",
            QByteArray());
    }
    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, value);
        const QString file = before.isNull() ? m_dir->filePath("new/mrvl.ini") : path();
        put(file, before);
        IniFile ini(file);
        expectWarnings(after.isNull());
        QCOMPARE(ini.write("S", "K", value), !after.isNull());
        QCOMPARE(bytesOf(file), after.isNull() ? before : after);
        if (!after.isNull()) // the names asked for trimmed, too
            QCOMPARE(ini.read(" s\t", "\tK "), value);
    }

    // Entries that could not be read back are refused and change nothing, not even by creating
    // the file; all others are written, in one save exactly as one by one.
    void writeAll()
    {
        const QList<IniFile::Entry> refused = {{"S", "K", "a\nb"},  {"S", "K", "\r"},
                                               {"S", "K", u"\0"_s}, {"S", "A=B", "x"},
                                               {"S", ";A", "x"},    {"S]", "K", "x"},
                                               {"", "K", "x"},      {"S", "K", QChar(0xD800)}};
        const QList<IniFile::Entry> stored = {
                {"S", "K", "1"}, {"T", "K", "Mär"}, {" s\t", "k ", "2"}, {"S", "A", "3"}};
        const QString one = m_dir->filePath("one.ini"), all = m_dir->filePath("all.ini");
        expectWarnings(3 * refused.size());
        IniFile byOne(one);
        for (const IniFile::Entry &entry : refused)
            QVERIFY(!byOne.write(entry.section, entry.key, entry.value) && !QFileInfo::exists(one));
        for (const IniFile::Entry &entry : stored)
            QVERIFY(byOne.write(entry.section, entry.key, entry.value));
        QVERIFY(!IniFile(all).writeAll(stored.first(2) + refused + stored.sliced(2)));
        QCOMPARE(bytesOf(one), "[S]\nK=2\nA=3\n[T]\nK=M\xC3\xA4r\n"_ba);
        QCOMPARE(bytesOf(all), bytesOf(one));
        // Held in memory, the same writes give the same bytes, and the disk is not touched.
        auto memory = std::make_shared<IniMemory>();
        IniFile inMemory(u"memory"_s, memory);
        QVERIFY(!inMemory.writeAll(stored.first(2) + refused + stored.sliced(2)));
        QCOMPARE(memory->content, std::optional(bytesOf(one)));
        QCOMPARE(inMemory.read("t", "K"), u"Mär"_s);
        QVERIFY(!QFileInfo::exists(u"memory"_s));
    }

    // A file that cannot be used reads as empty, and a write fails and leaves it as it was.
    // Why it cannot be read is said once, however often it is read.
    void unusable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("warnings"); // reading twice, then writing
        const QByteArray ini("[S]\nK=4\n");
        QTest::newRow("parent path is a regular file") << u"blocked"_s << ini << 1;
        QTest::newRow("named pipe") << u"fifo"_s << QByteArray() << 2;
        QTest::newRow("too large")
                << u"file"_s << ini.leftJustified(IniFile::MaximumFileSize + 1, ' ') << 2;
        QTest::newRow("read-only folder") << u"readonly"_s << ini << 1;
    }
    void unusable()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, before);
        QFETCH(int, warnings);
        const QString folder = m_dir->filePath("app"), file = folder + "/mrvl.ini";
        const QString target = kind == u"blocked" ? folder : file; // what must stay as it was
        if (kind == u"fifo") // not even opened: that could block for ever
            QVERIFY(QDir().mkpath(folder) && !::mkfifo(QFile::encodeName(file).constData(), 0600));
        else
            put(target, before);
        if (kind == u"readonly"
            && (!QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner)
                || QFileInfo(folder).isWritable()))
            QSKIP("permission bits do not stop this user");
        expectWarnings(warnings);
        IniFile ini(file);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(ini.read("S", "K"), QString(kind == u"readonly" ? "4" : ""));
        QVERIFY(!ini.write("S", "K", "5"));
        QCOMPARE(QFileInfo(target).isFile() ? bytesOf(target) : QByteArray(), before);
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(folder).entryList(all), // and no temporary file left
                 kind == u"blocked" ? QStringList() : QStringList {"mrvl.ini"});
    }

    // A save that runs out of room fails, says why and leaves the old file byte for byte.
    void fullDisk_data()
    {
        QTest::addColumn<bool>("smallDisk"); // else a file size limit on this process
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << true << u"No space left on device"_s;
        QTest::newRow("file size limit") << false << u"File too large"_s;
    }
    void fullDisk()
    {
        QFETCH(bool, smallDisk);
        QFETCH(QString, reason);
        const QString folder = m_dir->filePath("disk"), file = folder + "/mrvl.ini";
        const QByteArray before = "[S]\nK=4\n";
        QVERIFY(QDir().mkpath(folder));
        const QByteArray mountPoint = QFile::encodeName(folder);
        if (smallDisk && ::mount("tmpfs", mountPoint, "tmpfs", 0, "size=64k") != 0)
            QSKIP("no small file system can be mounted here (needs root)");
        const auto unmount = qScopeGuard([&] {
            if (smallDisk)
                ::umount2(mountPoint, MNT_DETACH);
        });
        put(file, before);
        QFile filler(folder + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (smallDisk && filler.write(QByteArray(4096, 'x')) > 0) { }
        const auto oldSignal = ::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        rlimit oldLimit {};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &oldLimit) == 0);
        rlimit limit = oldLimit;
        limit.rlim_cur = smallDisk ? limit.rlim_cur : 4; // a few bytes of the new file
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(reason));
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
        const bool saved = IniFile(file).write("S", "K", "5");
        ::setrlimit(RLIMIT_FSIZE, &oldLimit);
        ::signal(SIGXFSZ, oldSignal);
        QVERIFY(!saved);
        QCOMPARE(bytesOf(file), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({"filler", "mrvl.ini"}));
    }

    // A save removes the temporary files that killed saves left beside the file, and nothing
    // else.
    void leftovers_data()
    {
        QTest::addColumn<QString>("name"); // ending in '/': a folder
        QTest::addColumn<int>("age"); // seconds since it was written
        QTest::addColumn<bool>("removed");
        const QString ours = u".mrvl.ini~mirovalent-save-"_s;
        QTest::newRow("left by a killed save") << ours + "qT7XbA" << 120 << true;
        QTest::newRow("another save still writing") << ours + "RtYuIo" << 5 << false;
        QTest::newRow("a copy named .bak") << u"mrvl.ini.bak"_s << 120 << false;
        QTest::newRow("a copy named as a word") << u"mrvl.ini.Backup"_s << 120 << false;
        QTest::newRow("a copy named in mixed case") << u"mrvl.ini.BackUp"_s << 3600 << false;
        QTest::newRow("an old configuration") << u"mrvl.ini.OldCfg"_s << 3600 << false;
        QTest::newRow("a copy named by date") << u"mrvl.ini.2024Ab"_s << 3600 << false;
        QTest::newRow("six letters after a dot") << u"mrvl.ini.qT7XbA"_s << 3600 << false;
        QTest::newRow("one letter more") << ours + "qT7XbAc" << 120 << false;
        QTest::newRow("not a letter") << ours + "qT7Xb-" << 120 << false;
        QTest::newRow("another file's") << u".other.ini~mirovalent-save-qT7XbA"_s << 120 << false;
        QTest::newRow("a folder") << ours + "qT7XbA/" << 120 << false;
    }
    void leftovers()
    {
        QFETCH(QString, name);
        QFETCH(int, age);
        QFETCH(bool, removed);
        const QString leftover = m_dir->filePath(name);
        if (name.endsWith(u'/'))
            QVERIFY(QDir().mkpath(leftover));
        else
            put(leftover, "[S]\nK=3\n");
        const timespec written = {std::time(nullptr) - age, 0};
        const timespec times[] = {written, written};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(leftover), times, 0) == 0);
        put(path(), "[S]\nK=4\n");
        QVERIFY(IniFile(path()).write("S", "K", "5"));
        QCOMPARE(QFileInfo::exists(leftover), !removed);
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(m_dir->path()).entryList(all).size(), removed ? 1 : 2); // nothing new
    }

    // A save writes through a symbolic link and keeps the file's permissions.
    void saveKeepsTheFile()
    {
        put(m_dir->filePath("real.ini"), "[S]\nK=4\n");
        QVERIFY(QFile::setPermissions(m_dir->filePath("real.ini"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(::symlink("real.ini", QFile::encodeName(path())) == 0);
        QVERIFY(IniFile(path()).write("S", "K", "5"));
        QVERIFY(QFileInfo(path()).isSymLink());
        QCOMPARE(bytesOf(m_dir->filePath("real.ini")), "[S]\nK=5\n"_ba);
        struct stat info
        {
        };
        QVERIFY(::stat(QFile::encodeName(m_dir->filePath("real.ini")), &info) == 0);
        QCOMPARE(info.st_mode & 07777, 0640u);
    }

    void iniFolder_data()
    {
        QTest::addColumn<QString>("program"); // relative: in the test folder
        QTest::addColumn<QString>("expected"); // absolute: when no config home is given
        QTest::newRow("writable folder") << u"app"_s << u"app/"_s;
        QTest::newRow("one trailing separator") << u"app//"_s << u"app/"_s;
        QTest::newRow("missing folder") << u"gone"_s << u"cfg/mirovalent/"_s;
        QTest::newRow("no config home") << u"gone"_s << QDir::homePath() + "/.config/mirovalent/";
        QTest::newRow("installed tree") << u"pkg/bin"_s << u"cfg/mirovalent/"_s;
        QTest::newRow("installed tree holding the file") << u"own/bin"_s << u"own/bin/"_s;
        QTest::newRow("not named bin") << u"pkg/app"_s << u"pkg/app/"_s;
        QTest::newRow("bin without desktop entry") << u"usr/bin"_s << u"usr/bin/"_s;
        QTest::newRow("system folder") << u"/usr/bin"_s << u"cfg/mirovalent/"_s;
    }
    void iniFolder()
    {
        QFETCH(QString, program);
        QFETCH(QString, expected);
        const QString root = m_dir->path() + u'/';
        for (const QString tree : {"pkg", "own"})
            put(root + tree + "/share/applications/org.mirovalent.Mirovalent.desktop", "");
        put(root + "own/bin/mrvl.ini", "");
        if (!program.startsWith(u'/'))
            program.prepend(root);
        QVERIFY(program.endsWith(u"gone") || QDir().mkpath(program));
        const bool noConfigHome = expected.startsWith(u'/');
        QCOMPARE(iniFolderFor(program, noConfigHome ? QString() : root + "cfg"),
                 noConfigHome ? expected : root + expected);
    }

    // A panel that follows a rule of the time-zone database, as start-up reads it and shut-down
    // writes it back at a given instant.
    void dstRuleInTheFile_data()
    {
        QTest::addColumn<QByteArray>("zone"); // the [Zone] lines of panel 1
        QTest::addColumn<QDateTime>("at"); // when the file is written
        QTest::addColumn<bool>("follows"); // the panel runs on the rule
        QTest::addColumn<QByteArray>("after"); // the panel's keys after the save, in order
        QTest::addColumn<int>("warnings");
        const QDateTime change(QDate(2027, 3, 14), QTime(7, 0), Qt::UTC); // New York's
        const QByteArray ny = "Zone1=7\nDST1=1\n";
        const auto row = [](const char *name, const QByteArray &zone, const QDateTime &at,
                            bool follows, const QByteArray &after, int warnings = 0) {
            QTest::newRow(name) << zone << at << follows << after << warnings;
        };
        row("a rule and no dates: this year's dates are written for other readers",
            ny + "DSTRule1=America/New_York\n", change, true,
            ny + "DSTRule1=America/New_York\nDSS1=14 Mar\nDSE1=07 Nov\n");
        row("stale dates are rewritten from the rule",
            ny + "DSS1=10 Mar\nDSE1=03 Nov\nDSTRule1=America/New_York\n", change.addSecs(-1), true,
            ny + "DSS1=14 Mar\nDSE1=07 Nov\nDSTRule1=America/New_York\n");
        row("after the period ends, next year's", ny + "DSTRule1=America/New_York\n",
            QDateTime(QDate(2027, 11, 7), QTime(6, 0), Qt::UTC), true,
            ny + "DSTRule1=America/New_York\nDSS1=12 Mar\nDSE1=05 Nov\n");
        row("the southern period in force runs across New Year",
            "Zone1=29\nDST1=1\nDSTRule1= Australia/Sydney \n",
            QDateTime(QDate(2027, 1, 10), QTime(12, 0), Qt::UTC), true,
            "Zone1=29\nDST1=1\nDSTRule1= Australia/Sydney \nDSS1=04 Oct\nDSE1=04 Apr\n");
        row("a change at 24:00 is written as the day that ends there",
            "Zone1=8\nDST1=1\nDSTRule1=America/Santiago\n",
            QDateTime(QDate(2027, 2, 1), QTime(0, 0), Qt::UTC), true,
            "Zone1=8\nDST1=1\nDSTRule1=America/Santiago\nDSS1=06 Sep\nDSE1=04 Apr\n");
        row("no rule: manual dates as they are", ny + "DSS1=10 Mar\nDSE1=03 Nov\n", change, false,
            ny + "DSS1=10 Mar\nDSE1=03 Nov\n");
        row("an empty rule is manual dates", ny + "DSS1=10 Mar\nDSE1=03 Nov\nDSTRule1=\n", change,
            false, ny + "DSS1=10 Mar\nDSE1=03 Nov\nDSTRule1=\n");
        row("a zone the database does not know: manual dates, the text stays",
            ny + "DSS1=10 Mar\nDSE1=03 Nov\nDSTRule1=America/New_Yrok\n", change, false,
            ny + "DSS1=10 Mar\nDSE1=03 Nov\nDSTRule1=America/New_Yrok\n", 1);
        row("a rule is kept while the box is cleared",
            "Zone1=7\nDST1=0\nDSTRule1=America/New_York\n", change, false,
            "Zone1=7\nDST1=0\nDSTRule1=America/New_York\n");
    }
    void dstRuleInTheFile()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, at);
        QFETCH(bool, follows);
        QFETCH(QByteArray, after);
        QFETCH(int, warnings);
        put(path(), "[Zone]\n" + zone);
        expectWarnings(warnings);
        IniFile ini(path());
        const Settings loaded = loadSettings(ini, QLocale::c());
        QCOMPARE(loaded.zones[0].followsDstRule(), follows);
        QVERIFY(saveSettings(ini, loaded, at));
        // Only panel 1's keys: the rest of the file is the business of other tests.
        QByteArray panel;
        for (const QByteArray &line : bytesOf(path()).split('\n'))
            if (line.contains("1="))
                panel += line + '\n';
        QCOMPARE(panel, after);
    }

    // What the user's choices on a panel do to its daylight-saving settings.
    void dstChoices_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("rule"); // before the choice
        QTest::addColumn<bool>("dates"); // the panel holds manual dates before the choice
        QTest::addColumn<QString>("choice"); // "tick", "row N", "rule ID", "manual"
        QTest::addColumn<QByteArray>("ruleAfter");
        QTest::addColumn<QString>("datesAfter"); // "DSS/DSE" day and month, empty for none
        const auto row = [](const char *name, int row, const QByteArray &rule, bool dates,
                            const QString &choice, const QByteArray &ruleAfter,
                            const QString &datesAfter) {
            QTest::newRow(name) << row << rule << dates << choice << ruleAfter << datesAfter;
        };
        row("ticking a namesake row without dates follows its zone", 7, {}, false, "tick",
            "America/New_York", "");
        row("ticking a row with stored dates stays manual", 7, {}, true, "tick", {},
            "10 Mar/03 Nov");
        row("a row whose zones keep no daylight saving stays manual", 22, {}, false, "tick", {},
            "");
        row("Brisbane,Sydney follows Sydney", 29, {}, false, "tick", "Australia/Sydney", "");
        row("a new row takes its own namesake", 7, "America/New_York", false, "row 13",
            "Europe/London", "");
        row("a new row without daylight saving falls back to manual dates", 7, "America/New_York",
            false, "row 22", {}, "");
        row("a rule that fits the new row stays", 7, "America/Toronto", false, "row 7",
            "America/Toronto", "");
        row("another zone of the row's offset", 15, "Europe/Athens", false, "rule Asia/Jerusalem",
            "Asia/Jerusalem", "");
        row("manual dates start from the rule's", 7, "America/New_York", false, "manual", {},
            "14 Mar/07 Nov");
    }
    void dstChoices()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, rule);
        QFETCH(bool, dates);
        QFETCH(QString, choice);
        const QDateTime at(QDate(2027, 3, 1), QTime(12, 0), Qt::UTC);
        ZonePanelSettings panel;
        panel.row = row;
        panel.observeDst = choice == "tick" ? DstBox::Cleared : DstBox::Ticked;
        panel.dstRule = rule;
        if (dates) {
            panel.start.stored = DayMonth {10, 3};
            panel.end.stored = DayMonth {3, 11};
        }
        const QString argument = choice.section(' ', 1);
        if (choice == "tick")
            chooseObserveDst(panel, DstBox::Ticked, at);
        else if (choice.startsWith("row"))
            chooseRow(panel, argument.toInt(), at);
        else
            chooseDstRule(panel, argument.toUtf8(), at);
        QTEST(panel.dstRule, "ruleAfter");
        const auto stored = [](const DstDate &date) {
            return date.stored ? formatStoredDayMonth(*date.stored) : QString();
        };
        const QString datesAfter = panel.start.stored || panel.end.stored
                                           ? stored(panel.start) + '/' + stored(panel.end)
                                           : QString();
        QTEST(datesAfter, "datesAfter");
    }

    void table_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("held"); // null: no such key in the file
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("warnings");
        const auto row = [](const char *name, const char *section, const char *key,
                            const QString &held, const QString &expected, int warnings = 0) {
            QTest::newRow(name) << section << key << held << expected << warnings;
        };
        row("zone missing: no selection", "Zone", "Zone1", {}, "-1");
        row("zone with junk after the number", "Zone", "Zone1", "3x", "-1", 1);
        row("zone in full-width digits", "Zone", "Zone1", "３", "-1", 1);
        row("zone past the table", "Zone", "Zone1", "99", "-1", 1);
        row("zone that wraps to 3 in 32 bits", "Zone", "Zone1", "4294967299", "-1", 1);
        row("last zone of the table", "Zone", "Zone1", "31", "31");
        row("daylight state below the range", "Zone", "DST1", "-1", "0", 1);
        row("daylight state above the range", "Zone", "DST1", "3", "0", 1);
        row("interval quoted with blanks", "Settings", "SyncInt", "\" 3 \"", "3");
        row("no interval chosen", "Settings", "SyncInt", "-1", "-1");
        row("port missing: COM1", "Settings", "CommPort", {}, "1");
        row("port with a blank before it", "Settings", "CommPort", " 4", "4");
        row("line settings missing: the usual ones", "Settings", "Setting", {}, "9600,n,8,1");
    }
    void table()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, held);
        QFETCH(QString, expected);
        QFETCH(int, warnings);
        put(path(), u"[%1]\n%2"_s.arg(section, held.isNull() ? key : key + u'=' + held).toUtf8());
        expectWarnings(warnings);
        const IniFile ini(path());
        QMap<QString, QString> got; // by name, so that a misspelt one in the table fails
        for (const IntSetting &s : {settings::Zone[0], settings::DST[0], settings::SyncInt})
            got[QString::asprintf("%s/%s", s.section, s.key)] =
                    QString::number(readSetting(ini, s));
        for (const TextSetting &s : {settings::CommPort, settings::Setting})
            got[QString::asprintf("%s/%s", s.section, s.key)] = readSetting(ini, s);
        QCOMPARE(got.value(section + '/' + key, u"no such setting"_s), expected);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
