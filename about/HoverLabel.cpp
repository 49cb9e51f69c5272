#include "HoverLabel.h"

#include <QMouseEvent>

namespace tolvane {

void HoverLabel::LoadHandCursor() {
    if (!m_bHandCursor) {
        setCursor(Qt::PointingHandCursor);
        m_bHandCursor = true;
    }
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

}  // namespace tolvane
