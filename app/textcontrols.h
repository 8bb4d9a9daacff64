#pragma once

#include "padform.h"

#include <array>

class DescriptionEdit;
class QLineEdit;
class QWidget;

// The controls of the form's thirteen text fields, made and named from the
// form's one table of fields: a line edit for each, except a memo for the
// description. Keywords and the description stop typing at their limits.
// The controls are children of the parent given, which lays them out.
class TextControls
{
public:
    explicit TextControls(QWidget *parent);

    // The field's line edit; null for Char_Desc_450, whose control is description().
    QLineEdit *lineEdit(Pad::TextField field) const;
    DescriptionEdit *description() const { return m_description; }
    QWidget *widget(Pad::TextField field) const;

    QString text(Pad::TextField field) const;
    // Text placed by the program, which a typing limit never cuts.
    void setTextUncut(Pad::TextField field, const QString &text) const;

private:
    std::array<QLineEdit *, Pad::TextFieldCount> m_lineEdits{};
    DescriptionEdit *const m_description;
};
