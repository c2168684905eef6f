// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The display strings, byte for byte, around daylight-saving changes and calendar edges; the
// zone facts they are built from; the option checks and the settings texts.

#include "domain/DisplayZone.h"

#include <QTest>

using namespace mrv;

Q_DECLARE_METATYPE(DisplayFormat)
Q_DECLARE_METATYPE(EncoderOptions)
Q_DECLARE_METATYPE(ZoneFacts)
Q_DECLARE_METATYPE(ZonePanelSettings)
Q_DECLARE_METATYPE(ZoneTime)

namespace {

QDateTime utc(const char *iso)
{
    QDateTime at = QDateTime::fromString(QLatin1String(iso), Qt::ISODate);
    at.setTimeSpec(Qt::UTC);
    return at;
}

// The input a display in `zone` gets at `at`, the zone facts taken from the database.
EncoderInput inputAt(const QString &zone, const QDateTime &at, bool synchronised)
{
    const std::optional<DisplayZone> displayZone = parseDisplayZone(zone);
    if (!displayZone)
        qFatal("unknown zone %s", qPrintable(zone));
    TimeSnapshot snapshot;
    snapshot.gmt = at;
    EncoderInput input;
    input.utc = at;
    input.zone = zoneFactsAt(*displayZone, snapshot, {});
    input.synchronised = synchronised;
    input.zoneCodes = {0x87, 0x0D, 0x8D, 0x1B};
    return input;
}

EncoderOptions nmea(QStringList sentences, const QString &talker = QStringLiteral("GP"),
                    bool east = true)
{
    EncoderOptions options;
    options.sentences = sentences;
    options.talker = talker;
    options.zoneSignEast = east;
    return options;
}

EncoderOptions templated(const QString &text)
{
    EncoderOptions options;
    options.templateText = text;
    return options;
}

} // namespace

class TestEncoders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void standardAndNena_data();
    void standardAndNena();
    void otherFormats_data();
    void otherFormats();
    void optionChecks_data();
    void optionChecks();
    void panelFacts_data();
    void panelFacts();
};

