#include "CAboutIcon.h"

#include <QPainter>

#include "CAboutDlg.h"
#include "LabelTakeover.h"

namespace tolvane {

bool CAboutIcon::Bind(QWidget* dialog, int controlId) {
    if (m_bBound || !TakeOverLabel(this, dialog, controlId)) {
        return false;
    }
    m_bBound = true;
    LoadHandCursor();
    TakeKeyboardFocus();
    setToolTip(ToolTipFor(dialog->window()->windowTitle()));
    setAccessibleName(toolTip());
    setAccessibleDescription(tr("顯示程式的版本與作者。"));
    setMouseTracking(true);
    return true;
}

QString CAboutIcon::ToolTipFor(const QString& title) {
    QString shown = title.left(kMaxTitleLength);
    // Never keep half of a character that takes two UTF-16 units.
    if (!shown.isEmpty() && shown.back().isHighSurrogate()) {
        shown.chop(1);
    }
    return tr("About %1").arg(shown);
}

void CAboutIcon::paintEvent(QPaintEvent* event) {
    HoverLabel::paintEvent(event);
    QPainter painter(this);
    DrawFocusFrame(painter);
}

void CAboutIcon::OnClicked() {
    // Leave the hover state first, so the box never opens over a hovered icon.
    SetOver(false);
    CAboutDlg about(window());
    about.exec();
}

}  // namespace tolvane
