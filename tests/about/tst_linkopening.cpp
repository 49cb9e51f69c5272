#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QtTest>
#include <memory>

#include "FakeDesktop.h"
#include "HtmlHandler.h"
#include "LinkOpener.h"
#include "ProgramLauncher.h"
#include "ShellOpen.h"
#include "ShellResultCodes.h"

using namespace tolvane;

namespace {

const std::string kUrl = "https://example.org/page?a=1";

QString HandlerOrNothing() {
    const std::optional<std::string> id = DefaultHtmlHandler();
    return id ? QString::fromStdString(*id) : QString();
}

}  // namespace

// The stand-ins for the shell's open verb, the registered web-page handler and the program
// start, on real processes and a desktop made of temporary files.
class LinkOpeningTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_desktop = std::make_unique<FakeDesktop>(); }
    void cleanup() { m_desktop.reset(); }

    void shellOpenMapsTheOpenerExit_data();
    void shellOpenMapsTheOpenerExit();
    void shellOpenTakesAStillRunningOpenerAsLaunched();
    void shellOpenWithoutOpenerHasNoAssociation();
    void shellOpenNeverPassesAnOption();

    void startProgramCodes_data();
    void startProgramCodes();
    void startProgramPassesTheWords();
    void busyProgramIsASharingViolation();

    void defaultHandlerFollowsPrecedence_data();
    void defaultHandlerFollowsPrecedence();
    void handlerCommandFromItsDesktopFile();

    void fallbackOrder_data();
    void fallbackOrder();

  private:
    std::unique_ptr<FakeDesktop> m_desktop;
};

void LinkOpeningTest::shellOpenMapsTheOpenerExit_data() {
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<int>("code");
    QTest::newRow("success") << 0 << kShellOpened;
    QTest::newRow("syntax error") << 1 << SE_ERR_ASSOCINCOMPLETE;
    QTest::newRow("file missing") << 2 << SE_ERR_FNF;
    QTest::newRow("no method") << 3 << SE_ERR_NOASSOC;
    QTest::newRow("action failed") << 4 << SE_ERR_ASSOCINCOMPLETE;
}

void LinkOpeningTest::shellOpenMapsTheOpenerExit() {
    QFETCH(int, exitStatus);
    QFETCH(int, code);
    m_desktop->SetOpenerOutcome(exitStatus);
    QCOMPARE(ShellOpen(kUrl), code);
    QCOMPARE(m_desktop->OpenerCalls(), QStringList{QString::fromStdString(kUrl)});
}

void LinkOpeningTest::shellOpenTakesAStillRunningOpenerAsLaunched() {
    m_desktop->SetOpenerOutcome(4, 5);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(ShellOpen(kUrl, std::chrono::milliseconds(300)) > 32);
    QVERIFY2(timer.elapsed() < 3000, "waited for the opener to finish");
}

void LinkOpeningTest::shellOpenWithoutOpenerHasNoAssociation() {
    m_desktop->RemoveOpener();
    qputenv("PATH", m_desktop->Path("bin").toLocal8Bit());
    QCOMPARE(ShellOpen(kUrl), SE_ERR_NOASSOC);
}

void LinkOpeningTest::shellOpenNeverPassesAnOption() {
    QCOMPARE(ShellOpen("--help"), SE_ERR_FNF);
    QCOMPARE(ShellOpen(""), SE_ERR_FNF);
    QVERIFY(m_desktop->OpenerCalls().isEmpty());
}

void LinkOpeningTest::startProgramCodes_data() {
    QTest::addColumn<QString>("program");  // relative to the desktop's root, or a bare name
    QTest::addColumn<int>("code");
    QTest::newRow("not on PATH") << "no-such-program-here" << SE_ERR_FNF;
    QTest::newRow("missing file") << "@bin/missing" << SE_ERR_FNF;
    QTest::newRow("missing folder") << "@nowhere/prog" << SE_ERR_PNF;
    QTest::newRow("folder is a file") << "@bin/browser/prog" << SE_ERR_PNF;
    QTest::newRow("not executable") << "@bin/plain" << SE_ERR_ACCESSDENIED;
    QTest::newRow("no known format") << "@bin/garbage" << ERROR_BAD_FORMAT;
    QTest::newRow("interpreter missing") << "@bin/orphan" << SE_ERR_DLLNOTFOUND;
    QTest::newRow("started") << "@bin/browser" << kProgramStarted;
    QTest::newRow("empty command line") << "" << SE_ERR_FNF;
}

void LinkOpeningTest::startProgramCodes() {
    QFETCH(QString, program);
    QFETCH(int, code);
    m_desktop->WriteFile("bin/plain", "#!/bin/sh\n");
    m_desktop->WriteFile("bin/garbage", "\x01\x02 not a program\n", true);
    m_desktop->WriteFile("bin/orphan", "#!/no/such/interpreter\n", true);
    if (program.startsWith('@')) {
        program = m_desktop->Path(program.mid(1));
    }
    QCOMPARE(StartProgram(program.toStdString()), code);
}

void LinkOpeningTest::startProgramPassesTheWords() {
    const std::string commandLine = "\"" + m_desktop->BrowserPath().toStdString() +
                                    "\"  --flag \"two words\" https://example.org/";
    QCOMPARE(StartProgram(commandLine), kProgramStarted);
    QCOMPARE(m_desktop->BrowserArguments(),
             (QStringList{"--flag", "two words", "https://example.org/"}));
}

void LinkOpeningTest::busyProgramIsASharingViolation() {
    m_desktop->WriteFile("bin/busy", "#!/bin/sh\n", true);
    const QByteArray path = m_desktop->Path("bin/busy").toLocal8Bit();
    const int writer = open(path.constData(), O_WRONLY);
    QVERIFY(writer >= 0);
    const int code = StartProgram(path.toStdString());
    close(writer);
    QCOMPARE(code, SE_ERR_SHARE);
}

