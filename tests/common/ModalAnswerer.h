#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

#include "SelectFolderDialog.h"

// Answers the modal windows that the code under test opens, from a timer (they open inside
// the code under test, so nothing else could): message boxes are recorded and answered with
// the next queued answer, or their default button; each folder picker records the folder it
// opened at and chooses the next queued folder through its folder field and OK button, or is
// cancelled when nothing is queued. When handle is set, every modal window goes to it instead,
// and it closes them.
class ModalAnswerer : public QObject {
  public:
    struct Message {
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString details;
    };
    // Answers that press no button.
    static constexpr int kEscape = -1;
    static constexpr int kCloseBox = -2;

    ModalAnswerer() {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::Answer);
        m_timer.start(10);
    }

    // Called before a message box is answered (for example to undo a resource limit).
    std::function<void()> beforeAnswer;
    std::function<void(QWidget*)> handle;

    // QMessageBox::StandardButton values, kEscape or kCloseBox, used in turn.
    QList<int> boxAnswers;
    QList<Message> messages;
    QStringList pickerOpenedAt;
    QList<std::optional<QString>> pickerChoices;

  private:
    void Answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            return;
        }
        if (handle) {
            handle(modal);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            AnswerBox(box);
        } else if (auto* picker = qobject_cast<tolvane::CSelectFolderDialog*>(modal)) {
            AnswerPicker(picker);
        }
    }

    void AnswerBox(QMessageBox* box) {
        if (beforeAnswer) {
            beforeAnswer();
        }
        messages.append({box->windowTitle(), box->text(), box->icon(), box->detailedText()});
        const int answer =
            boxAnswers.isEmpty() ? int(QMessageBox::NoButton) : boxAnswers.takeFirst();
        if (answer == kEscape) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (answer == kCloseBox) {
            box->close();
        } else if (answer == QMessageBox::NoButton) {
            box->defaultButton()->click();
        } else {
            box->button(QMessageBox::StandardButton(answer))->click();
        }
    }

    void AnswerPicker(tolvane::CSelectFolderDialog* picker) {
        pickerOpenedAt << picker->directory().absolutePath();
        const std::optional<QString> choice =
            pickerChoices.isEmpty() ? std::nullopt : pickerChoices.takeFirst();
        if (!choice) {
            picker->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
            return;
        }
        picker->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->setText(*choice);
        picker->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    }

    QTimer m_timer;
};
