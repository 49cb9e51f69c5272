#include "CTolvaneDlg.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "AppMessageBox.h"
#include "DesktopNotice.h"
#include "DialogBuilder.h"
#include "HelpPage.h"
#include "IconResource.h"
#include "MainDialogTemplate.h"
#include "ReportLines.h"
#include "ResourceIds.h"
#include "SelectFolderDialog.h"
#include "UpdateWalk.h"

namespace tolvane {

namespace {

QCheckBox* CheckBox(const QWidget* dialog, int id) {
    return DialogBuilder::FindControlAs<QCheckBox>(dialog, id);
}

QLabel* Label(const QWidget* dialog, int id) {
    return DialogBuilder::FindControlAs<QLabel>(dialog, id);
}

// A path shown on the screen: the file system's bytes decoded for display only.
QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Reads a path back from its label. The label holds the path only as display text, which
// loses bytes that are not valid in the locale's encoding, so a label still showing the
// member's own path leaves the member's bytes untouched.
void PullPath(const QLabel* label, std::string& member) {
    if (label->text() != PathText(member)) {
        member = QFile::encodeName(label->text()).toStdString();
    }
}

void PushPath(QLabel* label, const std::string& member) {
    const QString text = PathText(member);
    if (label->text() != text) {
        label->setText(text);
    }
}

void PullCheck(const QCheckBox* box, std::atomic<std::int32_t>& member) {
    member.store(box->isChecked() ? 1 : 0);
}

void PushCheck(QCheckBox* box, const std::atomic<std::int32_t>& member) {
    box->setChecked(member.load() != 0);
}

// The folder a drag carries, as the file system's bytes ending with '/' like the picker's
// result; empty when it carries anything else: a file, several items, a remote address.
std::string DroppedFolder(const QMimeData* data) {
    if (data == nullptr || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().first();
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost"))) {
        return {};
    }
    // The name's bytes are in the address's percent-encoding; toLocalFile() would pass them
    // through UTF-8 and lose every byte that is not valid in it.
    std::string path =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return {};
    }
    if (path.back() != '/') {
        path += '/';
    }
    return path;
}

// Where the group box framing a control lies, or an empty rectangle.
QRect GroupAround(const QWidget* dialog, int id) {
    const QRect control = DialogBuilder::FindControl(dialog, id)->geometry();
    for (const QGroupBox* group :
         dialog->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (group->geometry().contains(control)) {
            return group->geometry();
        }
    }
    return {};
}

// The details of a completion message list at most this many failures.
constexpr int kFailuresListed = 1000;

// What the window says when a run refuses its roots.
QString RefusalText(const WalkSummary& summary) {
    const QString reason = QString::fromStdString(ErrorText(summary.refusalError));
    switch (summary.refusal) {
        case RootRefusal::None:
            break;
        case RootRefusal::SameFolder:
            return CTolvaneDlg::tr("The source and the target are the same folder.");
        case RootRefusal::SourceNotFolder:
            return CTolvaneDlg::tr("The source is not a folder.");
        case RootRefusal::SourceUnusable:
            return CTolvaneDlg::tr("The source folder cannot be read: %1.").arg(reason);
        case RootRefusal::TargetNotFolder:
            return CTolvaneDlg::tr("The target is not a folder.");
        case RootRefusal::TargetUnusable:
            return CTolvaneDlg::tr("The target folder cannot be created or read: %1.").arg(reason);
        case RootRefusal::SourceBusy:
        case RootRefusal::TargetBusy:
            return CTolvaneDlg::tr("These folders are being updated by another run.");
    }
    return {};
}

}  // namespace

