// The OK step on real folder trees: every row starts from a fresh tree holding the folder
// "a", the read-only folder "ro" and the file "f"; "@" in a row stands for its root.
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "DirectoryPath.h"
#include "FolderOkStep.h"
#include "MessageBoxCodes.h"

using namespace tolvane;

namespace {

// The boxes shown, by their kind; a question and a failure to create name the folder.
const QByteArray kInvalid = QByteArray::number(MB_OK | MB_ICONHAND);

QByteArray Ask(const QByteArray& path) {
    return QByteArray::number(MB_YESNO | MB_ICONQUESTION) + ' ' + path;
}
QByteArray CouldNot(const QByteArray& path) {
    return QByteArray::number(MB_OK | MB_ICONEXCLAMATION) + ' ' + path;
}

// Whether a box shown as "type text" is the expected "type" or "type path" that names path.
bool Shows(const QByteArray& shown, const QByteArray& expected) {
    const qsizetype blank = expected.indexOf(' ');
    const QByteArray type = blank < 0 ? expected : expected.left(blank);
    return shown.startsWith(type + ' ') &&
           (blank < 0 || shown.mid(type.size() + 1).contains(expected.mid(blank + 1)));
}

// after: "+path" must be a folder afterwards, "-path" must not exist.
void Row(const char* tag, const QByteArray& text, const QByteArray& shown, int answer,
         const QByteArrayList& boxes, const QByteArray& result, const QByteArrayList& after) {
    QTest::newRow(tag) << text << shown << answer << boxes << result << after;
}

}  // namespace

class FolderOkStepTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void okStep_data();
    void okStep();

  private:
    QByteArray Expand(QByteArray text) const {
        return text.replace('@', QFile::encodeName(m_root->path()));
    }
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_oldCurrent;
};

void FolderOkStepTest::init() {
    m_root = std::make_unique<QTemporaryDir>();
    QDir root(m_root->path());
    QVERIFY(root.mkdir("a") && root.mkdir("ro") &&
            QFile(root.filePath("f")).open(QFile::WriteOnly));
    QVERIFY(QFile::setPermissions(root.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner));
    m_oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_root->path()));  // relative texts land in the tree
}

void FolderOkStepTest::cleanup() {
    QDir::setCurrent(m_oldCurrent);
    QFile::setPermissions(m_root->path() + "/ro",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void FolderOkStepTest::okStep_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<int>("answer");  // to the question whether to create
    QTest::addColumn<QByteArrayList>("boxes");
    QTest::addColumn<QByteArray>("result");  // empty: the dialog stays open
    QTest::addColumn<QByteArrayList>("after");

    const QByteArray fits = '/' + QByteArray(PATH_MAX - 3, 'p');  // with its '/': PATH_MAX-1
    Row("empty text takes the folder shown", "", "@/a", IDNO, {}, "@/a/", {});
    Row("empty text, no folder shown", "", "", IDNO, {kInvalid}, "", {});
    Row("// at the start", "//server/share", "@", IDYES, {kInvalid}, "", {});
    Row("// in the middle", "@//a", "@", IDYES, {kInvalid}, "", {});
    Row("// at the end", "@/n//", "@", IDYES, {kInvalid}, "", {"-@/n"});
    Row("embedded NUL", QByteArray("@/a\0/n", 6), "@", IDYES, {kInvalid}, "", {"-@/a/n"});
    Row("one trailing /", "@/a/", "@", IDNO, {}, "@/a/", {});
    Row("existing file", "@/f", "@", IDNO, {}, "@/f/", {});
    Row("missing, No", "@/n/m/", "@", IDNO, {Ask("@/n/m")}, "@/n/m/", {"-@/n"});
    Row("missing, Yes", "@/n/m", "@", IDYES, {Ask("@/n/m")}, "@/n/m/", {"+@/n/m"});
    Row("missing, put aside", "@/n/m", "@", IDCANCEL, {Ask("@/n/m")}, "", {"-@/n"});
    Row("parent is a file, Yes", "@/f/n", "@", IDYES, {Ask("@/f/n"), CouldNot("@/f/n")}, "", {});
    Row("read-only parent, Yes", "@/ro/n", "@", IDYES, {Ask("@/ro/n"), CouldNot("@/ro/n")}, "",
        {"-@/ro/n"});
    Row("single /", "/", "@", IDNO, {}, "/", {});
    Row("relative, Yes", "r/s", "@/a", IDYES, {Ask("r/s")}, "r/s/", {"+@/r/s"});
    Row("longest path, No", fits, "@", IDNO, {Ask(fits)}, fits + '/', {});
    Row("path too long", fits + 'p', "@", IDNO, {kInvalid}, "", {});
}

void FolderOkStepTest::okStep() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, shown);
    QFETCH(int, answer);
    QFETCH(QByteArrayList, boxes);
    QFETCH(QByteArray, result);
    QFETCH(QByteArrayList, after);
    if (QByteArray(QTest::currentDataTag()).startsWith("read-only") && ::geteuid() == 0) {
        QSKIP("a read-only folder does not stop the superuser");
    }

    QByteArrayList shownBoxes;
    const FolderOkServices services{
        PathExists, [](const std::string& path) { MakeDirectoryPath(path); },
        [&](const std::string& boxText, unsigned type) {
            shownBoxes.append(QByteArray::number(type) + ' ' + QByteArray::fromStdString(boxText));
            return type == (MB_YESNO | MB_ICONQUESTION) ? answer : IDOK;
        }};
    const std::optional<std::string> accepted =
        RunFolderOkStep(Expand(text).toStdString(), Expand(shown).toStdString(), services);

    QCOMPARE(shownBoxes.size(), boxes.size());
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        QVERIFY2(Shows(shownBoxes[i], Expand(boxes[i])), shownBoxes[i].constData());
    }
    QCOMPARE(QByteArray::fromStdString(accepted.value_or("")), Expand(result));
    for (const QByteArray& check : after) {
        const QFileInfo info(QFile::decodeName(Expand(check.mid(1))));
        QVERIFY2(check[0] == '+' ? info.isDir() : !info.exists(), check.constData());
    }
}

QTEST_GUILESS_MAIN(FolderOkStepTest)
#include "FolderOkStepTest.moc"
