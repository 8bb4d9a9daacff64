#pragma once

#include "padfields.h"
#include "padform.h"
#include "textcontrols.h"

#include <QMainWindow>

#include <array>
#include <optional>

class DescriptionEdit;
class LengthCounter;
class QAction;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class RecentFiles;
class TFAbout;

namespace Pad {
struct PadImport;
}

// The one window: its sixteen input controls are the document.
class TFMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFMain(QWidget *parent = nullptr);

    // The form as one record, read from the controls at this moment.
    Pad::PadValues gatherValues() const;
    // The form's values when they pass Generate's checks; otherwise the first
    // problem is shown and focused.
    std::optional<Pad::PadValues> checkedValues();
    // Takes over an import: texts, type, ticks (replacing the old ones) and,
    // when the import found one, the date. Returns what the window could not
    // take over, one line each.
    QStringList applyImport(const Pad::PadImport &imported);

    TFAbout *aboutDialog() const { return FAbout; }

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
    void GenerateButtonClick();
    void ImportButtonClick();
    void ClearButtonClick();
    void UpdatePADFile1Click();
    void FileSizeClick();
    void About1Click();
    void MorePADFields1Click();

private:
    void FormCreate();
    void createGroups();
    void createButtonsAndLegend();
    void createActions();
    void openRecentFile(const QString &path);
    void createStatusBar();
    void setTabOrder();

    void reportProblem(const Pad::FieldProblem &problem);
    void showError(const QString &text);
    bool confirmReplace(const QString &path);
    void setUpdateSource(const QString &path, const QByteArray &bytes);
    // Takes the other fields and kept elements from the file's bytes; the
    // author's values too, unless keepAuthorValues.
    void bindOtherFields(const QByteArray &bytes, bool keepAuthorValues);
    enum class FileDialog { FileSize, Save, Import };
    std::optional<QString> runFileDialog(FileDialog which);

    QGroupBox *const CompanyInfo;
    QGroupBox *const ProgramInformation;
    QGroupBox *const OtherInfo;
    QGroupBox *const WebInfo;

    // Made before the named text fields below, which are its controls.
    const TextControls m_texts;
    QLineEdit *const Company_Name;
    QLineEdit *const Company_Website_URL;
    QLineEdit *const Contact_Email;
    QLineEdit *const Program_Name;
    QLineEdit *const Program_Version;
    QDateEdit *const Release_Date;
    QComboBox *const Program_Type;
    QLineEdit *const Program_Cost_Dollars;
    QLineEdit *const File_Size_Bytes;
    QListWidget *const Program_OS_Support;
    QLineEdit *const Keywords;
    DescriptionEdit *const Char_Desc_450;
    QLineEdit *const Application_Info_URL;
    QLineEdit *const Application_XML_File_URL;
    QLineEdit *const Primary_Download_URL;
    QLineEdit *const Application_Screenshot_URL;

    QPushButton *const FileSize;
    QPushButton *const ClearButton;
    QPushButton *const ImportButton;
    QPushButton *const GenerateButton;

    LengthCounter *const m_keywordsCounter;
    LengthCounter *const m_descriptionCounter;

    // The path last chosen in each file dialog, proposed when it opens again.
    std::array<QString, 3> m_lastChosenPaths;

    // The file the form came from and its bytes as last read or written,
    // which tell whether it changed on disk since.
    QString m_updatePath;
    QByteArray m_updateBytes;
    QAction *const UpdatePADFile1;
    QLabel *const m_updateTargetLabel;

    // The fields the window does not show: as the file the form came from
    // holds them, as the author last set them, and the elements the format
    // does not know.
    Pad::OtherFields m_fileFields;
    Pad::OtherFields m_otherFields;
    QList<Pad::PathText> m_keptElements;

    RecentFiles *const m_recentFiles;
    TFAbout *FAbout = nullptr;
};
