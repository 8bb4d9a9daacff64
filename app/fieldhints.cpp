#include "fieldhints.h"

#include "accentcolor.h"
#include "limitededits.h"
#include "padrules.h"
#include "calendardateedit.h"
#include "formcontrols.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>

#include <optional>

using Pad::TextField;

namespace {

// Shows or hides a field's warning icon (a line edit's action or a label).
template <typename Icon>
void showHint(QWidget *field, Icon *icon, const std::optional<QString> &hint)
{
    if (icon) {
        icon->setToolTip(hint.value_or(QString()));
        icon->setVisible(hint.has_value());
    }
    // Without a description of its own, a field is described by its tooltip.
    field->setAccessibleDescription(hint.value_or(QString()));
}

QAction *addWarningAction(QLineEdit *edit, const QIcon &icon, const QString &name)
{
    QAction *warning = edit->addAction(icon, QLineEdit::TrailingPosition);
    warning->setObjectName(name + QStringLiteral("Hint"));
    warning->setText(FieldHints::tr("Warning"));
    warning->setVisible(false);
    return warning;
}

// The OS list shows a few of its entries at a time: its tooltip and
// description name the ticked ones, wherever they are.
void followTickedSystems(QListWidget *osSupport, QObject *context)
{
    const auto update = [osSupport] {
        QStringList ticked;
        for (int row = 0; row < osSupport->count(); ++row) {
            if (osSupport->item(row)->checkState() == Qt::Checked)
                ticked << osSupport->item(row)->text();
        }
        const QString said = ticked.isEmpty()
                                 ? FieldHints::tr("Nothing is ticked.")
                                 : FieldHints::tr("Ticked: %1.").arg(ticked.join(QStringLiteral(", ")));
        osSupport->setToolTip(Pad::formField(Pad::FieldKind::OsSupport).tip + u'\n' + said);
        osSupport->setAccessibleDescription(said);
    };
    QObject::connect(osSupport, &QListWidget::itemChanged, context, update);
    update();
}

} // namespace

LengthCounter::LengthCounter(const QString &fieldName, int limit, QWidget *parent)
    : QLabel(parent)
    , m_fieldName(fieldName)
    , m_limit(limit)
    , m_warning(new AccentText(this, AccentColor::Accent::Warning, false))
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccessibleName(tr("%1 length").arg(fieldName));
    setCount(0);
}

void LengthCounter::setCount(qsizetype count)
{
    setText(QStringLiteral("%1/%2").arg(count).arg(m_limit));
    QString used = tr("%1 of %2 characters used").arg(count).arg(m_limit);
    if (count == m_limit)
        used = tr("%1: the limit").arg(used);
    else if (count > m_limit)
        used = tr("%1: %2 over the limit").arg(used).arg(count - m_limit);
    setAccessibleDescription(used);

    m_warning->setActive(count >= m_limit);
}

QSize LengthCounter::sizeHint() const
{
    QSize size = QLabel::sizeHint();
    const QMargins margins = contentsMargins();
    const int widest = fontMetrics().horizontalAdvance(QStringLiteral("0000/%1").arg(m_limit))
                       + margins.left() + margins.right() + 2 * margin();
    size.setWidth(std::max(size.width(), widest));
    return size;
}

QSize LengthCounter::minimumSizeHint() const
{
    return QLabel::minimumSizeHint().expandedTo(QSize(sizeHint().width(), 0));
}

QColor LengthCounter::warningColor(const QPalette &palette)
{
    return AccentColor::on(AccentColor::Accent::Warning, palette.color(QPalette::Window));
}

FieldHints::FieldHints(QWidget *window, const FormControls &controls)
    : QObject(window)
{
    setObjectName(QStringLiteral("fieldHints"));
    const QIcon icon = window->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, window);

    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        QLineEdit *edit = controls.lineEdit(field);
        if (!edit)
            continue; // the description, below
        edit->setToolTip(Pad::formField(field).tip);
        followRule(edit, [field](const QString &text) { return Pad::ruleHint(field, text); });
    }

    followDescription(controls, icon);
    QLineEdit *keywords = controls.lineEdit(TextField::Keywords);
    LengthCounter *keywordsCounter = controls.counter(Pad::formField(TextField::Keywords));
    connect(keywords, &QLineEdit::textChanged, keywordsCounter,
            [keywordsCounter](const QString &text) { keywordsCounter->setCount(text.size()); });
    keywordsCounter->setCount(keywords->text().size());

    followReleaseDate(controls, icon);
    followProgramType(controls);
    followTickedSystems(controls.osSupport(), this);
}

