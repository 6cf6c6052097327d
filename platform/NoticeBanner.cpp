#include "platform/NoticeBanner.h"
#include "platform/GuardedApplication.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

NoticeBanner::NoticeBanner(QWidget* parent) : QFrame(parent)
{
    setObjectName("NoticeBanner");
    setAccessibleName("Alerts");
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 244, 196));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    m_rows = new QVBoxLayout(this);
    m_rows->setContentsMargins(4, 2, 4, 2);
    m_rows->setSpacing(2);
    hide();
}

void NoticeBanner::add(const DesktopNotice& notice)
{
    auto* row = new QWidget(this);
    row->setObjectName("Notice");
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* text =
        new QLabel(notice.body.isEmpty() ? notice.summary : notice.summary + QStringLiteral(": ") + notice.body, row);
    text->setObjectName("NoticeText");
    text->setTextFormat(Qt::PlainText);
    h->addWidget(text, 1);
    auto remove = [this, row] {
        row->hide();
        row->deleteLater();
        m_rows->removeWidget(row);
        if (m_rows->count() == 0) hide();
    };
    if (!notice.actionText.isEmpty() && notice.action) {
        auto* act = new QPushButton(notice.actionText, row);
        act->setObjectName("NoticeAction");
        connect(act, &QPushButton::clicked, row, [remove, action = notice.action] {
            remove();
            runGuarded(action);
        });
        h->addWidget(act);
    }
    auto* close = new QToolButton(row);
    close->setObjectName("NoticeClose");
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setToolTip("Close");
    close->setAccessibleName("Close");
    connect(close, &QToolButton::clicked, row, remove);
    h->addWidget(close);
    m_rows->addWidget(row);
    show();
}

QStringList NoticeBanner::texts() const
{
    QStringList out;
    for (int i = 0; i < m_rows->count(); ++i)
        if (QWidget* row = m_rows->itemAt(i)->widget())
            if (auto* text = row->findChild<QLabel*>("NoticeText")) out << text->text();
    return out;
}

} // namespace qv
