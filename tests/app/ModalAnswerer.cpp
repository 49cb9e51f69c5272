#include "ModalAnswerer.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "SelectFolderDialog.h"

ModalAnswerer::ModalAnswerer() {
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::Answer);
    m_timer.start(10);
}

void ModalAnswerer::Answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (beforeAnswer) {
            beforeAnswer();
        }
        messages.append({box->windowTitle(), box->text()});
        box->defaultButton()->click();
        return;
    }
    auto* picker = qobject_cast<tolvane::CSelectFolderDialog*>(modal);
    if (!picker) {
        return;
    }
    pickerOpenedAt << picker->directory().absolutePath();
    if (pickerChoices.isEmpty() || !pickerChoices.first()) {
        if (!pickerChoices.isEmpty()) {
            pickerChoices.removeFirst();
        }
        picker->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        return;
    }
    const QString folder = *pickerChoices.takeFirst();
    picker->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->setText(folder);
    picker->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
}
