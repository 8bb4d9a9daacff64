#include "morefieldsdialog.h"

#include "fieldhints.h"
#include "limitededits.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

// A title as a label shows it: an ampersand of the format's is no mnemonic.
QString labelText(const QString &title)
{
    QString text = title;
    text.replace(u'&', QStringLiteral("&&"));
    return text;
}

QString tipFor(const Pad::FormatField &field, const QString &path)
{
    const QString element = path.section(u'/', -1);
    return field.rule.isEmpty() ? element : element + u'\n' + field.rule;
}

QScrollArea *scrolling(QWidget *content)
{
    auto *area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    // The fields take the focus; the area follows it to the field.
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidget(content);
    return area;
}

QString descriptionPath(const QString &language, const QString &element)
{
    return QStringLiteral("%1/%2/%3").arg(Pad::DescriptionsPath, language, element);
}

const Pad::FormatField &englishField(const QString &element)
{
    const Pad::FormatField *field = Pad::formatField(descriptionPath(Pad::DefaultLanguage, element));
    Q_ASSERT(field);
    return *field;
}

} // namespace

MoreFieldsDialog::MoreFieldsDialog(const Pad::OtherFields &fields, const QList<Pad::PathText> &kept,
                                   QWidget *parent)
    : QDialog(parent)
    , m_pageList(new QListWidget)
    , m_pages(new QStackedWidget)
    , m_languageTabs(new QTabWidget)
    , m_languageChoice(new QComboBox)
    , m_addLanguage(new QPushButton(tr("&Add Language")))
    , m_removeLanguage(new QPushButton(tr("&Remove Language")))
    , m_given(fields)
{
    setObjectName(QStringLiteral("MoreFieldsDialog"));
    setWindowTitle(tr("More PAD Fields"));
    setSizeGripEnabled(true);

    // The fields of each group, in the table's order.
    std::array<QList<const Pad::FormatField *>, Pad::FieldGroupCount> groups;
    for (const Pad::FormatField &field : Pad::formatFields()) {
        const Pad::FieldGroup group = Pad::fieldGroup(field.path);
        // The PAD file's version block belongs to the program that wrote the file.
        if (!Pad::shownInWindow(field.path) && group != Pad::FieldGroup::PadFile)
            groups[int(group)] << &field;
    }

    m_pageList->setObjectName(QStringLiteral("MoreFieldsPages"));
    m_pageList->setAccessibleName(tr("Groups of fields"));
    for (int i = 0; i < Pad::FieldGroupCount; ++i) {
        const auto group = static_cast<Pad::FieldGroup>(i);
        if (groups[i].isEmpty())
            continue;
        Rows rows;
        for (const Pad::FormatField *field : std::as_const(groups[i]))
            rows.push_back({field, field->path});
        QWidget *page = group == Pad::FieldGroup::Descriptions
                            ? makeDescriptionsPage(rows, fields)
                            : scrolling(makePage(rows, fields, m_editors));
        addPage(Pad::groupTitle(group), page);
    }
    if (!kept.isEmpty())
        addPage(tr("Kept Elements"), makeKeptPage(kept));
    m_pageList->setCurrentRow(0);
    connect(m_pageList, &QListWidget::currentRowChanged, m_pages, &QStackedWidget::setCurrentIndex);
    // As narrow as the longest group's name allows.
    m_pageList->setFixedWidth(m_pageList->sizeHintForColumn(0) + 2 * m_pageList->frameWidth() + 24);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *body = new QHBoxLayout;
    body->addWidget(m_pageList);
    body->addWidget(m_pages, 1);
    auto *column = new QVBoxLayout(this);
    column->addLayout(body, 1);
    column->addWidget(buttons);

    setTabOrder(m_pageList, m_pages);
    resize(760, 520);
}

void MoreFieldsDialog::addPage(const QString &title, QWidget *page)
{
    m_pageList->addItem(title);
    m_pages->addWidget(page);
}

QWidget *MoreFieldsDialog::makePage(const Rows &rows,
                                    const Pad::OtherFields &values, std::vector<Editor> &editors)
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const auto &[field, path] : rows) {
        QWidget *row = nullptr;
        Editor editor = makeEditor(*field, path, values.values.value(path), &row);
        auto *label = new QLabel(labelText(field->title));
        label->setBuddy(editor.widget());
        label->setToolTip(tipFor(*field, path));
        form->addRow(label, row);
        editors.push_back(editor);
    }
    return page;
}

