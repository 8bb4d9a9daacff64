#pragma once

#include <QPlainTextEdit>

class QLineEdit;

// A memo whose typing and pasting stop at a character limit and in which
// Enter inserts no line break. Text set by the program is never cut, and
// once such text exceeds the limit the user can shorten it but not grow it.
class DescriptionEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DescriptionEdit(int typingLimit, QWidget *parent = nullptr);

    int typingLimit() const { return m_typingLimit; }
    // The text exactly as held: no-break spaces stay, line breaks are "\n".
    QString text() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    qsizetype room() const;
    void insertWithinLimit(const QString &text);

    const int m_typingLimit;
};

// Gives a line edit the same rule: typing and pasting stop at typingLimit,
// while longer text placed through setText() stays whole.
void limitTyping(QLineEdit *edit, int typingLimit);
// Sets text on any line edit without cutting it to the edit's length limit.
void setTextUncut(QLineEdit *edit, const QString &text);
