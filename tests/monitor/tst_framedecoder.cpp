#include "sync/FrameDecoder.h"

#include <QRandomGenerator>
#include <QTest>

using namespace mrv;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray kExample = hex("FE073B170D96051FFF"); // 23:59:07, codes 13, 150, 5, 31
const QByteArray kMidnight = hex("FE00000000000000FF");

QList<DecodedFrame> feedAll(FrameDecoder &decoder, const QList<QByteArray> &pieces)
{
    QList<DecodedFrame> frames;
    for (const QByteArray &piece : pieces)
        frames += decoder.feed(piece);
    return frames;
}

QList<QByteArray> framesAsBytes(const QList<DecodedFrame> &frames)
{
    QList<QByteArray> out;
    for (const DecodedFrame &frame : frames)
        out << frame.bytes();
    return out;
}

} // namespace

class TestFrameDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesFields();

    void findsFrames_data();
    void findsFrames();

    void splitAnywhere_data();
    void splitAnywhere();

    void truncatedFrameWaits();

    void randomStreamWithFrames();
    void randomBytesOnly();

    void showsZoneTime_data();
    void showsZoneTime();

    void arrivalOffset_data();
    void arrivalOffset();
};

void TestFrameDecoder::decodesFields()
{
    FrameDecoder decoder;
    const QList<DecodedFrame> frames = decoder.feed(kExample);
    QCOMPARE(frames.size(), 1);
    const DecodedFrame &f = frames.first();
    QCOMPARE(f.gmt(), QTime(23, 59, 7));
    QCOMPARE(f.zoneCodes, (std::array<quint8, 4> {13, 150, 5, 31}));
    QCOMPARE(f.row(1), 22);
    QVERIFY(f.daylight(1));
    QVERIFY(!f.daylight(0));
    QCOMPARE(f.bytes(), kExample);
}

// A stream in one piece: which frames come out, and how the rest is counted.
void TestFrameDecoder::findsFrames_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::addColumn<int>("errors");
    QTest::addColumn<int>("discarded");

    const QByteArray maxima = hex("FE3B3B179F9F9F9FFF");
    QTest::newRow("example") << kExample << QList {kExample} << 0 << 0;
    QTest::newRow("all zero") << kMidnight << QList {kMidnight} << 0 << 0;
    QTest::newRow("largest fields") << maxima << QList {maxima} << 0 << 0;
    QTest::newRow("back to back") << kExample + kMidnight << QList {kExample, kMidnight} << 0 << 0;
    QTest::newRow("noise around") << hex("0102") + kExample + hex("FF0A") + kMidnight + hex("33")
                                  << QList {kExample, kMidnight} << 0 << 5;
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>() << 0 << 0;

    // Broken frames, each followed by a good one that must still be found.
    const auto broken = [&](const char *name, const char *bad, int discarded) {
        QTest::newRow(name) << hex(bad) + kExample << QList {kExample} << 1 << discarded;
    };
    broken("second 60", "FE3C3B170D0D0D0DFF", 9);
    broken("minute 60", "FE073C170D0D0D0DFF", 9);
    broken("hour 24", "FE073B180D0D0D0DFF", 9);
    broken("row 32", "FE073B17200D0D0DFF", 9);
    broken("row 32 with daylight", "FE073B170D0D0DA0FF", 9);
    broken("no end marker", "FE073B170D0D0D0D00", 9);
    broken("end marker early", "FE073BFF0D0D0D0DFF", 9);
    broken("cut short by a new frame", "FE073B17", 4);
    broken("lone start marker", "FE", 1);

    QTest::newRow("start markers in a row")
            << hex("FEFEFE") + kExample << QList {kExample} << 3 << 3;
    QTest::newRow("frame one byte too long")
            << hex("FE073B170D96051F1FFF") + kExample << QList {kExample} << 1 << 10;
}

void TestFrameDecoder::findsFrames()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, expected);
    QFETCH(int, errors);
    QFETCH(int, discarded);

    FrameDecoder decoder;
    QCOMPARE(framesAsBytes(decoder.feed(stream)), expected);
    QCOMPARE(decoder.frames(), expected.size());
    QCOMPARE(decoder.errors(), errors);
    QCOMPARE(decoder.discardedBytes(), discarded);
    QCOMPARE(decoder.pendingBytes(), 0);
}

// The same stream cut into two reads at every position gives the same frames and counts.
void TestFrameDecoder::splitAnywhere_data()
{
    QTest::addColumn<int>("cut");
    const QByteArray stream = hex("AA") + kExample + hex("FE07") + kMidnight;
    for (int cut = 0; cut <= stream.size(); ++cut)
        QTest::addRow("at %d", cut) << cut;
}

void TestFrameDecoder::splitAnywhere()
{
    QFETCH(int, cut);
    const QByteArray stream = hex("AA") + kExample + hex("FE07") + kMidnight;

    FrameDecoder decoder;
    const QList<DecodedFrame> frames = feedAll(decoder, {stream.left(cut), stream.mid(cut)});
    QCOMPARE(framesAsBytes(frames), (QList {kExample, kMidnight}));
    QCOMPARE(decoder.errors(), 1);
    QCOMPARE(decoder.discardedBytes(), 3);

    FrameDecoder byteByByte;
    QList<QByteArray> single;
    for (char c : stream)
        single << QByteArray(1, c);
    QCOMPARE(framesAsBytes(feedAll(byteByByte, single)), (QList {kExample, kMidnight}));
}

