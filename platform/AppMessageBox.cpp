#include "AppMessageBox.h"

#include <QMessageBox>

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

int AppMessageBox(QWidget* parent, const QString& text, unsigned type) {
    const bool yesNo = (type & kButtonMask) == MB_YESNO;
    QMessageBox box(IconFor(type), ApplicationName(), text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // paths may hold '<' or '&'
    box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    const int clicked = box.exec();
    if (yesNo) {
        return clicked == QMessageBox::Yes ? IDYES : IDNO;
    }
    return IDOK;
}

}  // namespace tolvane
