#pragma once

#include <QLabel>

namespace tolvane {

// A label that acts on the pointer as the link and the About icon do: a hand pointer, a hover
// state that follows the pointer and repaints at once, and a click (left button pressed and
// released over the label) handed to OnClicked.
class HoverLabel : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;

    bool IsOver() const { return m_bOverControl; }

  protected:
    // The hand pointer, set once.
    void LoadHandCursor();
    void SetOver(bool over);
    virtual void OnClicked() = 0;

    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool m_bOverControl = false;
    bool m_bHandCursor = false;
};

}  // namespace tolvane