void TestEncoders::standardAndNena_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("at");
    QTest::addColumn<bool>("synchronised");
    QTest::addColumn<QByteArray>("standard"); // between STX and ETX
    QTest::addColumn<QByteArray>("nena");

    const auto row = [](const char *name, const char *zone, const char *at, const char *standard,
                        const char *nena, bool synchronised = true) {
        QTest::newRow(name) << QString::fromLatin1(zone) << QString::fromLatin1(at) << synchronised
                            << QByteArray(standard) << QByteArray(nena);
    };
    // New York: 8 Mar 2026 02:00 EST -> 03:00 EDT; 1 Nov 2026 02:00 EDT -> 01:00 EST.
    const char *ny = "America/New_York";
    row("New York spring, second before", ny, "2026-03-08T06:59:59",
        "D:08.03.26;T:7;U:01.59.59;   !", "\r\n   067 01:59:59 ITZ=05\r\n");
    row("New York spring, at", ny, "2026-03-08T07:00:00", "D:08.03.26;T:7;U:03.00.00;  S ",
        "\r\n   067 03:00:00 DTZ=05\r\n");
    row("New York autumn, second before", ny, "2026-11-01T05:59:59",
        "D:01.11.26;T:7;U:01.59.59;  S!", "\r\n   305 01:59:59 OTZ=05\r\n");
    row("New York autumn, at", ny, "2026-11-01T06:00:00", "D:01.11.26;T:7;U:01.00.00;    ",
        "\r\n   305 01:00:00 STZ=05\r\n");
    // London: 29 Mar 2026 01:00 GMT -> 02:00 BST; 25 Oct 2026 02:00 BST -> 01:00 GMT.
    const char *london = "Europe/London";
    row("London spring, second before", london, "2026-03-29T00:59:59",
        "D:29.03.26;T:7;U:00.59.59;   !", "\r\n   088 00:59:59 ITZ=00\r\n");
    row("London spring, at", london, "2026-03-29T01:00:00", "D:29.03.26;T:7;U:02.00.00;  S ",
        "\r\n   088 02:00:00 DTZ=00\r\n");
    row("London autumn, second before", london, "2026-10-25T00:59:59",
        "D:25.10.26;T:7;U:01.59.59;  S!", "\r\n   298 01:59:59 OTZ=00\r\n");
    row("London autumn, at", london, "2026-10-25T01:00:00", "D:25.10.26;T:7;U:01.00.00;    ",
        "\r\n   298 01:00:00 STZ=00\r\n");
    // Sydney: 5 Apr 2026 03:00 AEDT -> 02:00 AEST; 4 Oct 2026 02:00 AEST -> 03:00 AEDT.
    const char *sydney = "Australia/Sydney";
    row("Sydney autumn, second before", sydney, "2026-04-04T15:59:59",
        "D:05.04.26;T:7;U:02.59.59;  S!", "\r\n   095 02:59:59 OTZ=14\r\n");
    row("Sydney autumn, at", sydney, "2026-04-04T16:00:00", "D:05.04.26;T:7;U:02.00.00;    ",
        "\r\n   095 02:00:00 STZ=14\r\n");
    row("Sydney spring, second before", sydney, "2026-10-03T15:59:59",
        "D:04.10.26;T:7;U:01.59.59;   !", "\r\n   277 01:59:59 ITZ=14\r\n");
    row("Sydney spring, at", sydney, "2026-10-03T16:00:00", "D:04.10.26;T:7;U:03.00.00;  S ",
        "\r\n   277 03:00:00 DTZ=14\r\n");
    // Lord Howe shifts by 30 minutes: 5 Apr 2026 02:00 +11 -> 01:30 +10:30; 4 Oct back again.
    const char *lordHowe = "Australia/Lord_Howe";
    row("Lord Howe autumn, second before", lordHowe, "2026-04-04T14:59:59",
        "D:05.04.26;T:7;U:01.59.59;  S!", "\r\n   095 01:59:59 OTZ=14\r\n");
    row("Lord Howe autumn, at", lordHowe, "2026-04-04T15:00:00", "D:05.04.26;T:7;U:01.30.00;    ",
        "\r\n   095 01:30:00 STZ=14\r\n");
    row("Lord Howe spring, second before", lordHowe, "2026-10-03T15:29:59",
        "D:04.10.26;T:7;U:01.59.59;   !", "\r\n   277 01:59:59 ITZ=14\r\n");
    row("Lord Howe spring, at", lordHowe, "2026-10-03T15:30:00", "D:04.10.26;T:7;U:02.30.00;  S ",
        "\r\n   277 02:30:00 DTZ=14\r\n");
    // The announcements: '!' for the last hour, I and O for the last day.
    row("standard announces from an hour before", ny, "2026-03-08T06:00:00",
        "D:08.03.26;T:7;U:01.00.00;   !", "\r\n   067 01:00:00 ITZ=05\r\n");
    row("standard silent a second earlier", ny, "2026-03-08T05:59:59",
        "D:08.03.26;T:7;U:00.59.59;    ", "\r\n   067 00:59:59 ITZ=05\r\n");
    row("nena announces daylight from a day before", ny, "2026-03-07T07:00:00",
        "D:07.03.26;T:6;U:02.00.00;    ", "\r\n   066 02:00:00 ITZ=05\r\n");
    row("nena silent a second earlier", ny, "2026-03-07T06:59:59", "D:07.03.26;T:6;U:01.59.59;    ",
        "\r\n   066 01:59:59 STZ=05\r\n");
    row("nena announces standard from a day before", london, "2026-10-24T01:00:00",
        "D:24.10.26;T:6;U:02.00.00;  S ", "\r\n   297 02:00:00 OTZ=00\r\n");
    row("nena daylight a second earlier", london, "2026-10-24T00:59:59",
        "D:24.10.26;T:6;U:01.59.59;  S ", "\r\n   297 01:59:59 DTZ=00\r\n");
    // Calendar edges, zones without daylight saving, the status.
    row("UTC, last second of 2026", "utc", "2026-12-31T23:59:59", "D:31.12.26;T:4;U:23.59.59;  U ",
        "\r\n   365 23:59:59 STZ=00\r\n");
    row("UTC, New Year 2027", "UTC", "2027-01-01T00:00:00", "D:01.01.27;T:5;U:00.00.00;  U ",
        "\r\n   001 00:00:00 STZ=00\r\n");
    row("Tokyo, New Year while UTC is still in 2026", "Asia/Tokyo", "2026-12-31T15:00:00",
        "D:01.01.27;T:5;U:00.00.00;    ", "\r\n   001 00:00:00 STZ=15\r\n");
    row("29 February 2028", "UTC", "2028-02-29T12:00:00", "D:29.02.28;T:2;U:12.00.00;  U ",
        "\r\n   060 12:00:00 STZ=00\r\n");
    row("day 366 of 2028", "UTC", "2028-12-31T12:00:00", "D:31.12.28;T:7;U:12.00.00;  U ",
        "\r\n   366 12:00:00 STZ=00\r\n");
    row("Berlin, east of UTC, counts hours west round the clock", "Europe/Berlin",
        "2026-01-15T12:00:00", "D:15.01.26;T:4;U:13.00.00;    ", "\r\n   015 13:00:00 STZ=23\r\n");
    row("not synchronised", ny, "2026-07-01T12:00:00", "D:01.07.26;T:3;U:08.00.00;# S ",
        "\r\n?  182 08:00:00 DTZ=05\r\n", false);
}

