#include "FakeDesktop.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtTest>

namespace {

const char* const kVariables[] = {"PATH",          "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                                  "XDG_DATA_HOME", "XDG_DATA_DIRS",   "XDG_CURRENT_DESKTOP"};

}  // namespace

FakeDesktop::FakeDesktop() {
    for (const char* name : kVariables) {
        m_savedEnvironment.append({name, qgetenv(name)});
    }
    qputenv("PATH", (Path("bin") + ':' + qgetenv("PATH")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", Path("config").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (Path("etc") + ':' + Path("etc2")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", Path("data").toLocal8Bit());
    qputenv("XDG_DATA_DIRS", (Path("share") + ':' + Path("share2")).toLocal8Bit());
    qputenv("XDG_CURRENT_DESKTOP", "Test");
    SetOpenerOutcome(0);
    WriteFile("bin/browser",
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + Path("browser.args").toLocal8Bit() +
                  ".tmp\" && mv \"" + Path("browser.args").toLocal8Bit() + ".tmp\" \"" +
                  Path("browser.args").toLocal8Bit() + "\"\n",
              true);
}

FakeDesktop::~FakeDesktop() {
    for (const auto& [name, value] : m_savedEnvironment) {
        qputenv(name.constData(), value);
    }
}

void FakeDesktop::WriteFile(const QString& relative, const QByteArray& contents, bool executable) {
    const QString path = Path(relative);
    QDir().mkpath(QFileInfo(path).path());
    // A new file in the old one's place, so that a script still running keeps its old text.
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    QVERIFY(file.commit());
    if (executable) {
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
    }
}

void FakeDesktop::SetOpenerOutcome(int status, int seconds) {
    WriteFile("bin/xdg-open",
              "#!/bin/sh\nexec >/dev/null 2>&1\nprintf '%s\\n' \"$*\" >> \"" +
                  Path("opener.log").toLocal8Bit() + "\"\nsleep " + QByteArray::number(seconds) +
                  "\nexit " + QByteArray::number(status) + "\n",
              true);
}

void FakeDesktop::RemoveOpener() {
    QFile::remove(Path("bin/xdg-open"));
}

QStringList FakeDesktop::OpenerCalls() const {
    QFile log(Path("opener.log"));
    if (!log.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

void FakeDesktop::InstallDesktopFile(const QString& folder, const QString& relativePath,
                                     const QByteArray& execLine) {
    WriteFile(folder + "/applications/" + relativePath,
              "[Desktop Entry]\nType=Application\nName=Fake\n" + execLine + "\n");
}

void FakeDesktop::SetHtmlDefault(const QString& listFile, const QByteArray& ids) {
    WriteFile(listFile,
              "[Added Associations]\ntext/html=other.desktop;\n\n"
              "[Default Applications]\ntext/plain=other.desktop\ntext/html=" +
                  ids + "\n");
}

bool FakeDesktop::BrowserRan() const {
    return QFile::exists(Path("browser.args"));
}

QStringList FakeDesktop::BrowserArguments() const {
    QFile args(Path("browser.args"));
    for (int waited = 0; waited < 5000 && !args.exists(); waited += 10) {
        QTest::qWait(10);
    }
    if (!args.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(args.readAll()).split('\n', Qt::SkipEmptyParts);
}