void FieldHints::followDescription(const FormControls &controls, const QIcon &icon)
{
    // The memo has no room for an icon among its text, but its horizontal
    // scroll bar, always shown, gives up its right end to one.
    DescriptionEdit *description = controls.description();
    LengthCounter *descriptionCounter = controls.counter(Pad::formField(TextField::Char_Desc_450));
    description->setToolTip(Pad::formField(TextField::Char_Desc_450).tip);
    auto *descriptionWarning = new QLabel;
    descriptionWarning->setObjectName(description->objectName() + QStringLiteral("Hint"));
    descriptionWarning->setAccessibleName(tr("Warning"));
    const int extent = description->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                         description);
    descriptionWarning->setPixmap(icon.pixmap(QSize(extent, extent)));
    descriptionWarning->setAlignment(Qt::AlignCenter);
    descriptionWarning->setFixedSize(extent + 4, extent);
    descriptionWarning->hide();
    description->addScrollBarWidget(descriptionWarning, Qt::AlignRight);
    const auto updateDescription = [description, descriptionWarning, descriptionCounter] {
        const QString text = description->text();
        showHint(description, descriptionWarning, Pad::ruleHint(TextField::Char_Desc_450, text));
        descriptionCounter->setCount(text.size());
    };
    connect(description, &QPlainTextEdit::textChanged, this, updateDescription);
    updateDescription();

}

void FieldHints::followReleaseDate(const FormControls &controls, const QIcon &icon)
{
    // The date's own line edit carries the icon, inside the field like the
    // others. A date edit has exactly one, though only its subclasses may ask
    // for it; should a style ever build it otherwise, the hint still reaches
    // the field's accessible description.
    CalendarDateEdit *releaseDate = controls.releaseDate();
    auto *dateText = releaseDate->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    QAction *dateWarning =
        dateText ? addWarningAction(dateText, icon, releaseDate->objectName()) : nullptr;
    // Without a date, the field says so in its place; its tooltip says why one is needed.
    const auto updateDate = [releaseDate, dateWarning] {
        const QString tip = Pad::formField(Pad::FieldKind::ReleaseDate).tip;
        if (!releaseDate->hasDate()) {
            const QString needed = tr("Download sites require a release date: choose the day this version "
                                      "was released.");
            releaseDate->setToolTip(needed);
            showHint(releaseDate, static_cast<QAction *>(nullptr), needed);
            if (dateWarning)
                dateWarning->setVisible(false);
            return;
        }
        releaseDate->setToolTip(tip);
        showHint(releaseDate, dateWarning, Pad::releaseDateHint(releaseDate->date()));
    };
    connect(releaseDate, &QDateEdit::dateChanged, this, updateDate);
    updateDate();

}

void FieldHints::followProgramType(const FormControls &controls)
{
    // The list holds no choice only after an import of a type it lacks, or of
    // none; Generate then writes the empty type the field shows.
    QComboBox *programType = controls.programType();
    programType->setPlaceholderText(tr("Not in the list: choose one"));
    const auto updateType = [programType] {
        const std::optional<QString> hint = Pad::programTypeHint(
            programType->currentIndex() < 0 ? QString() : programType->currentText());
        programType->setToolTip(hint.value_or(Pad::formField(Pad::FieldKind::ProgramType).tip));
        showHint(programType, static_cast<QAction *>(nullptr), hint);
    };
    connect(programType, &QComboBox::currentIndexChanged, this, updateType);
    updateType();
}

QAction *followRule(QLineEdit *edit, const HintRule &rule)
{
    const QIcon icon = edit->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, edit);
    QAction *warning = addWarningAction(edit, icon, edit->objectName());
    const auto update = [edit, warning, rule](const QString &text) {
        showHint(edit, warning, rule(text));
    };
    QObject::connect(edit, &QLineEdit::textChanged, warning, update);
    update(edit->text());
    return warning;
}

QLabel *followRule(QPlainTextEdit *edit, const HintRule &rule, LengthCounter *counter)
{
    const QIcon icon = edit->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, edit);
    auto *warning = new QLabel;
    warning->setObjectName(edit->objectName() + QStringLiteral("Hint"));
    warning->setAccessibleName(FieldHints::tr("Warning"));
    const int extent = edit->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, edit);
    warning->setPixmap(icon.pixmap(QSize(extent, extent)));
    warning->setFixedSize(extent + 4, extent);
    // Hidden, it still keeps its place, so the counter beside it never moves.
    QSizePolicy keepPlace = warning->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    warning->setSizePolicy(keepPlace);
    warning->hide();
    const auto update = [edit, warning, counter, rule] {
        const QString text = exactText(edit);
        showHint(edit, warning, rule(text));
        if (counter)
            counter->setCount(text.size());
    };
    QObject::connect(edit, &QPlainTextEdit::textChanged, warning, update);
    update();
    return warning;
}
