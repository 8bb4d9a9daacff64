#include "formcontrols.h"

#include "calendardateedit.h"
#include "fieldhints.h"
#include "limitededits.h"
#include "padrules.h"
#include "padwriter.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QScrollBar>

using Pad::FieldKind;
using Pad::FormField;
using Pad::PadValues;

namespace {

class LineControl : public FieldControl
{
public:
    LineControl(const FormField &field, QWidget *parent)
        : FieldControl(field)
        , m_edit(new QLineEdit(parent))
    {
        if (field.typingLimit > 0)
            limitTyping(m_edit, field.typingLimit);
    }
    QWidget *widget() const override { return m_edit; }
    QLineEdit *edit() const { return m_edit; }
    void readInto(PadValues &values) const override { values.text(field().text) = m_edit->text(); }
    QStringList setValues(const PadValues &values) override
    {
        setTextUncut(m_edit, values.text(field().text));
        return {};
    }
    void clear() override { setTextUncut(m_edit, QString()); }

private:
    QLineEdit *const m_edit;
};

// A memo as many lines high as the table says, whose horizontal scroll bar is always there.
class MemoControl : public FieldControl
{
public:
    MemoControl(const FormField &field, QWidget *parent)
        : FieldControl(field)
        , m_edit(new DescriptionEdit(field.typingLimit, parent))
    {
        m_edit->setFixedHeight(m_edit->fontMetrics().lineSpacing() * field.place.lines
                               + m_edit->horizontalScrollBar()->sizeHint().height() + 2 * m_edit->frameWidth()
                               + 8);
    }
    QWidget *widget() const override { return m_edit; }
    DescriptionEdit *edit() const { return m_edit; }
    void readInto(PadValues &values) const override { values.text(field().text) = m_edit->text(); }
    QStringList setValues(const PadValues &values) override
    {
        m_edit->setTextUncut(values.text(field().text));
        return {};
    }
    void clear() override { m_edit->setTextUncut(QString()); }

private:
    DescriptionEdit *const m_edit;
};

class DateControl : public FieldControl
{
public:
    DateControl(const FormField &field, QWidget *parent)
        : FieldControl(field)
        , m_edit(new CalendarDateEdit(parent))
    {
        m_edit->setMinimumDate(QDate(100, 1, 1)); // the earliest a date edit can show
        QString format = QLocale().dateFormat(QLocale::ShortFormat);
        if (!format.contains(QLatin1String("yyyy")))
            format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        m_edit->setDisplayFormat(format);
        m_edit->setNoDateText(QCoreApplication::translate("FormControls", "Not in the file: choose a date"));
        m_edit->setDate(QDate::currentDate());
    }
    QWidget *widget() const override { return m_edit; }
    CalendarDateEdit *edit() const { return m_edit; }
    void readInto(PadValues &values) const override { values.releaseDate = m_edit->chosenDate(); }
    QStringList setValues(const PadValues &values) override
    {
        const QDate date = values.releaseDate;
        if (date.isValid() && m_edit->canShow(date)) {
            m_edit->setDate(date);
            return {};
        }
        // A date that the file does not give is the author's to choose, never the last file's.
        m_edit->setNoDate();
        if (!date.isValid())
            return {};
        const Pad::ReleaseDateNumbers numbers = Pad::releaseDateNumbers(date);
        return {QCoreApplication::translate("FormControls", "Release Date: %1 is earlier than the date field can hold")
                    .arg(Pad::quotedValue(QStringLiteral("%1/%2/%3").arg(numbers.month, numbers.day, numbers.year)))};
    }

private:
    CalendarDateEdit *const m_edit;
};

class TypeControl : public FieldControl
{
public:
    TypeControl(const FormField &field, QWidget *parent)
        : FieldControl(field)
        , m_box(new QComboBox(parent))
    {
        m_box->addItems(Pad::ProgramTypeList());
        m_box->setCurrentIndex(0);
    }
    QWidget *widget() const override { return m_box; }
    QComboBox *box() const { return m_box; }
    void readInto(PadValues &values) const override
    {
        values.programType = m_box->currentIndex() >= 0 ? m_box->currentText() : QString();
    }
    QStringList setValues(const PadValues &values) override
    {
        m_box->setCurrentIndex(int(Pad::ProgramTypeList().indexOf(values.programType)));
        return {};
    }

private:
    QComboBox *const m_box;
};

// The OS list, as many entries high as the table says, each entry with a tick.
class TickListControl : public FieldControl
{
public:
    TickListControl(const FormField &field, QWidget *parent)
        : FieldControl(field)
        , m_list(new QListWidget(parent))
    {
        for (const QString &entry : Pad::OsSupportList()) {
            auto *item = new QListWidgetItem(entry, m_list);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        m_list->setFixedHeight(m_list->fontMetrics().height() * field.place.lines);
    }
    QWidget *widget() const override { return m_list; }
    QListWidget *list() const { return m_list; }
    void readInto(PadValues &values) const override
    {
        values.osSupport.clear();
        for (int row = 0; row < m_list->count(); ++row) {
            const QListWidgetItem *item = m_list->item(row);
            if (item->checkState() == Qt::Checked)
                values.osSupport << item->text();
        }
    }
    QStringList setValues(const PadValues &values) override
    {
        QListWidgetItem *firstTicked = nullptr;
        for (int row = 0; row < m_list->count(); ++row) {
            QListWidgetItem *item = m_list->item(row);
            const bool ticked = values.osSupport.contains(item->text());
            item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
            if (ticked && !firstTicked)
                firstTicked = item;
        }
        // The list shows five of its entries: the ticked ones come into sight.
        if (firstTicked)
            m_list->scrollToItem(firstTicked, QAbstractItemView::PositionAtTop);
        else
            m_list->scrollToTop();
        return {};
    }
    void clear() override
    {
        for (int row = 0; row < m_list->count(); ++row)
            m_list->item(row)->setCheckState(Qt::Unchecked);
    }

private:
    QListWidget *const m_list;
};

std::unique_ptr<FieldControl> makeControl(const FormField &field, QWidget *parent)
{
    switch (field.kind) {
    case FieldKind::Text:
        if (field.place.lines > 1)
            return std::make_unique<MemoControl>(field, parent);
        return std::make_unique<LineControl>(field, parent);
    case FieldKind::ReleaseDate:
        return std::make_unique<DateControl>(field, parent);
    case FieldKind::ProgramType:
        return std::make_unique<TypeControl>(field, parent);
    case FieldKind::OsSupport:
        return std::make_unique<TickListControl>(field, parent);
    }
    return nullptr;
}

// How screen readers name a field's counter: "Keywords", "Description".
QString counterFieldName(const FormField &field)
{
    return field.name.first(1).toUpper() + field.name.mid(1);
}

template <typename Control>
Control *find(const std::vector<std::unique_ptr<FieldControl>> &controls)
{
    for (const auto &control : controls) {
        if (auto *found = dynamic_cast<Control *>(control.get()))
            return found;
    }
    return nullptr;
}

} // namespace

FormControls::FormControls(QWidget *parent)
{
    for (const FormField &field : Pad::formFields()) {
        std::unique_ptr<FieldControl> control = makeControl(field, parent);
        QWidget *widget = control->widget();
        widget->setObjectName(field.objectName());
        widget->setMinimumWidth(field.place.width);
        LengthCounter *counter = nullptr;
        if (field.typingLimit > 0) {
            counter = new LengthCounter(counterFieldName(field), field.typingLimit, parent);
            counter->setObjectName(field.name + QStringLiteral("Counter"));
        }
        m_controls.push_back(std::move(control));
        m_counters.push_back(counter);
    }
}

FormControls::~FormControls() = default;

FieldControl &FormControls::control(const FormField &field) const
{
    return *m_controls[std::size_t(&field - Pad::formFields().constData())];
}

QWidget *FormControls::widget(const FormField &field) const
{
    return control(field).widget();
}

QWidget *FormControls::widget(Pad::TextField field) const
{
    return widget(Pad::formField(field));
}

LengthCounter *FormControls::counter(const FormField &field) const
{
    return m_counters[std::size_t(&field - Pad::formFields().constData())];
}

QLineEdit *FormControls::lineEdit(Pad::TextField field) const
{
    const auto *line = dynamic_cast<const LineControl *>(&control(Pad::formField(field)));
    return line ? line->edit() : nullptr;
}

DescriptionEdit *FormControls::description() const
{
    return find<MemoControl>(m_controls)->edit();
}

CalendarDateEdit *FormControls::releaseDate() const
{
    return find<DateControl>(m_controls)->edit();
}

QComboBox *FormControls::programType() const
{
    return find<TypeControl>(m_controls)->box();
}

QListWidget *FormControls::osSupport() const
{
    return find<TickListControl>(m_controls)->list();
}

PadValues FormControls::values() const
{
    PadValues values;
    for (const auto &control : m_controls)
        control->readInto(values);
    return values;
}

QStringList FormControls::setValues(const PadValues &values) const
{
    QStringList notes;
    for (const auto &control : m_controls)
        notes << control->setValues(values);
    return notes;
}

void FormControls::clear() const
{
    for (const auto &control : m_controls)
        control->clear();
}
