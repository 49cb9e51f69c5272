#include "CPathLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include "LabelTakeover.h"
#include "PathShortening.h"

namespace tolvane {

CPathLabel::CPathLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

CPathLabel::CPathLabel(unsigned /*format*/, bool pathEllipsis) : CPathLabel(nullptr) {
    m_bPathEllipsis = pathEllipsis;
}

CPathLabel::PathEllipsisFlag& CPathLabel::PathEllipsisFlag::operator=(bool pathEllipsis) {
    label->setElideMode(pathEllipsis ? Qt::ElideMiddle : Qt::ElideRight);
    return *this;
}

void CPathLabel::setElideMode(Qt::TextElideMode mode) {
    if (m_elideMode != mode) {
        m_elideMode = mode;
        update();
    }
}

QString CPathLabel::elidedText() const {
    const QFontMetrics metrics(PaintFont());
    const auto measure = [&metrics](const QString& text) {
        return metrics.horizontalAdvance(text);
    };
    const int width = contentsRect().width();
    switch (m_elideMode) {
        case Qt::ElideMiddle:
            return ShortenPath(text(), width, measure);
        case Qt::ElideRight:
            return ShortenEnd(text(), width, measure);
        case Qt::ElideLeft:
            return metrics.elidedText(text(), Qt::ElideLeft, width);
        case Qt::ElideNone:
            break;
    }
    return text();
}

bool CPathLabel::Bind(QWidget* dialog, int controlId) {
    if (!TakeOverLabel(this, dialog, controlId)) {
        return false;
    }
    ShowWholePathInHints();
    return true;
}

bool CPathLabel::event(QEvent* event) {
    // The text may have changed since the last paint; the tool tip must give the current one.
    if (event->type() == QEvent::ToolTip) {
        ShowWholePathInHints();
    }
    return QLabel::event(event);
}

void CPathLabel::paintEvent(QPaintEvent* /*event*/) {
    // QLabel::setText() tells subclasses nothing but repaints, so the hints follow the text
    // here.
    ShowWholePathInHints();
    QPainter painter(this);
    drawFrame(&painter);
    painter.fillRect(contentsRect(), palette().color(QPalette::Button));
    painter.setFont(PaintFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine,
                     elidedText());
}

void CPathLabel::ShowWholePathInHints() {
    if (toolTip() != text()) {
        setToolTip(text());
    }
    // A label's own accessible name drops every '&' of its text; a path keeps them.
    if (accessibleName() != text()) {
        setAccessibleName(text());
    }
}

QFont CPathLabel::PaintFont() const {
    // The dialog's font, not one set on the label itself.
    return parentWidget() ? parentWidget()->font() : font();
}

}  // namespace tolvane
