#include "HoverLabelAccessible.h"

#include "HoverLabel.h"

namespace tolvane {

namespace {

QAccessibleInterface* Create(const QString& /*className*/, QObject* object) {
    auto* label = qobject_cast<HoverLabel*>(object);
    return label ? new HoverLabelAccessible(label) : nullptr;
}

}  // namespace

HoverLabelAccessible::HoverLabelAccessible(HoverLabel* label)
    : QAccessibleWidget(label, label->AccessibleRole()) {}

void HoverLabelAccessible::Install() {
    static const bool installed = (QAccessible::installFactory(&Create), true);
    (void)installed;
}

QString HoverLabelAccessible::text(QAccessible::Text type) const {
    QString shown = QAccessibleWidget::text(type);
    if (type == QAccessible::Name && shown.isEmpty()) {
        shown = Label()->text();
    }
    return shown;
}

QStringList HoverLabelAccessible::actionNames() const {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void HoverLabelAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) {
        // Later, from the event loop: a press may open a modal box, and the assistive
        // technology waits for this call to return.
        QMetaObject::invokeMethod(Label(), &HoverLabel::Press, Qt::QueuedConnection);
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

HoverLabel* HoverLabelAccessible::Label() const {
    return static_cast<HoverLabel*>(widget());
}

}  // namespace tolvane
