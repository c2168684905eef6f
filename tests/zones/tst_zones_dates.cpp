#include "zones/DstDates.h"

#include <QTest>

using namespace mrv;

Q_DECLARE_METATYPE(std::optional<QDate>)

class TestDstDates : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void labelRoundTrip_data();
    void labelRoundTrip();
    void labelRejects_data();
    void labelRejects();
    void storedFormat_data();
    void storedFormat();
    void storedParse_data();
    void storedParse();
    void completeYears_data();
    void completeYears();
};

void TestDstDates::labelRoundTrip_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("label");
    QTest::newRow("English") << QLocale("en_GB") << QDate(2026, 3, 28) << "28 Mar 2026";
    QTest::newRow("French") << QLocale("fr_FR") << QDate(2026, 7, 6) << "06 juil. 2026";
    QTest::newRow("German") << QLocale("de_DE") << QDate(2026, 3, 1) << "01 März 2026";
}

void TestDstDates::labelRoundTrip()
{
    QFETCH(QLocale, locale);
    QFETCH(QDate, date);
    QFETCH(QString, label);
    QCOMPARE(formatDateLabel(date, locale), label);
    QCOMPARE(parseDateLabel(label, locale), std::optional(date));
    QCOMPARE(parseDateLabel(label.toUpper(), locale), std::optional(date));
}

void TestDstDates::labelRejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("placeholder") << QString(kNoDatePlaceholder);
    QTest::newRow("empty") << QString();
    QTest::newRow("blank and year") << " 2026";
    QTest::newRow("no year") << "28 Mar";
    QTest::newRow("no such day") << "31 Feb 2026";
    QTest::newRow("another language") << "28 mars 2026";
}

void TestDstDates::labelRejects()
{
    QFETCH(QString, text);
    QCOMPARE(parseDateLabel(text, QLocale("en_GB")), std::nullopt);
}

void TestDstDates::storedFormat_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("stored");
    QTest::newRow("July") << QDate(2026, 7, 6) << "06 Jul";
    QTest::newRow("September is three letters") << QDate(2026, 9, 30) << "30 Sep";
    QTest::newRow("June") << QDate(2026, 6, 1) << "01 Jun";
}

void TestDstDates::storedFormat()
{
    QFETCH(QDate, date);
    QFETCH(QString, stored);
    QCOMPARE(formatStoredDayMonth(date), stored);
    // Whatever the user's language, it reads back as the same day.
    for (const char *name : {"en_GB", "fr_FR", "de_DE"}) {
        QCOMPARE(parseStoredDayMonth(stored, QLocale(name)),
                 std::optional(DayMonth {date.day(), date.month()}));
    }
}

void TestDstDates::storedParse_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("day"); // 0: not a stored date
    QTest::addColumn<int>("month");
    const QLocale en("en_GB"), fr("fr_FR"), de("de_DE");
    QTest::newRow("en plain") << en << "28 Mar" << 28 << 3;
    QTest::newRow("en one digit, lower case") << en << "6 jul" << 6 << 7;
    QTest::newRow("en blanks around") << en << "  31 OCT  " << 31 << 10;
    QTest::newRow("en 29 Feb") << en << "29 Feb" << 29 << 2;
    QTest::newRow("en 31 Feb") << en << "31 Feb" << 0 << 0;
    QTest::newRow("en day 0") << en << "00 Jan" << 0 << 0;
    QTest::newRow("en day 32") << en << "32 Jan" << 0 << 0;
    QTest::newRow("en empty") << en << "" << 0 << 0;
    QTest::newRow("en placeholder") << en << "--" << 0 << 0;
    QTest::newRow("en month first") << en << "Jul 06" << 0 << 0;
    QTest::newRow("en two letters") << en << "06 Ju" << 0 << 0;
    QTest::newRow("en three digits") << en << "106 Jul" << 0 << 0;
    QTest::newRow("fr English month") << fr << "06 Jul" << 6 << 7;
    QTest::newRow("fr jui is June or July") << fr << "06 jui" << 0 << 0;
    QTest::newRow("fr full abbreviation") << fr << "06 juil." << 6 << 7;
    QTest::newRow("fr prefix") << fr << "14 fév" << 14 << 2;
    QTest::newRow("fr mai") << fr << "01 mai" << 1 << 5;
    QTest::newRow("fr déc") << fr << "24 DÉC" << 24 << 12;
    QTest::newRow("de Mär") << de << "29 Mär" << 29 << 3;
    QTest::newRow("de Okt") << de << "25 Okt" << 25 << 10;
    QTest::newRow("de Mai") << de << "31 Mai" << 31 << 5;
    QTest::newRow("de Dez") << de << "01 Dez" << 1 << 12;
    QTest::newRow("de unknown") << de << "01 Mrz" << 0 << 0;
}

