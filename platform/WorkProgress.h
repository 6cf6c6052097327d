#pragma once
// The progress of long work that runs on the user-interface thread, such as an import: a dialog with the count
// and a Cancel button. It comes up only once the work has taken a moment, and is updated (with the events that
// let Cancel be pressed) at most a few times a second, so that it costs the work nothing worth measuring.

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;

namespace qv {

class WorkProgress {
public:
    // caption: the dialog's title; total: the number of steps the work has; counted: what follows the count on
    // the count line.
    WorkProgress(const QString& caption, int total, const QString& counted = QStringLiteral(" record(s) added."));
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // Cheap enough for every step. done: steps behind; added: what the count line says. False once the user
    // has pressed Cancel: the work should stop there.
    bool step(int done, int added);
    bool cancelled() const { return m_cancelled; }
    QProgressDialog* dialog() const; // null until it has come up

    struct Timing {
        int showAfterMs = 500;   // work shorter than this shows nothing
        int updateEveryMs = 250; // the most the dialog is updated
    };
    static Timing timing();
    static void setTiming(const Timing& timing); // tests make every step an update

private:
    void update(int done, int added);

    QString m_caption, m_counted;
    int m_total;
    QElapsedTimer m_clock;
    qint64 m_nextUpdate;
    bool m_cancelled = false;
    QPointer<QProgressDialog> m_dialog;
};

} // namespace qv
