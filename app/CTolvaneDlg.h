#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "CAboutIcon.h"
#include "CPathLabel.h"
#include "JobRunner.h"
#include "UpdateContext.h"
#include "UpdateOptions.h"

class QLabel;
class QPushButton;

namespace tolvane {

// The main window: the two folders, the options, the run/stop button, the status line and the
// count message. It is the context of every run it starts: the walk reads the options from it
// and reports to it from the worker thread through the UpdateContext calls, none of which
// waits for the window's thread.
class CTolvaneDlg : public QDialog, public UpdateContext {
    Q_OBJECT

public:
    explicit CTolvaneDlg(QWidget* parent = nullptr);
    ~CTolvaneDlg() override;

    // Where the icon is drawn in a minimised window's client area: centred, rounding towards
    // zero.
    static QPoint MinimizedIconPosition(QSize client, QSize icon);

    // true: controls into members; false: members into controls.
    void UpdateData(bool saveAndValidate);

    // The calls of the walk, made on the worker thread.
    RunRoots Roots() override;
    bool CopyWhenLarger() override;
    bool DeleteFromSource() override;
    void ShowStatus(const std::string& path) override;
    void CountCopy() override;
    bool IsStopRequested() override;
    bool IsAbandonRequested() override;
    void UpdateDone(const WalkSummary& summary) override;

public slots:
    // Esc, the close box and Alt+F4 all end here.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnInitDialog();
    void DoDataExchange(bool saveAndValidate);
    void OnBrowseSource();
    void OnBrowseTarget();
    void BrowseFolder(std::string& member);
    void OnRunStop();
    void OnUpdateDone(std::uint64_t failures);
    void OnOK();
    void OnCancel();
    void OnHelp();
    void ScheduleStatusRefresh();
    void RefreshStatus();
    QLabel* StatusLine() const;
    QPushButton* RunButton() const;

    CJobRunner runner;
    // sourceDir and targetDir are written and copied under runner.m_lock.
    UpdateOptions options;
    QIcon icon;
    bool running = false;         // a run was started and its end not yet handled
    std::uint32_t copyCount = 0;  // guarded by runner.m_lock

    // Set while the window closes: the copy in hand is abandoned rather than finished.
    std::atomic<bool> closing{false};
    // The newest status text, handed from the worker to the window's thread.
    std::mutex statusLock;
    std::string statusText;
    std::atomic<bool> statusRefreshPending{false};
    QElapsedTimer sinceStatusShown;  // the status line is redrawn a few times a second at most

    CAboutIcon aboutIcon;  // control 1009
    CPathLabel sourcePath;
    CPathLabel targetPath;
};

}  // namespace tolvane
