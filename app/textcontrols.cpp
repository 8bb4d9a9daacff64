#include "textcontrols.h"

#include "limitededits.h"

#include <QLineEdit>

using Pad::TextField;

TextControls::TextControls(QWidget *parent)
    : m_description(new DescriptionEdit(Pad::DescriptionLimit, parent))
{
    m_description->setObjectName(Pad::objectName(TextField::Char_Desc_450));
    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        if (field == TextField::Char_Desc_450)
            continue;
        auto *edit = new QLineEdit(parent);
        edit->setObjectName(Pad::objectName(field));
        m_lineEdits[i] = edit;
    }
    limitTyping(lineEdit(TextField::Keywords), Pad::KeywordsLimit);
}

QLineEdit *TextControls::lineEdit(TextField field) const
{
    return m_lineEdits[static_cast<int>(field)];
}

QWidget *TextControls::widget(TextField field) const
{
    if (field == TextField::Char_Desc_450)
        return m_description;
    return lineEdit(field);
}

QString TextControls::text(TextField field) const
{
    if (field == TextField::Char_Desc_450)
        return m_description->text();
    return lineEdit(field)->text();
}

void TextControls::setTextUncut(TextField field, const QString &text) const
{
    if (field == TextField::Char_Desc_450)
        m_description->setTextUncut(text);
    else
        ::setTextUncut(lineEdit(field), text);
}
