// bench_window_update SOURCE TARGET: one update run through the main window, offscreen.
// Fills in both folders, presses the run button and answers the count message; prints the
// time from the press to the message, so that Qt's start-up is not part of it.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "CTolvaneDlg.h"
#include "DialogBuilder.h"
#include "ResourceIds.h"

namespace {

// Notes when the first message box appears, then answers it and ends the event loop.
class MessageWatch : public QObject {
  public:
    explicit MessageWatch(const QElapsedTimer& clock) : m_clock(clock) {}

    qint64 elapsedNs = -1;
    QString text;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box != nullptr && event->type() == QEvent::Show && elapsedNs < 0) {
            elapsedNs = m_clock.nsecsElapsed();
            text = box->text();
            QTimer::singleShot(0, box, [box] {
                box->defaultButton()->click();
                QApplication::quit();
            });
        }
        return false;
    }

  private:
    const QElapsedTimer& m_clock;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: bench_window_update SOURCE TARGET\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    tolvane::CTolvaneDlg dialog;
    using tolvane::DialogBuilder;
    DialogBuilder::FindControlAs<QLabel>(&dialog, tolvane::IDC_SOURCE_PATH)
        ->setText(QFile::decodeName(argv[1]));
    DialogBuilder::FindControlAs<QLabel>(&dialog, tolvane::IDC_TARGET_PATH)
        ->setText(QFile::decodeName(argv[2]));
    dialog.show();

    QElapsedTimer clock;
    MessageWatch watch(clock);
    app.installEventFilter(&watch);
    QTimer::singleShot(0, &dialog, [&] {
        clock.start();
        DialogBuilder::FindControlAs<QPushButton>(&dialog, tolvane::IDC_RUN)->click();
    });
    app.exec();
    if (watch.elapsedNs < 0) {
        return 1;
    }
    std::printf("%s\nwalk seconds %.6f\n", watch.text.toUtf8().constData(),
                static_cast<double>(watch.elapsedNs) / 1e9);
    return 0;
}