MoreFieldsDialog::Editor MoreFieldsDialog::makeEditor(const Pad::FormatField &field, const QString &path,
                                                      const QString &value, QWidget **row)
{
    Editor editor;
    editor.path = path;
    const HintRule rule = [path](const QString &text) { return Pad::formatRuleHint(path, text); };
    const std::optional<int> limit = Pad::lengthLimit(field);
    // Descriptions are written to a length, so their count is always in sight.
    const bool counted = limit && (Pad::isLongText(field) || Pad::fieldGroup(path) == Pad::FieldGroup::Descriptions);
    LengthCounter *counter = counted ? new LengthCounter(field.title, *limit) : nullptr;
    if (counter) {
        counter->setObjectName(path + QStringLiteral("Counter"));
        // One width for every count, so that the fields of a page end in line.
        counter->setMinimumWidth(counter->fontMetrics().horizontalAdvance(QStringLiteral("00000/00000")));
    }

    if (Pad::isLongText(field)) {
        editor.memo = new QPlainTextEdit;
        editor.memo->setObjectName(path);
        editor.memo->setToolTip(tipFor(field, path));
        editor.memo->setAccessibleName(field.title);
        // Tab moves on, as everywhere in the dialog; the rules refuse tabs anyway.
        editor.memo->setTabChangesFocus(true);
        editor.memo->setPlainText(value);
        editor.memo->setMinimumHeight(editor.memo->fontMetrics().lineSpacing() * 6);
        QLabel *warning = followRule(editor.memo, rule, counter);
        auto *container = new QWidget;
        auto *column = new QVBoxLayout(container);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(editor.memo);
        auto *under = new QHBoxLayout;
        under->addStretch();
        under->addWidget(warning);
        under->addWidget(counter);
        column->addLayout(under);
        *row = container;
        return editor;
    }

    editor.line = new QLineEdit;
    editor.line->setObjectName(path);
    editor.line->setToolTip(tipFor(field, path));
    editor.line->setAccessibleName(field.title);
    setTextUncut(editor.line, value);
    followRule(editor.line, rule);
    if (!counter) {
        *row = editor.line;
        return editor;
    }
    connect(editor.line, &QLineEdit::textChanged, counter,
            [counter](const QString &text) { counter->setCount(text.size()); });
    counter->setCount(value.size());
    auto *container = new QWidget;
    auto *line = new QHBoxLayout(container);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(editor.line, 1);
    line->addWidget(counter);
    *row = container;
    return editor;
}

QWidget *MoreFieldsDialog::makeDescriptionsPage(const Rows &english, const Pad::OtherFields &values)
{
    m_languageTabs->setObjectName(QStringLiteral("LanguageTabs"));
    m_languageTabs->addTab(scrolling(makePage(english, values, m_editors)), Pad::DefaultLanguage);
    m_lastEnglishEditor = m_editors.back().widget();
    for (const QString &language : values.languages)
        addLanguage(language, values);

    m_languageChoice->setObjectName(QStringLiteral("LanguageChoice"));
    m_languageChoice->setAccessibleName(tr("Language to add"));
    m_addLanguage->setObjectName(QStringLiteral("AddLanguage"));
    m_removeLanguage->setObjectName(QStringLiteral("RemoveLanguage"));
    refreshLanguageChoice();
    connect(m_addLanguage, &QPushButton::clicked, this, &MoreFieldsDialog::addChosenLanguage);
    connect(m_removeLanguage, &QPushButton::clicked, this, &MoreFieldsDialog::removeCurrentLanguage);
    const auto followTab = [this](int index) { m_removeLanguage->setEnabled(index > 0); };
    connect(m_languageTabs, &QTabWidget::currentChanged, this, followTab);
    followTab(m_languageTabs->currentIndex());

    auto *choiceLabel = new QLabel(tr("&Language:"));
    choiceLabel->setBuddy(m_languageChoice);
    auto *languageRow = new QHBoxLayout;
    languageRow->addWidget(choiceLabel);
    languageRow->addWidget(m_languageChoice);
    languageRow->addWidget(m_addLanguage);
    languageRow->addStretch();
    languageRow->addWidget(m_removeLanguage);

    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_languageTabs, 1);
    column->addLayout(languageRow);
    return page;
}

