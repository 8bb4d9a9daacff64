#pragma once

#include "padfields.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;

// Every field of the PAD format that the main window does not show, one page
// per group of the format, each field with the format's title as its label,
// its element name and rule in the tooltip, and the rule's hint while typing.
// The descriptions have one tab per language, which the author can add from
// the format's list of languages and remove. Elements that the format does
// not know are listed, read-only, on a page of their own, so the author sees
// that they are kept.
class MoreFieldsDialog : public QDialog
{
    Q_OBJECT

public:
    MoreFieldsDialog(const Pad::OtherFields &fields, const QList<Pad::PathText> &kept,
                     QWidget *parent = nullptr);

    // What the editors hold: the fields given, and those the author filled.
    // A field left empty that was not given stays out, so that it keeps
    // whatever the file holds.
    Pad::OtherFields fields() const;

    // The editor of the field at path, or nullptr when the dialog shows none.
    QWidget *editor(const QString &path) const;
    // Shows the page (and the language's tab) of the field at path and puts
    // the cursor in its editor; false when the dialog shows no such field.
    bool focusField(const QString &path);

private:
    struct Editor
    {
        QString path;
        QLineEdit *line = nullptr;
        QPlainTextEdit *memo = nullptr;
        QWidget *widget() const;
    };
    struct Language
    {
        QString name;
        QWidget *page = nullptr;
        std::vector<Editor> editors;
    };

    // Each row: the field of the table whose rule holds, and the path it edits.
    using Rows = QList<std::pair<const Pad::FormatField *, QString>>;
    QWidget *makePage(const Rows &rows, const Pad::OtherFields &values, std::vector<Editor> &editors);
    Editor makeEditor(const Pad::FormatField &field, const QString &path, const QString &value,
                      QWidget **row);
    QWidget *makeDescriptionsPage(const Rows &english, const Pad::OtherFields &values);
    QWidget *makeKeptPage(const QList<Pad::PathText> &kept);
    void addPage(const QString &title, QWidget *page);
    void addLanguage(const QString &name, const Pad::OtherFields &values);
    void addChosenLanguage();
    void removeCurrentLanguage();
    void refreshLanguageChoice();

    QListWidget *const m_pageList;
    QStackedWidget *const m_pages;
    QTabWidget *const m_languageTabs;
    QComboBox *const m_languageChoice;
    QPushButton *const m_addLanguage;
    QPushButton *const m_removeLanguage;

    const Pad::OtherFields m_given;
    std::vector<Editor> m_editors; // the fields of every page but other languages
    std::vector<Language> m_languages;
    QWidget *m_lastEnglishEditor = nullptr;
};
