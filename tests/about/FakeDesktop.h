#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A desktop made of temporary folders for the link tests: the XDG folder variables point into
// it, a fake xdg-open comes first on PATH, and a fake browser records the arguments it gets.
// The opener's exit status and delay are set per test; every call of it is logged.
class FakeDesktop {
  public:
    FakeDesktop();
    ~FakeDesktop();
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    QString Root() const { return m_dir.path(); }
    QString Path(const QString& relative) const { return Root() + '/' + relative; }
    void WriteFile(const QString& relative, const QByteArray& contents, bool executable = false);

    // The fake xdg-open exits with status after sleeping seconds.
    void SetOpenerOutcome(int status, int seconds = 0);
    void RemoveOpener();
    QStringList OpenerCalls() const;

    // A .desktop file below <folder>/applications (folder "data" is XDG_DATA_HOME, "share"
    // is the first of XDG_DATA_DIRS) and a mimeapps.list line making ids the text/html default.
    void InstallDesktopFile(const QString& folder, const QString& relativePath,
                            const QByteArray& execLine);
    void SetHtmlDefault(const QString& listFile, const QByteArray& ids);
    // The fake browser's script, whose Exec= line is "<script> <arguments>".
    QString BrowserPath() const { return Path(QStringLiteral("bin/browser")); }
    // The arguments the fake browser got, one per entry, once it has run (waits up to 5 s).
    QStringList BrowserArguments() const;
    bool BrowserRan() const;

  private:
    QTemporaryDir m_dir;
    QList<QPair<QByteArray, QByteArray>> m_savedEnvironment;
};
