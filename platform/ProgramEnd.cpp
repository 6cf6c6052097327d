#include "platform/ProgramEnd.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace qv {

namespace {
bool requested = false;
}

void requestProgramEnd()
{
    requested = true;
    // Queued: the loop ends at its next turn, or as soon as it begins when start-up asked.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

bool programEndRequested() { return requested; }
void resetProgramEndRequest() { requested = false; }

} // namespace qv
