#pragma once

#include <QLabel>
#include <QObject>

#include <functional>
#include <optional>

class AccentText;
class QComboBox;
class QDateEdit;
class QListWidget;
class FormControls;

// Characters used against a long field's limit, such as "123/450", in a
// warning colour from the limit on. It keeps the width of a four-digit count,
// so that typing never moves the layout around it.
class LengthCounter : public QLabel
{
    Q_OBJECT

public:
    // fieldName is how a screen reader names the field, e.g. "Keywords".
    LengthCounter(const QString &fieldName, int limit, QWidget *parent = nullptr);

    int limit() const { return m_limit; }
    void setCount(qsizetype count);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Readable on the palette's window colour, light or dark.
    static QColor warningColor(const QPalette &palette);

private:
    const QString m_fieldName;
    const int m_limit;
    AccentText *const m_warning;
};

// Attaches to the main window's controls and tells the author what download
// sites will refuse while the form is filled in: each field gets a tooltip
// saying what belongs there, a field whose value breaks a rule shows a
// warning icon (the hint is its tooltip and the field's accessible
// description), an empty program type says in its place that sites require
// one, as does a release date the file did not give, and the counters of
// Keywords and the description follow their texts. Typed and imported values
// are treated alike, since both change the controls' text. Nothing here stops
// the author.
class QIcon;

class FieldHints : public QObject
{
    Q_OBJECT

public:
    FieldHints(QWidget *window, const FormControls &controls);

private:
    void followDescription(const FormControls &controls, const QIcon &icon);
    void followReleaseDate(const FormControls &controls, const QIcon &icon);
    void followProgramType(const FormControls &controls);
};

class QLineEdit;
class QPlainTextEdit;

// The hint of a value, or nullopt when it keeps the rule.
using HintRule = std::function<std::optional<QString>(const QString &)>;

// Gives edit the warning icon of the window's fields: inside the edit, shown
// while its text breaks rule, with the hint as its tooltip and as the edit's
// accessible description. Returns the icon's action, named after the edit
// with "Hint" appended.
QAction *followRule(QLineEdit *edit, const HintRule &rule);
// The same for a multi-line edit, whose icon is a label the caller lays out;
// counter, when given, follows the text's length.
QLabel *followRule(QPlainTextEdit *edit, const HintRule &rule, LengthCounter *counter);