void TestEncoders::standardAndNena()
{
    QFETCH(QString, zone);
    QFETCH(QString, at);
    QFETCH(bool, synchronised);
    QFETCH(QByteArray, standard);
    QFETCH(QByteArray, nena);

    const EncoderInput input = inputAt(zone, utc(qPrintable(at)), synchronised);
    const Encoded standardBytes = formatInfo(DisplayFormat::Standard).encode(input, {});
    QCOMPARE(standardBytes.bytes, '\x02' + standard + '\x03');
    QCOMPARE(standardBytes.bytes.size(), 32);
    QCOMPARE(formatInfo(DisplayFormat::Nena).encode(input, {}).bytes, nena);
}

void TestEncoders::otherFormats_data()
{
    QTest::addColumn<DisplayFormat>("format");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("at");
    QTest::addColumn<bool>("synchronised");
    QTest::addColumn<EncoderOptions>("options");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("onTime");

    const QString ny = QStringLiteral("America/New_York");
    const QString july = QStringLiteral("2026-07-01T12:34:56");
    const QStringList rmcZda {"RMC", "ZDA"};
    QTest::newRow("frame in New York carries GMT")
            << DisplayFormat::Frame << ny << july << true << EncoderOptions()
            << QByteArray("\xFE\x38\x22\x0C\x87\x0D\x8D\x1B\xFF") << 0;
    QTest::newRow("nmea in New York, zone east positive")
            << DisplayFormat::Nmea << ny << july << true << nmea(rmcZda)
            << QByteArray("$GPRMC,123456.00,A,,,,,,,010726,,,*21\r\n"
                          "$GPZDA,123456.00,01,07,2026,-04,00*48\r\n")
            << 0;
    QTest::newRow("nmea zone west positive")
            << DisplayFormat::Nmea << ny << july << true << nmea({"ZDA"}, "GP", false)
            << QByteArray("$GPZDA,123456.00,01,07,2026,04,00*65\r\n") << 0;
    QTest::newRow("nmea half-hour zone west of UTC signs both fields")
            << DisplayFormat::Nmea << "America/St_Johns" << july << true << nmea({"ZDA"})
            << QByteArray("$GPZDA,123456.00,01,07,2026,-02,-30*60\r\n") << 0;
    QTest::newRow("nmea half-hour zone east of UTC")
            << DisplayFormat::Nmea << "Asia/Kolkata" << july << true << nmea({"ZDA"})
            << QByteArray("$GPZDA,123456.00,01,07,2026,05,30*67\r\n") << 0;
    QTest::newRow("nmea not synchronised, in the order chosen, other talker")
            << DisplayFormat::Nmea << "UTC"
            << "2027-01-01T00:00:00" << false << nmea({"GGA", "RMC", "ZDA"}, "GN")
            << QByteArray("$GNGGA,000000.00,,,,,0,00,,,M,,M,,*56\r\n"
                          "$GNRMC,000000.00,V,,,,,,,010127,,,*28\r\n"
                          "$GNZDA,000000.00,01,01,2027,00,00*7F\r\n")
            << 0;
    QTest::newRow("nmea with a bad talker sends nothing")
            << DisplayFormat::Nmea << ny << july << true << nmea(rmcZda, "gp") << QByteArray() << 0;
    QTest::newRow("template, every code, an hour before the autumn change")
            << DisplayFormat::Template << ny << "2026-11-01T05:59:59" << true
            << templated("%Y-%m-%d %j %w %H:%M:%S.%L %D%s%z %y %%")
            << QByteArray("2026-11-01 305 7 01:59:59.000 O -0400 26 %") << 0;
    // The checksum of the sentence every NMEA description quotes.
    QTest::newRow("template checksum as a published NMEA sentence")
            << DisplayFormat::Template << ny << july << true
            << templated(
                       "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W%*\\r\\n")
            << QByteArray("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"
                          "\r\n")
            << 0;
    QTest::newRow("template on-time mark and escapes")
            << DisplayFormat::Template << "UTC" << july << false
            << templated("\\x02%H%M%^%S%s\\\\\\r\\n")
            << QByteArray("\x02"
                          "123456?\\\r\n")
            << 5;
    QTest::newRow("template in Lord Howe's standard time")
            << DisplayFormat::Template << "Australia/Lord_Howe" << july << true
            << templated("%H:%M:%S%z %D") << QByteArray("23:04:56+1030 S") << 0;
    QTest::newRow("unusable template sends nothing")
            << DisplayFormat::Template << ny << july << true << templated("%H%q") << QByteArray()
            << 0;
}

