#include "CAboutDlg.h"

#include <QPushButton>

#include "DialogBuilder.h"
#include "MessageBoxCodes.h"

namespace tolvane {

CAboutDlg::CAboutDlg(QWidget* owner) : QDialog(owner) {
    const AboutCredits credits = BuildCredits();
    DialogBuilder::Build(AboutDialogTemplate(credits), this);
    OnInitDialog(credits);
}

AboutCredits CAboutDlg::BuildCredits() {
    return {TOLVANE_AUTHOR_NAME, TOLVANE_AUTHOR_EMAIL, TOLVANE_HOME_PAGE, TOLVANE_LOCALISER_NAME};
}

void CAboutDlg::OnInitDialog(const AboutCredits& credits) {
    m_emailLink.Bind(this, IDC_EMAIL_LINK);
    m_emailLink.SetLinkTarget(QStringLiteral("mailto:") +
                              QString::fromStdString(credits.authorEmail));
    m_homePageLink.Bind(this, IDC_HOMEPAGE_LINK);
    m_homePageLink.SetLinkTarget(QString::fromStdString(credits.homePage));

    // OK is the default button: Enter and a click both end the box.
    if (auto* ok = DialogBuilder::FindControlAs<QPushButton>(this, IDOK)) {
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        ok->setFocus();
    }
}

}  // namespace tolvane
