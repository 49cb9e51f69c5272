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
#include "ModalAnswerer.h"
#include "SelectFolderDialog.h"

using namespace tolvane;
using EndAction = std::function<void(QDialog*)>;

namespace {

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
    void enterRunsOkStep_data();
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
    CSelectFolderDialog atRoot(false, std::string(), nullptr, nullptr);
    QCOMPARE(Child<QLineEdit>(&atRoot, "folderEdit")->text(), QString("/"));

    CSelectFolderDialog picker(true, Path("a").toStdString(), nullptr, nullptr);
    auto* field = Child<QLineEdit>(&picker, "folderEdit");
    QCOMPARE(field->text(), Path("a"));  // the first folder shown counts too
    field->setText("typed over");
    picker.setDirectory(Path("a/b"));
    QCOMPARE(field->text(), Path("a/b"));
    picker.setDirectory(QString());  // the list of drives has no file-system path
    QCOMPARE(field->text(), QString());
}

// A refused path, a path that cannot be created, a new path whose creation is put aside and a
// new path, each typed and ended with Enter in the folder field: only the last ends the dialog,
// with the created folder.
void SelectFolderDialogTest::enterRunsOkStep_data() {
    QTest::addColumn<int>("putAside");  // how the creation question is put aside
    QTest::newRow("Esc on the question") << ModalAnswerer::kEscape;
    QTest::newRow("close box of the question") << ModalAnswerer::kCloseBox;
}

void SelectFolderDialogTest::enterRunsOkStep() {
    QVERIFY(QFile(Path("f")).open(QIODevice::WriteOnly));
    CSelectFolderDialog picker(true, Path("a").toStdString(), "All Files(*.*)|*.*||", nullptr);
    auto* field = Child<QLineEdit>(&picker, "folderEdit");
    QFETCH(int, putAside);
    ModalAnswerer answerer;
    answerer.boxAnswers = {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Ok, putAside,
                           QMessageBox::Yes};
    QStringList keptTexts;
    QTimer::singleShot(0, [&] {
        for (const QString& text : {Path("a//x"), Path("f/x/"), Path("a/p/"), Path("a/n/m/")}) {
            field->setText(text);
            QTest::keyClick(field, Qt::Key_Return);
            keptTexts.append(field->text());
        }
    });
    QCOMPARE(picker.DoModal(), IDOK);
    QCOMPARE(picker.GetSelectedPath(), Path("a/n/m/").toStdString());
    QVERIFY(QFileInfo(Path("a/n/m")).isDir());
    QCOMPARE(keptTexts.mid(0, 3), QStringList({Path("a//x"), Path("f/x/"), Path("a/p/")}));
    QVERIFY(!QFileInfo::exists(Path("a/p")));
    QCOMPARE(answerer.messages.size(), 5);
    QCOMPARE(answerer.messages[3].icon, QMessageBox::Question);
    QCOMPARE(answerer.messages[3].caption, ApplicationName());
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
    CSelectFolderDialog picker(true, Path("a").toStdString(), nullptr, nullptr);
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
    CSelectFolderDialog picker(showFiles, Path("a").toStdString(),
                               filter.isNull() ? nullptr : filter.constData(), nullptr);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
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
