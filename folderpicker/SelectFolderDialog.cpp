#include "SelectFolderDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <optional>

#include "AppMessageBox.h"
#include "DirectoryPath.h"
#include "FolderOkStep.h"
#include "NameFilters.h"

namespace tolvane {

namespace {

QString FromBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string ToBytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// The rows of the file dialog's grid that the picker rebuilds; rows 0 and 1 hold the
// "Look in" row and the list.
enum LowerRow { kLabelRow = 2, kFolderRow, kTypeLabelRow, kTypeRow };
constexpr int kGridColumns = 3;

}  // namespace

CSelectFolderDialog::CSelectFolderDialog(bool showFiles, const std::string& initialFolder,
                                         const char* filter, QWidget* parent)
    : QFileDialog(parent), m_bShowFiles(showFiles), m_strTitle(tr("Select folder")) {
    // Must come first: a native dialog has no widgets to rearrange.
    setOption(DontUseNativeDialog);
    const QStringList nameFilters = NameFiltersFromFrameworkFilter(filter);
    if (m_bShowFiles) {
        setFileMode(ExistingFile);
        setOption(HideNameFilterDetails);  // the combo shows the caller's descriptions
        setNameFilters(nameFilters);
    } else {
        setFileMode(Directory);
        setOption(ShowDirsOnly);
    }
    m_pModel = findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
    OnInitDone(initialFolder, m_bShowFiles && !nameFilters.isEmpty());

    // Every way of changing folders (list, "Look in", side bar, back and forward, parent)
    // ends in a new root of the model.
    connect(m_pModel, &QFileSystemModel::rootPathChanged, this,
            &CSelectFolderDialog::OnFolderChange);
    setDirectory(initialFolder.empty() ? QStringLiteral("/") : FromBytes(initialFolder));
    // setDirectory() stays silent when the folder is already shown or does not exist.
    OnFolderChange(m_pModel->rootPath());
}

void CSelectFolderDialog::OnInitDone(const std::string& initialFolder, bool showFileTypes) {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    const int heightBefore = grid->sizeHint().height();
    auto* nameLabel = findChild<QLabel*>(QStringLiteral("fileNameLabel"));
    auto* nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* typeLabel = findChild<QLabel*>(QStringLiteral("fileTypeLabel"));
    auto* typeCombo = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* buttonBox = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    for (QWidget* widget : {static_cast<QWidget*>(nameLabel), static_cast<QWidget*>(nameEdit),
                            static_cast<QWidget*>(typeLabel), static_cast<QWidget*>(typeCombo),
                            static_cast<QWidget*>(buttonBox)}) {
        grid->removeWidget(widget);
    }
    // The file dialog's buttons enable themselves from the hidden file-name field and
    // order themselves by desktop; the picker's own buttons do neither.
    nameEdit->hide();
    buttonBox->hide();
    setWindowTitle(m_strTitle);

    setLabelText(FileName, tr("Current Folder:"));
    m_pFolderEdit = new QLineEdit(FromBytes(initialFolder), this);
    m_pFolderEdit->setObjectName(QStringLiteral("folderEdit"));
    nameLabel->setBuddy(m_pFolderEdit);

    // The buttons read as Qt's standard OK and Cancel do, in the language of Qt's texts around
    // them (the context is named through a variable so that the program's own translations
    // don't take these texts over).
    static constexpr const char* kQtButtons = "QPlatformTheme";
    auto* okButton = new QPushButton(QCoreApplication::translate(kQtButtons, "OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);  // Enter in the folder field presses OK
    auto* cancelButton = new QPushButton(QCoreApplication::translate(kQtButtons, "Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(okButton, &QPushButton::clicked, this, &CSelectFolderDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &CSelectFolderDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    // Layouts keep these relations when the user resizes the dialog: the list takes the
    // extra height, the folder field and the file-type list the extra width.
    grid->addWidget(nameLabel, kLabelRow, 0, 1, kGridColumns);
    auto* buttonRow = new QHBoxLayout;
    if (showFileTypes) {
        grid->addWidget(m_pFolderEdit, kFolderRow, 0, 1, kGridColumns);
        grid->addWidget(typeLabel, kTypeLabelRow, 0, 1, kGridColumns);
        buttonRow->addWidget(typeCombo, 1);
        grid->addLayout(buttonRow, kTypeRow, 0, 1, kGridColumns);
    } else {
        typeLabel->hide();
        typeCombo->hide();
        buttonRow->addWidget(m_pFolderEdit, 1);
        grid->addLayout(buttonRow, kFolderRow, 0, 1, kGridColumns);
    }
    buttonRow->addLayout(buttons);

    // The dialog grows by what the rearranged rows add, so that the list keeps its height.
    resize(width(), height() + qMax(0, grid->sizeHint().height() - heightBefore));

    setTabOrder(findChild<QListView*>(QStringLiteral("listView")), m_pFolderEdit);
    setTabOrder(m_pFolderEdit, typeCombo);
    setTabOrder(typeCombo, okButton);
    setTabOrder(okButton, cancelButton);
}

void CSelectFolderDialog::OnFolderChange(const QString& folder) {
    m_strCurrentFolder = ToBytes(folder);
    // Replaces whatever the user typed: the field always starts from the folder shown.
    m_pFolderEdit->setText(folder);
}

std::string CSelectFolderDialog::ShownFolder() const {
    return ToBytes(m_pModel->rootPath());
}

void CSelectFolderDialog::accept() {
    const FolderOkServices services{PathExists,
                                    [](const std::string& path) { MakeDirectoryPath(path); },
                                    [this](const std::string& text, unsigned type) {
                                        return AppMessageBox(this, FromBytes(text), type);
                                    }};
    const std::string typed =
        ExpandHomeFolder(ToBytes(m_pFolderEdit->text()), ToBytes(QDir::homePath()));
    const std::optional<std::string> folder = RunFolderOkStep(typed, ShownFolder(), services);
    if (folder) {
        SetSelectedPath(*folder);
        QDialog::accept();
    }
}

void CSelectFolderDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    m_pFolderEdit->setFocus();
}

int CSelectFolderDialog::DoModal() {
    const int result = exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    // Only reached if something ended the dialog with OK around the OK step.
    if (result == IDOK && m_strSelectedPath.empty() && !m_strCurrentFolder.empty()) {
        m_strSelectedPath = m_strCurrentFolder == "/" ? "/" : m_strCurrentFolder + '/';
    }
    m_strCurrentFolder.clear();
    return result;
}

}  // namespace tolvane
