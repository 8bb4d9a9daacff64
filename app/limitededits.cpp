#include "limitededits.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextBlock>

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
    // toPlainText() turns no-break spaces into blanks; the raw text keeps
    // them and marks block ends with the paragraph separator.
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw;
}

qsizetype DescriptionEdit::room() const
{
    const qsizetype length = document()->characterCount() - 1;
    const qsizetype selected = textCursor().selectionEnd() - textCursor().selectionStart();
    return std::max<qsizetype>(m_typingLimit, length) - (length - selected);
}

void DescriptionEdit::insertWithinLimit(const QString &text)
{
    const qsizetype allowed = std::max<qsizetype>(room(), 0);
    if (allowed == 0 && !text.isEmpty())
        return;
    insertPlainText(text.left(allowed));
}

void DescriptionEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    const QString typed = event->text();
    const bool insertsText = !typed.isEmpty() && typed.at(0).isPrint()
                             && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (insertsText && typed.size() > room()) {
        insertWithinLimit(typed);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DescriptionEdit::insertFromMimeData(const QMimeData *source)
{
    if (source->hasText())
        insertWithinLimit(source->text());
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
