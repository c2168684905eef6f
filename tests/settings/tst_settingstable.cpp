#include "settings/SettingsTable.h"

#include "SettingsWarnings.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mrv;

namespace {

const IntSetting *intSetting(const QString &key)
{
    for (const IntSetting *table : {settings::Zone, settings::DST}) {
        for (int i = 0; i < 4; ++i) {
            if (key == QLatin1String(table[i].key))
                return &table[i];
        }
    }
    return key == QLatin1String(settings::SyncInt.key) ? &settings::SyncInt : nullptr;
}

const TextSetting *textSetting(const QString &key)
{
    for (const TextSetting *setting :
         {&settings::CommPort, &settings::Setting, &settings::DSS[0], &settings::DSE[3]}) {
        if (key == QLatin1String(setting->key))
            return setting;
    }
    return nullptr;
}

} // namespace

class TestSettingsTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readInt_data();
    void readInt();
    void readText_data();
    void readText();
    void shutDownWritesTheKnownLayout();

private:
    void store(const char *section, const QString &key, const QByteArray &line);
    QString path() const { return m_dir->filePath(QStringLiteral("mrvl.ini")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettingsTable::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// Puts "key<line>" in the section; a null line leaves the key out.
void TestSettingsTable::store(const char *section, const QString &key, const QByteArray &line)
{
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("[") + section + "]\nOther=1\n");
    if (!line.isNull())
        file.write(key.toUtf8() + line + '\n');
}

void TestSettingsTable::readInt_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("warns");

    QTest::newRow("missing") << "Zone1" << QByteArray() << -1 << false;
    QTest::newRow("empty") << "Zone1" << QByteArray("=") << -1 << false;
    QTest::newRow("not a number") << "Zone1" << QByteArray("=abc") << -1 << true;
    QTest::newRow("above the range") << "Zone1" << QByteArray("=99") << -1 << true;
    QTest::newRow("top of the range") << "Zone4" << QByteArray("=31") << 31 << false;
    QTest::newRow("one past the top") << "Zone4" << QByteArray("=32") << -1 << true;
    QTest::newRow("below the range") << "DST1" << QByteArray("=-1") << 0 << true;
    QTest::newRow("check state too high") << "DST4" << QByteArray("=3") << 0 << true;
    QTest::newRow("blanks around") << "SyncInt" << QByteArray("= 3 ") << 3 << false;
    QTest::newRow("blanks inside quotes") << "SyncInt" << QByteArray("=\" 3\t\"") << 3 << false;
    QTest::newRow("sync row -1") << "SyncInt" << QByteArray("=-1") << -1 << false;
    QTest::newRow("sync row too high") << "SyncInt" << QByteArray("=4") << 0 << true;
    QTest::newRow("plus sign") << "DST2" << QByteArray("=+1") << 1 << false;
    QTest::newRow("junk after") << "Zone3" << QByteArray("=3x") << -1 << true;
    QTest::newRow("decimal point") << "Zone3" << QByteArray("=3.0") << -1 << true;
    QTest::newRow("hexadecimal") << "Zone3" << QByteArray("=0x1") << -1 << true;
    QTest::newRow("full-width digit") << "Zone3" << QByteArray("=\xEF\xBC\x93") << -1 << true;
    QTest::newRow("would overflow") << "Zone3" << QByteArray("=4294967299") << -1 << true;
}

void TestSettingsTable::readInt()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, line);
    QFETCH(int, expected);
    QFETCH(bool, warns);

    const IntSetting *setting = intSetting(key);
    QVERIFY(setting);
    store(setting->section, key, line);
    SettingsWarnings warnings;
    QCOMPARE(readSetting(IniFile(path()), *setting), expected);
    QCOMPARE(!warnings.messages.isEmpty(), warns);
}

void TestSettingsTable::readText_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("port missing") << "CommPort" << QByteArray() << "1";
    QTest::newRow("port empty") << "CommPort" << QByteArray("=") << "1";
    QTest::newRow("port given") << "CommPort" << QByteArray("= 4") << "4";
    QTest::newRow("line settings missing") << "Setting" << QByteArray() << "9600,n,8,1";
    QTest::newRow("line settings given")
            << "Setting" << QByteArray("=19200,e,7,2") << "19200,e,7,2";
    QTest::newRow("start date missing") << "DSS1" << QByteArray() << "";
    QTest::newRow("end date given") << "DSE4" << QByteArray("=27 Oct") << "27 Oct";
}

void TestSettingsTable::readText()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);

    const TextSetting *setting = textSetting(key);
    QVERIFY(setting);
    store(setting->section, key, line);
    QCOMPARE(readSetting(IniFile(path()), *setting), expected);
}

// The names in the table are those that existing mrvl.ini files hold, in the order a first
// shut-down writes them (zones 1 and 3 observing daylight saving).
void TestSettingsTable::shutDownWritesTheKnownLayout()
{
    auto entry = [](const auto &setting, const QString &value) {
        return IniFile::Entry {QLatin1String(setting.section), QLatin1String(setting.key), value};
    };
    QList<IniFile::Entry> entries {entry(settings::CommPort, "3"), entry(settings::SyncInt, "2")};
    for (int i = 0; i < 4; ++i)
        entries << entry(settings::Zone[i], QString::number(i * 10 - 1));
    for (int i = 0; i < 4; ++i)
        entries << entry(settings::DST[i], QString::number(i % 2 == 0 ? 1 : 0));
    for (int i : {0, 2}) {
        entries << entry(settings::DSS[i], QStringLiteral("0%1 Mar").arg(i + 1))
                << entry(settings::DSE[i], QStringLiteral("0%1 Oct").arg(i + 1));
    }
    IniFile file(path());
    QVERIFY(file.writeAll(entries));

    QFile written(path());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()).replace(QStringLiteral("\r\n"), "\n"),
             QStringLiteral("[Settings]\nCommPort=3\nSyncInt=2\n"
                            "[Zone]\nZone1=-1\nZone2=9\nZone3=19\nZone4=29\n"
                            "DST1=1\nDST2=0\nDST3=1\nDST4=0\n"
                            "DSS1=01 Mar\nDSE1=01 Oct\nDSS3=03 Mar\nDSE3=03 Oct\n"));
    QCOMPARE(readSetting(file, settings::Zone[3]), 29);
    QCOMPARE(readSetting(file, settings::DSE[2]), u"03 Oct");
    QCOMPARE(readSetting(file, settings::Setting), u"9600,n,8,1");
    QCOMPARE(QString::fromLatin1(settings::PortsSection), u"Ports");
}

QTEST_GUILESS_MAIN(TestSettingsTable)
#include "tst_settingstable.moc"
