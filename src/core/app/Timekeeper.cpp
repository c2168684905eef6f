// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/Timekeeper.h"

#include "app/DisplayFile.h"
#include "app/SettingsStore.h"
#include "domain/FloorDivision.h"
#include "domain/Clock.h"
#include "domain/DisplayZone.h"
#include "domain/Logging.h"
#include "platform/SecondTicker.h"
#include "platform/WakeTimer.h"

#include <algorithm>

namespace mrv {

namespace {

// How often the kernel is asked about the system clock, in seconds; a look that falls due is
// put off by up to the leeway when something else wakes the program then anyway.
constexpr qint64 kHealthCheckEvery = 60;
constexpr qint64 kHealthCheckLeeway = 10;

} // namespace

Timekeeper::Timekeeper(const Clock &clock, const TimeZoneSource &zones, SettingsStore &store,
                       QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_store(store)
    , m_engine(clock, zones)
    , m_ticker(new SecondTicker(clock, this))
{
    connect(m_ticker, &SecondTicker::tick, this, &Timekeeper::onTick);
    connect(&m_store, &SettingsStore::displayChanged, this, &Timekeeper::followStore);
    connect(&m_store, &SettingsStore::zonesChanged, this, &Timekeeper::followZones);
    followStore(0);
}

Timekeeper::~Timekeeper() = default;

void Timekeeper::followStore(int number)
{
    const QList<DisplaySettings> wanted = m_store.displays();
    // Gone: closed and dropped.
    for (qsizetype i = m_displays.size() - 1; i >= 0; --i) {
        Display *display = m_displays[i];
        const bool kept = std::any_of(wanted.cbegin(), wanted.cend(), [&](const auto &settings) {
            return settings.number == display->number();
        });
        if (!kept) {
            m_displays.removeAt(i);
            delete display;
        }
    }
    // New or changed: a new one opens at once when ticking has begun, else with openDisplays().
    for (const DisplaySettings &settings : wanted) {
        if (number != 0 && settings.number != number)
            continue;
        const PortDevice device = m_store.deviceFor(settings);
        if (Display *display = this->display(settings.number)) {
            if (!m_choosing)
                display->update(settings, device);
            continue;
        }
        auto *display = new Display(settings, device, this);
        // A port lost between two strings is looked for every second from then on.
        connect(display, &Display::lost, this, &Timekeeper::plan);
        const auto at = std::find_if(m_displays.begin(), m_displays.end(),
                                     [&](Display *d) { return d->number() > settings.number; });
        m_displays.insert(at, display);
        if (m_lastTickSecond == kNever)
            continue;
        QString why;
        if (!display->open(&why))
            qCWarning(lcSync).noquote() << displayLabel(settings.number) + QLatin1Char(':') << why;
        display->syncNow();
    }
    plan();
    Q_EMIT displaysUpdated();
}

void Timekeeper::followZones()
{
    // A rule that does not fit its row shows a wrong time in one season: said once, as long as
    // it stays so.
    const QDateTime at = m_clock.localNow().toUTC();
    for (int panel = 1; panel <= kZonePanels; ++panel) {
        QString &said = m_misfits[std::size_t(panel - 1)];
        const QString misfit = dstRuleMisfit(m_store.zone(panel), panel, at);
        if (!misfit.isEmpty() && misfit != said)
            qCWarning(lcSettings).noquote() << misfit;
        said = misfit;
    }
    plan();
}

Display *Timekeeper::display(int number) const
{
    for (Display *display : m_displays)
        if (display->number() == number)
            return display;
    return nullptr;
}

bool Timekeeper::openDisplays(QStringList *reasons)
{
    bool all = true;
    for (Display *display : std::as_const(m_displays)) {
        QString why;
        if (display->isOpen() || display->open(&why))
            continue;
        all = false;
        reasons->append(m_displays.size() > 1
                                ? displayLabel(display->number()) + QStringLiteral(": ") + why
                                : why);
    }
    plan();
    return all;
}

void Timekeeper::closeDisplays()
{
    for (Display *display : std::as_const(m_displays))
        display->close();
}

bool Timekeeper::reload(const QLocale &locale, QString *reason)
{
    if (!m_store.reload(locale, reason))
        return false;
    for (Display *display : std::as_const(m_displays)) {
        if (display->isOpen())
            continue;
        QString why;
        if (!display->reopen(&why))
            qCWarning(lcSync).noquote()
                    << displayLabel(display->number()) + QLatin1Char(':') << why;
    }
    plan();
    return true;
}

TimeSnapshot Timekeeper::now() const
{
    return m_engine.now(m_store.settings().zones);
}

void Timekeeper::startTicking()
{
    checkClockHealth();
    m_nextHealthCheck = SecondTicker::secondOf(m_clock.localNow()) + kHealthCheckEvery;
    m_ticker->start();
    plan();
}

void Timekeeper::stopTicking()
{
    m_ticker->stop();
    m_nextHealthCheck = kNever;
}

void Timekeeper::tick()
{
    const QDateTime now = m_clock.localNow();
    onTick(now, SecondTicker::secondOf(now), false);
}

void Timekeeper::onTick(const QDateTime &now, qint64 second, bool clockStepped)
{
    // The instant is the second itself, also when the wake-up came a little ahead of it for a
    // display's lead.
    const QDateTime instant = now.addMSecs(second * 1000 - now.toMSecsSinceEpoch());
    m_lastTick = m_engine.at(instant, m_store.settings().zones);
    // The strings are the part that has to be on time: they go out before anything is shown.
    const bool sent = serveDisplays(m_lastTick, second);
    m_lastTickSecond = second;
    Q_EMIT ticked(m_lastTick, sent);
    if (sent)
        Q_EMIT displaysUpdated();
    // A stepped clock is looked at again at once; so is one set back (even where the timer
    // could not tell), whose next look would otherwise be far off.
    if (m_nextHealthCheck != kNever
        && (clockStepped || second >= m_nextHealthCheck
            || m_nextHealthCheck > second + kHealthCheckEvery)) {
        checkClockHealth();
        m_nextHealthCheck = second + kHealthCheckEvery;
    }
    plan();
}

EncoderInput Timekeeper::inputFor(const Display &display, const TimeSnapshot &snapshot) const
{
    EncoderInput input;
    input.utc = snapshot.gmt;
    input.zone = zoneFactsAt(display.settings().zone, snapshot, m_store.settings().zones);
    input.synchronised = m_health.state != ClockHealth::State::NotSynchronised;
    input.zoneCodes = snapshot.codes();
    return input;
}

bool Timekeeper::serveDisplays(const TimeSnapshot &snapshot, qint64 second)
{
    struct Due
    {
        Display *display;
        Encoded encoded;
    };
    QList<Due> due;
    for (Display *display : std::as_const(m_displays))
        if (display->dueAt(second))
            due.append({display, display->encode(inputFor(*display, snapshot))});
    // Every string is ready before the first write; the longest lead goes first, and each of
    // the others when its own lead comes.
    std::stable_sort(due.begin(), due.end(), [](const Due &a, const Due &b) {
        return a.display->leadUs() > b.display->leadUs();
    });
    bool sent = false;
    for (const Due &one : std::as_const(due)) {
        if (one.display != due.first().display)
            m_ticker->waitUntil(second, one.display->leadUs());
        sent |= one.display->send(one.encoded, snapshot.gmt);
    }
    return sent;
}

void Timekeeper::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    plan();
}

void Timekeeper::setWakeTimer(std::unique_ptr<WakeTimer> timer)
{
    m_ticker->setWakeTimer(std::move(timer));
}

void Timekeeper::checkClockHealth()
{
    const ClockHealth health = m_healthSource->read();
    const bool stateChanged = !m_healthChecked || health.state != m_health.state;
    const bool changed = !m_healthChecked || health.summary() != m_health.summary();
    m_healthChecked = true;
    m_health = health;
    if (stateChanged) {
        const QString line = health.summary();
        switch (health.state) {
        case ClockHealth::State::Synchronised:
            qCInfo(lcClock).noquote().nospace()
                    << line << "; estimated error " << health.estErrorUs << " µs";
            break;
        case ClockHealth::State::NotSynchronised:
            qCWarning(lcClock).noquote().nospace()
                    << line << " (maximum error " << health.maxErrorUs / 1000
                    << " ms); the displays' strings say so where they can";
            break;
        case ClockHealth::State::Unknown:
            qCInfo(lcClock).noquote() << line << "(the kernel cannot be asked)";
            break;
        }
    }
    if (changed)
        Q_EMIT clockHealthChanged(m_health);
}

bool Timekeeper::lookingForPort() const
{
    return std::any_of(m_displays.cbegin(), m_displays.cend(),
                       [](const Display *display) { return display->lookingForPort(); });
}

void Timekeeper::plan()
{
    if (m_lastTickSecond == kNever)
        return; // the first tick comes at the next second in any case
    qint64 next = kNever;
    if (m_shown || lookingForPort())
        next = m_lastTickSecond + 1;
    for (const Display *display : std::as_const(m_displays))
        if (const std::optional<qint64> due = display->nextDue())
            next = qMin(next, *due);
    const qint64 look = m_nextHealthCheck;
    if (look != kNever && (next < look || next > look + kHealthCheckLeeway))
        next = qMin(next, look);
    if (next == kNever) {
        // Nothing at all due (not ticking): the ticker is not running and keeps this for later.
        m_ticker->tickAt(m_lastTickSecond + kHealthCheckEvery);
        return;
    }
    // One wake-up serves every display due then, as early as the longest lead asks.
    std::optional<qint64> lead;
    for (const Display *display : std::as_const(m_displays))
        if (display->isOpen() && display->nextDue() == next)
            lead = qMax(lead.value_or(display->leadUs()), display->leadUs());
    m_ticker->tickAt(next, lead.value_or(0));
}

bool Timekeeper::choosePort(int number, QString *reason)
{
    m_choosing = true;
    m_store.choosePort(number);
    m_choosing = false;
    Display *first = display(1);
    if (!first)
        return false;
    first->update(*m_store.display(1), m_store.deviceFor(*m_store.display(1)));
    // The user's choice stands, untried, until the next one; the same port picked again is
    // opened afresh, so a device that came back under its name is taken.
    const bool opened = first->reopen(reason);
    if (!opened)
        first->close();
    plan();
    Q_EMIT displaysUpdated();
    return opened;
}

void Timekeeper::chooseInterval(int row)
{
    m_store.chooseInterval(row);
}

void Timekeeper::syncNow()
{
    for (Display *display : std::as_const(m_displays))
        display->syncNow();
    plan();
}

void Timekeeper::sendNow(int number)
{
    if (Display *one = display(number))
        one->syncNow();
    plan();
}

DisplayStatus Timekeeper::displayStatus(int number) const
{
    const Display *one = display(number);
    return one ? one->status() : DisplayStatus {};
}

QByteArray Timekeeper::previewNext(int number) const
{
    const Display *one = display(number);
    if (!one)
        return {};
    const QDateTime now = m_clock.localNow();
    const QDateTime instant = now.addMSecs((floorDiv(now.toMSecsSinceEpoch(), 1000) + 1) * 1000
                                           - now.toMSecsSinceEpoch());
    return one->encode(inputFor(*one, m_engine.at(instant, m_store.settings().zones))).bytes;
}

int Timekeeper::displaysInStep() const
{
    return int(std::count_if(m_displays.cbegin(), m_displays.cend(), [](const Display *display) {
        const DisplayStatus status = display->status();
        return status.state == DisplayStatus::State::Sending && !status.lastBytes.isEmpty();
    }));
}

} // namespace mrv
