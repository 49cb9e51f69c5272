// The picker dialog offscreen, on a real folder tree. Message boxes are answered from a
// timer that finds the active modal widget.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>
#include <memory>

#include "ApplicationName.h"
#include "MessageBoxCodes.h"
#include "SelectFolderDialog.h"

using namespace tolvane;

namespace {

// One message box the picker showed, and the button that answered it.
struct Box {
    QMessageBox::Icon icon;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton answer;
};

// Answers every message box that becomes the active modal widget with the next answer.
class BoxAnswerer : public QObject {
  public:
    explicit BoxAnswerer(QList<QMessageBox::StandardButton> answers) : m_answers(answers) {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::Answer);
        m_timer.start(10);
    }
    QList<Box> boxes;
    QStringList captions;

  private:
    void Answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || m_answers.isEmpty()) {
            return;
        }
        const QMessageBox::StandardButton answer = m_answers.takeFirst();
        boxes.append({box->icon(), box->text(), box->standardButtons(), answer});
        captions.append(box->windowTitle());
        box->button(answer)->click();
    }
    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

QRect Frame(QWidget* dialog, QWidget* widget) {
    return QRect(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
}

}  // namespace

class SelectFolderDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_tree = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tree->isValid() && QDir(m_tree->path()).mkpath("a/b"));
        QVERIFY(QFile(Path("a/plain")).open(QIODevice::WriteOnly));  // a name without a dot
    }
    void folderFieldFollowsBrowsing();
    void emptyInitialFolderOpensAtRoot();
    void enterRunsOkStep();
    void cancelLeavesResultEmpty_data();
    void cancelLeavesResultEmpty();
    void layout_data();
    void layout();

  private:
    QString Path(const QString& relative) const { return m_tree->path() + '/' + relative; }
    std::unique_ptr<QTemporaryDir> m_tree;
};

void SelectFolderDialogTest::folderFieldFollowsBrowsing() {
    CSelectFolderDialog picker(true, Path("a").toStdString(), OFN_HIDEREADONLY, nullptr, nullptr);
    auto* field = Child<QLineEdit>(&picker, "folderEdit");
    QCOMPARE(field->text(), Path("a"));  // the first folder shown counts too
    field->setText("typed over");
    picker.setDirectory(Path("a/b"));
    QCOMPARE(field->text(), Path("a/b"));
    picker.setDirectory(QString());  // the list of drives has no file-system path
    QCOMPARE(field->text(), QString());
}

void SelectFolderDialogTest::emptyInitialFolderOpensAtRoot() {
    CSelectFolderDialog picker(false, std::string(), 0, nullptr, nullptr);
    QCOMPARE(Child<QLineEdit>(&picker, "folderEdit")->text(), QString("/"));
}

// Typing a refused path, a path that cannot be created and a new path in turn, each ended
// with Enter in the folder field: only the last ends the dialog, with the created folder.
void SelectFolderDialogTest::enterRunsOkStep() {
    QVERIFY(QFile(Path("f")).open(QIODevice::WriteOnly));
    CSelectFolderDialog picker(true, Path("a").toStdString(), OFN_HIDEREADONLY,
                               "All Files(*.*)|*.*||", nullptr);
    auto* field = Child<QLineEdit>(&picker, "folderEdit");
    BoxAnswerer answerer({QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Ok, QMessageBox::Yes});
    QStringList keptTexts;
    QTimer::singleShot(0, [&] {
        for (const QString& text : {Path("a//x"), Path("f/x/"), Path("a/n/m/")}) {
            field->setText(text);
            QTest::keyClick(field, Qt::Key_Return);
            keptTexts.append(field->text());
        }
    });
    QCOMPARE(picker.DoModal(), IDOK);
    QCOMPARE(picker.GetSelectedPath(), Path("a/n/m/").toStdString());
    QVERIFY(QFileInfo(Path("a/n/m")).isDir());
    QCOMPARE(keptTexts.mid(0, 2), QStringList({Path("a//x"), Path("f/x/")}));

    const QString ask = "\n\nThis path does not exist. Do you want to create it?";
    const auto yesNo = QMessageBox::Yes | QMessageBox::No;
    QCOMPARE(answerer.boxes.size(), 4);
    const QList<Box> expected = {
        {QMessageBox::Critical, "Invalid Folder", QMessageBox::Ok, QMessageBox::Ok},
        {QMessageBox::Question, Path("f/x") + ask, yesNo, QMessageBox::Yes},
        {QMessageBox::Warning, "Could not create folder:\n" + Path("f/x"), QMessageBox::Ok,
         QMessageBox::Ok},
        {QMessageBox::Question, Path("a/n/m") + ask, yesNo, QMessageBox::Yes}};
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(answerer.boxes[i].icon, expected[i].icon);
        QCOMPARE(answerer.boxes[i].text, expected[i].text);
        QCOMPARE(answerer.boxes[i].buttons, expected[i].buttons);
    }
    QCOMPARE(answerer.captions, QStringList(4, ApplicationName()));
    QCOMPARE(ApplicationName(), QString("select_folder_dialog_tests"));
}

