#include "platform/Clock.h"

namespace qv::clock {

namespace {
QDateTime fixedMoment;
}

QDateTime now() { return fixedMoment.isValid() ? fixedMoment : QDateTime::currentDateTime(); }
QDate today() { return now().date(); }
void setFixed(const QDateTime& moment) { fixedMoment = moment; }

} // namespace qv::clock
