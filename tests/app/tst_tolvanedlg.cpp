#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <QCheckBox>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <thread>

#include "ApplicationName.h"
#include "CTolvaneDlg.h"
#include "DialogBuilder.h"
#include "HelpPage.h"
#include "ModalAnswerer.h"
#include "PosixFileSystem.h"
#include "ResourceIds.h"

using namespace tolvane;

namespace {

const QString kRun = QStringLiteral("執行");
const QString kStop = QStringLiteral("停止");
const QString kGo = QStringLiteral("去");
const QString kMissingPath = QStringLiteral("Please specify a valid directory.");
constexpr int kRunTimeout = 20000;

QString CountMessage(int count) {
    return QStringLiteral("%1 檔案(s) 已更新 .").arg(count);
}

// The number in a count message, or -1.
int CountIn(const QString& message) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d+) 檔案\\(s\\) 已更新 \\."));
    const QRegularExpressionMatch match = pattern.match(message);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void WriteFile(const QString& path, const QByteArray& data = "data") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

void MakeFiles(const QString& folder, int count, const QString& prefix = QStringLiteral("f")) {
    for (int i = 0; i < count; ++i) {
        WriteFile(QStringLiteral("%1/%2%3").arg(folder, prefix).arg(i));
    }
}

// The name that reading the folder gives last.
QString LastListedName(const QString& folder) {
    QString last;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            last = QFile::decodeName(entry->d_name);
        }
    }
    if (dir) {
        ::closedir(dir);
    }
    return last;
}

// The current size of this process's address space, in bytes.
rlim_t AddressSpaceInUse() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:")) {
            return line.mid(7).trimmed().split(' ').first().toULongLong() * 1024;
        }
    }
    return 0;
}

// The real file system with every read of file data slowed down, so that a large copy is
// still in hand when the test presses a button.
class SlowFileSystem : public PosixFileSystem {
  public:
    // Copy by read and write only, in small slow steps.
    int CloneFile(int, int) override { return -EOPNOTSUPP; }
    ssize_t CopyRange(int, int, size_t) override { return -EXDEV; }
    ssize_t SendFile(int, int, size_t) override { return -EINVAL; }
    ssize_t Read(int fd, void* buffer, size_t length) override {
        ++reads;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return PosixFileSystem::Read(fd, buffer, length);
    }
    std::atomic<int> reads{0};
};

}  // namespace

// What the window says on the session bus, heard as a task manager and a notification service
// hear it: the launcher-entry signals, and the notices, answered as the service answers them.
class BusListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    explicit BusListener(const QString& address)
        : connection(QDBusConnection::connectToBus(address, QStringLiteral("listener"))) {}
    ~BusListener() override { QDBusConnection::disconnectFromBus(QStringLiteral("listener")); }
    bool Listen() {
        return connection.registerService(QStringLiteral("org.freedesktop.Notifications")) &&
               connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                         QDBusConnection::ExportScriptableSlots) &&
               connection.connect({}, {}, QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                  QStringLiteral("Update"), this,
                                  SLOT(Update(QString, QVariantMap)));
    }

    QList<std::pair<QString, QVariantMap>> updates;
    QStringList notices;  // their bodies

  public slots:
    Q_SCRIPTABLE uint Notify(const QString&, uint, const QString&, const QString&,
                             const QString& body, const QStringList&, const QVariantMap&, int) {
        notices << body;
        return static_cast<uint>(notices.size());
    }
    void Update(const QString& uri, const QVariantMap& properties) {
        updates.append({uri, properties});
    }

  private:
    QDBusConnection connection;
};

class TolvaneDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void tabVisitsTheEnabledStopsInTemplateOrder();
    void enterOnTheCheckBoxDoesNothing();
    void enterPressesTheFocusedButton();
    void escapeCloses();
    void missingPathIsRefused_data();
    void missingPathIsRefused();
    void twoRunsCountSinceTheWindowOpened();
    void missingSourceIsRefused();
    void statusLineKeepsTheLastVisitedPath();
    void undecodableNameIsShownAndCopied();
    void stopButtonEndsTheRunWithTheCountMessage();
    void longCopyShowsItsShareAndALongRunEndsWithANotice_data();
    void longCopyShowsItsShareAndALongRunEndsWithANotice();
    void closingDuringARunShowsNoMessageAndDoesNotHang();
    void disabledCheckBoxesCannotBeChanged();
    void browseKeepsCheckStatesAndCancelKeepsThePath();
    void identicalRootsAreRefused();
    void failedEntriesGetASecondLine();
    void droppedFolderSetsItsGroupsPath_data();
    void droppedFolderSetsItsGroupsPath();
    void threadThatCannotStartReturnsToIdle();
    void f1OpensTheHelpPage_data();
    void f1OpensTheHelpPage();
    void helpPageIsTheInstalledOneElseTheSourceTreeOne_data();
    void helpPageIsTheInstalledOneElseTheSourceTreeOne();

  private:
    QPushButton* Button(int id) const {
        return DialogBuilder::FindControlAs<QPushButton>(m_dialog.get(), id);
    }
    QCheckBox* Check(int id) const {
        return DialogBuilder::FindControlAs<QCheckBox>(m_dialog.get(), id);
    }
    QLabel* Label(int id) const { return DialogBuilder::FindControlAs<QLabel>(m_dialog.get(), id); }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    // Picks both folders through the real folder picker.
    void ChoosePaths(const QString& source, const QString& target) {
        m_answerer->pickerChoices << source << target;
        Click(IDC_BROWSE_SOURCE);
        Click(IDC_BROWSE_TARGET);
    }
    QString Path(const QString& name) const { return m_temp->filePath(name); }
    QStringList MessageTexts() const {
        QStringList texts;
        for (const auto& message : m_answerer->messages) {
            texts << message.text;
        }
        return texts;
    }

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<CTolvaneDlg> m_dialog;
    std::unique_ptr<ModalAnswerer> m_answerer;
    QProcess m_busDaemon;
    std::unique_ptr<BusListener> m_bus;  // none without dbus-daemon
};

void TolvaneDlgTest::initTestCase() {
    // A private session bus, in place before anything connects to one; without dbus-daemon,
    // an address that leads nowhere keeps the window off the user's own bus.
    m_busDaemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_busDaemon.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--print-address"),
                       QStringLiteral("--nofork")});
    if (!m_busDaemon.waitForReadyRead()) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
        return;
    }
    const QByteArray address = m_busDaemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    m_bus = std::make_unique<BusListener>(QString::fromLatin1(address));
    QVERIFY(m_bus->Listen());
}

void TolvaneDlgTest::cleanupTestCase() {
    m_bus.reset();
    m_busDaemon.kill();
    m_busDaemon.waitForFinished();
}

