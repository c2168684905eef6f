#include "zones/DstDates.h"

#include <QTest>

using namespace mrv;

namespace {

// "d/m" as stored day and month; empty for none.
std::optional<DayMonth> dm(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    return DayMonth {text.section('/', 0, 0).toInt(), text.section('/', 1, 1).toInt()};
}

} // namespace

class TestDstDates : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void label_data();
    void label();
    void storedFormat_data();
    void storedFormat();
    void storedParse_data();
    void storedParse();
    void completeYears_data();
    void completeYears();
};

void TestDstDates::label_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // null: not a date
    QTest::newRow("English") << "en_GB"
                             << "28 Mar 2026" << QDate(2026, 3, 28);
    QTest::newRow("French") << "fr_FR"
                            << "06 juil. 2026" << QDate(2026, 7, 6);
    QTest::newRow("German") << "de_DE"
                            << "01 März 2026" << QDate(2026, 3, 1);
    QTest::newRow("placeholder") << "en_GB" << QString(kNoDatePlaceholder) << QDate();
    QTest::newRow("blank and year") << "en_GB"
                                    << " 2026" << QDate();
    QTest::newRow("no such day") << "en_GB"
                                 << "31 Feb 2026" << QDate();
    QTest::newRow("another language") << "en_GB"
                                      << "28 mars 2026" << QDate();
}

void TestDstDates::label()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const QLocale loc(locale);
    const std::optional<QDate> expected = date.isValid() ? std::optional(date) : std::nullopt;
    QCOMPARE(parseDateLabel(text, loc), expected);
    QCOMPARE(parseDateLabel(text.toUpper(), loc), expected);
    if (date.isValid())
        QCOMPARE(formatDateLabel(date, loc), text);
}

void TestDstDates::storedFormat_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("stored");
    QTest::newRow("July") << QDate(2026, 7, 6) << "06 Jul";
    QTest::newRow("September in three letters") << QDate(2026, 9, 30) << "30 Sep";
}

void TestDstDates::storedFormat()
{
    QFETCH(QDate, date);
    QFETCH(QString, stored);
    QCOMPARE(formatStoredDayMonth(date), stored);
    for (const char *name : {"en_GB", "fr_FR", "de_DE"})
        QCOMPARE(parseStoredDayMonth(stored, QLocale(name)), dm(date.toString("d/M")));
}

void TestDstDates::storedParse_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("dayMonth"); // empty: not a stored date
    const auto add = [](const char *loc, const char *text, const char *dayMonth) {
        QTest::newRow(qPrintable(QStringLiteral("%1 '%2'").arg(loc, text)))
                << loc << text << dayMonth;
    };
    add("en_GB", "6 jul", "6/7");
    add("en_GB", "  31 OCT  ", "31/10");
    add("en_GB", "29 Feb", "29/2");
    add("en_GB", "31 Feb", "");
    add("en_GB", "Jul 06", "");
    add("en_GB", "06 Ju", "");
    add("fr_FR", "06 Jul", "6/7");
    add("fr_FR", "06 jui", ""); // juin or juillet
    add("fr_FR", "06 juil.", "6/7");
    add("fr_FR", "14 fév", "14/2");
    add("fr_FR", "24 DÉC", "24/12");
    add("de_DE", "29 Mär", "29/3");
    add("de_DE", "01 Mrz", "");
}

void TestDstDates::storedParse()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, dayMonth);
    QCOMPARE(parseStoredDayMonth(text, QLocale(locale)), dm(dayMonth));
}

void TestDstDates::completeYears_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QDate>("wantStart"); // null: stays missing
    QTest::addColumn<QDate>("wantEnd");
    const auto add = [](const char *name, const char *today, const char *start, const char *end,
                        const char *wantStart, const char *wantEnd) {
        const auto date = [](const char *t) {
            return QDate::fromString(t, Qt::ISODate);
        };
        QTest::newRow(name) << date(today) << start << end << date(wantStart) << date(wantEnd);
    };
    // Southern window, 01 Oct to 01 Apr.
    add("December", "2026-12-06", "1/10", "1/4", "2026-10-01", "2027-04-01");
    add("June", "2027-06-15", "1/10", "1/4", "2027-10-01", "2028-04-01");
    add("day before end", "2027-03-31", "1/10", "1/4", "2026-10-01", "2027-04-01");
    add("end day", "2027-04-01", "1/10", "1/4", "2027-10-01", "2028-04-01");
    add("start day", "2027-10-01", "1/10", "1/4", "2027-10-01", "2028-04-01");
    add("northern", "2026-12-05", "28/3", "31/10", "2026-03-28", "2026-10-31");
    add("equal days", "2026-05-05", "1/4", "1/4", "2026-04-01", "2026-04-01");
    add("no start", "2026-05-05", "", "1/4", "", "2026-04-01");
    add("29 Feb, common year", "2027-01-05", "29/2", "31/10", "2027-02-28", "2027-10-31");
    add("29 Feb, leap year", "2028-01-05", "29/2", "31/10", "2028-02-29", "2028-10-31");
}

void TestDstDates::completeYears()
{
    QFETCH(QDate, today);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QDate, wantStart);
    QFETCH(QDate, wantEnd);
    const auto opt = [](QDate d) {
        return d.isValid() ? std::optional(d) : std::nullopt;
    };

    const CompletedWindow window = mrv::completeYears(dm(start), dm(end), today);
    QCOMPARE(window.start, opt(wantStart));
    QCOMPARE(window.end, opt(wantEnd));
}

QTEST_GUILESS_MAIN(TestDstDates)
#include "tst_zones_dates.moc"