void LinkOpeningTest::defaultHandlerFollowsPrecedence_data() {
    QTest::addColumn<QStringList>("lists");  // "file=ids", most important first
    QTest::addColumn<QString>("handler");
    const QString data = QStringLiteral("data/applications/");
    QTest::newRow("nothing configured") << QStringList{} << QString();
    QTest::newRow("config home before config dirs")
        << QStringList{"config/mimeapps.list=a.desktop", "etc/mimeapps.list=b.desktop"}
        << "a.desktop";
    QTest::newRow("desktop-specific before plain")
        << QStringList{"etc/test-mimeapps.list=b.desktop", "config/mimeapps.list=a.desktop"}
        << "a.desktop";
    QTest::newRow("desktop-specific in the same folder")
        << QStringList{"etc/test-mimeapps.list=b.desktop", "etc/mimeapps.list=a.desktop"}
        << "b.desktop";
    QTest::newRow("second config dir")
        << QStringList{"etc2/mimeapps.list=b.desktop", data + "mimeapps.list=a.desktop"}
        << "b.desktop";
    QTest::newRow("data home before data dirs")
        << QStringList{data + "mimeapps.list=b.desktop",
                       "share/applications/mimeapps.list=a.desktop"}
        << "b.desktop";
    QTest::newRow("data dirs last")
        << QStringList{"share2/applications/mimeapps.list=a.desktop"} << "a.desktop";
    QTest::newRow("first installed of a list")
        << QStringList{"config/mimeapps.list=gone.desktop;b.desktop;a.desktop"} << "b.desktop";
    QTest::newRow("none of a list installed falls through")
        << QStringList{"config/mimeapps.list=gone.desktop", "etc/mimeapps.list=a.desktop"}
        << "a.desktop";
    QTest::newRow("only uninstalled ids")
        << QStringList{"config/mimeapps.list=gone.desktop;"} << QString();
}

void LinkOpeningTest::defaultHandlerFollowsPrecedence() {
    QFETCH(QStringList, lists);
    QFETCH(QString, handler);
    m_desktop->InstallDesktopFile("share", "a.desktop", "Exec=a %u");
    m_desktop->InstallDesktopFile("data", "b.desktop", "Exec=b %u");
    for (const QString& list : lists) {
        const QStringList parts = list.split('=');
        m_desktop->SetHtmlDefault(parts[0], parts[1].toUtf8());
    }
    QCOMPARE(HandlerOrNothing(), handler);
}

void LinkOpeningTest::handlerCommandFromItsDesktopFile() {
    m_desktop->InstallDesktopFile("share", "vendor/web.desktop",
                                  "Name[de]=Netz\nExec=\"/opt/web\\sapp/run\" --new %U");
    m_desktop->SetHtmlDefault("config/mimeapps.list", "vendor-web.desktop");
    QCOMPARE(HandlerOrNothing(), QStringLiteral("vendor-web.desktop"));
    QCOMPARE(HandlerOpenCommand("vendor-web.desktop"),
             std::optional<std::string>("\"/opt/web app/run\" --new \"%1\""));
    m_desktop->InstallDesktopFile("share", "noexec.desktop", "TryExec=x");
    QCOMPARE(HandlerOpenCommand("noexec.desktop"), std::nullopt);
    QCOMPARE(HandlerOpenCommand("absent.desktop"), std::nullopt);
}

void LinkOpeningTest::fallbackOrder_data() {
    QTest::addColumn<int>("openerExit");
    QTest::addColumn<QByteArray>("defaultIds");  // empty: no mimeapps.list
    QTest::addColumn<QByteArray>("execLine");    // empty: no Exec= line
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("browserRuns");
    const QByteArray browser = "Exec=%1 --new-window %u --ignored";
    QTest::newRow("shell opens") << 0 << QByteArray("web.desktop") << browser << kShellOpened
                                 << false;
    QTest::newRow("no handler class") << 3 << QByteArray() << browser << SE_ERR_NOASSOC << false;
    QTest::newRow("no open command")
        << 4 << QByteArray("web.desktop") << QByteArray() << SE_ERR_ASSOCINCOMPLETE << false;
    QTest::newRow("launch fails") << 3 << QByteArray("web.desktop")
                                  << QByteArray("Exec=/no/such/browser %u") << SE_ERR_PNF << false;
    QTest::newRow("handler starts")
        << 4 << QByteArray("web.desktop") << browser << kProgramStarted << true;
}

void LinkOpeningTest::fallbackOrder() {
    QFETCH(int, openerExit);
    QFETCH(QByteArray, defaultIds);
    QFETCH(QByteArray, execLine);
    QFETCH(int, code);
    QFETCH(bool, browserRuns);
    m_desktop->SetOpenerOutcome(openerExit);
    execLine.replace("%1", m_desktop->BrowserPath().toLocal8Bit());
    m_desktop->InstallDesktopFile("data", "web.desktop", execLine);
    if (!defaultIds.isEmpty()) {
        m_desktop->SetHtmlDefault("config/mimeapps.list", defaultIds);
    }
    QCOMPARE(OpenLink(kUrl), code);
    QCOMPARE(m_desktop->OpenerCalls().size(), 1);
    if (browserRuns) {
        QCOMPARE(m_desktop->BrowserArguments(),
                 (QStringList{"--new-window", QString::fromStdString(kUrl)}));
    } else {
        QTest::qWait(100);
        QVERIFY(!m_desktop->BrowserRan());
    }
}

QTEST_GUILESS_MAIN(LinkOpeningTest)
#include "tst_linkopening.moc"
