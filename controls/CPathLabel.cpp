#include "CPathLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionFrame>

#include "DialogBuilder.h"
#include "PathShortening.h"

namespace tolvane {

CPathLabel::CPathLabel(unsigned format, bool pathEllipsis)
    : m_bPathEllipsis(pathEllipsis), m_nFormat(format) {}

CPathLabel::~CPathLabel() {
    if (m_control) {
        m_control->removeEventFilter(this);
    }
}

bool CPathLabel::SubclassDlgItem(int id, QWidget* parent) {
    QWidget* control = DialogBuilder::FindControl(parent, id);
    if (!control) {
        return false;
    }
    if (m_control) {
        m_control->removeEventFilter(this);
    }
    m_control = control;
    m_control->installEventFilter(this);
    m_control->update();
    return true;
}

QString CPathLabel::DisplayedText() const {
    if (!m_control) {
        return QString();
    }
    const QFontMetrics metrics(PaintFont());
    const auto measure = [&metrics](const QString& text) {
        return metrics.horizontalAdvance(text);
    };
    const int width = m_control->contentsRect().width();
    const QString text = ControlText();
    return m_bPathEllipsis ? ShortenPath(text, width, measure) : ShortenEnd(text, width, measure);
}

bool CPathLabel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_control && event->type() == QEvent::Paint) {
        OnPaint();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CPathLabel::OnEraseBkgnd(QPainter& painter) const {
    painter.fillRect(m_control->contentsRect(), m_control->palette().color(QPalette::Button));
}

void CPathLabel::OnPaint() {
    QPainter painter(m_control);
    // The sunken edge stays as the control's frame draws it.
    if (auto* frame = qobject_cast<QFrame*>(m_control.data()); frame && frame->frameWidth() > 0) {
        QStyleOptionFrame option;
        option.initFrom(frame);
        option.frameShape = frame->frameShape();
        option.lineWidth = frame->lineWidth();
        option.midLineWidth = frame->midLineWidth();
        option.state |=
            frame->frameShadow() == QFrame::Sunken ? QStyle::State_Sunken : QStyle::State_Raised;
        frame->style()->drawControl(QStyle::CE_ShapedFrame, &option, &painter, frame);
    }
    OnEraseBkgnd(painter);

    painter.setFont(PaintFont());
    painter.setPen(m_control->palette().color(QPalette::WindowText));
    int flags = Qt::TextSingleLine;
    flags |= (m_nFormat & DT_CENTER)  ? Qt::AlignHCenter
             : (m_nFormat & DT_RIGHT) ? Qt::AlignRight
                                      : Qt::AlignLeft;
    // Vertical centring applies to single-line drawing only; otherwise the line is at the top.
    const bool centred = (m_nFormat & DT_VCENTER) && (m_nFormat & DT_SINGLELINE);
    flags |= centred ? Qt::AlignVCenter : Qt::AlignTop;
    if (!(m_nFormat & DT_NOPREFIX)) {
        flags |= Qt::TextShowMnemonic;
    }
    painter.drawText(m_control->contentsRect(), flags, DisplayedText());
}

QFont CPathLabel::PaintFont() const {
    // The dialog's font, not one set on the control itself.
    QWidget* parent = m_control->parentWidget();
    return parent ? parent->font() : m_control->font();
}

QString CPathLabel::ControlText() const {
    if (auto* label = qobject_cast<QLabel*>(m_control.data())) {
        return label->text();
    }
    return m_control->windowTitle();
}

}  // namespace tolvane
