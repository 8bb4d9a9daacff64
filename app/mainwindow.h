#pragma once

#include "addressfetch.h"
#include "exportplan.h"
#include "filedialogs.h"
#include "formcontrols.h"
#include "padform.h"
#include "padsession.h"

#include <QMainWindow>

#include <array>
#include <optional>

class AboutDialog;
class AddressImport;
class OnlineCheckWindow;
class MessageBar;
class QAction;
class QLabel;
class QPushButton;
class RecentFiles;

// The one window: its sixteen controls are the form, laid out from the
// form's table, and the file it came from is held in one session.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    // The form as one record, read from the controls at this moment.
    Pad::PadValues gatherValues() const { return m_controls.values(); }
    // The form's values when they pass Generate's checks; otherwise the first
    // problem is shown and focused.
    std::optional<Pad::PadValues> checkedValues();
    // Takes over an import: texts, type, ticks (replacing the old ones) and
    // the date, which reads "not in the file" when the import found none.
    // Returns what the window could not take over, one line each.
    QStringList applyImport(const Pad::PadImport &imported) { return m_controls.setValues(imported.values); }

    AboutDialog *aboutDialog() const { return m_aboutDialog; }
    // The bar above the form that holds an import's notes.
    MessageBar *messageBar() const { return m_messageBar; }

    // Imports the PAD file at path as File, Import PAD File does after its dialog.
    void importFile(const QString &path);
    // The file that File, Update PAD File writes; empty while the form did
    // not come from a file.
    QString updateTarget() const { return m_session.path(); }
    // Fills in the size of the file at path as the File Size button does.
    void fillFileSize(const QString &path);

    // The fields the window does not show, as the More PAD Fields dialog
    // last left them.
    const Pad::OtherFields &otherFields() const { return m_session.otherFields(); }

    // How Check Online and Import from Address fetch: the desktop's proxy
    // and the system's certificates unless tests say otherwise.
    void setFetchSettings(const Online::FetchSettings &settings) { m_fetchSettings = settings; }
    // The window of the last Check Online, or nullptr before the first.
    OnlineCheckWindow *onlineCheckWindow() const { return m_onlineCheck; }

public slots:
    void generatePadFile();
    void importPadFile();
    void clearForm();
    void updatePadFile();
    void chooseFileForSize();
    void showAbout();
    void editMoreFields();
    void importFromAddress();
    void checkOnline();
    // File, Export: the catalog's dialog, on the form and the other fields.
    void exportTo(Export::Catalog catalog);
    // Puts the cursor in the field at path: in the form, or in More PAD Fields.
    void showField(const QString &path);

private:
    // The form laid out from its table, the message bar above it, the buttons below.
    void createForm();
    void createActions();
    void createStatusBar();
    void chainTabOrder();
    void openRecentFile(const QString &path);
    void openMoreFields(const QString &focusPath);
    void takeImport(const Pad::PadDocument &document, const QString &path);

    // What an import could not take over, and what of the file the form does
    // not show, in the bar above the form; no box, since nothing failed.
    void showImportNotes(const QStringList &notes, bool valuesOnlyInMoreFields);
    // Whether Generate goes on: a form imported from a file that holds values
    // Generate would leave out asks, once, whether to update that file instead.
    bool generateMayLeaveOut();
    void reportProblem(const Pad::FieldProblem &problem);
    void showError(const QString &text);
    bool confirmReplace(const QString &path);
    // Shows which file Update writes, if any.
    void showUpdateTarget();

    // Holds the window's file for one action, from its start to its end,
    // through its questions and dialogs: an import from an address that
    // lands meanwhile waits until the last hold ends, and never replaces the
    // file under the action.
    class FileHold
    {
    public:
        explicit FileHold(MainWindow *window);
        ~FileHold();
        FileHold(const FileHold &) = delete;
        FileHold &operator=(const FileHold &) = delete;

    private:
        MainWindow *const m_window;
    };
    void takeAddressImport(const QString &address, const Pad::PadDocument &document);

    QList<QWidget *> m_tabOrder; // of the form's fields
    const FormControls m_controls;

    QPushButton *const m_fileSizeButton;
    QPushButton *const m_clearButton;
    QPushButton *const m_importButton;
    QPushButton *const m_generateButton;
    MessageBar *const m_messageBar;

    FileDialogs m_fileDialogs;

    // The file the form came from, and the author's values of the fields the
    // window does not show.
    Pad::PadSession m_session;
    QAction *const m_updateAction;
    QLabel *const m_updateTargetLabel;
    // Whether Generate still has to say what it would leave out.
    bool m_askBeforeGenerate = false;

    Online::FetchSettings m_fetchSettings;
    AddressImport *const m_addressImport;
    OnlineCheckWindow *m_onlineCheck = nullptr;
    int m_fileHolds = 0;
    // An import from an address that landed while the file was held: the address and the document.
    std::optional<std::pair<QString, Pad::PadDocument>> m_waitingImport;

    RecentFiles *const m_recentFiles;
    AboutDialog *m_aboutDialog = nullptr;
};
