#pragma once
// "Today" and "now" for the whole program; tests set a fixed moment.

#include <QDateTime>

namespace qv::clock {

QDateTime now();
QDate today();
void setFixed(const QDateTime& moment); // an invalid moment returns to the system clock

} // namespace qv::clock