void TolvaneDlgTest::init() {
    QStandardPaths::setTestModeEnabled(true);
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    QDir(m_temp->path()).mkpath(QStringLiteral("source"));
    QDir(m_temp->path()).mkpath(QStringLiteral("target"));
    m_dialog = std::make_unique<CTolvaneDlg>();
    m_answerer = std::make_unique<ModalAnswerer>();
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void TolvaneDlgTest::cleanup() {
    m_dialog.reset();
    m_answerer.reset();
    m_temp.reset();
}

void TolvaneDlgTest::tabVisitsTheEnabledStopsInTemplateOrder() {
    // The About icon takes the focus too, so that the About box can be opened from the keyboard.
    QWidget* aboutIcon = DialogBuilder::FindControl(m_dialog.get(), IDC_ABOUT_ICON);
    const QList<QWidget*> expected{Button(IDC_BROWSE_TARGET), Check(IDC_DELETE_FROM_SOURCE),
                                   Button(IDC_RUN), aboutIcon, Button(IDC_BROWSE_SOURCE)};
    QList<QWidget*> visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(visited, expected);
}

void TolvaneDlgTest::enterOnTheCheckBoxDoesNothing() {
    Check(IDC_DELETE_FROM_SOURCE)->setFocus();
    QTest::keyClick(Check(IDC_DELETE_FROM_SOURCE), Qt::Key_Return);
    QTest::keyClick(Check(IDC_DELETE_FROM_SOURCE), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::qWait(100);
    QVERIFY(m_dialog->isVisible());
    QVERIFY(!Check(IDC_DELETE_FROM_SOURCE)->isChecked());
    QVERIFY(m_answerer->messages.isEmpty());
    QVERIFY(m_answerer->pickerOpenedAt.isEmpty());
}

void TolvaneDlgTest::enterPressesTheFocusedButton() {
    // Right after opening, Enter opens the picker for the source folder, at "/" for an
    // empty path; cancelling it leaves the path as it was.
    QCOMPARE(QApplication::focusWidget(), Button(IDC_BROWSE_SOURCE));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(m_answerer->pickerOpenedAt, QStringList{QStringLiteral("/")});
    QCOMPARE(Label(IDC_SOURCE_PATH)->text(), QString());

    Button(IDC_RUN)->setFocus();
    QTest::keyClick(Button(IDC_RUN), Qt::Key_Return);
    QCOMPARE(MessageTexts(), QStringList{kMissingPath});
    QVERIFY(m_dialog->isVisible());
}

void TolvaneDlgTest::escapeCloses() {
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

void TolvaneDlgTest::missingPathIsRefused_data() {
    QTest::addColumn<bool>("withSource");
    QTest::addColumn<bool>("withTarget");
    QTest::newRow("both empty") << false << false;
    QTest::newRow("source only") << true << false;
    QTest::newRow("target only") << false << true;
}

void TolvaneDlgTest::missingPathIsRefused() {
    QFETCH(bool, withSource);
    QFETCH(bool, withTarget);
    if (withSource) {
        m_answerer->pickerChoices << Path(QStringLiteral("source"));
        Click(IDC_BROWSE_SOURCE);
    }
    if (withTarget) {
        m_answerer->pickerChoices << Path(QStringLiteral("target"));
        Click(IDC_BROWSE_TARGET);
    }
    Click(IDC_RUN);
    QTest::qWait(100);
    QCOMPARE(MessageTexts(), QStringList{kMissingPath});
    QCOMPARE(m_answerer->messages.first().caption, ApplicationName());
    QCOMPARE(Button(IDC_RUN)->text(), kRun);
}

void TolvaneDlgTest::twoRunsCountSinceTheWindowOpened() {
    MakeFiles(Path(QStringLiteral("source")), 3, QStringLiteral("a"));
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    Click(IDC_RUN);
    QCOMPARE(Button(IDC_RUN)->text(), kStop);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 1, kRunTimeout);
    QCOMPARE(Button(IDC_RUN)->text(), kGo);

    MakeFiles(Path(QStringLiteral("source")), 2, QStringLiteral("b"));
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 2, kRunTimeout);
    QCOMPARE(MessageTexts(), (QStringList{CountMessage(3), CountMessage(5)}));
    QCOMPARE(m_answerer->messages.last().caption, ApplicationName());
    QCOMPARE(Button(IDC_RUN)->text(), kGo);
    QCOMPARE(QDir(Path(QStringLiteral("target"))).entryList(QDir::Files).size(), 5);
}

void TolvaneDlgTest::missingSourceIsRefused() {
    QDir().mkpath(Path(QStringLiteral("gone")));
    ChoosePaths(Path(QStringLiteral("gone")), Path(QStringLiteral("target")));
    QVERIFY(QDir(Path(QStringLiteral("gone"))).removeRecursively());
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 1, kRunTimeout);
    // Refused before anything changed: no count, and the window is ready to run again.
    QCOMPARE(CountIn(m_answerer->messages.first().text), -1);
    QVERIFY(!QFileInfo::exists(Path(QStringLiteral("target/gone"))));
    QCOMPARE(Button(IDC_RUN)->text(), kRun);
}

void TolvaneDlgTest::statusLineKeepsTheLastVisitedPath() {
    MakeFiles(Path(QStringLiteral("source")), 200);
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    // The walk visits the folder in the order the directory lists it.
    const QString last =
        Path(QStringLiteral("source/")) + LastListedName(Path(QStringLiteral("source")));
    QString statusWhenCounted;
    m_answerer->beforeAnswer = [&] { statusWhenCounted = Label(IDC_STATUS)->text(); };
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 1, kRunTimeout);
    QCOMPARE(statusWhenCounted, last);
    QTest::qWait(50);
    QCOMPARE(Label(IDC_STATUS)->text(), last);
}

