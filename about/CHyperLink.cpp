#include "CHyperLink.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include "AppMessageBox.h"
#include "AsyncOpen.h"
#include "LabelTakeover.h"
#include "LinkColours.h"
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
    TakeKeyboardFocus();
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
    if (IsOver()) {
        return ReadableColour(m_crHoverColour, palette());
    }
    return m_bVisited ? ReadableLinkColour(m_crVisitedColour, QPalette::LinkVisited, palette())
                      : ReadableLinkColour(m_crLinkColour, QPalette::Link, palette());
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

void CHyperLink::paintEvent(QPaintEvent* /*event*/) {
    // No background of its own: the dialog shows through around the text.
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(TextColour());
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
    DrawFocusFrame(painter);
}

void CHyperLink::OnClicked() {
    const std::string url = m_strURL.toStdString();
    OpenInBackground([url] { return OpenLink(url); }, this, [this](int code) { OnOpened(code); });
}

void CHyperLink::OnOpened(int result) {
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
