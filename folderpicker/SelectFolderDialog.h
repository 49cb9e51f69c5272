#pragma once

#include <QFileDialog>
#include <string>

class QFileSystemModel;
class QLineEdit;

namespace tolvane {

// Deprecated with the constructor that takes flags: an open-dialog flag that changes nothing.
inline constexpr unsigned OFN_HIDEREADONLY = 0x4;

// A file dialog turned into a folder picker. The file-name field gives way to a folder field
// ("Current Folder:") that follows every folder the dialog shows and may be typed into. OK
// and Enter check that text, offer to create a missing folder, and end the dialog with the
// folder, which GetSelectedPath() then returns with exactly one trailing '/'. A typed "~" or
// "~/..." starts at the user's home folder.
// Paths are the file system's bytes; they become text only on the screen.
class CSelectFolderDialog : public QFileDialog {
    Q_OBJECT
  public:
    // showFiles false lists folders only. filter is in the framework's form
    // ("All Files(*.*)|*.*||") and may be null; with files shown and a filter the file-type
    // row stays, otherwise it is hidden. An empty initialFolder opens the dialog at "/".
    CSelectFolderDialog(bool showFiles, const std::string& initialFolder, const char* filter,
                        QWidget* parent);
    // Deprecated: the flags change nothing. Kept until the main window uses the one above.
    CSelectFolderDialog(bool showFiles, const std::string& initialFolder, unsigned /*flags*/,
                        const char* filter, QWidget* parent)
        : CSelectFolderDialog(showFiles, initialFolder, filter, parent) {}

    // Runs the dialog modally; returns IDOK or IDCANCEL.
    int DoModal();
    std::string GetSelectedPath() const { return m_strSelectedPath; }
    void SetSelectedPath(const std::string& path) { m_strSelectedPath = path; }

  public slots:
    // The OK button, Enter and a double-clicked file all arrive here. It runs the OK step
    // and ends the dialog only with a folder the step accepted; the file dialog's own
    // acceptance never runs.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnInitDone(const std::string& initialFolder, bool showFileTypes);
    void OnFolderChange(const QString& folder);
    std::string ShownFolder() const;

    bool m_bShowFiles;
    std::string m_strSelectedPath;       // the accepted folder, ending in '/'
    std::string m_strCurrentFolder;      // the folder shown, "" for a place without a path
    QLineEdit* m_pFolderEdit = nullptr;  // a child of the dialog, deleted with it
    QString m_strTitle;
    QFileSystemModel* m_pModel = nullptr;  // the file dialog's own model
};

}  // namespace tolvane
