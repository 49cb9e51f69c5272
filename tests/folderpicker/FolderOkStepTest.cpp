// The OK step on real folder trees: every row starts from a fresh tree holding the folder
// "a", the read-only folder "ro" and the file "f.txt"; "@" in a row stands for its root.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "DirectoryPath.h"
#include "FolderOkStep.h"
#include "MessageBoxCodes.h"

using namespace tolvane;

namespace {

const QByteArray kAsk = "\n\nThis path does not exist. Do you want to create it?";
const QByteArray kQuestion = QByteArray::number(MB_YESNO | MB_ICONQUESTION) + ' ';
const QByteArray kInvalid = QByteArray::number(MB_OK | MB_ICONHAND) + " Invalid Folder";
const QByteArray kCouldNot =
    QByteArray::number(MB_OK | MB_ICONEXCLAMATION) + " Could not create folder:\n";

}  // namespace

class FolderOkStepTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void okStep_data();
    void okStep();

  private:
    QByteArray Expand(const QByteArray& text) const {
        return QByteArray(text).replace('@', QFile::encodeName(m_root->path()));
    }
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_oldCurrent;
};

void FolderOkStepTest::init() {
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    QDir root(m_root->path());
    QVERIFY(root.mkdir("a") && root.mkdir("ro"));
    QFile file(root.filePath("f.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QFile::setPermissions(root.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner));
    m_oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_root->path()));  // relative texts land in the tree
}

void FolderOkStepTest::cleanup() {
    QDir::setCurrent(m_oldCurrent);
    QFile::setPermissions(m_root->path() + "/ro",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_root.reset();
}

void FolderOkStepTest::okStep_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<int>("answer");  // to the question whether to create
    QTest::addColumn<QByteArrayList>("boxes");
    QTest::addColumn<QByteArray>("result");  // empty: the dialog stays open
    QTest::addColumn<QByteArray>("exists");  // afterwards
    QTest::addColumn<QByteArray>("missing");

    const QByteArray longName(300, 'x');
    const QByteArray fits = '/' + QByteArray(PATH_MAX - 3, 'p');  // with '/': PATH_MAX-1
    const QByteArray tooLong = fits + 'p';

    QTest::newRow("empty text takes the folder shown")
        << QByteArray() << QByteArray("@/a") << IDNO << QByteArrayList{} << QByteArray("@/a/")
        << QByteArray() << QByteArray();
    QTest::newRow("empty text, no folder shown")
        << QByteArray() << QByteArray() << IDNO << QByteArrayList{kInvalid} << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("// at the start")
        << QByteArray("//server/share") << QByteArray("@") << IDYES << QByteArrayList{kInvalid}
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("// in the middle")
        << QByteArray("@//a") << QByteArray("@") << IDYES << QByteArrayList{kInvalid}
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("// at the end")
        << QByteArray("@/n//") << QByteArray("@") << IDYES << QByteArrayList{kInvalid}
        << QByteArray() << QByteArray() << QByteArray("@/n");
    QTest::newRow("embedded NUL") << QByteArray("@/a\0/n", 6) << QByteArray("@") << IDYES
                                  << QByteArrayList{kInvalid} << QByteArray() << QByteArray()
                                  << QByteArray("@/a/n");
    QTest::newRow("one trailing /")
        << QByteArray("@/a/") << QByteArray("@") << IDNO << QByteArrayList{} << QByteArray("@/a/")
        << QByteArray() << QByteArray();
    QTest::newRow("existing file")
        << QByteArray("@/f.txt") << QByteArray("@") << IDNO << QByteArrayList{}
        << QByteArray("@/f.txt/") << QByteArray() << QByteArray();
    QTest::newRow("missing, No") << QByteArray("@/n/m/") << QByteArray("@") << IDNO
                                 << QByteArrayList{kQuestion + "@/n/m" + kAsk}
                                 << QByteArray("@/n/m/") << QByteArray() << QByteArray("@/n");
    QTest::newRow("missing, Yes") << QByteArray("@/n/m") << QByteArray("@") << IDYES
                                  << QByteArrayList{kQuestion + "@/n/m" + kAsk}
                                  << QByteArray("@/n/m/") << QByteArray("@/n/m") << QByteArray();
    QTest::newRow("parent is a file, Yes")
        << QByteArray("@/f.txt/n") << QByteArray("@") << IDYES
        << QByteArrayList{kQuestion + "@/f.txt/n" + kAsk, kCouldNot + "@/f.txt/n"} << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("name too long, Yes")
        << QByteArray("@/a/" + longName) << QByteArray("@") << IDYES
        << QByteArrayList{kQuestion + "@/a/" + longName + kAsk, kCouldNot + "@/a/" + longName}
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("read-only parent, Yes")
        << QByteArray("@/ro/n") << QByteArray("@") << IDYES
        << QByteArrayList{kQuestion + "@/ro/n" + kAsk, kCouldNot + "@/ro/n"} << QByteArray()
        << QByteArray() << QByteArray("@/ro/n");
    QTest::newRow("single /") << QByteArray("/") << QByteArray("@") << IDNO << QByteArrayList{}
                              << QByteArray("/") << QByteArray() << QByteArray();
    QTest::newRow("relative, Yes") << QByteArray("r/s") << QByteArray("@/a") << IDYES
                                   << QByteArrayList{kQuestion + "r/s" + kAsk} << QByteArray("r/s/")
                                   << QByteArray("@/r/s") << QByteArray();
    QTest::newRow("longest path, No")
        << fits << QByteArray("@") << IDNO << QByteArrayList{kQuestion + fits + kAsk} << fits + '/'
        << QByteArray() << QByteArray();
    QTest::newRow("path too long") << tooLong << QByteArray("@") << IDNO << QByteArrayList{kInvalid}
                                   << QByteArray() << QByteArray() << QByteArray();
}

void FolderOkStepTest::okStep() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, shown);
    QFETCH(int, answer);
    QFETCH(QByteArrayList, boxes);
    QFETCH(QByteArray, result);
    QFETCH(QByteArray, exists);
    QFETCH(QByteArray, missing);
    if (QByteArray(QTest::currentDataTag()).startsWith("read-only") && ::geteuid() == 0) {
        QSKIP("a read-only folder does not stop the superuser");
    }

    QByteArrayList shownBoxes;
    const FolderOkServices services{
        PathExists, [](const std::string& path) { MakeDirectoryPath(path); },
        [&](const std::string& boxText, unsigned type) {
            shownBoxes.append(QByteArray::number(type) + ' ' + QByteArray::fromStdString(boxText));
            return (type & MB_YESNO) == MB_YESNO ? answer : IDOK;
        }};
    const std::optional<std::string> accepted =
        RunFolderOkStep(Expand(text).toStdString(), Expand(shown).toStdString(), services);

    for (QByteArray& box : boxes) {
        box = Expand(box);
    }
    QCOMPARE(shownBoxes, boxes);
    QCOMPARE(accepted.has_value(), !result.isEmpty());
    if (accepted) {
        QCOMPARE(QByteArray::fromStdString(*accepted), Expand(result));
    }
    if (!exists.isEmpty()) {
        QVERIFY(QFileInfo(QFile::decodeName(Expand(exists))).isDir());
    }
    if (!missing.isEmpty()) {
        QVERIFY(!QFileInfo::exists(QFile::decodeName(Expand(missing))));
    }
}

QTEST_GUILESS_MAIN(FolderOkStepTest)
#include "FolderOkStepTest.moc"