void TolvaneDlgTest::undecodableNameIsShownAndCopied() {
    const QByteArray name("caf\xe9 \xff.txt");
    const QByteArray source = QFile::encodeName(Path(QStringLiteral("source"))) + '/' + name;
    // Qt cannot name this file; it is created through its bytes.
    FILE* raw = std::fopen(source.constData(), "w");
    QVERIFY(raw);
    std::fputs("bytes", raw);
    std::fclose(raw);
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 1, kRunTimeout);
    QCOMPARE(MessageTexts(), QStringList{CountMessage(1)});
    QCOMPARE(Label(IDC_STATUS)->text(), QFile::decodeName(source));
    const QByteArray target = QFile::encodeName(Path(QStringLiteral("target"))) + '/' + name;
    QVERIFY(::access(target.constData(), F_OK) == 0);
    // Qt's removal cannot name these files either.
    ::unlink(source.constData());
    ::unlink(target.constData());
}

void TolvaneDlgTest::stopButtonEndsTheRunWithTheCountMessage() {
    // A slowed copy of a large file is in hand when Stop is pressed.
    WriteFile(Path(QStringLiteral("source/large")), QByteArray(8 << 20, 'x'));
    SlowFileSystem slow;
    m_dialog->UseFileSystem(slow);
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    Click(IDC_RUN);
    QTRY_VERIFY(slow.reads.load() > 0);
    QElapsedTimer timer;
    timer.start();
    Click(IDC_RUN);
    // The window answers at once; the run ends after the file in hand, with the count.
    QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(Button(IDC_RUN)->text(), kStop);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 1, kRunTimeout);
    QCOMPARE(QFileInfo(Path(QStringLiteral("target/large"))).size(), qint64(8 << 20));
    QCOMPARE(CountIn(m_answerer->messages.first().text), 1);
    QCOMPARE(Button(IDC_RUN)->text(), kGo);

    // A second press abandons the copy in hand and leaves no part of it.
    WriteFile(Path(QStringLiteral("source/second")), QByteArray(8 << 20, 'y'));
    slow.reads.store(0);
    Click(IDC_RUN);
    QTRY_VERIFY(slow.reads.load() > 0);
    Click(IDC_RUN);
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 2, kRunTimeout);
    QVERIFY(!QFileInfo::exists(Path(QStringLiteral("target/second"))));
    QVERIFY(
        m_answerer->messages.last().details.contains(QStringLiteral("stopped during the copy")));
}

void TolvaneDlgTest::longCopyShowsItsShareAndALongRunEndsWithANotice_data() {
    QTest::addColumn<int>("megabytes");  // of the slowed file; 0 for a short run
    QTest::addColumn<bool>("active");    // the window is the active one during the run
    QTest::addColumn<bool>("notified");
    QTest::newRow("long run in the background") << 32 << false << true;
    QTest::newRow("long run in front") << 32 << true << false;
    QTest::newRow("short run in the background") << 0 << false << false;
}

