#include "platform/Clock.h"
#include "data/DateFormats.h"

#include <QObject>
#include <QPointer>
#include <vector>

namespace qv::clock {

namespace {
QDateTime fixedMoment;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> lookers;
} // namespace

QDateTime now() { return fixedMoment.isValid() ? fixedMoment : QDateTime::currentDateTime(); }
QDate today() { return now().toLocalTime().date(); }

QDateTime wallNow()
{
    const QDateTime local = now().toLocalTime();
    return dates::wallClock(local.date(), local.time());
}

bool isFixed() { return fixedMoment.isValid(); }

void setFixed(const QDateTime& moment)
{
    fixedMoment = moment;
    std::erase_if(lookers, [](const auto& l) { return l.first.isNull(); });
    const auto current = lookers; // a look may add or remove lookers
    for (const auto& [owner, look] : current)
        if (owner) look();
}

void whenSet(QObject* owner, std::function<void()> look) { lookers.emplace_back(owner, std::move(look)); }

} // namespace qv::clock
