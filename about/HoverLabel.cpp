#include "HoverLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "HoverLabelAccessible.h"

namespace tolvane {

HoverLabel::HoverLabel(QWidget* parent) : QLabel(parent) {
    HoverLabelAccessible::Install();
}

void HoverLabel::LoadHandCursor() {
    if (!m_bHandCursor) {
        setCursor(Qt::PointingHandCursor);
        m_bHandCursor = true;
    }
}

void HoverLabel::TakeKeyboardFocus() {
    // Tab only: a click leaves the focus where it was, so that Enter after clicking a link
    // still presses the dialog's default button rather than the link again.
    setFocusPolicy(Qt::TabFocus);
}

void HoverLabel::DrawFocusFrame(QPainter& painter) {
    if (!hasFocus()) {
        return;
    }
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Window);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void HoverLabel::SetOver(bool over) {
    if (m_bOverControl == over) {
        return;
    }
    m_bOverControl = over;
    repaint();  // at once, so the look follows the pointer without delay
}

void HoverLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetOver(true);
}

void HoverLabel::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    // A move inside after a message box or another window had the pointer re-enters hover.
    SetOver(rect().contains(event->position().toPoint()));
}

void HoverLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetOver(false);
}

void HoverLabel::mousePressEvent(QMouseEvent* event) {
    // Taking the press makes the release come here too.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void HoverLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        OnClicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void HoverLabel::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        event->accept();
        Press();
        return;
    }
    QLabel::keyPressEvent(event);
}

}  // namespace tolvane
