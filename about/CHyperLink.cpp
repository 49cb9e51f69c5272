#include "CHyperLink.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "AppMessageBox.h"
#include "LabelTakeover.h"
#include "LinkErrorText.h"
#include "LinkFit.h"
#include "LinkOpener.h"

namespace tolvane {

namespace {

// A result code above this means the link was opened.
constexpr int kLastFailureCode = 32;

}  // namespace

CHyperLink::CHyperLink(FitMode fit)
    : m_crHoverColour(QApplication::palette().color(QPalette::Highlight)),
      m_bAdjustToFit(fit == FitMode::ToText) {}

bool CHyperLink::Bind(QWidget* dialog, int controlId) {
    if (m_bBound || !TakeOverLabel(this, dialog, controlId)) {
        return false;
    }
    // A link is one line, measured and drawn as such.
    setWordWrap(false);
    if (m_strURL.isEmpty()) {
        m_strURL = text();
    }
    if (text().isEmpty()) {
        setText(m_strURL);
    }
    QFont linkFont = font();
    linkFont.setUnderline(m_bUnderline);
    setFont(linkFont);
    m_bBound = true;
    FitToText();
    LoadHandCursor();
    setToolTip(m_strURL);
    setMouseTracking(true);
    return true;
}

void CHyperLink::SetLinkTarget(QString url) {
    m_strURL = std::move(url);
    if (m_bBound) {
        FitToText();
        setToolTip(m_strURL);
    }
}

void CHyperLink::MarkVisited(bool visited) {
    m_bVisited = visited;
    if (m_bBound) {
        update();
    }
}

QColor CHyperLink::TextColour() const {
    if (m_bOverControl) {
        return m_crHoverColour;
    }
    return m_bVisited ? m_crVisitedColour : m_crLinkColour;
}

unsigned CHyperLink::StaticStyleBits() const {
    unsigned style = 0;
    if (alignment() & Qt::AlignHCenter) {
        style |= StaticStyle::SS_CENTER;
    }
    if (alignment() & Qt::AlignRight) {
        style |= StaticStyle::SS_RIGHT;
    }
    if (alignment() & Qt::AlignVCenter) {
        style |= StaticStyle::SS_CENTERIMAGE;
    }
    return style;
}

void CHyperLink::FitToText() {
    if (!m_bBound || !m_bAdjustToFit) {
        return;
    }
    setGeometry(FitRectToText(geometry(), TextExtent(), StaticStyleBits()));
}

QSize CHyperLink::TextExtent() const {
    const QFontMetrics metrics(font());
    int height = metrics.height();
    // Some fonts put the underline below their descent ("AR PL UMing TW" 9 pt draws it on the
    // 14th row of a 12-row line); the link keeps it inside, or the fitted control would cut it.
    if (font().underline()) {
        const QFontMetricsF exact(font());
        const double underlineBottom = exact.ascent() + exact.underlinePos() + exact.lineWidth();
        height = std::max(height, static_cast<int>(std::ceil(underlineBottom)));
    }
    return {metrics.horizontalAdvance(text()), height};
}

void CHyperLink::LoadHandCursor() {
    if (!m_bHandCursor) {
        setCursor(Qt::PointingHandCursor);
        m_bHandCursor = true;
    }
}

void CHyperLink::paintEvent(QPaintEvent* /*event*/) {
    // No background of its own: the dialog shows through around the text.
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(TextColour());
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

void CHyperLink::SetOver(bool over) {
    if (m_bOverControl == over) {
        return;
    }
    m_bOverControl = over;
    repaint();  // at once, so the colour follows the pointer without delay
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetOver(true);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    // A move inside after a message box or another window had the pointer re-enters hover.
    SetOver(rect().contains(event->position().toPoint()));
}

void CHyperLink::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetOver(false);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    // Taking the press makes the release come here too.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        OnClicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::OnClicked() {
    const int result = OpenLink(m_strURL.toStdString());
    // A failed open clears the mark of an earlier success; the next paint shows it.
    m_bVisited = result > kLastFailureCode;
    if (m_bVisited) {
        MarkVisited(true);
    } else {
        QApplication::beep();
        ReportLinkError(result);
    }
}

void CHyperLink::ReportLinkError(int code) {
    AppMessageBox(this, LinkErrorText(code), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace tolvane