void TestEncoders::otherFormats()
{
    QFETCH(DisplayFormat, format);
    QFETCH(QString, zone);
    QFETCH(QString, at);
    QFETCH(bool, synchronised);
    QFETCH(EncoderOptions, options);
    QFETCH(QByteArray, expected);
    QFETCH(int, onTime);

    const Encoded encoded =
            formatInfo(format).encode(inputAt(zone, utc(qPrintable(at)), synchronised), options);
    QCOMPARE(encoded.bytes, expected);
    QCOMPARE(encoded.onTimeIndex, onTime);
}

void TestEncoders::optionChecks_data()
{
    QTest::addColumn<DisplayFormat>("format");
    QTest::addColumn<EncoderOptions>("options");
    QTest::addColumn<QString>("why");

    const auto t = DisplayFormat::Template;
    QTest::newRow("template fine") << t << templated("%Y%%\\x0D%^%*") << QString();
    QTest::newRow("unknown code") << t << templated("%H:%M %q")
                                  << "unknown code “%q” at character 7";
    QTest::newRow("unknown escape")
            << t << templated("%H\\q") << "unknown escape “\\q” at character 3";
    QTest::newRow("short hex escape")
            << t << templated("\\x4g") << "“\\x” at character 1 needs two hexadecimal digits";
    QTest::newRow("second on-time mark")
            << t << templated("%^a%^b") << "a second “%^” at character 4";
    QTest::newRow("second checksum") << t << templated("$a%*%*") << "a second “%*” at character 5";
    QTest::newRow("mark at the end")
            << t << templated("abc%^") << "“%^” at character 4 marks no character";
    QTest::newRow("lone percent") << t << templated("abc%")
                                  << "a lone “%” at character 4 ends the template";
    QTest::newRow("non-ASCII") << t << templated("12°C")
                               << "“°” at character 3 is not ASCII: write its byte as \\xHH";
    QTest::newRow("empty template") << t << templated("") << "the template is empty";
    QTest::newRow("nmea fine") << DisplayFormat::Nmea << nmea({"GGA", "ZDA"}) << QString();
    QTest::newRow("no sentence") << DisplayFormat::Nmea << nmea({})
                                 << "no NMEA sentence chosen: use RMC, ZDA or GGA";
    QTest::newRow("unknown sentence") << DisplayFormat::Nmea << nmea({"RMC", "GSV"})
                                      << "unknown NMEA sentence “GSV”: use RMC, ZDA or GGA";
    QTest::newRow("sentence twice") << DisplayFormat::Nmea << nmea({"ZDA", "RMC", "ZDA"})
                                    << "the NMEA sentence “ZDA” is chosen twice";
    QTest::newRow("lower-case talker")
            << DisplayFormat::Nmea << nmea({"RMC"}, "gp")
            << "the talker “gp” is not two upper-case letters (such as GP)";
    QTest::newRow("frame ignores options") << DisplayFormat::Frame << templated("%q") << QString();
}

