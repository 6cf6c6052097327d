#include "platform/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>

namespace qv {

namespace {

constexpr const char* CaptionProperty = "qvListCaption";

QWidget* captionOf(const QObject* list)
{
    return qobject_cast<QWidget*>(list->property(CaptionProperty).value<QObject*>());
}

// A drop-down list as Qt presents one (its entries as a child list, the edit box of an open list, the actions that
// open it), named by its own accessible name and labelled by its caption.
class CaptionedList : public QAccessibleWidget {
public:
    explicit CaptionedList(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox), m_caption(captionOf(list))
    {}
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }

    int childCount() const override { return list()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override
    {
        if (index == 0) return QAccessible::queryAccessibleInterface(list()->view());
        if (index == 1 && list()->isEditable()) return QAccessible::queryAccessibleInterface(list()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child) return -1;
        if (child->object() == list()->view()) return 0;
        if (list()->isEditable() && child->object() == list()->lineEdit()) return 1;
        return -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return list()->currentText();
        if (t == QAccessible::Name && !list()->accessibleName().isEmpty()) return list()->accessibleName();
        return QAccessibleWidget::text(t);
    }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        auto out = QAccessibleWidget::relations(match);
        if ((match & QAccessible::Label) && m_caption)
            out.append({QAccessible::queryAccessibleInterface(m_caption), QAccessible::Label});
        return out;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action != showMenuAction() && action != pressAction()) return QAccessibleWidget::doAction(action);
        if (list()->view()->isVisible())
            list()->hidePopup();
        else
            list()->showPopup();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QWidget> m_caption;
};

// A group, named by its title and labelling the controls inside it as Qt's own does, but never labelled by a group
// around it: whenever it sits inside another titled group, it is still announced by its own title.
class Group : public QAccessibleWidget {
public:
    explicit Group(QGroupBox* group) : QAccessibleWidget(group, QAccessible::Grouping) {}
    QGroupBox* group() const { return static_cast<QGroupBox*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            if (!group()->accessibleName().isEmpty()) return group()->accessibleName();
            return QString(group()->title()).remove('&');
        }
        return QAccessibleWidget::text(t);
    }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        auto out = QAccessibleWidget::relations(match);
        QObject* outer = group()->parentWidget();
        out.removeIf(
            [outer](const auto& r) { return r.second == QAccessible::Label && r.first && r.first->object() == outer; });
        if ((match & QAccessible::Labelled) && !group()->title().isEmpty()) {
            for (QWidget* inside : group()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(inside))
                    out.append({a, QAccessible::Labelled});
        }
        return out;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("QComboBox") && captionOf(object))
        return new CaptionedList(static_cast<QComboBox*>(object));
    // Decided when the interface is made, which may be before the group is placed in another.
    if (className == QLatin1String("QGroupBox") && !static_cast<QGroupBox*>(object)->isCheckable())
        return new Group(static_cast<QGroupBox*>(object));
    return nullptr;
}

} // namespace

void installAccessibility()
{
    // Factories asked later come first, so ours is asked before Qt's own.
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void setListCaption(QComboBox* list, QWidget* caption)
{
    installAccessibility();
    list->setProperty(CaptionProperty, QVariant::fromValue<QObject*>(caption));
    // Qt makes a control's interface as soon as anything about it changes, even with no screen reader running:
    // the one made before the caption was known gives way to ours.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(list);
    if (made && !dynamic_cast<CaptionedList*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

} // namespace qv
