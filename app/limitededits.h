#pragma once

#include <QPlainTextEdit>

class QLineEdit;

// A memo that holds what the user types (with any modifiers), composes with
// an input method, pastes or drops to a character limit, and in which Enter
// inserts no line break. Undo and redo only return to texts that were within
// the limit. Text set by the program (setTextUncut) is never cut; once such
// text exceeds the limit the user can shorten it but not grow it.
class DescriptionEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DescriptionEdit(int typingLimit, QWidget *parent = nullptr);

    // The text exactly as held: no-break spaces stay, line breaks are "\n".
    QString text() const;
    void setTextUncut(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    qsizetype length() const;
    template <typename Edit>
    void editWithinLimit(Edit &&edit);

    const int m_typingLimit;
};

// Gives a line edit the same rule: every user change stops at typingLimit,
// while longer text placed through setTextUncut() stays whole.
void limitTyping(QLineEdit *edit, int typingLimit);
// Sets text on any line edit without cutting it to the edit's length limit.
void setTextUncut(QLineEdit *edit, const QString &text);

class QPlainTextEdit;
// The text of a memo exactly as held: no-break spaces stay, line breaks are "\n".
QString exactText(const QPlainTextEdit *edit);
