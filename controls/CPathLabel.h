#pragma once

#include <QLabel>

namespace tolvane {

// A one-line label for a path that shortens the drawn text with "..." when it is too wide.
// Only the drawing is shortened: text() stays the whole path, and the tool tip and the
// accessible name give it in full. The label fills its inside with the button-face colour and
// draws the text in its dialog's font as plain text (an '&' is drawn as itself) at the top of
// its rectangle, aligned as alignment() says horizontally.
class CPathLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(Qt::TextElideMode elideMode READ elideMode WRITE setElideMode)

  public:
    explicit CPathLabel(QWidget* parent = nullptr);

    // Qt::ElideMiddle (the default) keeps everything from the last '/' on and lets the
    // characters just before it give way, so the name at the end stays visible; Qt::ElideRight
    // cuts the end; Qt::ElideLeft cuts the beginning; Qt::ElideNone clips.
    Qt::TextElideMode elideMode() const { return m_elideMode; }
    void setElideMode(Qt::TextElideMode mode);

    // The text as the next paint draws it: text() shortened to the label's inside.
    QString elidedText() const;

    // Takes the place of the label controlId among dialog's controls, with its text, geometry
    // and frame. Returns false, changing nothing, when dialog holds no such label.
    bool Bind(QWidget* dialog, int controlId);

    // Deprecated: the main window's first configuration, kept until it calls Bind() and
    // setElideMode(). The format is ignored; pathEllipsis chooses ElideMiddle over ElideRight.
    CPathLabel(unsigned format, bool pathEllipsis);
    bool SubclassDlgItem(int id, QWidget* parent) { return Bind(parent, id); }
    struct PathEllipsisFlag {
        CPathLabel* label;
        PathEllipsisFlag& operator=(bool pathEllipsis);
    } m_bPathEllipsis{this};

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void ShowWholePathInHints();
    QFont PaintFont() const;

    Qt::TextElideMode m_elideMode = Qt::ElideMiddle;
};

// Deprecated with CPathLabel(unsigned, bool): the old drawing flags, which change nothing.
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_NOPREFIX = 0x0800;

}  // namespace tolvane
