#include "formlayout.h"

#include "accentcolor.h"
#include "fieldhints.h"
#include "formcontrols.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using Pad::FormField;

namespace {

struct GroupInfo
{
    const char *name;
    const char *title;
};
constexpr std::array<GroupInfo, 4> groupInfo{{
    {"companyGroup", QT_TRANSLATE_NOOP("MainWindow", "Company Information")},
    {"programGroup", QT_TRANSLATE_NOOP("MainWindow", "Program Information")},
    {"otherGroup", ""},
    {"webGroup", QT_TRANSLATE_NOOP("MainWindow", "Web Info")},
}};

// A column of the grid in which no control or label stands alone keeps the
// others apart, taking the width to spare.
void stretchEmptyColumns(QGridLayout *grid)
{
    for (int column = 0; column < grid->columnCount(); ++column) {
        bool used = false;
        for (int i = 0; i < grid->count() && !used; ++i) {
            int row = 0, at = 0, rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(i, &row, &at, &rowSpan, &columnSpan);
            used = at == column && columnSpan == 1;
        }
        if (!used)
            grid->setColumnStretch(column, 1);
    }
}

class Builder
{
public:
    Builder(const FormControls &controls, QPushButton *fileSizeButton)
        : m_controls(controls)
        , m_fileSizeButton(fileSizeButton)
    {
    }

    FormLayout build()
    {
        FormLayout form;
        std::array<QGridLayout *, 4> grids{};
        for (std::size_t i = 0; i < groupInfo.size(); ++i) {
            form.groups[i] = new QGroupBox(QCoreApplication::translate("MainWindow", groupInfo[i].title));
            form.groups[i]->setObjectName(QLatin1String(groupInfo[i].name));
            grids[i] = new QGridLayout(form.groups[i]);
        }
        std::array<QList<QWidget *>, 4> buttons;
        for (const FormField &field : Pad::formFields()) {
            const auto group = std::size_t(field.place.group);
            place(field, grids[group]);
            if (QPushButton *button = buttonFor(field))
                buttons[group] << button;
        }
        for (std::size_t group = 0; group < grids.size(); ++group) {
            stretchEmptyColumns(grids[group]);
            for (const FormField &field : Pad::formFields()) {
                if (std::size_t(field.place.group) == group)
                    form.tabOrder << m_controls.widget(field);
            }
            form.tabOrder << buttons[group];
        }
        auto *top = new QHBoxLayout;
        top->addWidget(form.groups[std::size_t(Pad::FormGroup::Company)]);
        top->addWidget(form.groups[std::size_t(Pad::FormGroup::Program)]);
        auto *column = new QVBoxLayout;
        column->setContentsMargins(0, 0, 0, 0);
        column->addLayout(top);
        column->addWidget(form.groups[std::size_t(Pad::FormGroup::Other)]);
        column->addWidget(form.groups[std::size_t(Pad::FormGroup::Web)]);
        form.arranged = column;
        return form;
    }

private:
    // The button that stands as the field's label, or nullptr: the file size
    // is named by the button that fills it in.
    QPushButton *buttonFor(const FormField &field) const
    {
        const bool fileSize = field.kind == Pad::FieldKind::Text && field.text == Pad::TextField::File_Size_Bytes;
        return fileSize ? m_fileSizeButton : nullptr;
    }

    QWidget *labelFor(const FormField &field) const
    {
        if (QPushButton *button = buttonFor(field)) {
            button->setText(field.caption);
            button->setObjectName(field.name + QStringLiteral("Button"));
            return button;
        }
        QLabel *label = makeFormLabel(field.labelName(), field.caption, m_controls.widget(field), field.optional);
        // Beside a control of several rows, the label stands at its top.
        if (field.place.rowSpan > 1)
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        return label;
    }

    void place(const FormField &field, QGridLayout *grid) const
    {
        const Pad::FormPlace &at = field.place;
        QWidget *control = m_controls.widget(field);
        QWidget *label = labelFor(field);
        LengthCounter *counter = m_controls.counter(field);
        if (!counter) {
            grid->addWidget(label, at.row, at.column - 1);
            grid->addWidget(control, at.row, at.column, at.rowSpan, at.columnSpan);
        } else if (at.lines == 1) {
            // A line's counter follows it on the right, within the line's width.
            counter->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            auto *row = new QHBoxLayout;
            row->addWidget(control);
            row->addWidget(counter);
            grid->addWidget(label, at.row, at.column - 1);
            grid->addLayout(row, at.row, at.column, at.rowSpan, at.columnSpan);
            control->setMinimumWidth(at.width - row->spacing() - counter->sizeHint().width());
        } else {
            // A memo's count hangs right under the limit it counts against,
            // below the label, which leaves the row no taller than the memo.
            auto *labels = new QVBoxLayout;
            labels->addWidget(label);
            auto *limitAndCount = new QVBoxLayout;
            limitAndCount->setSpacing(0);
            limitAndCount->addWidget(
                makeFormLabel(field.name + QStringLiteral("LimitLabel"),
                              QCoreApplication::translate("MainWindow", "(%1 chars.)").arg(field.typingLimit)));
            limitAndCount->addWidget(counter);
            labels->addLayout(limitAndCount);
            labels->addStretch();
            grid->addLayout(labels, at.row, at.column - 1);
            grid->addWidget(control, at.row, at.column, at.rowSpan, at.columnSpan);
        }
    }

    const FormControls &m_controls;
    QPushButton *const m_fileSizeButton;
};

} // namespace

FormLayout layOutForm(const FormControls &controls, QPushButton *fileSizeButton)
{
    return Builder(controls, fileSizeButton).build();
}

QLabel *makeFormLabel(const QString &name, const QString &caption, QWidget *buddy, bool optional)
{
    auto *label = new QLabel(caption);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (buddy)
        label->setBuddy(buddy);
    if (optional)
        new AccentText(label, AccentColor::Accent::Optional);
    return label;
}

QLayout *makeLegend()
{
    auto *legend = new QVBoxLayout;
    legend->setSpacing(2);
    auto *required = new QLabel(QCoreApplication::translate("MainWindow", "Black text : required"));
    required->setObjectName(QStringLiteral("requiredLegend"));
    QLabel *optional = makeFormLabel(QStringLiteral("optionalLegend"),
                                     QCoreApplication::translate("MainWindow", "Blue text : optional"), nullptr, true);
    optional->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    legend->addWidget(required);
    legend->addWidget(optional);
    return legend;
}
