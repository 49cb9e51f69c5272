#pragma once

#include <QDialog>

class QPushButton;

#include "AboutDialogTemplate.h"
#include "CHyperLink.h"

namespace tolvane {

// The About box: template 100 with the author's e-mail address and home page as links.
// It lives for one showing, so its links always start unvisited.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    // owner is the window the box is modal over; credits are the names and addresses shown.
    explicit CAboutDlg(QWidget* owner = nullptr, const AboutCredits& credits = BuildCredits());

    // The credits this build was configured with.
    static AboutCredits BuildCredits();

    CHyperLink& EmailLink() { return m_emailLink; }
    CHyperLink& HomePageLink() { return m_homePageLink; }

  private:
    // The release line ends this many dialog units before the box's right edge.
    static constexpr int kRightMargin = 8;

    void OnInitDialog(const AboutCredits& credits);
    void WidenToShowLinks(QPushButton* ok);

    CHyperLink m_emailLink;
    CHyperLink m_homePageLink;
};

}  // namespace tolvane
