#include "fieldhints.h"

#include "limitededits.h"
#include "padrules.h"

#include <QAction>
#include <QDateEdit>
#include <QLineEdit>
#include <QStyle>

#include <optional>

using Pad::PickedField;
using Pad::TextField;

namespace {

template <typename T>
T *findControl(const QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name);
    Q_ASSERT_X(found, "FieldHints", qPrintable(name));
    return found;
}

// Shows or hides a field's warning icon (a line edit's action or a label).
template <typename Icon>
void showHint(QWidget *field, Icon *icon, const std::optional<QString> &hint)
{
    icon->setToolTip(hint.value_or(QString()));
    icon->setVisible(hint.has_value());
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

} // namespace

LengthCounter::LengthCounter(const QString &fieldName, int limit, QWidget *parent)
    : QLabel(parent)
    , m_fieldName(fieldName)
    , m_limit(limit)
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

    if (count >= m_limit) {
        QPalette warning;
        warning.setColor(QPalette::WindowText, warningColor(palette()));
        setPalette(warning);
    } else {
        // An empty palette resolves nothing, so the label follows its parent again.
        setPalette(QPalette());
    }
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
    return palette.color(QPalette::Window).lightness() < 128 ? QColor(0xff, 0x8a, 0x50)
                                                              : QColor(0xb0, 0x20, 0x00);
}

FieldHints::FieldHints(QWidget *window)
    : QObject(window)
{
    setObjectName(QStringLiteral("FieldHints"));
    const QIcon icon = window->style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, window);

    for (int i = 0; i < Pad::TextFieldCount; ++i) {
        const auto field = static_cast<TextField>(i);
        const QString name = Pad::objectName(field);
        if (field == TextField::Char_Desc_450)
            continue;
        auto *edit = findControl<QLineEdit>(window, name);
        edit->setToolTip(Pad::fieldTip(field));
        QAction *warning = addWarningAction(edit, icon, name);
        const auto update = [edit, warning, field](const QString &text) {
            showHint(edit, warning, Pad::ruleHint(field, text));
        };
        connect(edit, &QLineEdit::textChanged, this, update);
        update(edit->text());
    }

    // The memo has no room for an icon among its text, but its horizontal
    // scroll bar, always shown, gives up its right end to one.
    auto *description = findControl<DescriptionEdit>(window, Pad::objectName(TextField::Char_Desc_450));
    description->setToolTip(Pad::fieldTip(TextField::Char_Desc_450));
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
    auto *descriptionCounter = findControl<LengthCounter>(window, QStringLiteral("DescriptionCounter"));
    const auto updateDescription = [description, descriptionWarning, descriptionCounter] {
        const QString text = description->text();
        showHint(description, descriptionWarning, Pad::ruleHint(TextField::Char_Desc_450, text));
        descriptionCounter->setCount(text.size());
    };
    connect(description, &QPlainTextEdit::textChanged, this, updateDescription);
    updateDescription();

    auto *keywords = findControl<QLineEdit>(window, Pad::objectName(TextField::Keywords));
    auto *keywordsCounter = findControl<LengthCounter>(window, QStringLiteral("KeywordsCounter"));
    connect(keywords, &QLineEdit::textChanged, keywordsCounter,
            [keywordsCounter](const QString &text) { keywordsCounter->setCount(text.size()); });
    keywordsCounter->setCount(keywords->text().size());

    // The date's own line edit carries the icon, inside the field like the others.
    auto *date = findControl<QDateEdit>(window, QStringLiteral("Release_Date"));
    date->setToolTip(Pad::fieldTip(PickedField::Release_Date));
    QAction *dateWarning = addWarningAction(findControl<QLineEdit>(date, QString()), icon,
                                            date->objectName());
    const auto updateDate = [date, dateWarning](QDate value) {
        showHint(date, dateWarning, Pad::releaseDateHint(value));
    };
    connect(date, &QDateEdit::dateChanged, this, updateDate);
    updateDate(date->date());

    findControl<QWidget>(window, QStringLiteral("Program_Type"))
        ->setToolTip(Pad::fieldTip(PickedField::Program_Type));
    findControl<QWidget>(window, QStringLiteral("Program_OS_Support"))
        ->setToolTip(Pad::fieldTip(PickedField::Program_OS_Support));
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
