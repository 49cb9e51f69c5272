#include "LinkErrorText.h"

#include <QCoreApplication>

#include "ShellResultCodes.h"

namespace tolvane {

namespace {

constexpr const char* kContext = "tolvane::CHyperLink";

struct CodeMeaning {
    int code;
    const char* text;  // the source text of its translation in kContext
};

// The meanings of the codes that the opener and the program start produce.
constexpr CodeMeaning kMeanings[] = {
    {ERROR_OUT_OF_RESOURCES,
     QT_TRANSLATE_NOOP("tolvane::CHyperLink",
                       "The operating system is out\nof memory or resources.")},
    {SE_ERR_FNF, QT_TRANSLATE_NOOP("tolvane::CHyperLink", "The specified file was not found.")},
    {SE_ERR_PNF, QT_TRANSLATE_NOOP("tolvane::CHyperLink", "The specified path was not found.")},
    {SE_ERR_ACCESSDENIED,
     QT_TRANSLATE_NOOP("tolvane::CHyperLink",
                       "The operating system denied\naccess to the specified file.")},
    {SE_ERR_OOM, QT_TRANSLATE_NOOP("tolvane::CHyperLink",
                                   "There was not enough memory to complete the operation.")},
    {ERROR_BAD_FORMAT,
     QT_TRANSLATE_NOOP("tolvane::CHyperLink",
                       "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).")},
    {SE_ERR_SHARE, QT_TRANSLATE_NOOP("tolvane::CHyperLink", "A sharing violation occurred. ")},
    {SE_ERR_ASSOCINCOMPLETE,
     QT_TRANSLATE_NOOP("tolvane::CHyperLink",
                       "The filename association is\nincomplete or invalid.")},
    {SE_ERR_NOASSOC,
     QT_TRANSLATE_NOOP("tolvane::CHyperLink",
                       "There is no application associated\nwith the given filename extension.")},
    {SE_ERR_DLLNOTFOUND,
     QT_TRANSLATE_NOOP("tolvane::CHyperLink", "The specified dynamic-link library was not found.")},
};

QString Meaning(int code) {
    for (const CodeMeaning& meaning : kMeanings) {
        if (meaning.code == code) {
            return QCoreApplication::translate(kContext, meaning.text);
        }
    }
    return QCoreApplication::translate("tolvane::CHyperLink", "Unknown Error (%1) occurred.")
        .arg(code);
}

}  // namespace

QString LinkErrorText(int code) {
    return QCoreApplication::translate("tolvane::CHyperLink", "Unable to open hyperlink:\n\n") +
           Meaning(code);
}

}  // namespace tolvane
