#include "AppMessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include "ApplicationName.h"

namespace tolvane {

namespace {

constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

QMessageBox::Icon IconFor(unsigned type) {
    switch (type & kIconMask) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        default:
            return QMessageBox::Warning;
    }
}

}  // namespace

int AppMessageBox(QWidget* parent, const QString& text, unsigned type, const QString& details) {
    const bool yesNo = (type & kButtonMask) == MB_YESNO;
    QMessageBox box(IconFor(type), ApplicationName(), text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // paths may hold '<' or '&'
    box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    if (!details.isEmpty()) {
        box.setDetailedText(details);  // shown on request, and can be selected and copied
    }
    // Esc and the close box must not answer a question: they press a Cancel button that is
    // never shown, so that the caller can tell "put aside" from "No".
    QAbstractButton* putAside = nullptr;
    if (yesNo) {
        putAside = box.addButton(QMessageBox::Cancel);
        putAside->hide();
        box.setEscapeButton(putAside);
    }
    const int clicked = box.exec();
    if (!yesNo) {
        return IDOK;
    }
    if (box.clickedButton() == putAside) {
        return IDCANCEL;
    }
    return clicked == QMessageBox::Yes ? IDYES : IDNO;
}

}  // namespace tolvane
