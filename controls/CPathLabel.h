#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPainter;

namespace tolvane {

// Text-drawing flags the label understands, with the desktop's values.
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;  // only together with DT_SINGLELINE
inline constexpr unsigned DT_SINGLELINE = 0x0020;
inline constexpr unsigned DT_NOPREFIX = 0x0800;

// Shows a one-line path in an existing label control of a dialog and shortens it with "..."
// when it is too wide. Bound to the control by its id, it takes over the control's painting:
// it fills the background with the button-face colour and draws the text itself, so the
// control's text (QLabel::text) always stays the full path.
class CPathLabel : public QObject {
    Q_OBJECT

public:
    CPathLabel(unsigned format, bool pathEllipsis);
    ~CPathLabel() override;

    // Takes over the painting of the control with the given id among parent's children.
    // Returns false when there is no such control.
    bool SubclassDlgItem(int id, QWidget* parent);
    QWidget* Control() const { return m_control; }

    // The text as the next paint draws it: the control's text, shortened to its width.
    QString DisplayedText() const;

    // Nonzero: a text that is too wide loses characters in its middle (before the last '/');
    // zero: it loses its end. Takes effect at the next paint.
    bool m_bPathEllipsis;
    // The drawing flags given at construction, used on every paint.
    unsigned m_nFormat;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnEraseBkgnd(QPainter& painter) const;
    void OnPaint();
    QFont PaintFont() const;
    QString ControlText() const;

    QPointer<QWidget> m_control;
};

}  // namespace tolvane
