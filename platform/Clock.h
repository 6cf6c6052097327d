#pragma once
// "Today" and "now" for the whole program; tests set a fixed moment.

#include <QDateTime>
#include <functional>

class QObject;

namespace qv::clock {

QDateTime now();
QDate today();
// Now as the wall clock shows it: the local date and time of day, held without a zone, as the file stores times.
QDateTime wallNow();
void setFixed(const QDateTime& moment); // an invalid moment returns to the system clock
bool isFixed();

// Runs `look` each time the moment is set, as the system tells of its clock being set; for as long as `owner` lives.
void whenSet(QObject* owner, std::function<void()> look);

} // namespace qv::clock
