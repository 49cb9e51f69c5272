#pragma once

#include <QAccessible>
#include <QLabel>

class QPainter;

namespace tolvane {

// A label that acts on the pointer as the link and the About icon do: a hand pointer, a hover
// state that follows the pointer and repaints at once, and a click (left button pressed and
// released over the label) handed to OnClicked. Once it takes the keyboard focus, Tab reaches
// it and Space or Enter acts as a click; a click itself never takes the focus.
class HoverLabel : public QLabel {
    Q_OBJECT

  public:
    explicit HoverLabel(QWidget* parent = nullptr);

    bool IsOver() const { return m_bOverControl; }
    // What a click does, for the keyboard and for assistive technology.
    void Press() { OnClicked(); }
    // What assistive technology calls the label: a button unless a subclass says otherwise.
    virtual QAccessible::Role AccessibleRole() const { return QAccessible::Button; }

  protected:
    // The hand pointer, set once.
    void LoadHandCursor();
    // Tab gives the label the focus, so that it can be used from the keyboard; a click does not.
    void TakeKeyboardFocus();
    // The style's focus frame around the label, while it has the focus.
    void DrawFocusFrame(QPainter& painter);
    void SetOver(bool over);
    virtual void OnClicked() = 0;

    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool m_bOverControl = false;
    bool m_bHandCursor = false;
};

}  // namespace tolvane