void TolvaneDlgTest::longCopyShowsItsShareAndALongRunEndsWithANotice() {
    QFETCH(int, megabytes);
    QFETCH(bool, active);
    QFETCH(bool, notified);
    WriteFile(Path(QStringLiteral("source/large")), QByteArray(megabytes << 20, 'x'));
    SlowFileSystem slow;
    m_dialog->UseFileSystem(slow);
    m_dialog->SetNoticeAfter(std::chrono::milliseconds(500));
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    QWidget elsewhere;  // another window, in front during the run
    QWidget* front = active ? static_cast<QWidget*>(m_dialog.get()) : &elsewhere;
    front->show();
    front->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(front));
    if (m_bus) {
        m_bus->updates.clear();
        m_bus->notices.clear();
    }
    const QString caption = m_dialog->windowTitle();
    static const QRegularExpression share(QStringLiteral("^(\\d+)% · (.*)$"));
    QList<int> percents;
    qint64 firstShownAt = -1;
    QElapsedTimer sinceRun;
    connect(m_dialog.get(), &QWidget::windowTitleChanged, this, [&](const QString& title) {
        const QRegularExpressionMatch match = share.match(title);
        if (match.hasMatch() && match.captured(2) == caption) {
            percents << match.captured(1).toInt();
            firstShownAt = firstShownAt < 0 ? sinceRun.elapsed() : firstShownAt;
        }
    });
    sinceRun.start();
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 1, kRunTimeout);
    QCOMPARE(m_dialog->windowTitle(), caption);
    // The share of the copy in hand, rising, from its first second on.
    QVERIFY2(megabytes == 0
                 ? percents.isEmpty()
                 : percents.size() >= 3 && std::is_sorted(percents.begin(), percents.end()) &&
                       firstShownAt >= 1000,
             qPrintable(QString::number(firstShownAt)));
    if (!m_bus) {
        QSKIP("dbus-daemon is missing: the task manager's bar and the notice are not checked");
    }
    // The same shares over the task manager's icon, then no bar; a notice when the window is
    // in the background at the end of a long run, with the completion message's text.
    if (notified) {
        QTRY_COMPARE(m_bus->notices, QStringList{m_answerer->messages.first().text});
    } else {
        QTest::qWait(300);
        QVERIFY(m_bus->notices.isEmpty());
    }
    QList<int> published;
    for (const auto& [uri, properties] : m_bus->updates) {
        QCOMPARE(uri, QStringLiteral("application://tolvane.desktop"));
        if (properties.value(QStringLiteral("progress-visible")).toBool()) {
            published << qRound(properties.value(QStringLiteral("progress")).toDouble() * 100);
        }
    }
    QCOMPARE(published, percents);
    QVERIFY(m_bus->updates.isEmpty() ||
            !m_bus->updates.last().second.value(QStringLiteral("progress-visible")).toBool());
}

void TolvaneDlgTest::closingDuringARunShowsNoMessageAndDoesNotHang() {
    MakeFiles(Path(QStringLiteral("source")), 500);
    WriteFile(Path(QStringLiteral("source/large")), QByteArray(16 << 20, 'x'));
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    Click(IDC_RUN);
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(!m_dialog->isVisible());
    QTest::qWait(300);
    QVERIFY(m_answerer->messages.isEmpty());
    // The copy in hand was abandoned, not left short in the target.
    const QFileInfo large(Path(QStringLiteral("target/large")));
    QVERIFY(!large.exists() || large.size() == (16 << 20));
}

void TolvaneDlgTest::disabledCheckBoxesCannotBeChanged() {
    QTest::mouseClick(Check(IDC_LARGER), Qt::LeftButton);
    QTest::mouseClick(Check(IDC_NEWER), Qt::LeftButton);
    QVERIFY(!Check(IDC_LARGER)->isEnabled());
    QVERIFY(!Check(IDC_NEWER)->isEnabled());
    QVERIFY(Check(IDC_LARGER)->isChecked());
    QVERIFY(!Check(IDC_NEWER)->isChecked());
}

void TolvaneDlgTest::browseKeepsCheckStatesAndCancelKeepsThePath() {
    QTest::mouseClick(Check(IDC_DELETE_FROM_SOURCE), Qt::LeftButton);
    QVERIFY(Check(IDC_DELETE_FROM_SOURCE)->isChecked());
    m_answerer->pickerChoices << Path(QStringLiteral("source"));
    Click(IDC_BROWSE_SOURCE);
    QCOMPARE(Label(IDC_SOURCE_PATH)->text(), Path(QStringLiteral("source")) + '/');
    QVERIFY(Check(IDC_DELETE_FROM_SOURCE)->isChecked());
    QVERIFY(Check(IDC_LARGER)->isChecked());

    // The picker opens at the current path; cancelled, it changes nothing.
    m_answerer->pickerChoices << std::nullopt;
    Click(IDC_BROWSE_SOURCE);
    QCOMPARE(m_answerer->pickerOpenedAt.last(), Path(QStringLiteral("source")));
    QCOMPARE(Label(IDC_SOURCE_PATH)->text(), Path(QStringLiteral("source")) + '/');
    QVERIFY(Check(IDC_DELETE_FROM_SOURCE)->isChecked());
}

