#include "CAboutIcon.h"

#include <QMouseEvent>

#include "CAboutDlg.h"
#include "LabelTakeover.h"

namespace tolvane {

bool CAboutIcon::Bind(QWidget* dialog, int controlId) {
    if (m_bBound || !TakeOverLabel(this, dialog, controlId)) {
        return false;
    }
    m_bBound = true;
    LoadHandCursor();
    setToolTip(ToolTipFor(dialog->window()->windowTitle()));
    setMouseTracking(true);
    return true;
}

QString CAboutIcon::ToolTipFor(const QString& title) {
    QString shown = title.left(kMaxTitleLength);
    // Never keep half of a character that takes two UTF-16 units.
    if (!shown.isEmpty() && shown.back().isHighSurrogate()) {
        shown.chop(1);
    }
    return QStringLiteral("About ") + shown;
}

void CAboutIcon::LoadHandCursor() {
    if (!m_bHandCursor) {
        setCursor(Qt::PointingHandCursor);
        m_bHandCursor = true;
    }
}

void CAboutIcon::SetOver(bool over) {
    if (m_bOverControl == over) {
        return;
    }
    m_bOverControl = over;
    repaint();
}

void CAboutIcon::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetOver(true);
}

void CAboutIcon::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    // The first move after the About box closed enters the hover state again.
    SetOver(rect().contains(event->position().toPoint()));
}

void CAboutIcon::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetOver(false);
}

void CAboutIcon::mousePressEvent(QMouseEvent* event) {
    // Taking the press makes the release come here too.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void CAboutIcon::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        OnClicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CAboutIcon::OnClicked() {
    // Leave the hover state first, so the box never opens over a hovered icon.
    SetOver(false);
    CAboutDlg about(window());
    about.exec();
}

}  // namespace tolvane
