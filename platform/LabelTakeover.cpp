#include "LabelTakeover.h"

#include <QLabel>

#include "DialogBuilder.h"

namespace tolvane {

bool TakeOverLabel(QLabel* replacement, QWidget* dialog, int controlId) {
    QLabel* original = DialogBuilder::FindControlAs<QLabel>(dialog, controlId);
    if (!original || original == replacement) {
        return false;
    }
    replacement->setParent(dialog);
    replacement->setObjectName(original->objectName());
    replacement->setProperty(DialogBuilder::kControlIdProperty, controlId);
    replacement->setGeometry(original->geometry());
    replacement->setFont(original->font());
    replacement->setTextFormat(Qt::PlainText);
    replacement->setAlignment(original->alignment());
    replacement->setMargin(original->margin());
    replacement->setIndent(original->indent());
    replacement->setFrameStyle(original->frameStyle());
    replacement->setFocusPolicy(original->focusPolicy());
    replacement->setEnabled(original->isEnabled());
    const QPixmap pixmap = original->pixmap();
    if (!pixmap.isNull()) {
        replacement->setPixmap(pixmap);
    } else {
        replacement->setText(original->text());
    }
    replacement->stackUnder(original);
    replacement->setVisible(!original->isHidden());
    delete original;
    return true;
}

}  // namespace tolvane