CTolvaneDlg::CTolvaneDlg(QWidget* parent)
    : QDialog(parent), icon(IconResource::Load(IDR_MAINFRAME)) {
    DialogBuilder::Build(MainDialogTemplate(), this);
    connect(DialogBuilder::FindControlAs<QPushButton>(this, IDC_BROWSE_SOURCE),
            &QPushButton::clicked, this, &CTolvaneDlg::OnBrowseSource);
    connect(DialogBuilder::FindControlAs<QPushButton>(this, IDC_BROWSE_TARGET),
            &QPushButton::clicked, this, &CTolvaneDlg::OnBrowseTarget);
    connect(RunButton(), &QPushButton::clicked, this, &CTolvaneDlg::OnRunStop);
    setAcceptDrops(true);
    OnInitDialog();
}

CTolvaneDlg::~CTolvaneDlg() {
    // The worker calls into this object; it must be gone before any member is.
    closing.store(true);
    runner.Stop();
}

void CTolvaneDlg::SetFolders(const std::string& source, const std::string& target) {
    {
        std::lock_guard guard(runner.m_lock);
        options.sourceDir = source;
        options.targetDir = target;
    }
    UpdateData(false);
}

void CTolvaneDlg::OnInitDialog() {
    UpdateData(false);
    caption = windowTitle();
    setWindowIcon(icon);
    aboutIcon.Bind(this, IDC_ABOUT_ICON);
    sourcePath.Bind(this, IDC_SOURCE_PATH);
    targetPath.Bind(this, IDC_TARGET_PATH);
    // The status line shortens a long path in the middle, so the file name stays in view.
    statusLine.Bind(this, IDC_STATUS);
}

void CTolvaneDlg::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
}

void CTolvaneDlg::DoDataExchange(bool saveAndValidate) {
    QLabel* source = Label(this, IDC_SOURCE_PATH);
    QLabel* target = Label(this, IDC_TARGET_PATH);
    if (saveAndValidate) {
        {
            std::lock_guard guard(runner.m_lock);
            PullPath(source, options.sourceDir);
            PullPath(target, options.targetDir);
        }
        PullCheck(CheckBox(this, IDC_NEWER), options.newer);
        PullCheck(CheckBox(this, IDC_DELETE_FROM_SOURCE), options.deleteFromSource);
        PullCheck(CheckBox(this, IDC_LARGER), options.larger);
    } else {
        PushPath(source, options.sourceDir);
        PushPath(target, options.targetDir);
        PushCheck(CheckBox(this, IDC_NEWER), options.newer);
        PushCheck(CheckBox(this, IDC_DELETE_FROM_SOURCE), options.deleteFromSource);
        PushCheck(CheckBox(this, IDC_LARGER), options.larger);
    }
}

void CTolvaneDlg::OnBrowseSource() {
    BrowseFolder(options.sourceDir);
}

void CTolvaneDlg::OnBrowseTarget() {
    BrowseFolder(options.targetDir);
}

void CTolvaneDlg::BrowseFolder(std::string& member) {
    UpdateData(true);
    const std::string initialFolder = member.empty() ? std::string("/") : member;
    CSelectFolderDialog picker(true, initialFolder, "All Files(*.*)|*.*||", this);
    if (picker.DoModal() != IDOK) {
        return;
    }
    {
        std::lock_guard guard(runner.m_lock);
        member = picker.GetSelectedPath();
    }
    UpdateData(false);
}

void CTolvaneDlg::OnRunStop() {
    if (running) {
        // Never waits: the first press asks the run to end after the entry in hand, a second
        // one abandons the copy in hand. The end arrives as the end-of-run notice.
        if (stopRequested) {
            abandonRequested.store(true);
        } else {
            stopRequested = true;
            runner.RequestStop();
        }
        return;
    }
    UpdateData(true);
    if (options.targetDir.empty() || options.sourceDir.empty()) {
        AppMessageBox(this, tr("Please specify a valid directory."));
        return;
    }
    {
        std::lock_guard guard(failureLock);
        failureLines.clear();
        failuresNotListed = 0;
    }
    abandonRequested.store(false);
    stopRequested = false;
    fileProgress.Clear();
    runner.SetJob(UpdateThreadProc, static_cast<UpdateContext*>(this));
    running = true;
    idleButtonText = RunButton()->text();
    if (!runner.Start()) {
        running = false;
        AppMessageBox(this, tr("The update could not be started."));
        return;
    }
    RunButton()->setText(tr("停止"));
    sinceRunStarted.start();
}

