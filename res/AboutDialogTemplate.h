#pragma once

#include <string>

#include "DialogTemplate.h"

namespace tolvane {

// The translation context of the About box's texts, its template's included.
inline constexpr const char* kAboutDialogContext = "tolvane::CAboutDlg";

inline constexpr int IDC_AUTHOR_NAME = 118;
inline constexpr int IDC_HOMEPAGE_LINK = 1007;
inline constexpr int IDC_EMAIL_LINK = 1008;

// The people and addresses the About box names; they are build settings, not resources.
struct AboutCredits {
    std::string authorName;
    std::string authorEmail;  // bare, without "mailto:"
    std::string homePage;     // a URL
    std::string localiserName;
};

// Template 100: the About box, with the credits filled in.
DialogTemplate AboutDialogTemplate(const AboutCredits& credits);

}  // namespace tolvane
