#pragma once

#include <QColor>
#include <QString>
#include "HoverLabel.h"

namespace tolvane {

// A static text that behaves as a link: bound to a text control of a dialog, it draws its
// text underlined in link colours, takes the size of its text, shows a hand pointer and its
// URL as a tool tip, and opens the URL when clicked (or activated from the keyboard),
// reporting a failure in a message box. The opening runs off the window's thread; its outcome
// arrives later and marks the link visited or reports the failure.
class CHyperLink : public HoverLabel {
    Q_OBJECT

  public:
    // Whether binding and SetLinkTarget shrink or grow the control to its text.
    enum class FitMode { ToText, KeepSize };

    static constexpr QColor kLinkColour{0, 0, 238};
    static constexpr QColor kVisitedColour{85, 26, 139};

    explicit CHyperLink(FitMode fit = FitMode::ToText);

    // Takes the place of the text control controlId of dialog. An empty URL takes the
    // control's text, an empty text takes the URL. Returns false when there is no such control.
    bool Bind(QWidget* dialog, int controlId);

    QAccessible::Role AccessibleRole() const override { return QAccessible::Link; }

    // Stores the URL; once bound, also refits the control and renews the tool tip. The text
    // shown does not change.
    void SetLinkTarget(QString url);
    QString LinkTarget() const { return m_strURL; }

    // Draws the text in the visited colour (or no longer) from the next paint on.
    void MarkVisited(bool visited);
    bool IsVisited() const { return m_bVisited; }

    // The colour the text is drawn in now: hover over visited over plain link. The designed
    // link colours give way to the palette's when they do not read on the window's colour.
    QColor TextColour() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void FitToText();
    // The size of the whole text in the link font, one line, underline included.
    QSize TextExtent() const;
    void OnClicked() override;
    void OnOpened(int code);
    void ReportLinkError(int code);
    unsigned StaticStyleBits() const;

    const QColor m_crLinkColour = kLinkColour;
    const QColor m_crVisitedColour = kVisitedColour;
    const QColor m_crHoverColour;  // the desktop's highlight colour when the link was made
    bool m_bVisited = false;
    const bool m_bUnderline = true;
    const bool m_bAdjustToFit;
    QString m_strURL;
    bool m_bBound = false;
};

}  // namespace tolvane