void MoreFieldsDialog::addLanguage(const QString &name, const Pad::OtherFields &values)
{
    Language language;
    language.name = name;
    Rows rows;
    for (const QString &element : Pad::descriptionElements())
        rows.push_back({&englishField(element), descriptionPath(name, element)});
    language.page = scrolling(makePage(rows, values, language.editors));
    m_languageTabs->addTab(language.page, name);
    // Tab reaches a language added later in its place among the others.
    if (isVisible()) {
        QWidget *previous = m_languages.empty() ? m_lastEnglishEditor : m_languages.back().editors.back().widget();
        for (const Editor &editor : language.editors) {
            setTabOrder(previous, editor.widget());
            previous = editor.widget();
        }
        setTabOrder(previous, m_languageChoice);
    }
    m_languages.push_back(std::move(language));
}

void MoreFieldsDialog::addChosenLanguage()
{
    const QString name = m_languageChoice->currentText();
    if (name.isEmpty())
        return;
    addLanguage(name, Pad::OtherFields());
    m_languageTabs->setCurrentWidget(m_languages.back().page);
    refreshLanguageChoice();
    m_languages.back().editors.front().line->setFocus(Qt::OtherFocusReason);
}

void MoreFieldsDialog::removeCurrentLanguage()
{
    QWidget *page = m_languageTabs->currentWidget();
    const auto found = std::find_if(m_languages.begin(), m_languages.end(),
                                    [page](const Language &language) { return language.page == page; });
    if (found == m_languages.end())
        return;
    m_languageTabs->removeTab(m_languageTabs->indexOf(page));
    page->deleteLater();
    m_languages.erase(found);
    refreshLanguageChoice();
    m_languageTabs->setFocus(Qt::OtherFocusReason);
}

void MoreFieldsDialog::refreshLanguageChoice()
{
    const QString chosen = m_languageChoice->currentText();
    m_languageChoice->clear();
    for (const QString &name : Pad::formatLanguages()) {
        const bool present = name == Pad::DefaultLanguage
                             || std::any_of(m_languages.cbegin(), m_languages.cend(),
                                            [&name](const Language &language) { return language.name == name; });
        if (!present)
            m_languageChoice->addItem(name);
    }
    const int again = m_languageChoice->findText(chosen);
    m_languageChoice->setCurrentIndex(std::max(again, 0));
    m_addLanguage->setEnabled(m_languageChoice->count() > 0);
}

QWidget *MoreFieldsDialog::makeKeptPage(const QList<Pad::PathText> &kept)
{
    auto *table = new QTableWidget(int(kept.size()), 2);
    table->setObjectName(QStringLiteral("KeptElements"));
    table->setAccessibleName(tr("Elements kept as the file has them"));
    table->setHorizontalHeaderLabels({tr("Element"), tr("Value")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < kept.size(); ++row) {
        table->setItem(row, 0, new QTableWidgetItem(kept[row].path));
        auto *value = new QTableWidgetItem(kept[row].text);
        value->setToolTip(kept[row].text);
        table->setItem(row, 1, value);
    }
    table->resizeColumnToContents(0);

    auto *note = new QLabel(tr("The PAD format does not know these elements. Update keeps them "
                               "as the file has them."));
    note->setWordWrap(true);
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(note);
    column->addWidget(table, 1);
    return page;
}

Pad::OtherFields MoreFieldsDialog::fields() const
{
    Pad::OtherFields fields;
    const auto take = [this, &fields](const Editor &editor) {
        const QString text = editor.line ? editor.line->text() : exactText(editor.memo);
        if (!text.isEmpty() || m_given.values.contains(editor.path))
            fields.values.insert(editor.path, text);
    };
    for (const Editor &editor : m_editors)
        take(editor);
    for (const Language &language : m_languages) {
        fields.languages << language.name;
        for (const Editor &editor : language.editors)
            take(editor);
    }
    return fields;
}

QWidget *MoreFieldsDialog::editor(const QString &path) const
{
    for (const Editor &editor : m_editors) {
        if (editor.path == path)
            return editor.widget();
    }
    for (const Language &language : m_languages) {
        for (const Editor &editor : language.editors) {
            if (editor.path == path)
                return editor.widget();
        }
    }
    return nullptr;
}

bool MoreFieldsDialog::focusField(const QString &path)
{
    QWidget *target = editor(path);
    if (!target)
        return false;
    for (int page = 0; page < m_pages->count(); ++page) {
        if (m_pages->widget(page)->isAncestorOf(target))
            m_pageList->setCurrentRow(page);
    }
    for (int tab = 0; tab < m_languageTabs->count(); ++tab) {
        if (m_languageTabs->widget(tab)->isAncestorOf(target))
            m_languageTabs->setCurrentIndex(tab);
    }
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

QWidget *MoreFieldsDialog::Editor::widget() const
{
    return line ? static_cast<QWidget *>(line) : memo;
}
