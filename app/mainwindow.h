#pragma once

#include "padfields.h"
#include "padform.h"
#include "textcontrols.h"

#include <QMainWindow>

#include <array>
#include <optional>

class AboutDialog;
class LengthCounter;
class QAction;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class RecentFiles;

namespace Pad {
struct PadDocument;
struct PadImport;
}

// The one window: its sixteen input controls are the document.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    // The form as one record, read from the controls at this moment.
    Pad::PadValues gatherValues() const;
    // The form's values when they pass Generate's checks; otherwise the first
    // problem is shown and focused.
    std::optional<Pad::PadValues> checkedValues();
    // Takes over an import: texts, type, ticks (replacing the old ones) and,
    // when the import found one, the date. Returns what the window could not
    // take over, one line each.
    QStringList applyImport(const Pad::PadImport &imported);

    AboutDialog *aboutDialog() const { return m_aboutDialog; }

    // Imports the PAD file at path as File, Import PAD File does after its dialog.
    void importFile(const QString &path);
    // The file that File, Update PAD File writes; empty while the form did
    // not come from a file.
    QString updateTarget() const { return m_updatePath; }
    // Fills in the size of the file at path as the File Size button does.
    void fillFileSize(const QString &path);

    // The fields the window does not show, as the More PAD Fields dialog
    // last left them.
    const Pad::OtherFields &otherFields() const { return m_otherFields; }

public slots:
    void generatePadFile();
    void importPadFile();
    void clearForm();
    void updatePadFile();
    void chooseFileForSize();
    void showAbout();
    void editMoreFields();

private:
    void createGroups();
    void createCompanyGroup();
    void createProgramGroup();
    void createOtherGroup();
    void createWebGroup();
    void createButtonsAndLegend();
    void createActions();
    void openRecentFile(const QString &path);
    void createStatusBar();
    void setTabOrder();

    // What an import could not take over, and what of the file the form does
    // not show, said in the status bar for a while and kept in the notice's
    // tooltip; no box, since nothing failed.
    void showImportNotice(const QStringList &notes);
    // Whether Generate goes on: a form imported from a file that holds values
    // Generate would leave out asks, once, whether to update that file instead.
    bool generateMayLeaveOut();
    void reportProblem(const Pad::FieldProblem &problem);
    void showError(const QString &text);
    bool confirmReplace(const QString &path);
    // The form now stands for the file at path as document reads it: Update
    // writes there and starts from its fields. The author's values of the
    // other fields are taken from it too, unless keepAuthorValues.
    void bindToFile(const QString &path, const Pad::PadDocument &document, bool keepAuthorValues);
    void unbind();
    enum class FileDialog { FileSize, Save, Import };
    std::optional<QString> runFileDialog(FileDialog which);

    QGroupBox *const m_companyGroup;
    QGroupBox *const m_programGroup;
    QGroupBox *const m_otherGroup;
    QGroupBox *const m_webGroup;

    // The controls of the thirteen text fields, made from the form's table.
    const TextControls m_texts;
    QDateEdit *const m_releaseDate;
    QComboBox *const m_programType;
    QListWidget *const m_osSupport;

    QPushButton *const m_fileSizeButton;
    QPushButton *const m_clearButton;
    QPushButton *const m_importButton;
    QPushButton *const m_generateButton;

    LengthCounter *const m_keywordsCounter;
    LengthCounter *const m_descriptionCounter;

    // The path last chosen in each file dialog, proposed when it opens again.
    std::array<QString, 3> m_lastChosenPaths;

    // The file the form came from and its bytes as last read or written,
    // which tell whether it changed on disk since.
    QString m_updatePath;
    QByteArray m_updateBytes;
    QAction *const m_updateAction;
    QLabel *const m_updateTargetLabel;
    QLabel *const m_importNotice;
    // How many values of the imported file Generate would leave out, and
    // whether Generate still has to say so.
    int m_valuesLeftOut = 0;
    bool m_askBeforeGenerate = false;

    // The fields the window does not show: as the file the form came from
    // held them when it was read or written, as the author last set them,
    // and the elements the format does not know.
    Pad::OtherFields m_fileFields;
    Pad::OtherFields m_otherFields;
    QList<Pad::PathText> m_keptElements;

    RecentFiles *const m_recentFiles;
    AboutDialog *m_aboutDialog = nullptr;
};
