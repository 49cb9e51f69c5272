#include "LinkErrorText.h"

#include "ShellResultCodes.h"

namespace tolvane {

namespace {

QString CodeMeaning(int code) {
    switch (code) {
        case ERROR_OUT_OF_RESOURCES:
            return QStringLiteral("The operating system is out\nof memory or resources.");
        case SE_ERR_FNF:
            return QStringLiteral("The specified file was not found.");
        case SE_ERR_PNF:
            return QStringLiteral("The specified path was not found.");
        case SE_ERR_ACCESSDENIED:
            return QStringLiteral("The operating system denied\naccess to the specified file.");
        case SE_ERR_OOM:
            return QStringLiteral("There was not enough memory to complete the operation.");
        case ERROR_BAD_FORMAT:
            return QStringLiteral(
                "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        case SE_ERR_SHARE:
            return QStringLiteral("A sharing violation occurred. ");
        case SE_ERR_ASSOCINCOMPLETE:
            return QStringLiteral("The filename association is\nincomplete or invalid.");
        case SE_ERR_DDETIMEOUT:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because the request timed out.");
        case SE_ERR_DDEFAIL:
            return QStringLiteral("The DDE transaction failed.");
        case SE_ERR_DDEBUSY:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because other DDE "
                "transactions\nwere being processed.");
        case SE_ERR_NOASSOC:
            return QStringLiteral(
                "There is no application associated\nwith the given filename extension.");
        case SE_ERR_DLLNOTFOUND:
            return QStringLiteral("The specified dynamic-link library was not found.");
        default:
            return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

}  // namespace

QString LinkErrorText(int code) {
    return QStringLiteral("Unable to open hyperlink:\n\n") + CodeMeaning(code);
}

}  // namespace tolvane
