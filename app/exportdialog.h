#pragma once

#include "addressfetch.h"
#include "exportplan.h"
#include "installersource.h"

#include <QDialog>

#include <array>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// File, Export: every value that one catalog's files will hold, each with
// where it comes from (a field of the PAD file, the installer, or the
// author's answer), the values that are missing marked, and the questions
// that the PAD file leaves open asked above them. For winget it reads the
// installer, with a progress bar and a way to stop, while the dialog stays
// usable. Save writes the files into the folder chosen and lists them; the
// answers are remembered for the program, so the next release asks nothing.
class ExportDialog : public QDialog
{
    Q_OBJECT

public:
    // settings: how the installer is downloaded from the PAD file's address.
    ExportDialog(Export::Catalog catalog, const Export::ExportSource &source,
                 const Online::FetchSettings &settings = {}, QWidget *parent = nullptr);
    ~ExportDialog() override;

    const Export::ExportPlan &plan() const { return m_plan; }
    Export::Answers answers() const;
    // Reads the installer from source (a local file, or a download),
    // stopping a read under way.
    void readInstaller(std::unique_ptr<Export::InstallerSource> source);
    bool isReadingInstaller() const { return m_reading != nullptr; }

    // Where answers and the folder are remembered: the settings group of
    // the program whose PAD file address (or name) is programKey.
    static QString settingsGroup(const QString &programKey);

public slots:
    // Asks for a local installer file and reads it.
    void chooseInstaller();
    // Reads the installer from the PAD file's download address.
    void downloadInstaller();
    void cancelReading();
    // Writes the files into the folder shown and lists their paths.
    void save();
    // Stops a read under way and closes.
    void reject() override;

private:
    QWidget *makeAnswers();
    QWidget *makeInstallerRow();
    QWidget *makeFolderRow();
    void replan();
    void showValues();
    void showNotes();
    void rememberAnswers() const;
    void takeFacts(const Export::InstallerFacts &facts);
    void showReadingFailed(const QString &reason);

    const Export::Catalog m_catalog;
    const Export::ExportSource m_source;
    const Online::FetchSettings m_fetchSettings;
    std::array<QLineEdit *, Export::QuestionCount> m_answerEdits{};
    QTreeWidget *const m_values;
    QPlainTextEdit *const m_notes;
    QLabel *const m_installerLabel;
    QProgressBar *const m_progress;
    QPushButton *const m_readButton;
    QPushButton *const m_downloadButton;
    QPushButton *const m_stopButton;
    QLineEdit *const m_folderEdit;
    QLabel *const m_savedLabel;
    QPushButton *const m_saveButton;
    std::unique_ptr<Export::InstallerSource> m_reading;
    std::optional<Export::InstallerFacts> m_installer;
    Export::ExportPlan m_plan;
};
