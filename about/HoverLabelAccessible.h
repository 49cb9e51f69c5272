#pragma once

#include <QAccessibleWidget>

namespace tolvane {

class HoverLabel;

// What assistive technology sees of a link or the About icon: a link or a button (not a
// plain label or picture) named by its text, with a press action that does what a click does.
class HoverLabelAccessible : public QAccessibleWidget {
  public:
    explicit HoverLabelAccessible(HoverLabel* label);

    // Makes every HoverLabel made from now on use this interface; the first call counts.
    static void Install();

    QString text(QAccessible::Text type) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    HoverLabel* Label() const;
};

}  // namespace tolvane
