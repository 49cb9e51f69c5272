#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

// Answers the modal windows that the dialog under test opens, from a timer: message boxes are
// recorded and closed with their default button; each folder picker records the folder it
// opened at and then chooses the next queued folder through its folder field and OK button,
// or is cancelled when nothing is queued.
class ModalAnswerer : public QObject {
    Q_OBJECT

public:
    struct Message {
        QString caption;
        QString text;
    };

    ModalAnswerer();

    // Called before a message box is answered (for example to undo a resource limit).
    std::function<void()> beforeAnswer;

    QList<Message> messages;
    QStringList pickerOpenedAt;
    QList<std::optional<QString>> pickerChoices;

private:
    void Answer();

    QTimer m_timer;
};
