#include "ClockTick.h"

#include "DstDates.h"
#include "ZoneClock.h"
#include "ZoneTable.h"
#include "zones/ProgramState.h"

#include <algorithm>

namespace mrv {

namespace {

// Bit 7 of a zone code: daylight saving was applied to the slot.
constexpr int kDaylightFlag = 128;

// A date label read as the start of its day; an unreadable label gives an invalid date-time.
QDateTime labelAsMidnight(const QString &text, const QLocale &locale)
{
    const std::optional<QDate> date = parseDateLabel(text, locale);
    return date ? QDateTime(*date, QTime(0, 0)) : QDateTime();
}

} // namespace

TickOutput updateClocks(const ZoneClock &clock, ProgramState &state,
                        const std::array<SlotInput, 4> &inputs, const QLocale &locale)
{
    TickOutput out;
    state.GMTTime = clock.getGMT();
    out.gmtShown = state.GMTTime.time();

    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const SlotInput &in = inputs[k];
        SlotOutput &slot = out.slots[k];

        // A slot without a table row shows GMT, so it tells the display it is London.
        const bool hasRow = in.row >= 0 && in.row < kZoneCount;
        const int code = hasRow ? in.row : kGmtRow;

        QDateTime t = clock.getZoneTime(in.row);
        slot.code = static_cast<quint8>(code);

        if (in.checkState == kDstTicked) {
            state.DSTStart = labelAsMidnight(in.startText, locale);
            state.DSTEnd = labelAsMidnight(in.endText, locale);
            // isDST is false for an unreadable label, so such a slot stays on standard time.
            if (clock.isDST(state.DSTStart, state.DSTEnd)) {
                t = t.addSecs(3600);
                slot.code = static_cast<quint8>(code + kDaylightFlag);
                slot.daylight = true;
            }
        }

        slot.shown = t.time();
        state.ZoneCode[k] = slot.code;
    }
    return out;
}

QString formatClock(const QTime &time, const QLocale &locale)
{
    // The separator is whatever follows the hour field in the locale's time format. Formats
    // that put words or blanks there ("HH 'h' mm") fall back to a colon: the label must stay
    // a plain HH:MM:SS clock.
    QString separator = QStringLiteral(":");
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const auto isHour = [](QChar c) {
        return c == u'h' || c == u'H';
    };
    const auto hour = std::find_if(format.cbegin(), format.cend(), isHour);
    if (hour != format.cend()) {
        qsizetype i = hour - format.cbegin();
        while (i < format.size() && isHour(format[i]))
            ++i;
        qsizetype j = i;
        while (j < format.size() && format[j] != u'm')
            ++j;
        const QString candidate = format.mid(i, j - i);
        const bool plain = !candidate.isEmpty()
                           && std::none_of(candidate.cbegin(), candidate.cend(), [](QChar c) {
                                  return c.isLetterOrNumber() || c.isSpace() || c == u'\'';
                              });
        if (plain)
            separator = candidate;
    }
    const auto two = [](int n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    return two(time.hour()) + separator + two(time.minute()) + separator + two(time.second());
}

} // namespace mrv
