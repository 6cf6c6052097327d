#include "platform/WallClockAlarm.h"
#include "platform/Clock.h"

#include <QSocketNotifier>
#include <QTimeZone>
#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace qv {

WallClockAlarm::WallClockAlarm(QObject* parent) : QObject(parent)
{
    m_timer = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timer >= 0) {
        m_notifier = new QSocketNotifier(m_timer, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            // ECANCELED: the clock was set. Either way the wall clock is read again.
            [[maybe_unused]] const ssize_t n = ::read(m_timer, &expirations, sizeof expirations);
            look();
        });
    }
    clock::whenSet(this, [this] { look(); });
}

WallClockAlarm::~WallClockAlarm()
{
    if (m_timer >= 0) ::close(m_timer);
}

void WallClockAlarm::ringAt(const QDateTime& wallMoment)
{
    m_moment = wallMoment;
    look();
}

void WallClockAlarm::look()
{
    if (!m_moment.isValid()) return wakeAt({});
    if (clock::wallNow() >= m_moment) {
        m_moment = {};
        wakeAt({});
        // Told from the event loop: whoever armed it may arm it again from the ring.
        QMetaObject::invokeMethod(this, &WallClockAlarm::rang, Qt::QueuedConnection);
        return;
    }
    // A fixed clock moves only when it is set, and setting it looks again: the system's timer has nothing to add.
    wakeAt(clock::isFixed() ? QDateTime() : nextLook(QDateTime::currentDateTimeUtc(), m_moment));
}

QDateTime WallClockAlarm::firstShowing(const QDateTime& wallMoment)
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QDateTime wall(wallMoment.date(), wallMoment.time(), Qt::UTC);
    // The zone's offset where the moment lies, found in two steps; the earlier moment of a repeated hour wins.
    const QDateTime first = wall.addSecs(-zone.offsetFromUtc(wall));
    const QDateTime second = wall.addSecs(-zone.offsetFromUtc(first));
    for (const QDateTime& at : {std::min(first, second), std::max(first, second)})
        if (at.addSecs(zone.offsetFromUtc(at)) == wall) return at;
    // No moment shows it: it lies in the hour a change skips, and the wall clock passes it as the change happens.
    return zone.nextTransition(std::min(first, second)).atUtc;
}

QDateTime WallClockAlarm::nextLook(const QDateTime& realNow, const QDateTime& wallMoment)
{
    const QDateTime now = realNow.toUTC();
    const QDateTime at = firstShowing(wallMoment);
    return at.isValid() ? std::clamp(at, now, now.addSecs(60)) : now.addSecs(60);
}

void WallClockAlarm::wakeAt(const QDateTime& realMoment)
{
    if (m_timer < 0) return;
    itimerspec when{};
    if (realMoment.isValid()) {
        const qint64 ms = std::max<qint64>(realMoment.toMSecsSinceEpoch(), 1);
        when.it_value.tv_sec = time_t(ms / 1000);
        when.it_value.tv_nsec = long(ms % 1000) * 1000000L;
    }
    timerfd_settime(m_timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

} // namespace qv
