#pragma once

#include <QString>
#include "HoverLabel.h"

namespace tolvane {

// The program's icon on the main window as a button: a hand pointer and the tool tip
// "About <window title>" while the pointer is over it, and the About box when clicked or,
// once Tab has reached it, when Space or Enter is pressed. Screen readers hear the tool tip's
// text as its name.
class CAboutIcon : public HoverLabel {
    Q_OBJECT

  public:
    // The tool tip holds at most this many characters of the window title.
    static constexpr int kMaxTitleLength = 79;

    CAboutIcon() = default;

    // Takes the place of the icon control controlId of dialog; the tool tip names the title
    // dialog's window has now. Returns false when there is no such control.
    bool Bind(QWidget* dialog, int controlId);

    // "About " followed by at most kMaxTitleLength characters of title.
    static QString ToolTipFor(const QString& title);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnClicked() override;

    bool m_bBound = false;
};

}  // namespace tolvane