void CTolvaneDlg::OnUpdateDone(const WalkSummary& summary) {
    // A notice from a run that the closing window stopped is not shown.
    if (!running) {
        return;
    }
    RefreshStatus();
    fileProgress.Clear();
    ShowCopyProgress(-1);
    if (summary.refusal != RootRefusal::None) {
        ShowRefusal(summary);
    } else {
        ShowCount(summary);
    }
    running = false;
}

// Roots that cannot be used: nothing was changed, and the window stays ready to run.
void CTolvaneDlg::ShowRefusal(const WalkSummary& summary) {
    AppMessageBox(this, RefusalText(summary));
    RunButton()->setText(idleButtonText);
}

void CTolvaneDlg::ShowCount(const WalkSummary& summary) {
    copyCount += summary.copies;
    QString message = tr("%1 檔案(s) 已更新 .").arg(copyCount);
    if (summary.failures != 0) {
        message += tr("\n%1 item(s) could not be read, copied or deleted.").arg(summary.failures);
    }
    // Someone who turned to other work while a long run went on hears of its end.
    if (!isActiveWindow() && sinceRunStarted.elapsed() >= noticeAfter.count()) {
        DesktopNotice::Send(caption, message);
    }
    if (summary.failures == 0) {
        AppMessageBox(this, message);
    } else {
        QString details;
        {
            std::lock_guard guard(failureLock);
            details = failureLines.join(QLatin1Char('\n'));
            if (failuresNotListed > 0) {
                details += tr("\nand %1 more").arg(failuresNotListed);
            }
        }
        AppMessageBox(this, message, MB_OK | MB_ICONEXCLAMATION, details);
    }
    RunButton()->setText(tr("去"));
}

void CTolvaneDlg::OnCancel() {
    closing.store(true);
    runner.Stop();
    closing.store(false);
    running = false;
    ShowCopyProgress(-1);  // no bar is left on the task manager's icon
    QDialog::reject();
}

void CTolvaneDlg::reject() {
    OnCancel();
}

void CTolvaneDlg::OnHelp() {
    HelpPage::Show(this);
}