void TestEncoders::optionChecks()
{
    QFETCH(DisplayFormat, format);
    QFETCH(EncoderOptions, options);
    QFETCH(QString, why);
    QCOMPARE(checkEncoderOptions(format, options), why);
}

void TestEncoders::panelFacts_data()
{
    QTest::addColumn<ZonePanelSettings>("panel");
    QTest::addColumn<ZoneTime>("time");
    QTest::addColumn<QString>("gmt");
    QTest::addColumn<ZoneFacts>("expected");

    const auto panel = [](int row, DstBox box, const QByteArray &rule = {}) {
        ZonePanelSettings settings;
        settings.row = row;
        settings.observeDst = box;
        settings.dstRule = rule;
        return settings;
    };
    const auto time = [](bool daylight, const char *start, const char *end,
                         const QDateTime &ruleNext = {}) {
        ZoneTime zone;
        zone.daylight = daylight;
        zone.window = {QDate::fromString(start, Qt::ISODate), QDate::fromString(end, Qt::ISODate)};
        zone.nextChange = ruleNext;
        return zone;
    };
    const auto facts = [](qint32 offset, qint32 standard, bool daylight, const char *next,
                          bool startsDaylight) {
        return ZoneFacts {offset,        standard, daylight, false, next ? utc(next) : QDateTime(),
                          startsDaylight};
    };
    QTest::newRow("manual dates in daylight end at the panel's daylight midnight")
            << panel(7, DstBox::Ticked) << time(true, "2026-03-08", "2026-11-01")
            << "2026-07-01T12:00:00" << facts(-14400, -18000, true, "2026-11-01T04:00:00", false);
    QTest::newRow("manual dates before the window start at the panel's standard midnight")
            << panel(7, DstBox::Ticked) << time(false, "2027-03-14", "2027-11-07")
            << "2026-12-01T12:00:00" << facts(-18000, -18000, false, "2027-03-14T05:00:00", true);
    QTest::newRow("a rule's change comes from the rule")
            << panel(7, DstBox::Ticked, "America/New_York")
            << time(true, "2026-03-08", "2026-11-01", utc("2026-11-01T06:00:00"))
            << "2026-07-01T12:00:00" << facts(-14400, -18000, true, "2026-11-01T06:00:00", false);
    QTest::newRow("a panel not observing announces nothing")
            << panel(21, DstBox::Greyed) << time(false, "2026-03-08", "2026-11-01")
            << "2026-07-01T12:00:00" << facts(19800, 19800, false, nullptr, false);
    QTest::newRow("a panel without a row is GMT")
            << panel(-1, DstBox::Cleared) << time(false, "", "") << "2026-07-01T12:00:00"
            << facts(0, 0, false, nullptr, false);
}

void TestEncoders::panelFacts()
{
    QFETCH(ZonePanelSettings, panel);
    QFETCH(ZoneTime, time);
    QFETCH(QString, gmt);
    QFETCH(ZoneFacts, expected);

    TimeSnapshot snapshot;
    snapshot.gmt = utc(qPrintable(gmt));
    std::array<ZonePanelSettings, kZonePanels> panels;
    panels[2] = panel;
    snapshot.zones[2] = time;
    QCOMPARE(zoneFactsAt(DisplayZone {DisplayZone::Kind::Panel, 3, {}}, snapshot, panels),
             expected);
}

QTEST_GUILESS_MAIN(TestEncoders)
#include "tst_encoders.moc"
