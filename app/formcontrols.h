#pragma once

#include "padform.h"

#include <QStringList>

#include <memory>
#include <vector>

class CalendarDateEdit;
class DescriptionEdit;
class LengthCounter;
class QComboBox;
class QLineEdit;
class QListWidget;
class QWidget;

// The window's control of one field of the form, made, named and sized from
// the form's table as the field's kind makes it, and reading, showing and
// clearing the field's value as that kind does.
class FieldControl
{
public:
    explicit FieldControl(const Pad::FormField &field)
        : m_field(field)
    {
    }
    virtual ~FieldControl() = default;
    FieldControl(const FieldControl &) = delete;
    FieldControl &operator=(const FieldControl &) = delete;

    const Pad::FormField &field() const { return m_field; }
    virtual QWidget *widget() const = 0;
    // Puts the control's value into values.
    virtual void readInto(Pad::PadValues &values) const = 0;
    // Sets the control to the field's value of an import, uncut by typing
    // limits; returns what the control could not show, one line each.
    virtual QStringList setValues(const Pad::PadValues &values) = 0;
    // What Clear All does to the field: texts and ticks empty, the program
    // type and the release date stay.
    virtual void clear() {}

private:
    const Pad::FormField &m_field;
};

// The sixteen controls of the form, in the table's order, children of the
// parent given, which lays them out; and the counters of the fields that
// stop typing at a limit.
class FormControls
{
public:
    explicit FormControls(QWidget *parent);
    ~FormControls();

    QWidget *widget(const Pad::FormField &field) const;
    QWidget *widget(Pad::TextField field) const;
    // The counter of a field with a typing limit, or nullptr.
    LengthCounter *counter(const Pad::FormField &field) const;

    QLineEdit *lineEdit(Pad::TextField field) const;
    DescriptionEdit *description() const;
    CalendarDateEdit *releaseDate() const;
    QComboBox *programType() const;
    QListWidget *osSupport() const;

    // The form as one record, read from the controls at this moment.
    Pad::PadValues values() const;
    // Takes over an import's values; returns what could not be shown.
    QStringList setValues(const Pad::PadValues &values) const;
    void clear() const;

private:
    FieldControl &control(const Pad::FormField &field) const;

    std::vector<std::unique_ptr<FieldControl>> m_controls;
    std::vector<LengthCounter *> m_counters; // by the field's place in the table
};
