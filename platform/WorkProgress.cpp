#include "platform/WorkProgress.h"

#include <QApplication>
#include <QProgressDialog>

namespace qv {

namespace {
WorkProgress::Timing currentTiming;
}

WorkProgress::Timing WorkProgress::timing() { return currentTiming; }
void WorkProgress::setTiming(const Timing& timing) { currentTiming = timing; }

WorkProgress::WorkProgress(const QString& caption, int total, const QString& counted)
    : m_caption(caption), m_counted(counted), m_total(total)
{
    m_clock.start();
    m_nextUpdate = currentTiming.showAfterMs;
}

WorkProgress::~WorkProgress() { delete m_dialog; }

QProgressDialog* WorkProgress::dialog() const { return m_dialog; }

bool WorkProgress::step(int done, int added)
{
    if (m_cancelled) return false;
    if (m_clock.elapsed() < m_nextUpdate) return true;
    update(done, added);
    m_nextUpdate = m_clock.elapsed() + currentTiming.updateEveryMs;
    return !m_cancelled;
}

void WorkProgress::update(int done, int added)
{
    if (!m_dialog) {
        m_dialog = new QProgressDialog(QApplication::activeWindow());
        m_dialog->setObjectName("WorkProgress");
        m_dialog->setWindowTitle(m_caption);
        m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
        m_dialog->setRange(0, std::max(1, m_total));
        // Shown by us, at once, and kept up until the work ends, whatever the bar says.
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumWidth(360);
        QObject::connect(m_dialog, &QProgressDialog::canceled, m_dialog, [this] { m_cancelled = true; });
        m_dialog->show();
    }
    m_dialog->setLabelText(QString::number(added) + m_counted);
    m_dialog->setValue(std::min(done, m_dialog->maximum()));
    // Lets the dialog paint and the Cancel button be pressed.
    QCoreApplication::processEvents();
}

} // namespace qv