void SelectFolderDialogTest::cancelLeavesResultEmpty_data() {
    QTest::addColumn<std::function<void(QDialog*)>>("end");
    QTest::newRow("Cancel button") << std::function<void(QDialog*)>([](QDialog* picker) {
        QTest::mouseClick(Child<QPushButton>(picker, "cancelButton"), Qt::LeftButton);
    });
    QTest::newRow("Esc in the folder field") << std::function<void(QDialog*)>(
        [](QDialog* d) { QTest::keyClick(Child<QLineEdit>(d, "folderEdit"), Qt::Key_Escape); });
    QTest::newRow("close box") << std::function<void(QDialog*)>(
        [](QDialog* picker) { picker->close(); });
}

void SelectFolderDialogTest::cancelLeavesResultEmpty() {
    QFETCH(std::function<void(QDialog*)>, end);
    CSelectFolderDialog picker(true, Path("a").toStdString(), OFN_HIDEREADONLY, nullptr, nullptr);
    QTimer::singleShot(0, [&] {
        Child<QLineEdit>(&picker, "folderEdit")->setText(Path("a/b"));
        end(&picker);
    });
    QCOMPARE(picker.DoModal(), IDCANCEL);
    QCOMPARE(picker.GetSelectedPath(), std::string());
}

void SelectFolderDialogTest::layout_data() {
    QTest::addColumn<bool>("showFiles");
    QTest::addColumn<QByteArray>("filter");
    QTest::addColumn<bool>("typeRow");  // also: files are listed
    QTest::newRow("files and a filter") << true << QByteArray("All Files(*.*)|*.*||") << true;
    QTest::newRow("files, no filter") << true << QByteArray() << false;
    QTest::newRow("folders only") << false << QByteArray("All Files(*.*)|*.*||") << false;
}

void SelectFolderDialogTest::layout() {
    QFETCH(bool, showFiles);
    QFETCH(QByteArray, filter);
    QFETCH(bool, typeRow);
    CSelectFolderDialog picker(showFiles, Path("a").toStdString(), OFN_HIDEREADONLY,
                               filter.isNull() ? nullptr : filter.constData(), nullptr);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QCOMPARE(picker.windowTitle(), QString("Select folder"));

    auto* field = Child<QLineEdit>(&picker, "folderEdit");
    auto* label = Child<QLabel>(&picker, "fileNameLabel");
    auto* list = Child<QListView>(&picker, "listView");
    const QRect files = Frame(&picker, Child<QWidget>(&picker, "stackedWidget"));
    auto* typeLabel = Child<QLabel>(&picker, "fileTypeLabel");
    auto* typeCombo = Child<QComboBox>(&picker, "fileTypeCombo");
    const QRect ok = Frame(&picker, Child<QPushButton>(&picker, "okButton"));
    const QRect cancel = Frame(&picker, Child<QPushButton>(&picker, "cancelButton"));
    const QRect edit = Frame(&picker, field);
    const QRect folderLabel = Frame(&picker, label);

    QVERIFY(!Child<QLineEdit>(&picker, "fileNameEdit")->isVisible());
    QCOMPARE(label->text(), QString("Current Folder:"));
    QCOMPARE(ok.top(), cancel.top());
    QCOMPARE(ok.right() + 1 + 4, cancel.left());
    QVERIFY(folderLabel.top() > files.bottom());
    QVERIFY(edit.top() > folderLabel.bottom());
    QCOMPARE(edit.left(), folderLabel.left());
    QCOMPARE(typeLabel->isVisible(), typeRow);
    QCOMPARE(typeCombo->isVisible(), typeRow);
    if (typeRow) {
        const QRect combo = Frame(&picker, typeCombo);
        QCOMPARE(typeCombo->currentText(), QString("All Files(*.*)"));
        QVERIFY(Frame(&picker, typeLabel).top() > edit.bottom());
        QVERIFY(combo.top() > Frame(&picker, typeLabel).bottom());
        QCOMPARE(combo.left(), Frame(&picker, typeLabel).left());
        QVERIFY(cancel.top() < combo.bottom() && cancel.bottom() > combo.top());
        QCOMPARE(edit.right(), cancel.right());
    } else {
        QVERIFY(cancel.top() < edit.bottom() && cancel.bottom() > edit.top());
        QVERIFY(edit.right() < ok.left());
    }

    QAbstractItemModel* entries = list->model();
    QTRY_COMPARE(entries->rowCount(list->rootIndex()), showFiles ? 2 : 1);
    QCOMPARE(entries->index(0, 0, list->rootIndex()).data().toString(), QString("b"));

    // The folder field follows the list in the tab order, in either view.
    for (const auto mode : {QFileDialog::List, QFileDialog::Detail}) {
        picker.setViewMode(mode);
        QAbstractItemView* view = mode == QFileDialog::List ? static_cast<QAbstractItemView*>(list)
                                                            : Child<QTreeView>(&picker, "treeView");
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), field);
    }
}

QTEST_MAIN(SelectFolderDialogTest)
#include "SelectFolderDialogTest.moc"