void TolvaneDlgTest::identicalRootsAreRefused() {
    MakeFiles(Path(QStringLiteral("source")), 2);
    QTest::mouseClick(Check(IDC_DELETE_FROM_SOURCE), Qt::LeftButton);
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("source")));
    Click(IDC_RUN);
    QTest::qWait(100);
    QCOMPARE(MessageTexts(),
             QStringList{QStringLiteral("The source and the target are the same folder.")});
    QCOMPARE(Button(IDC_RUN)->text(), kRun);
    QCOMPARE(QDir(Path(QStringLiteral("source"))).entryList(QDir::Files).size(), 2);
}

void TolvaneDlgTest::failedEntriesGetASecondLine() {
    // A folder in the source where the target holds a file cannot be brought over.
    WriteFile(Path(QStringLiteral("source/ok.txt")));
    WriteFile(Path(QStringLiteral("source/blocked/inner.txt")));
    WriteFile(Path(QStringLiteral("target/blocked")));
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 1, kRunTimeout);
    QCOMPARE(MessageTexts(),
             QStringList{CountMessage(1) +
                         QStringLiteral("\n1 item(s) could not be read, copied or deleted.")});
    // The details name the item and say why, one line for it.
    const QString details = m_answerer->messages.first().details;
    QVERIFY2(details.contains(QStringLiteral("target/blocked'")) &&
                 details.contains(QStringLiteral("not a folder")) && !details.contains('\n'),
             qPrintable(details));
}

void TolvaneDlgTest::droppedFolderSetsItsGroupsPath_data() {
    QTest::addColumn<int>("group");  // the group is the one around this browse button
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<bool>("duringARun");
    QTest::newRow("folder on the source")
        << IDC_BROWSE_SOURCE << QByteArray("caf\xe9") << true << false;
    QTest::newRow("folder on the target")
        << IDC_BROWSE_TARGET << QByteArray("dropped") << true << false;
    QTest::newRow("file") << IDC_BROWSE_SOURCE << QByteArray("file.txt") << false << false;
    QTest::newRow("during a run") << IDC_BROWSE_TARGET << QByteArray("dropped") << true << true;
}

void TolvaneDlgTest::droppedFolderSetsItsGroupsPath() {
    QFETCH(int, group);
    QFETCH(QByteArray, name);
    QFETCH(bool, isFolder);
    QFETCH(bool, duringARun);
    static SlowFileSystem slow;  // outlives the run, which the window's teardown abandons
    if (duringARun) {
        WriteFile(Path(QStringLiteral("source/large")), QByteArray(8 << 20, 'x'));
        m_dialog->UseFileSystem(slow);
        ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
        Click(IDC_RUN);
        QTRY_VERIFY(slow.reads.load() > 0);
    }
    const UpdateRequest before = m_dialog->Request();
    // Made through its bytes: the name need not be valid UTF-8.
    const QByteArray path = QFile::encodeName(m_temp->path()) + '/' + name;
    QCOMPARE(isFolder ? ::mkdir(path.constData(), 0700) : ::close(::creat(path.constData(), 0600)),
             0);
    // A file manager's drag: the address of the item, its bytes percent-encoded.
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), "file://" + path.toPercentEncoding("/") + "\r\n");
    QWidget* groupBox = nullptr;
    for (QGroupBox* box : m_dialog->findChildren<QGroupBox*>()) {
        if (box->geometry().contains(Button(group)->geometry())) {
            groupBox = box;
        }
    }
    QVERIFY(groupBox);
    const QPoint at = groupBox->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(groupBox, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(groupBox, &drop);

    const UpdateRequest after = m_dialog->Request();
    const bool sets = isFolder && !duringARun;
    const std::string expected = sets ? path.toStdString() + '/' : std::string();
    QCOMPARE(after.source, group == IDC_BROWSE_SOURCE && sets ? expected : before.source);
    QCOMPARE(after.target, group == IDC_BROWSE_TARGET && sets ? expected : before.target);
    ::rmdir(path.constData());
    ::unlink(path.constData());
}

