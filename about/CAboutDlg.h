#pragma once

#include <QDialog>

#include "AboutDialogTemplate.h"
#include "CHyperLink.h"

namespace tolvane {

// The About box: template 100 with the author's e-mail address and home page as links.
// It lives for one showing, so its links always start unvisited.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    // owner is the window the box is modal over.
    explicit CAboutDlg(QWidget* owner = nullptr);

    // The credits this build was configured with.
    static AboutCredits BuildCredits();

    CHyperLink& EmailLink() { return m_emailLink; }
    CHyperLink& HomePageLink() { return m_homePageLink; }

  private:
    void OnInitDialog(const AboutCredits& credits);

    CHyperLink m_emailLink;
    CHyperLink m_homePageLink;
};

}  // namespace tolvane
