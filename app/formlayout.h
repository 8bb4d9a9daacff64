#pragma once

#include <QList>

#include <array>

class FormControls;
class QGroupBox;
class QLabel;
class QLayout;
class QPushButton;
class QString;
class QWidget;

// The form's four groups, each field laid out in the cell the form's table
// gives it with its caption beside it, and the order in which Tab passes
// through them.
struct FormLayout
{
    std::array<QGroupBox *, 4> groups{}; // in the order of Pad::FormGroup
    // The groups arranged as the window shows them: company and program side
    // by side, the others below.
    QLayout *arranged = nullptr;
    QList<QWidget *> tabOrder; // the fields group by group, each group's buttons last
};

// Lays out the controls; fileSizeButton stands where the file size's label would.
FormLayout layOutForm(const FormControls &controls, QPushButton *fileSizeButton);

// A caption beside the control it names, right-aligned as in a form; an
// optional field's caption in the accent colour.
QLabel *makeFormLabel(const QString &name, const QString &caption, QWidget *buddy = nullptr,
                      bool optional = false);

// What the captions' colours mean: black for required fields, blue for optional ones.
QLayout *makeLegend();
