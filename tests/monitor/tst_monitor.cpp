// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Distribution.h"
#include "FrameReport.h"
#include "FrameDecoder.h"
#include "MonitorOptions.h"
#include "StreamDecoder.h"
#include "StringReport.h"
#include "platform/SerialPort.h"
#include "domain/SyncFrame.h"
#include "domain/ZoneTable.h"

#include "Pty.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <optional>
#include <termios.h>

using namespace mrv;

Q_DECLARE_METATYPE(mrv::InputFormat)

namespace {

const QByteArray kExample = QByteArray::fromHex("FE073B170D96051FFF"); // 23:59:07, 13 150 5 31
const QByteArray kMidnight = QByteArray::fromHex("FE00000000000000FF");
const QByteArray kPublishedRmc =
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const QByteArray kRmc = "$GPRMC,235907.00,V,,,,,,,100324,,,*3D\r\n";
const QByteArray kZda = "$GPZDA,235907.00,10,03,2024,-05,00*42\r\n";
const QByteArray kGga = "$GPGGA,235959.00,,,,,0,00,,,M,,M,,*49\r\n";
const QByteArray kStandard = "\x02"
                             "D:10.03.24;T:7;U:18.59.07;  S!\x03";
const QByteArray kNena = "\r\n?  070 01:59:07 ITZ=05\r\n";

// Microseconds since the epoch: a UTC second and 431 us into it.
qint64 justAfter(const QDateTime &utc)
{
    return utc.toSecsSinceEpoch() * 1'000'000 + 431;
}

// What was found, by kind: "frame", "nmea GPZDA", with " same second" for an NMEA follower.
QStringList kinds(const QList<StreamItem> &items)
{
    QStringList out;
    for (const StreamItem &item : items) {
        const QString sentence = QString::fromLatin1(item.string.sentence);
        out << (item.isFrame ? QStringLiteral("frame")
                             : (stringFormatName(item.string.format) + ' ' + sentence).trimmed()
                                       + (item.onTime ? "" : " same second"));
    }
    return out;
}

QList<QByteArray> asBytes(const QList<DecodedFrame> &frames)
{
    QList<QByteArray> out;
    for (const DecodedFrame &frame : frames)
        out << frame.bytes();
    return out;
}

// The monitor binary, run as a user would.
struct MonitorRun
{
    explicit MonitorRun(const QStringList &arguments) { process.start(MONITOR_BINARY, arguments); }
    ~MonitorRun() { process.kill(), process.waitForFinished(2000); }
    QString err() { return errText += QString::fromLocal8Bit(process.readAllStandardError()); }
    QString out() { return outText += QString::fromLocal8Bit(process.readAllStandardOutput()); }
    bool ready()
    {
        return QTest::qWaitFor([&] { return err().contains("listening on"); }, 5000);
    }
    // User and system clock ticks so far; none when they cannot be read.
    std::optional<long> cpuTicks() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return std::nullopt;
        const auto fields = stat.readAll().split(')').last().split(' '); // after the command name
        bool user = false, system = false;
        const long ticks = fields.value(12).toLong(&user) + fields.value(13).toLong(&system);
        return user && system ? std::optional(ticks) : std::nullopt;
    }
    QProcess process;
    QString outText, errText;
};

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodesFields()
    {
        const DecodedFrame f = FrameDecoder().feed(kExample).value(0);
        QCOMPARE(f.gmt(), QTime(23, 59, 7));
        QCOMPARE(f.row(1), 22);
        QVERIFY(f.daylight(1) && !f.daylight(0));
        QCOMPARE(f.shows(1), QTime(6, 44, 7)); // +5:45 and an hour of daylight saving
        QCOMPARE(f.shows(2), QTime(16, 59, 7)); // west of GMT
    }

    // The frame has no date: the nearest day counts, across midnight either way.
    void offsetInMicroseconds_data()
    {
        QTest::addColumn<QDateTime>("arrivalSecond"); // UTC
        QTest::addColumn<qint64>("fractionUs");
        QTest::addColumn<qint64>("offsetUs");
        const QDate day(2024, 3, 10);
        QTest::newRow("in its second") << QDateTime(day, {23, 59, 7}, Qt::UTC) << 431ll << 431ll;
        QTest::newRow("at its start") << QDateTime(day, {23, 59, 7}, Qt::UTC) << 0ll << 0ll;
        QTest::newRow("one microsecond early")
                << QDateTime(day, {23, 59, 6}, Qt::UTC) << 999'999ll << -1ll;
        QTest::newRow("next day, after midnight")
                << QDateTime(day, {0, 0, 0}, Qt::UTC) << 250'000ll << 53'250'000ll;
        QTest::newRow("a second stale")
                << QDateTime(day, {23, 59, 8}, Qt::UTC) << 7ll << 1'000'007ll;
    }
    void offsetInMicroseconds()
    {
        QFETCH(QDateTime, arrivalSecond);
        QFETCH(qint64, fractionUs);
        QFETCH(qint64, offsetUs);
        const DecodedFrame f = FrameDecoder().feed(kExample).value(0);
        const qint64 arrivalUs = arrivalSecond.toSecsSinceEpoch() * 1'000'000 + fractionUs;
        QCOMPARE(arrivalOffsetUs(f, arrivalUs), offsetUs);
        const FrameArrival a = frameArrival(f, arrivalUs);
        QCOMPARE(a.frameSecond() * 1'000'000 + offsetUs, arrivalUs);
    }

    void millisecondText_data()
    {
        QTest::addColumn<qint64>("micros");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0ll << "+0.00";
        QTest::newRow("rounds down below 5 us") << 434ll << "+0.43";
        QTest::newRow("a half rounds away from zero") << 435ll << "+0.44";
        QTest::newRow("a tiny negative is zero") << -4ll << "+0.00";
        QTest::newRow("negative half") << -5ll << "-0.01";
        QTest::newRow("whole milliseconds") << -1'250ll << "-1.25";
        QTest::newRow("carries into the millisecond") << 999'996ll << "+1000.00";
        QTest::newRow("a second and more") << 53'250'007ll << "+53250.01";
    }
    void millisecondText()
    {
        QFETCH(qint64, micros);
        QFETCH(QString, text);
        QCOMPARE(millisText(micros), text);
    }

    void isoTimeInMicroseconds()
    {
        const qint64 second =
                QDateTime(QDate(2027, 3, 14), {6, 59, 59}, Qt::UTC).toSecsSinceEpoch();
        QCOMPARE(isoMicrosText(second * 1'000'000 + 431), "2027-03-14T06:59:59.000431Z");
        QCOMPARE(isoMicrosText(-1), "1969-12-31T23:59:59.999999Z");
    }

    void percentiles_data()
    {
        QTest::addColumn<QList<qint64>>("samples");
        QTest::addColumn<QList<qint64>>("minP50P99Max");
        QList<qint64> hundred;
        for (qint64 i = 100; i >= 1; --i) // given out of order
            hundred << i * 10;
        QTest::newRow("none") << QList<qint64> {} << QList<qint64> {0, 0, 0, 0};
        QTest::newRow("one") << QList<qint64> {-7} << QList<qint64> {-7, -7, -7, -7};
        QTest::newRow("hundred: p99 is the 99th, not the largest")
                << hundred << QList<qint64> {10, 500, 990, 1000};
        QTest::newRow("repeated values: nearest rank")
                << QList<qint64> {5, 5, 5, 900} << QList<qint64> {5, 5, 900, 900};
    }
    void percentiles()
    {
        QFETCH(QList<qint64>, samples);
        QFETCH(QList<qint64>, minP50P99Max);
        Distribution d;
        for (qint64 v : samples)
            d.add(v);
        QCOMPARE(d.count(), samples.size());
        QCOMPARE((QList {d.min(), d.percentile(50), d.percentile(99), d.max()}), minP50P99Max);
    }

    void summary_data()
    {
        QTest::addColumn<QList<qint64>>("offsetsUs");
        QTest::addColumn<QList<qint64>>("delaysUs");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing came")
                << QList<qint64> {} << QList<qint64> {} << "frames 0, errors 1, discarded bytes 12";
        QTest::newRow("frames")
                << QList<qint64> {431, 1'204, 87, 2'995} << QList<qint64> {3, 41, 4}
                << "frames 4, errors 1, discarded bytes 12, offset ms p50 +0.43 p99 +3.00 max "
                   "+3.00, read delay us p50 4 p99 41 max 41, frames with a wrong DST flag 2";
    }
    void summary()
    {
        QFETCH(QList<qint64>, offsetsUs);
        QFETCH(QList<qint64>, delaysUs);
        QFETCH(QString, text);
        RunFigures figures;
        figures.frames = offsetsUs.size();
        figures.errors = 1;
        figures.discardedBytes = 12;
        figures.wrongDaylightFrames = offsetsUs.isEmpty() ? 0 : 2;
        for (qint64 v : offsetsUs)
            figures.offsetsUs.add(v);
        for (qint64 v : delaysUs)
            figures.readDelaysUs.add(v);
        QCOMPARE(summaryText(figures), text);
    }

    // Each panel's daylight flag against the database for its namesake city, at the second the
    // frame names, on either side of a change.
    void daylightCheck_data()
    {
        QTest::addColumn<QDateTime>("gmt");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<QString>("panelText"); // the end of panel 2's line
        using C = QDateTime;
        const QDate ny(2027, 3, 14); // 2:00 EST becomes 3:00 EDT: 07:00 GMT
        QTest::newRow("New York, last standard second, flag clear")
                << C(ny, {6, 59, 59}, Qt::UTC) << 7 << false << "  ok";
        QTest::newRow("New York, first daylight second, flag clear")
                << C(ny, {7, 0, 0}, Qt::UTC) << 7 << false
                << "  WRONG: America/New_York is on daylight saving time";
        QTest::newRow("New York, last standard second, flag set")
                << C(ny, {6, 59, 59}, Qt::UTC) << 7 << true
                << "  WRONG: America/New_York is on standard time";
        QTest::newRow("New York, first daylight second, flag set")
                << C(ny, {7, 0, 0}, Qt::UTC) << 7 << true << "  ok";
        const QDate sydney(2027, 4, 3); // 3:00 AEDT becomes 2:00 AEST: 16:00 GMT the day before
        QTest::newRow("Sydney, last daylight second")
                << C(sydney, {15, 59, 59}, Qt::UTC) << 29 << true << "  ok";
        QTest::newRow("Sydney, first standard second, flag still set")
                << C(sydney, {16, 0, 0}, Qt::UTC) << 29 << true
                << "  WRONG: Australia/Sydney is on standard time";
        QTest::newRow("London, first summer second")
                << C(QDate(2027, 3, 28), {1, 0, 0}, Qt::UTC) << 13 << true << "  ok";
        QTest::newRow("Auckland in its summer")
                << C(QDate(2027, 1, 1), {23, 59, 59}, Qt::UTC) << 31 << true << "  ok";
        QTest::newRow("a zone with no city") << C(ny, {7, 0, 0}, Qt::UTC) << 11 << true << "  -";
    }
    void daylightCheck()
    {
        QFETCH(QDateTime, gmt);
        QFETCH(int, row);
        QFETCH(bool, flag);
        QFETCH(QString, panelText);
        // Panels 1, 3 and 4 show Tokyo, which has no daylight saving: their clear flags hold.
        const QByteArray bytes = buildSyncFrame(gmt, {27, makeZoneCode(row, flag), 27, 27});
        const DecodedFrame f = FrameDecoder().feed(bytes).value(0);
        // Arrived 0.4 ms into the second it names.
        const FrameArrival a = frameArrival(f, gmt.toSecsSinceEpoch() * 1'000'000 + 400);
        const bool wrong = panelText.startsWith("  WRONG");

        const QStringList lines = frameText(a).split('\n');
        QCOMPARE(lines.size(), 6); // four panels and the final newline
        QVERIFY2(lines[0].endsWith(wrong ? "(+0.40 ms)  DST WRONG: panel 2" : "(+0.40 ms)  DST ok"),
                 qPrintable(lines[0]));
        QVERIFY2(lines[2].endsWith(panelText), qPrintable(lines[2]));
        QVERIFY2(lines[1].endsWith("  ok"), qPrintable(lines[1]));

        const QJsonObject json = QJsonDocument::fromJson(frameJson(a).toUtf8()).object();
        QCOMPARE(json["dst_ok"].toBool(), !wrong);
        const QJsonObject panel = json["slots"][1].toObject();
        QCOMPARE(panel["dst"].toBool(), flag);
        if (panelText == "  -") {
            QVERIFY(panel["tz"].isNull() && panel["tz_dst"].isNull() && panel["dst_ok"].isNull());
        } else {
            QCOMPARE(panel["tz"].toString(), QString::fromLatin1(namesakeZoneId(row)));
            QCOMPARE(panel["tz_dst"].toBool(), flag != wrong);
            QCOMPARE(panel["dst_ok"].toBool(), !wrong);
        }
        QCOMPARE(json["offset_us"].toInteger(), 400);
        QCOMPARE(a.disagreeing(), wrong ? QList {2} : QList<int> {});
    }

    void findsFrames_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::addColumn<qint64>("errors");
        QTest::addColumn<qint64>("discarded"); // bytes
        const QByteArray maxima = QByteArray::fromHex("FE3B3B179F9F9F9FFF");
        QTest::newRow("largest and smallest fields, noise around")
                << "\x01\x02" + maxima + kMidnight + "\xFF\x0A\x33" << QList {maxima, kMidnight}
                << qint64(0) << qint64(5);
        // Broken frames, each followed by a good one that must still be found.
        const auto broken = [](const char *name, const char *bad, qint64 discarded) {
            QTest::newRow(name) << QByteArray::fromHex(bad) + kExample << QList {kExample}
                                << qint64(1) << discarded;
        };
        broken("second 60", "FE3C3B170D0D0D0DFF", 9);
        broken("minute 60", "FE073C170D0D0D0DFF", 9);
        broken("hour 24", "FE073B180D0D0D0DFF", 9);
        broken("row 32", "FE073B17200D0D0DFF", 9);
        broken("cut short by a new frame", "FE073B17", 4);
        broken("no end marker, one byte too long", "FE073B170D96051F1FFF", 10);
    }
    void findsFrames()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QList<QByteArray>, expected);
        QFETCH(qint64, errors);
        QFETCH(qint64, discarded);
        for (qint64 cut = 0; cut <= stream.size(); ++cut) { // split anywhere; cut shown first
            FrameDecoder decoder;
            QList<QByteArray> found = asBytes(decoder.feed(stream.first(cut)));
            found += asBytes(decoder.feed(stream.sliced(cut)));
            QCOMPARE((QList {cut, decoder.frames(), decoder.errors(), decoder.discardedBytes(),
                             qint64(decoder.pendingBytes())}),
                     (QList {cut, expected.size(), errors, discarded, 0ll}));
            QCOMPARE(found, expected);
        }
    }

    // Noise with good frames sprinkled in, read in random pieces. Noise may by chance form a good
    // frame too, so the sent frames must come out as an ordered subsequence of what is found.
    void randomStreamWithFrames()
    {
        QRandomGenerator rng(20240611);
        QByteArray stream;
        QList<QByteArray> sent;
        for (int i = 0; i < 2000; ++i) {
            for (int n = int(rng.bounded(20)); n > 0; --n)
                stream.append(char(rng.bounded(256)));
            DecodedFrame f {quint8(rng.bounded(60)), quint8(rng.bounded(60)),
                            quint8(rng.bounded(24))};
            qToLittleEndian(rng.generate() & 0x9F9F9F9F, f.zoneCodes.data()); // rows, DST bits
            stream += sent.emplace_back(f.bytes());
        }
        FrameDecoder decoder;
        qsizetype next = 0;
        for (qsizetype at = 0, length; at < stream.size(); at += length) {
            length = rng.bounded(1, 40);
            for (const QByteArray &frame : asBytes(decoder.feed(stream.mid(at, length))))
                next += next < sent.size() && frame == sent.at(next);
            QVERIFY(decoder.pendingBytes() < kFrameSize);
        }
        QCOMPARE(next, sent.size());
        QCOMPARE(decoder.discardedBytes() + decoder.frames() * kFrameSize, stream.size());
    }

    // Each string as it decodes, taken in two pieces cut anywhere, with the line a person reads
    // (after the local arrival time, which depends on the machine's zone).
    void decodesStrings_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("sevenBit");
        QTest::addColumn<QDateTime>("arrival"); // UTC; 431 us into this second
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<qint64>("errors");
        const auto at = [](int y, int mo, int d, int h, int mi, int s) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
        };
        const auto row = [](const char *name, const QByteArray &stream, const QDateTime &arrival,
                            const QStringList &lines, qint64 errors = 0, bool sevenBit = false) {
            QTest::newRow(name) << stream << sevenBit << arrival << lines << errors;
        };
        row("nmea: published RMC, its checksum", kPublishedRmc, at(1994, 3, 23, 12, 35, 19),
            {"nmea GPRMC  UTC 12:35:19  1994-03-23  synchronised  (+0.43 ms)"});
        row("nmea: RMC not synchronised, a second late", kRmc, at(2024, 3, 10, 23, 59, 8),
            {"nmea GPRMC  UTC 23:59:07  2024-03-10  not synchronised  (+1000.43 ms)"});
        row("nmea: ZDA west of UTC", kZda, at(2024, 3, 10, 23, 59, 7),
            {"nmea GPZDA  UTC 23:59:07  2024-03-10  zone UTC-05:00  (+0.43 ms)"});
        row("nmea: ZDA of a half-hour zone, another talker",
            "$GNZDA,083015.00,11,03,2024,10,30*72\r\n", at(2024, 3, 11, 8, 30, 15),
            {"nmea GNZDA  UTC 08:30:15  2024-03-11  zone UTC+10:30  (+0.43 ms)"});
        row("nmea: GGA has no date, so the nearest day, across midnight", kGga,
            at(2024, 3, 11, 0, 0, 0), {"nmea GPGGA  UTC 23:59:59  (+1000.43 ms)"});
        row("standard: New York in daylight, change within the hour", kStandard,
            at(2024, 3, 10, 22, 59, 7),
            {"standard  local 18:59:07  2024-03-10 Sun  daylight, change within the hour, "
             "synchronised  (+0.43 ms)"});
        row("standard: UTC, not synchronised, early",
            "\x02"
            "D:11.03.24;T:1;U:08.30.15;# U \x03",
            at(2024, 3, 11, 8, 30, 14),
            {"standard  local 08:30:15  2024-03-11 Mon  UTC, not synchronised  (-999.57 ms)"});
        row("nena: into daylight within a day, not synchronised", kNena, at(2024, 3, 10, 6, 59, 7),
            {"nena  local 01:59:07  day 070  standard offset UTC-05:00, standard, change into "
             "daylight within 24 h, not synchronised  (+0.43 ms)"});
        row("nena: east of UTC, daylight", "\r\n   071 12:00:00 DTZ=-10\r\n",
            at(2024, 3, 11, 1, 0, 0),
            {"nena  local 12:00:00  day 071  standard offset UTC+10:00, daylight, synchronised  "
             "(+0.43 ms)"});
        row("standard: even parity on a 7-bit line",
            QByteArray::fromHex("82443AB1302E30332EB2B4BBD43AB7BB553AB1B82E35392E30B7BBA0A0532103"),
            at(2024, 3, 10, 22, 59, 7),
            {"standard  local 18:59:07  2024-03-10 Sun  daylight, change within the hour, "
             "synchronised  (+0.43 ms)"},
            0, true);
        row("standard: parity bits on an 8-bit line are noise",
            QByteArray::fromHex("82443AB1302E30332EB2B4BBD43AB7BB553AB1B82E35392E30B7BBA0A0532103"),
            at(2024, 3, 10, 22, 59, 7), {});
        row("noise and strings that never took shape", "\x01\x80$G\x02X\r\r\n?x\n",
            at(2024, 3, 10, 0, 0, 0), {});

        // Broken strings say what is wrong; the next good one is still found.
        const auto broken = [&](const char *name, const QByteArray &stream, const QString &line) {
            row(name, stream, at(2024, 3, 11, 0, 0, 0), {line}, 1);
        };
        broken("nmea: bad checksum", QByteArray(kPublishedRmc).replace("*6A", "*6B"),
               "nmea  NOT DECODED: bad checksum 6B, computed 6A  \"$GPRMC,123519,A,4807.038,N,"
               "01131.000,E,022.4,084.4,230394,003.1,W*6B\\r\\n\"");
        broken("nmea: checksum in lower case", "$GPGSV,1,1,00*7a\r\n",
               "nmea  NOT DECODED: checksum \"7a\" is not two upper-case hex digits  "
               "\"$GPGSV,1,1,00*7a\\r\\n\"");
        broken("nmea: a sentence without a time", "$GPGSV,1,1,00*79\r\n",
               "nmea GPGSV  NOT DECODED: sentence GSV is none of RMC, ZDA, GGA  "
               "\"$GPGSV,1,1,00*79\\r\\n\"");
        broken("nmea: ZDA on the 31st of February", "$GPZDA,235907.00,31,02,2024,-05,00*40\r\n",
               "nmea GPZDA  NOT DECODED: no such date 31,02,2024  "
               "\"$GPZDA,235907.00,31,02,2024,-05,00*40\\r\\n\"");
        broken("standard: weekday not the date's",
               "\x02"
               "D:10.03.24;T:1;U:18.59.07;  S!\x03",
               "standard  NOT DECODED: weekday 1, but 2024-03-10 is day 7 of its week  "
               "\"\\x02D:10.03.24;T:1;U:18.59.07;  S!\\x03\"");
        broken("nena: day 367", "\r\n   367 12:00:00 STZ=05\r\n",
               "nena  NOT DECODED: day of the year 367 is not 001..366  "
               "\"\\r\\n   367 12:00:00 STZ=05\\r\\n\"");
        broken("nmea: overlong line", "$GPTXT," + QByteArray(80, 'A') + "\r\n",
               "nmea  NOT DECODED: longer than 82 bytes  \"$GPTXT," + QString(75, 'A') + '"');
        row("nmea: cut short by the next sentence", "$GPRMC,1235" + kGga, at(2024, 3, 11, 0, 0, 0),
            {"nmea  NOT DECODED: cut short after 11 bytes  \"$GPRMC,1235\"",
             "nmea GPGGA  UTC 23:59:59  (+1000.43 ms)"},
            1);
        row("standard: cut short by a frame", kStandard.first(20) + kExample,
            at(2024, 3, 11, 0, 0, 0),
            {"standard  NOT DECODED: cut short after 20 bytes  \"\\x02D:10.03.24;T:7;U:18\""}, 1);
    }
    void decodesStrings()
    {
        QFETCH(QByteArray, stream);
        QFETCH(bool, sevenBit);
        QFETCH(QDateTime, arrival);
        QFETCH(QStringList, lines);
        QFETCH(qint64, errors);
        const ReadStamp stamp {justAfter(arrival), 0};
        for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
            StreamDecoder decoder(InputFormat::Auto, sevenBit);
            QList<StreamItem> items = decoder.feed(stream.first(cut), stamp);
            items += decoder.feed(stream.sliced(cut), stamp);
            QStringList found;
            for (const StreamItem &item : items) {
                if (!item.isFrame)
                    found << stringText(stringArrival(item)).mid(17).chopped(1);
            }
            QCOMPARE((QList {cut, decoder.errors()}), (QList {cut, errors}));
            QCOMPARE(found, lines);
        }
    }

    // One stream with every format in it, read in random pieces: auto finds each, a named
    // format only its own; an NMEA sentence naming the second of the one before follows it.
    void tellsFormatsApart_data()
    {
        QTest::addColumn<InputFormat>("format");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<qint64>("errors");
        QTest::newRow("auto") << InputFormat::Auto
                              << QStringList {"frame",    "nmea GPRMC", "nmea GPZDA same second",
                                              "standard", "nena",       "frame"}
                              << 1ll; // the lone FE
        QTest::newRow("frame") << InputFormat::Frame << QStringList {"frame", "frame"} << 1ll;
        QTest::newRow("nmea") << InputFormat::Nmea
                              << QStringList {"nmea GPRMC", "nmea GPZDA same second"} << 0ll;
        QTest::newRow("standard") << InputFormat::Standard << QStringList {"standard"} << 0ll;
        QTest::newRow("nena") << InputFormat::Nena << QStringList {"nena"} << 0ll;
    }
    void tellsFormatsApart()
    {
        QFETCH(InputFormat, format);
        QFETCH(QStringList, found);
        QFETCH(qint64, errors);
        const QByteArray stream =
                "\n" + kExample + "\xFE" + kRmc + kZda + "\x7F" + kStandard + kNena + kMidnight;
        QRandomGenerator rng(20260311);
        StreamDecoder decoder(format);
        QList<StreamItem> items;
        for (qsizetype at = 0, length; at < stream.size(); at += length) {
            length = rng.bounded(1, 12);
            items += decoder.feed(stream.mid(at, length), ReadStamp {1'000'000 + at, 0});
        }
        QCOMPARE(kinds(items), found);
        QCOMPARE(decoder.errors(), errors);
        qint64 good = decoder.frames() * kFrameSize;
        for (const StreamItem &item : items)
            good += item.isFrame || !item.string.ok() ? 0 : item.string.raw.size();
        QCOMPARE(decoder.discardedBytes() + good + decoder.pendingBytes(), stream.size());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // empty: the monitor runs
        QTest::newRow("a format by name") << QStringList {"--format", "nena"} << QString();
        QTest::newRow("an unknown format")
                << QStringList {"--format", "ascii"}
                << "--format needs one of auto, frame, nmea, standard, nena";
        QTest::newRow("no frames to count")
                << QStringList {"--count", "0"} << "--count needs a whole number above 0";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        const ParsedOptions parsed =
                parseMonitorOptions(QStringList {"mirovalent-monitor", "--pty"} + arguments);
        QCOMPARE(parsed.text, error);
        QCOMPARE(parsed.action,
                 error.isEmpty() ? ParsedOptions::Action::Run : ParsedOptions::Action::Error);
    }

    // A serial device is read with the line settings asked for, until it goes away: then the
    // monitor ends with a failure. Ending at the frame count is the same whatever the source.
    void readsSerialDevice()
    {
        PtyPair pty;
        MonitorRun monitor({pty.slavePath(), "--settings", "19200,n,8,2"});
        QVERIFY(monitor.ready());
        termios line {}; // one set for both ends; parity and data bits are fixed on these
        QVERIFY(::tcgetattr(pty.masterFd(), &line) == 0);
        QVERIFY(::cfgetospeed(&line) == B19200 && (line.c_cflag & CSTOPB));
        QCOMPARE(::write(pty.masterFd(), kExample.constData(), kFrameSize), kFrameSize);
        QTRY_VERIFY2(monitor.out().contains("FE 07 3B 17 0D 96 05 1F FF"),
                     qPrintable(monitor.out()));
        pty.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(monitor.process.state(), QProcess::NotRunning, 3000);
        QCOMPARE(monitor.process.exitCode(), 1);
        QVERIFY2(monitor.err().contains("frames 1, errors 0"), qPrintable(monitor.err()));
    }

    // Sent the way the program sends, through its serial port, which closes and later opens again.
    void runOverPty()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("display");
        MonitorRun monitor({"--pty", "--count", "2", "--json", "--link", link});
        QVERIFY(monitor.ready());
        SerialPort writer;
        QVERIFY2(writer.open(link, "9600,n,8,1"), qPrintable(writer.errorString()));
        const QDateTime sent = QDateTime::currentDateTimeUtc();
        const QByteArray frame = buildSyncFrame(sent, {13, 150, 5, 31});
        QVERIFY(writer.write("\n\r" + frame));
        QTRY_COMPARE_WITH_TIMEOUT(monitor.out().count('\n'), 1, 5000);
        const QJsonObject json = QJsonDocument::fromJson(monitor.out().toUtf8()).object();
        QCOMPARE(json["raw"].toString(), QString::fromLatin1(frame.toHex(' ').toUpper()));
        QCOMPARE(json["gmt"].toString(), sent.time().toString("HH:mm:ss"));
        const qint64 offset = json["offset_us"].toInteger(-99999);
        QVERIFY2(offset >= 0 && offset < 2'000'000, qPrintable(QString::number(offset)));
        QCOMPARE(json["offset_ms"].toDouble(), double(offset) / 1000);
        const qint64 readDelay = json["read_delay_us"].toInteger(-1);
        QVERIFY2(readDelay >= 0 && readDelay < 1'000'000, qPrintable(QString::number(readDelay)));
        QCOMPARE(json["slots"][0]["zone"].toString(), "(GMT) London");
        QCOMPARE(json["slots"][1]["dst"].toBool(), true);
        QCOMPARE(json["slots"][1]["shows"].toString(), sent.addSecs(24300).toString("HH:mm:ss"));
        writer.close();

        // No one holds the line now: the monitor waits, without keeping a core busy.
        const std::optional<long> before = monitor.cpuTicks();
        QTest::qWait(1000);
        QCOMPARE(monitor.process.state(), QProcess::Running);
        const std::optional<long> after = monitor.cpuTicks();
        QVERIFY2(before && after, "the monitor's CPU time cannot be read from /proc");
        QCOMPARE_LT(*after - *before, 30); // clock ticks
        QVERIFY2(writer.open(link, "9600,n,8,1"), qPrintable(writer.errorString()));
        QVERIFY(writer.write(buildSyncFrame(QDateTime::currentDateTimeUtc(), {31, 31, 31, 31})));
        QVERIFY(monitor.process.waitForFinished(5000));
        QCOMPARE(monitor.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.process.exitCode(), 0);
        QCOMPARE(monitor.out().count('\n'), 2);
        QVERIFY(monitor.err().contains("frames 2, errors 0, discarded bytes 2"));
        QVERIFY(!QFileInfo(link).isSymLink()); // removed on exit
    }
    // Strings over a pseudo-terminal: a broken sentence is said to be one, a good one is timed
    // by its '$', and the sentence after it in the same second is not.
    void stringsOverPty()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("display");
        MonitorRun monitor(
                {"--pty", "--link", link, "--json", "--count", "2", "--settings", "4800,e,7,1"});
        QVERIFY(monitor.ready());
        SerialPort writer;
        QVERIFY2(writer.open(link, "4800,e,7,1"), qPrintable(writer.errorString()));
        const auto sentence = [](const QByteArray &body) {
            quint8 sum = 0;
            for (char c : body)
                sum ^= quint8(c);
            return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper()
                   + "\r\n";
        };
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QByteArray hms = now.toString("HHmmss").toLatin1();
        QVERIFY(writer.write("$GPRMC,12*00\r\n"
                             + sentence("GPRMC," + hms + ".00,A,,,,,,,"
                                        + now.toString("ddMMyy").toLatin1() + ",,,")
                             + sentence("GPGGA," + hms + ".00,,,,,0,00,,,M,,M,,")));
        QVERIFY(monitor.process.waitForFinished(5000));
        QCOMPARE(monitor.process.exitCode(), 0);
        const QStringList lines = monitor.out().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const auto json = [&](int i) {
            return QJsonDocument::fromJson(lines[i].toUtf8()).object();
        };
        QVERIFY2(json(0)["error"].toString().startsWith("bad checksum 00"), qPrintable(lines[0]));
        const QJsonObject rmc = json(1);
        QCOMPARE((QStringList {rmc["format"].toString(), rmc["time"].toString(),
                               rmc["date"].toString(), rmc["status"].toString()}),
                 (QStringList {"nmea", now.toString("HH:mm:ss"), now.toString("yyyy-MM-dd"),
                               "synchronised"}));
        const qint64 offset = rmc["offset_us"].toInteger(-99999);
        QVERIFY2(offset >= 0 && offset < 2'000'000, qPrintable(QString::number(offset)));
        QVERIFY(rmc["on_time"].toBool() && !json(2)["on_time"].toBool(true));
        QVERIFY2(monitor.err().contains("frames 0, errors 1,")
                         && monitor.err().contains(", nmea 2, standard 0, nena 0"),
                 qPrintable(monitor.err()));
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
