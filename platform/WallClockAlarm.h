#pragma once
// Rings once the wall clock shows a given date and time of day (held without a zone, as the file stores times).
// The program's clock is what is read, so a test's fixed moment rings it as soon as it is set. The system's real-time
// clock wakes it: a timer on it fires at once when a suspended machine wakes past its moment and is cancelled when
// the clock is set; and since a change of the zone's offset (summer time) sets no clock, the wall clock is read at
// least once a minute as well.

#include <QDateTime>
#include <QObject>

class QSocketNotifier;

namespace qv {

class WallClockAlarm : public QObject {
    Q_OBJECT
public:
    explicit WallClockAlarm(QObject* parent = nullptr);
    ~WallClockAlarm() override;

    void ringAt(const QDateTime& wallMoment); // an invalid moment stops it
    QDateTime armedFor() const { return m_moment; }

    // The first real moment (UTC) at which the local wall clock shows `wallMoment` or has passed it.
    static QDateTime firstShowing(const QDateTime& wallMoment);
    // The real moment to read the clock next: that one, but no later than a minute after `realNow`.
    static QDateTime nextLook(const QDateTime& realNow, const QDateTime& wallMoment);

signals:
    void rang();

private:
    void look();
    void wakeAt(const QDateTime& realMoment);

    QDateTime m_moment;
    int m_timer = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace qv
