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
using EndAction = std::function<void(QDialog*)>;

namespace {

// Answers each message box that becomes the active modal widget with the next answer and
// records it as "caption|icon|buttons|text".
class BoxAnswerer : public QObject {
  public:
    explicit BoxAnswerer(QList<QMessageBox::StandardButton> answers) : m_answers(answers) {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible() && !m_answers.isEmpty()) {
                boxes.append(QStringLiteral("%1|%2|%3|%4")
                                 .arg(box->windowTitle())
                                 .arg(box->icon())
                                 .arg(box->standardButtons().toInt())
                                 .arg(box->text()));
                box->button(m_answers.takeFirst())->click();
            }
        });
        m_timer.start(10);
    }
    QStringList boxes;

  private:
    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

QRect Frame(QWidget* dialog, const char* name) {
    QWidget* widget = Child<QWidget>(dialog, name);
    return QRect(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
}

}  // namespace

class SelectFolderDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        m_tree = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_tree->path()).mkpath("a/b"));
        QVERIFY(QFile(Path("a/plain")).open(QIODevice::WriteOnly));  // a name without a dot
    }
    void folderFieldFollowsBrowsing();
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
    CSelectFolderDialog atRoot(false, std::string(), 0, nullptr, nullptr);
    QCOMPARE(Child<QLineEdit>(&atRoot, "folderEdit")->text(), QString("/"));

    CSelectFolderDialog picker(true, Path("a").toStdString(), OFN_HIDEREADONLY, nullptr, nullptr);
    auto* field = Child<QLineEdit>(&picker, "folderEdit");
    QCOMPARE(field->text(), Path("a"));  // the first folder shown counts too
    field->setText("typed over");
    picker.setDirectory(Path("a/b"));
    QCOMPARE(field->text(), Path("a/b"));
    picker.setDirectory(QString());  // the list of drives has no file-system path
    QCOMPARE(field->text(), QString());
}

// A refused path, a path that cannot be created and a new path, each typed and ended with
// Enter in the folder field: only the last ends the dialog, with the created folder.
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

    QCOMPARE(ApplicationName(), QString("select_folder_dialog_tests"));
    const QString ask = "\n\nThis path does not exist. Do you want to create it?";
    const QString head = ApplicationName() + "|%1|%2|";
    const int ok = QMessageBox::Ok, yesNo = QMessageBox::Yes | QMessageBox::No;
    QCOMPARE(answerer.boxes,
             QStringList({head.arg(QMessageBox::Critical).arg(ok) + "Invalid Folder",
                          head.arg(QMessageBox::Question).arg(yesNo) + Path("f/x") + ask,
                          head.arg(QMessageBox::Warning).arg(ok) + "Could not create folder:\n" +
                              Path("f/x"),
                          head.arg(QMessageBox::Question).arg(yesNo) + Path("a/n/m") + ask}));
}

void SelectFolderDialogTest::cancelLeavesResultEmpty_data() {
    QTest::addColumn<EndAction>("end");
    QTest::newRow("Cancel button") << EndAction([](QDialog* picker) {
        QTest::mouseClick(Child<QPushButton>(picker, "cancelButton"), Qt::LeftButton);
    });
    QTest::newRow("Esc in the folder field") << EndAction([](QDialog* picker) {
        QTest::keyClick(Child<QLineEdit>(picker, "folderEdit"), Qt::Key_Escape);
    });
    QTest::newRow("close box") << EndAction([](QDialog* picker) { picker->close(); });
}

void SelectFolderDialogTest::cancelLeavesResultEmpty() {
    QFETCH(EndAction, end);
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
    QTest::addColumn<bool>("typeRow");
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
    QCOMPARE(Child<QLabel>(&picker, "fileNameLabel")->text(), QString("Current Folder:"));
    QVERIFY(!Child<QLineEdit>(&picker, "fileNameEdit")->isVisible());

    const QRect ok = Frame(&picker, "okButton"), cancel = Frame(&picker, "cancelButton");
    const QRect edit = Frame(&picker, "folderEdit"), label = Frame(&picker, "fileNameLabel");
    QCOMPARE(ok.top(), cancel.top());
    QCOMPARE(ok.right() + 1 + 4, cancel.left());
    QVERIFY(label.top() > Frame(&picker, "stackedWidget").bottom());
    QVERIFY(edit.top() > label.bottom() && edit.left() == label.left());
    auto* typeCombo = Child<QComboBox>(&picker, "fileTypeCombo");
    QCOMPARE(typeCombo->isVisible(), typeRow);
    QCOMPARE(Child<QLabel>(&picker, "fileTypeLabel")->isVisible(), typeRow);
    // The buttons share a row with the file-type list, else with the folder field.
    const QRect row = typeRow ? Frame(&picker, "fileTypeCombo") : edit;
    QVERIFY(cancel.top() < row.bottom() && cancel.bottom() > row.top());
    if (typeRow) {
        const QRect typeLabel = Frame(&picker, "fileTypeLabel");
        QVERIFY(typeLabel.top() > edit.bottom() && row.top() > typeLabel.bottom());
        QCOMPARE(row.left(), typeLabel.left());
        QCOMPARE(edit.right(), cancel.right());
        QCOMPARE(typeCombo->currentText(), QString("All Files(*.*)"));
    }

    // Folders only lists "b"; with files, "*.*" also lists the file without a dot.
    auto* list = Child<QListView>(&picker, "listView");
    QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), showFiles ? 2 : 1);

    // The folder field follows the list in the tab order, in either view.
    for (const char* view : {"listView", "treeView"}) {
        picker.setViewMode(view == QByteArray("listView") ? QFileDialog::List
                                                          : QFileDialog::Detail);
        Child<QWidget>(&picker, view)->setFocus();
        QTest::keyClick(Child<QWidget>(&picker, view), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Child<QWidget>(&picker, "folderEdit"));
    }
}

QTEST_MAIN(SelectFolderDialogTest)
#include "SelectFolderDialogTest.moc"