void TestDstDates::storedParse()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(int, day);
    QFETCH(int, month);
    const std::optional<DayMonth> expected =
            day ? std::optional(DayMonth {day, month}) : std::nullopt;
    QCOMPARE(parseStoredDayMonth(text, locale), expected);
}

void TestDstDates::completeYears_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("start"); // "d/m", empty when not stored
    QTest::addColumn<QString>("end");
    QTest::addColumn<std::optional<QDate>>("wantStart");
    QTest::addColumn<std::optional<QDate>>("wantEnd");
    const auto d = [](int y, int m, int day) {
        return std::optional(QDate(y, m, day));
    };
    const std::optional<QDate> none;

    // Southern window, 01 Oct to 01 Apr.
    QTest::newRow("December, inside") << QDate(2026, 12, 6) << "1/10"
                                      << "1/4" << d(2026, 10, 1) << d(2027, 4, 1);
    QTest::newRow("February, inside") << QDate(2027, 2, 10) << "1/10"
                                      << "1/4" << d(2026, 10, 1) << d(2027, 4, 1);
    QTest::newRow("June, next window") << QDate(2027, 6, 15) << "1/10"
                                       << "1/4" << d(2027, 10, 1) << d(2028, 4, 1);
    QTest::newRow("day before end") << QDate(2027, 3, 31) << "1/10"
                                    << "1/4" << d(2026, 10, 1) << d(2027, 4, 1);
    QTest::newRow("end day") << QDate(2027, 4, 1) << "1/10"
                             << "1/4" << d(2027, 10, 1) << d(2028, 4, 1);
    QTest::newRow("day before start") << QDate(2027, 9, 30) << "1/10"
                                      << "1/4" << d(2027, 10, 1) << d(2028, 4, 1);
    QTest::newRow("start day") << QDate(2027, 10, 1) << "1/10"
                               << "1/4" << d(2027, 10, 1) << d(2028, 4, 1);
    // Northern window: this year for both, whatever today is.
    QTest::newRow("northern, before") << QDate(2026, 1, 5) << "28/3"
                                      << "31/10" << d(2026, 3, 28) << d(2026, 10, 31);
    QTest::newRow("northern, after") << QDate(2026, 12, 5) << "28/3"
                                     << "31/10" << d(2026, 3, 28) << d(2026, 10, 31);
    QTest::newRow("equal days") << QDate(2026, 5, 5) << "1/4"
                                << "1/4" << d(2026, 4, 1) << d(2026, 4, 1);
    QTest::newRow("no start") << QDate(2026, 5, 5) << ""
                              << "1/4" << none << d(2026, 4, 1);
    QTest::newRow("no end") << QDate(2026, 5, 5) << "1/10"
                            << "" << d(2026, 10, 1) << none;
    QTest::newRow("nothing stored") << QDate(2026, 5, 5) << ""
                                    << "" << none << none;
    QTest::newRow("29 Feb, common year") << QDate(2027, 1, 5) << "29/2"
                                         << "31/10" << d(2027, 2, 28) << d(2027, 10, 31);
    QTest::newRow("29 Feb, leap year") << QDate(2028, 1, 5) << "29/2"
                                       << "31/10" << d(2028, 2, 29) << d(2028, 10, 31);
}

void TestDstDates::completeYears()
{
    QFETCH(QDate, today);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(std::optional<QDate>, wantStart);
    QFETCH(std::optional<QDate>, wantEnd);
    const auto dm = [](const QString &text) -> std::optional<DayMonth> {
        if (text.isEmpty())
            return std::nullopt;
        return DayMonth {text.section('/', 0, 0).toInt(), text.section('/', 1, 1).toInt()};
    };

    const CompletedWindow window = mrv::completeYears(dm(start), dm(end), today);
    QCOMPARE(window.start, wantStart);
    QCOMPARE(window.end, wantEnd);
}

QTEST_GUILESS_MAIN(TestDstDates)
#include "tst_zones_dates.moc"
