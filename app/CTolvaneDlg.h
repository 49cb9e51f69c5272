#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include <QStringList>

#include "CAboutIcon.h"
#include "CPathLabel.h"
#include "FileProgress.h"
#include "JobRunner.h"
#include "LauncherEntry.h"
#include "UpdateContext.h"
#include "UpdateOptions.h"

class QLabel;
class QPushButton;

namespace tolvane {

// The main window: the two folders, the options, the run/stop button, the status line and the
// count message. Around the designed dialog, a long copy shows its share in the window's title
// and over the program's icon in the task manager, and a long run that ends while the window
// is in the background says so in a desktop notification. It is the context of every run it
// starts: the run takes its request from it and reports to it from the worker thread through
// the UpdateContext calls, none of which waits for the window's thread.
class CTolvaneDlg : public QDialog, public UpdateContext {
    Q_OBJECT

  public:
    explicit CTolvaneDlg(QWidget* parent = nullptr);
    ~CTolvaneDlg() override;

    // The file system the runs use (the real one unless a test injects faults).
    void UseFileSystem(FileSystem& files) { fileSystem = &files; }
    FileSystem& Files() override {
        return fileSystem != nullptr ? *fileSystem : UpdateContext::Files();
    }

    // A run that lasts this long ends with a desktop notification when the window is not
    // the active one.
    static constexpr std::chrono::seconds kNoticeAfter{15};
    // Shortens that time, for tests only.
    void SetNoticeAfter(std::chrono::milliseconds after) { noticeAfter = after; }

    // Fills in the two folders, as when they are given on the command line.
    void SetFolders(const std::string& source, const std::string& target);

    // true: controls into members; false: members into controls.
    void UpdateData(bool saveAndValidate);

    // The calls of the walk, made on the worker thread.
    UpdateRequest Request() override;
    void OnEntry(std::string_view path) override;
    void OnAction(const WalkEvent& event) override;
    void OnFailure(const WalkFailure& failure) override;
    void OnProgress(const CopyProgress& progress) override;
    bool IsStopRequested() override;
    bool IsAbandonRequested() override;
    void UpdateDone(const WalkSummary& summary) override;

  public slots:
    // Esc, the close box and Alt+F4 all end here.
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A folder dragged from a file manager onto the source or the target group.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void OnInitDialog();
    void DoDataExchange(bool saveAndValidate);
    void OnBrowseSource();
    void OnBrowseTarget();
    void BrowseFolder(std::string& member);
    void OnRunStop();
    void OnUpdateDone(const WalkSummary& summary);
    void ShowRefusal(const WalkSummary& summary);
    void ShowCount(const WalkSummary& summary);
    void OnCancel();
    void OnHelp();
    std::string* DropMember(const QDropEvent& event);
    void QueueStatusRefresh();
    void ScheduleStatusRefresh();
    void RefreshStatus();
    void ShowCopyProgress(int percent);
    QLabel* StatusLine() const;
    QPushButton* RunButton() const;

    CJobRunner runner;
    FileSystem* fileSystem = nullptr;
    // sourceDir and targetDir are written and copied under runner.m_lock.
    UpdateOptions options;
    QIcon icon;
    bool running = false;         // a run was started and its end not yet handled
    bool stopRequested = false;   // the run button was pressed during the run
    QString idleButtonText;       // the run button's text before the run started
    std::uint64_t copyCount = 0;  // copies made since the window opened

    // Set while the window closes, or by a second press of the stop button: the copy in hand
    // is abandoned rather than finished.
    std::atomic<bool> closing{false};
    std::atomic<bool> abandonRequested{false};
    // The failures of the current run, worded for the completion message's details.
    std::mutex failureLock;
    QStringList failureLines;
    std::uint64_t failuresNotListed = 0;
    // The newest status text, handed from the worker to the window's thread.
    std::mutex statusLock;
    std::string statusText;
    std::atomic<bool> statusRefreshPending{false};
    QElapsedTimer sinceStatusShown;  // the status line is redrawn a few times a second at most
    // The copy in hand, shown in the title and the task manager with the status line.
    FileProgress fileProgress;
    LauncherEntry launcherEntry;
    QString caption;        // the window's own title, without a share
    int shownPercent = -1;  // the share the title shows, or -1
    QElapsedTimer sinceRunStarted;
    std::chrono::milliseconds noticeAfter = kNoticeAfter;

    CAboutIcon aboutIcon;  // control 1009
    CPathLabel sourcePath;
    CPathLabel targetPath;
    CPathLabel statusLine;
};

}  // namespace tolvane