void TolvaneDlgTest::threadThatCannotStartReturnsToIdle() {
    WriteFile(Path(QStringLiteral("source/a")));
    ChoosePaths(Path(QStringLiteral("source")), Path(QStringLiteral("target")));
    // A worker needs a fresh stack of several megabytes (the test runs without glibc's stack
    // cache); an address-space limit a little above what is in use makes its creation fail.
    rlimit normal{};
    QCOMPARE(getrlimit(RLIMIT_AS, &normal), 0);
    // The picker's own threads end a little after it closes; joining a thread afterwards makes
    // glibc free the stacks of every thread that has ended.
    QTest::qWait(200);
    std::thread([] {}).join();
    const rlim_t inUse = AddressSpaceInUse();
    QVERIFY(inUse > 0);
    const rlimit tight{inUse + (4 << 20), normal.rlim_max};
    m_answerer->beforeAnswer = [&normal] { setrlimit(RLIMIT_AS, &normal); };
    QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
    Click(IDC_RUN);
    setrlimit(RLIMIT_AS, &normal);
    m_answerer->beforeAnswer = nullptr;
    QCOMPARE(MessageTexts(), QStringList{QStringLiteral("The update could not be started.")});
    QCOMPARE(Button(IDC_RUN)->text(), kRun);

    // Idle again: the next press starts a run.
    Click(IDC_RUN);
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->messages.size(), 2, kRunTimeout);
    QCOMPARE(m_answerer->messages.last().text, CountMessage(1));
}

void TolvaneDlgTest::f1OpensTheHelpPage_data() {
    QTest::addColumn<int>("openerExit");
    QTest::addColumn<bool>("complaint");
    QTest::newRow("opened") << 0 << false;
    QTest::newRow("no handler") << 3 << true;
}

void TolvaneDlgTest::f1OpensTheHelpPage() {
    QFETCH(int, openerExit);
    QFETCH(bool, complaint);
    // A stand-in opener first on the search path records what it was asked to open.
    const QString bin = Path(QStringLiteral("bin"));
    const QString record = Path(QStringLiteral("opened"));
    WriteFile(bin + QStringLiteral("/xdg-open"),
              QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n")
                  .arg(record)
                  .arg(openerExit)
                  .toUtf8());
    QFile(bin + QStringLiteral("/xdg-open")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ':' + path);
    // The opener starts off the window's thread, some time after the key press.
    const auto restorePath = qScopeGuard([&path] { qputenv("PATH", path); });
    QTest::keyClick(m_dialog.get(), Qt::Key_F1);

    QTRY_VERIFY(QFileInfo::exists(record));
    QFile opened(record);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(opened.readAll()), HelpPage::Path());
    QTRY_COMPARE(m_answerer->messages.size(), complaint ? 1 : 0);
    if (complaint) {
        QVERIFY(m_answerer->messages.first().text.contains(HelpPage::Path()));
    }
}

void TolvaneDlgTest::helpPageIsTheInstalledOneElseTheSourceTreeOne_data() {
    QTest::addColumn<bool>("installed");
    QTest::newRow("installed tree") << true;
    QTest::newRow("program without an installed page") << false;
}

void TolvaneDlgTest::helpPageIsTheInstalledOneElseTheSourceTreeOne() {
    QFETCH(bool, installed);
    // An installed tree: the program in PREFIX/bin, its page in PREFIX/share/tolvane.
    const QString bin = Path(QStringLiteral("prefix/bin"));
    QVERIFY(QDir().mkpath(bin));
    const QString page = Path(QStringLiteral("prefix/share/tolvane/tolvane.html"));
    if (installed) {
        WriteFile(page, "<html></html>");
        QCOMPARE(HelpPage::PathFor(bin), page);
    } else {
        const QString found = HelpPage::PathFor(bin);
        QVERIFY2(found.endsWith(QStringLiteral("/res/help/tolvane.html")), qPrintable(found));
        QVERIFY(QFileInfo::exists(found));
    }
}

QTEST_MAIN(TolvaneDlgTest)
#include "tst_tolvanedlg.moc"