void TestFrameDecoder::truncatedFrameWaits()
{
    FrameDecoder decoder;
    QVERIFY(decoder.feed(kExample.left(5)).isEmpty());
    QCOMPARE(decoder.pendingBytes(), 5);
    QCOMPARE(decoder.errors(), 0);
    QVERIFY(decoder.feed(QByteArray()).isEmpty());
    QCOMPARE(framesAsBytes(decoder.feed(kExample.mid(5))), QList {kExample});
    QCOMPARE(decoder.pendingBytes(), 0);
}

// Noise with good frames sprinkled in, read in random pieces: every good frame comes out, in
// order. Noise may by chance form a good frame too, so the sent frames must appear as an ordered
// subsequence of what was found.
void TestFrameDecoder::randomStreamWithFrames()
{
    QRandomGenerator rng(20240611);
    QByteArray stream;
    QList<QByteArray> sent;
    for (int i = 0; i < 2000; ++i) {
        const int noise = int(rng.bounded(20));
        for (int n = 0; n < noise; ++n)
            stream.append(char(rng.bounded(256)));
        DecodedFrame f;
        f.second = quint8(rng.bounded(60));
        f.minute = quint8(rng.bounded(60));
        f.hour = quint8(rng.bounded(24));
        for (quint8 &code : f.zoneCodes)
            code = quint8(rng.bounded(32) | (rng.bounded(2) ? 0x80 : 0));
        sent << f.bytes();
        stream += f.bytes();
    }

    FrameDecoder decoder;
    QList<QByteArray> found;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype len = qMin<qsizetype>(rng.bounded(1, 40), stream.size() - at);
        found += framesAsBytes(decoder.feed(QByteArrayView(stream).sliced(at, len)));
        at += len;
    }

    qsizetype next = 0;
    for (const QByteArray &frame : found) {
        if (next < sent.size() && frame == sent.at(next))
            ++next;
    }
    QCOMPARE(next, sent.size());
    QCOMPARE(decoder.frames(), found.size());
    QVERIFY(decoder.discardedBytes() + decoder.frames() * 9 == stream.size());
}

void TestFrameDecoder::randomBytesOnly()
{
    QRandomGenerator rng(7);
    FrameDecoder decoder;
    qint64 total = 0;
    for (int i = 0; i < 5000; ++i) {
        QByteArray chunk(int(rng.bounded(64)), Qt::Uninitialized);
        for (char &c : chunk)
            c = char(rng.bounded(256));
        decoder.feed(chunk);
        total += chunk.size();
        QVERIFY(decoder.pendingBytes() < 9);
    }
    QCOMPARE(decoder.discardedBytes() + decoder.frames() * 9 + decoder.pendingBytes(), total);
}

void TestFrameDecoder::showsZoneTime_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("index");
    QTest::addColumn<QTime>("shows");

    const QByteArray at1403 = hex("FE00030E0D96051FFF");
    QTest::newRow("GMT") << at1403 << 0 << QTime(14, 3);
    QTest::newRow("quarter hour with daylight") << at1403 << 1 << QTime(20, 48);
    QTest::newRow("west of GMT") << at1403 << 2 << QTime(7, 3);
    QTest::newRow("east past midnight") << at1403 << 3 << QTime(2, 3);
    QTest::newRow("west before midnight") << hex("FE0000020505050DFF") << 0 << QTime(19, 0);
    QTest::newRow("daylight past midnight") << hex("FE073B178D8D8D8DFF") << 0 << QTime(0, 59, 7);
    QTest::newRow("date line west") << hex("FE00000500000000FF") << 0 << QTime(17, 0);
}

void TestFrameDecoder::showsZoneTime()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, index);
    QFETCH(QTime, shows);
    FrameDecoder decoder;
    const QList<DecodedFrame> frames = decoder.feed(frame);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first().shows(index), shows);
}

void TestFrameDecoder::arrivalOffset_data()
{
    QTest::addColumn<QTime>("gmt");
    QTest::addColumn<QDateTime>("arrival");
    QTest::addColumn<qint64>("offset");

    const QDate day(2024, 3, 10);
    QTest::newRow("on time") << QTime(14, 3) << QDateTime(day, QTime(14, 3, 0, 4), Qt::UTC)
                             << qint64(4);
    QTest::newRow("sender ahead") << QTime(14, 3) << QDateTime(day, QTime(14, 2, 59, 900), Qt::UTC)
                                  << qint64(-100);
    QTest::newRow("late by seconds")
            << QTime(14, 3) << QDateTime(day, QTime(14, 3, 2), Qt::UTC) << qint64(2000);
    QTest::newRow("sent before midnight")
            << QTime(23, 59, 59) << QDateTime(day, QTime(0, 0, 0, 250), Qt::UTC) << qint64(1250);
    QTest::newRow("sender ahead past midnight")
            << QTime(0, 0, 0) << QDateTime(day, QTime(23, 59, 59, 800), Qt::UTC) << qint64(-200);
    QTest::newRow("arrival in local time")
            << QTime(14, 3) << QDateTime(day, QTime(16, 3, 0, 30), Qt::OffsetFromUTC, 7200)
            << qint64(30);
}

void TestFrameDecoder::arrivalOffset()
{
    QFETCH(QTime, gmt);
    QFETCH(QDateTime, arrival);
    QFETCH(qint64, offset);
    DecodedFrame frame;
    frame.hour = quint8(gmt.hour());
    frame.minute = quint8(gmt.minute());
    frame.second = quint8(gmt.second());
    QCOMPARE(arrivalOffsetMs(frame, arrival), offset);
}

QTEST_APPLESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"
