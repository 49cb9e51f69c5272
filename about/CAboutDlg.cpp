#include "CAboutDlg.h"

#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <string>

#include "DialogBuilder.h"
#include "HelpPageLocation.h"
#include "MessageBoxCodes.h"

namespace tolvane {

CAboutDlg::CAboutDlg(QWidget* owner, const AboutCredits& credits) : QDialog(owner) {
    DialogBuilder::Build(AboutDialogTemplate(credits), this);
    OnInitDialog(credits);
}

AboutCredits CAboutDlg::BuildCredits() {
    // Without a home page of its own, the build links to the help page: the installed one, or
    // the source tree's for a program run from its build folder.
    std::string homePage = TOLVANE_HOME_PAGE;
    if (homePage.empty()) {
        homePage = QUrl::fromLocalFile(HelpPagePath()).toString().toStdString();
    }
    return {TOLVANE_AUTHOR_NAME, TOLVANE_AUTHOR_EMAIL, homePage, TOLVANE_LOCALISER_NAME};
}

void CAboutDlg::OnInitDialog(const AboutCredits& credits) {
    m_emailLink.Bind(this, IDC_EMAIL_LINK);
    m_emailLink.SetLinkTarget(QStringLiteral("mailto:") +
                              QString::fromStdString(credits.authorEmail));
    m_homePageLink.Bind(this, IDC_HOMEPAGE_LINK);
    m_homePageLink.SetLinkTarget(QString::fromStdString(credits.homePage));

    // OK is the default button: Enter and a click both end the box.
    auto* ok = DialogBuilder::FindControlAs<QPushButton>(this, IDOK);
    if (ok) {
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        ok->setFocus();
    }
    WidenToShowLinks(ok);
}

void CAboutDlg::WidenToShowLinks(QPushButton* ok) {
    // A link fitted to a long address (the default home page is a file URL) may reach past the
    // box's right edge; the box grows so that the whole link shows and can be clicked, keeping
    // the right margin of the release line, and OK keeps its place at the right.
    const QSize units = DialogBuilder::BaseUnits(font());
    const int margin = DialogBuilder::ToPixels({0, 0, kRightMargin, 0}, units).width();
    const int linksRight =
        std::max(m_emailLink.geometry().right(), m_homePageLink.geometry().right()) + 1;
    const int overflow = linksRight + margin - width();
    if (overflow <= 0) {
        return;
    }
    setFixedWidth(width() + overflow);
    if (ok) {
        ok->move(ok->x() + overflow, ok->y());
    }
}

}  // namespace tolvane
