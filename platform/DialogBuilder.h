#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "DialogTemplate.h"

class QDialog;

namespace tolvane {

// Creates a dialog's window and controls from a template. Dialog units are converted with the
// dialog font's base units as the desktop's dialog manager does: x = dlu * average char width / 4,
// y = dlu * char height / 8, rounded to the nearest pixel. Texts are translated as the
// controls are made, so a template holds only the source texts.
class DialogBuilder {
  public:
    // The name of the property that holds a built control's id.
    static constexpr const char* kControlIdProperty = "controlId";

    // The first installed family of the template's list, at its size, weight and slant.
    static QFont MakeFont(const DialogFont& font);
    // Average character width (of the Latin letters, rounded as the dialog manager does) and
    // character height of a font, in pixels.
    static QSize BaseUnits(const QFont& font);
    static QRect ToPixels(const DialogRect& rect, QSize baseUnits);

    // A template's text in the user's language: its translation in context, or the text itself
    // when there is none (or no context).
    static QString Translate(const std::string& context, const std::string& text);

    // Gives dialog the template's caption, font, window flags and fixed client size, creates
    // the controls in template order (which is also the tab order and, first on top, the
    // stacking order) and puts the focus on the first enabled tab stop.
    static void Build(const DialogTemplate& dialogTemplate, QDialog* dialog);

    // The control with the given id among dialog's children, or nullptr.
    static QWidget* FindControl(const QWidget* dialog, int id);
    template <typename Widget>
    static Widget* FindControlAs(const QWidget* dialog, int id) {
        return qobject_cast<Widget*>(FindControl(dialog, id));
    }

  private:
    // text is the control's text in the user's language.
    static QWidget* CreateControl(const ControlTemplate& control, const QString& text,
                                  QWidget* parent);
    static QWidget* CreateStaticText(const ControlTemplate& control, const QString& text,
                                     QWidget* parent);
    static QWidget* CreateStaticIcon(const ControlTemplate& control, QWidget* parent);
    static void ApplyFocusPolicy(const ControlTemplate& control, QWidget* widget);
    // Orders the controls as they are read, top to bottom and left to right: the order in
    // which screen readers step through them and the stacking order, so that a group box
    // lies under the controls it frames. Tab keeps the template's order.
    static void StackInReadingOrder(QDialog* dialog);
};

}  // namespace tolvane
