#pragma once

#include "installerfacts.h"
#include "padfields.h"
#include "padform.h"
#include "padrules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace Export {

// The catalogs that a PAD file is exported to.
enum class Catalog { Winget, AppStream };
// "winget" or "appstream", as the command line names it.
QString catalogName(Catalog catalog);
// The catalog's name for people: "winget manifest", "AppStream metainfo".
QString catalogTitle(Catalog catalog);
std::optional<Catalog> catalogNamed(const QString &name);

// What the author is asked for where the PAD file and the installer say
// nothing, remembered per program so that the next release asks nothing.
enum class Question {
    Identifier,         // winget's PackageIdentifier
    License,            // winget's License, AppStream's project_license
    Silent,             // a plain exe's switches for a silent install
    SilentWithProgress, // and for one that shows its progress
    Architecture,       // where the installer's bytes do not say
    AppStreamId,        // the AppStream component id
};
inline constexpr int QuestionCount = 6;

// The name a question has on the command line and in the settings: "id",
// "license", "silent", "silent-progress", "architecture", "appstream-id".
QString questionName(Question question);
// How messages name it: "Package identifier", ...
QString questionTitle(Question question);
// The same with the window's mnemonic: "Package &identifier".
QString questionLabel(Question question);
// The questions that the catalog's export asks.
QList<Question> questionsOf(Catalog catalog);

// The author's answers, empty where none was given.
struct Answers
{
    std::array<QString, QuestionCount> texts;
    QString &operator[](Question question) { return texts[std::size_t(question)]; }
    const QString &operator[](Question question) const { return texts[std::size_t(question)]; }
    bool operator==(const Answers &) const = default;
};

// What an export reads: the form's values and the session's values of every
// other field of the PAD format, More PAD Fields included.
struct ExportSource
{
    Pad::PadValues form;
    Pad::OtherFields other;

    // The value at a path below XML_DIZ_INFO, wherever it is held: a field of
    // the form as the form shows it (a date as YYYY-MM-DD), any other as the
    // file or the author set it.
    QString value(const QString &path) const;
    // Where the answers are remembered for this program: its PAD file's
    // address, or its name when it has none.
    QString programKey() const;
};

// Where a value of the export comes from.
enum class Origin {
    PadField,  // a field of the PAD file, padPath says which
    Installer, // the installer's bytes
    Answer,    // the author's answer
    Fixed,     // the export's own (the manifest's version, the locale, ...)
};

// One value that the export writes, or would write when given.
struct ExportValue
{
    QString key;      // as the file names it: "PackageIdentifier", "Installers/InstallerSha256", "summary"
    QString text;     // as it is written; a list's items separated by ", "
    QStringList items; // a list's items (Tags, keywords)
    Origin origin = Origin::Fixed;
    QString padPath;  // for Origin::PadField: the path of the field it is taken from
    // The question whose answer gives or replaces it.
    std::optional<Question> question;
    bool required = false;
    QString offer;    // an answer that would fit, proposed to the author ("LicenseRef-proprietary")
    bool isMissing() const { return text.isEmpty() && items.isEmpty(); }
};

// What the export says about a value: an error keeps anything from being
// written, a warning says that a value was cut, mended or left out, and a
// note is for the author's information.
struct ExportNote
{
    Pad::Severity severity;
    QString key; // the value's key, or empty for the export as a whole
    QString message;
    // The question whose answer would settle it, when one would.
    std::optional<Question> question = std::nullopt;
    bool operator==(const ExportNote &) const = default;
};

// One file of the export, its path relative to the folder written into.
struct ExportFile
{
    QString relativePath;
    QByteArray bytes;
};

// The exit status of an export, on the command line as in its results.
enum ExportStatus {
    ExportWritten = 0,             // written, nothing to say
    ExportWrittenWithWarnings = 1, // written, with warnings
    ExportRefused = 2,             // nothing written
};

// An export made but not yet written: its values with their origins, what
// it says about them, and the files, unless an error stops it.
struct ExportPlan
{
    Catalog catalog = Catalog::Winget;
    QList<ExportValue> values;
    QList<ExportNote> notes;
    QList<ExportFile> files; // none when an error stops the export

    bool isRefused() const;
    ExportStatus status() const;
    const ExportValue *value(const QString &key) const;
    void note(Pad::Severity severity, const QString &key, const QString &message,
              std::optional<Question> question = std::nullopt);
};

// Maps a PAD file, the installer's facts when read, and the author's
// answers to one catalog's files.
ExportPlan planExport(Catalog catalog, const ExportSource &source, const Answers &answers,
                      const std::optional<InstallerFacts> &installer);
ExportPlan planWinget(const ExportSource &source, const Answers &answers,
                      const std::optional<InstallerFacts> &installer);
ExportPlan planAppStream(const ExportSource &source, const Answers &answers);

// The identifier and AppStream id the PAD file makes without an answer.
QString derivedIdentifier(const ExportSource &source);
QString derivedAppStreamId(const ExportSource &source);

// Writes the plan's files below folder, making the folders they need: every
// file whole or none (a file that cannot be written leaves the others as
// they were). The paths written, or nullopt with the reason.
std::optional<QStringList> writeExport(const ExportPlan &plan, const QString &folder, QString *reason);

// One line per note, "FILE: severity: key: message", as --check prints problems.
QStringList noteLines(const QString &file, const ExportPlan &plan);

} // namespace Export