void CTolvaneDlg::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        modifiers == Qt::NoModifier) {
        // Enter presses the focused push button, and does nothing anywhere else.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        return;
    }
    if (event->key() == Qt::Key_F1 && modifiers == Qt::NoModifier) {
        OnHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

// The path that a drop at the event's position would set: the source or the target, whichever
// group it falls in; none while a run is on, whose roots are already taken.
std::string* CTolvaneDlg::DropMember(const QDropEvent& event) {
    const QPoint at = event.position().toPoint();
    if (running) {
        return nullptr;
    }
    if (GroupAround(this, IDC_BROWSE_SOURCE).contains(at)) {
        return &options.sourceDir;
    }
    if (GroupAround(this, IDC_BROWSE_TARGET).contains(at)) {
        return &options.targetDir;
    }
    return nullptr;
}

void CTolvaneDlg::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void CTolvaneDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (DropMember(*event) != nullptr && !DroppedFolder(event->mimeData()).empty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CTolvaneDlg::dropEvent(QDropEvent* event) {
    std::string* member = DropMember(*event);
    const std::string folder = DroppedFolder(event->mimeData());
    if (member == nullptr || folder.empty()) {
        event->ignore();
        return;
    }
    UpdateData(true);  // keeps what the user set in the check boxes
    {
        std::lock_guard guard(runner.m_lock);
        *member = folder;
    }
    UpdateData(false);
    event->acceptProposedAction();
}

UpdateRequest CTolvaneDlg::Request() {
    UpdateRequest request;
    {
        std::lock_guard guard(runner.m_lock);
        request.source = options.sourceDir;
        request.target = options.targetDir;
    }
    request.copyWhenLarger = options.larger.load() != 0;
    request.deleteFromSource = options.deleteFromSource.load() != 0;
    return request;
}

void CTolvaneDlg::OnEntry(std::string_view path) {
    {
        std::lock_guard guard(statusLock);
        statusText.assign(path);
    }
    QueueStatusRefresh();
}

void CTolvaneDlg::OnAction(const WalkEvent& event) {
    if (fileProgress.End(event.source)) {
        QueueStatusRefresh();
    }
}

void CTolvaneDlg::OnProgress(const CopyProgress& progress) {
    fileProgress.Note(progress);
    QueueStatusRefresh();
}

void CTolvaneDlg::QueueStatusRefresh() {
    // One refresh at a time is queued; it shows whatever is newest when it runs. Never a
    // blocking call: the window's thread may be waiting in runner.Stop() for this worker.
    if (!statusRefreshPending.exchange(true)) {
        QMetaObject::invokeMethod(this, &CTolvaneDlg::ScheduleStatusRefresh, Qt::QueuedConnection);
    }
}

void CTolvaneDlg::ScheduleStatusRefresh() {
    // Redrawing the line for every entry would cost the window's thread more than the walk
    // costs the worker; a few times a second is all the eye can follow.
    constexpr qint64 kInterval = 100;
    const qint64 elapsed = sinceStatusShown.isValid() ? sinceStatusShown.elapsed() : kInterval;
    if (elapsed >= kInterval) {
        RefreshStatus();
    } else {
        QTimer::singleShot(kInterval - elapsed, this, &CTolvaneDlg::RefreshStatus);
    }
}

void CTolvaneDlg::RefreshStatus() {
    // Cleared before the text is read, so a text stored after the read queues a new refresh.
    statusRefreshPending.store(false);
    std::string text;
    {
        std::lock_guard guard(statusLock);
        text = statusText;
    }
    if (!text.empty()) {
        StatusLine()->setText(PathText(text));
    }
    ShowCopyProgress(fileProgress.ShownPercent());
    sinceStatusShown.start();
}

// The title and the task manager's icon follow the copy in hand; the status line keeps its
// designed look, the path alone.
void CTolvaneDlg::ShowCopyProgress(int percent) {
    if (percent == shownPercent) {
        return;
    }
    shownPercent = percent;
    setWindowTitle(percent < 0 ? caption : QStringLiteral("%1% · %2").arg(percent).arg(caption));
    launcherEntry.ShowProgress(percent);
}

void CTolvaneDlg::OnFailure(const WalkFailure& failure) {
    if (fileProgress.End(failure.source)) {
        QueueStatusRefresh();
    }
    std::lock_guard guard(failureLock);
    if (failureLines.size() < kFailuresListed) {
        failureLines << QFile::decodeName(QByteArray::fromStdString(DescribeFailure(failure)));
    } else {
        ++failuresNotListed;
    }
}

bool CTolvaneDlg::IsStopRequested() {
    return runner.IsStopRequested();
}

bool CTolvaneDlg::IsAbandonRequested() {
    return closing.load() || abandonRequested.load();
}

void CTolvaneDlg::UpdateDone(const WalkSummary& summary) {
    // Queued to this object: dropped with it if the window is gone before it is handled.
    QMetaObject::invokeMethod(
        this, [this, summary] { OnUpdateDone(summary); }, Qt::QueuedConnection);
}

QLabel* CTolvaneDlg::StatusLine() const {
    return Label(this, IDC_STATUS);
}

QPushButton* CTolvaneDlg::RunButton() const {
    return DialogBuilder::FindControlAs<QPushButton>(this, IDC_RUN);
}

}  // namespace tolvane
