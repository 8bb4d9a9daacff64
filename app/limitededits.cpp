#include "limitededits.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

DescriptionEdit::DescriptionEdit(int typingLimit, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_typingLimit(typingLimit)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
}

QString DescriptionEdit::text() const
{
    return exactText(this);
}

void DescriptionEdit::setTextUncut(const QString &text)
{
    setPlainText(text);
}

qsizetype DescriptionEdit::length() const
{
    return document()->characterCount() - 1;
}

// Runs one user edit and cuts what it added beyond the limit, inside the same
// undo step, so that undo and redo never pass through a text over the limit.
// The cut keeps the start of what arrived, as a paste that does not fit would.
template <typename Edit>
void DescriptionEdit::editWithinLimit(Edit &&edit)
{
    const qsizetype bound = std::max<qsizetype>(m_typingLimit, length());
    QTextCursor step(document());
    step.beginEditBlock();
    edit();
    const qsizetype excess = length() - bound;
    if (excess > 0) {
        QTextCursor added = textCursor();
        const int end = added.position();
        added.setPosition(int(std::max<qsizetype>(end - excess, 0)));
        added.setPosition(end, QTextCursor::KeepAnchor);
        added.removeSelectedText();
    }
    step.endEditBlock();
}

void DescriptionEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    // Undo and redo run their own steps; they only return to texts that were
    // within the limit.
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    editWithinLimit([&] { QPlainTextEdit::keyPressEvent(event); });
}

void DescriptionEdit::inputMethodEvent(QInputMethodEvent *event)
{
    editWithinLimit([&] { QPlainTextEdit::inputMethodEvent(event); });
}

void DescriptionEdit::insertFromMimeData(const QMimeData *source)
{
    // Plain text only: the field has no formatting to keep.
    if (source->hasText())
        editWithinLimit([&] { insertPlainText(source->text()); });
}

void limitTyping(QLineEdit *edit, int typingLimit)
{
    edit->setProperty("typingLimit", typingLimit);
    edit->setMaxLength(typingLimit);
    // Shortening an over-long text lowers the bound with it, down to the limit.
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, typingLimit](const QString &text) {
        edit->setMaxLength(std::max<int>(typingLimit, text.size()));
    });
}

void setTextUncut(QLineEdit *edit, const QString &text)
{
    const QVariant limit = edit->property("typingLimit");
    const int floor = limit.isValid() ? limit.toInt() : edit->maxLength();
    edit->setMaxLength(std::max<int>(floor, text.size()));
    edit->setText(text);
}

QString exactText(const QPlainTextEdit *edit)
{
    // toPlainText() turns no-break spaces into blanks; the raw text keeps
    // them and marks block ends with the paragraph separator.
    QString raw = edit->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw;
}
