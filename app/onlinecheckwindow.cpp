#include "onlinecheckwindow.h"

#include "padrules.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { ResultColumn, FieldColumn, AddressColumn, DetailsColumn };
constexpr int PathRole = Qt::UserRole;
constexpr int MessageRole = Qt::UserRole + 1; // the whole finding, as Copy Results gives it

QString severityText(Pad::Severity severity)
{
    switch (severity) {
    case Pad::Severity::Error:
        return OnlineCheckWindow::tr("Error");
    case Pad::Severity::Warning:
        return OnlineCheckWindow::tr("Warning");
    case Pad::Severity::Note:
        return OnlineCheckWindow::tr("Note");
    }
    return {};
}

QStyle::StandardPixmap severityIcon(Pad::Severity severity)
{
    switch (severity) {
    case Pad::Severity::Error:
        return QStyle::SP_MessageBoxCritical;
    case Pad::Severity::Warning:
        return QStyle::SP_MessageBoxWarning;
    case Pad::Severity::Note:
        return QStyle::SP_MessageBoxInformation;
    }
    return QStyle::SP_MessageBoxInformation;
}

} // namespace

OnlineCheckWindow::OnlineCheckWindow(QWidget *parent)
    : QDialog(parent)
    , m_status(new QLabel)
    , m_list(new QTreeWidget)
    , m_allowPrivate(new QCheckBox(tr("Fetch addresses on &private networks too (a local test server)")))
    , m_progress(new QProgressBar)
    , m_cancelButton(new QPushButton(tr("&Cancel")))
    , m_copyButton(new QPushButton(tr("C&opy Results")))
    , m_closeButton(new QPushButton(tr("C&lose")))
{
    setObjectName(QStringLiteral("onlineCheckWindow"));
    setWindowTitle(tr("Check Online"));
    setModal(false);
    setSizeGripEnabled(true);
    m_status->setObjectName(QStringLiteral("onlineCheckStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_list->setObjectName(QStringLiteral("onlineCheckResults"));
    m_list->setHeaderLabels({tr("Result"), tr("Field"), tr("Address"), tr("What was found")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAccessibleName(tr("Addresses checked"));
    m_list->header()->setStretchLastSection(true);
    for (const int column : {ResultColumn, FieldColumn, AddressColumn})
        m_list->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_allowPrivate->setObjectName(QStringLiteral("onlineCheckAllowPrivate"));
    m_allowPrivate->setToolTip(tr("Addresses on loopback, private and link-local networks are errors, "
                                  "and never fetched: download sites cannot reach them. Tick this to "
                                  "fetch them anyway, for a site tried on a local server first."));
    m_progress->setObjectName(QStringLiteral("onlineCheckProgress"));
    m_cancelButton->setObjectName(QStringLiteral("onlineCheckCancel"));
    m_copyButton->setObjectName(QStringLiteral("onlineCheckCopy"));
    m_closeButton->setObjectName(QStringLiteral("onlineCheckClose"));
    m_closeButton->setAutoDefault(false);
    m_cancelButton->setAutoDefault(false);
    m_copyButton->setAutoDefault(false);

    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        const QString path = item->data(FieldColumn, PathRole).toString();
        if (!path.isEmpty())
            emit fieldActivated(path);
    });
    connect(m_cancelButton, &QPushButton::clicked, this, &OnlineCheckWindow::cancel);
    connect(m_allowPrivate, &QCheckBox::toggled, this, [this] {
        if (m_check)
            run();
    });
    connect(m_copyButton, &QPushButton::clicked, this, &OnlineCheckWindow::copyResults);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_progress, 1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_closeButton);
    auto *column = new QVBoxLayout(this);
    column->addWidget(m_status);
    column->addWidget(m_list, 1);
    column->addWidget(m_allowPrivate);
    column->addLayout(buttons);
    resize(820, 360);
}

OnlineCheckWindow::~OnlineCheckWindow()
{
    // The check goes before the fetcher it waits on.
    m_check.reset();
}

void OnlineCheckWindow::start(const Online::OnlineSubject &subject, const Online::FetchSettings &settings,
                              const QDate &today)
{
    m_subject = subject;
    m_settings = settings;
    m_today = today;
    if (settings.allowPrivateAddresses) {
        const QSignalBlocker quiet(m_allowPrivate);
        m_allowPrivate->setChecked(true);
    }
    run();
}

void OnlineCheckWindow::run()
{
    m_check.reset();
    Online::FetchSettings settings = m_settings;
    settings.allowPrivateAddresses = m_allowPrivate->isChecked();
    m_fetcher = std::make_unique<Online::AddressFetcher>(settings);
    m_check = std::make_unique<Online::OnlineCheck>(m_fetcher.get());
    connect(m_check.get(), &Online::OnlineCheck::addressChecked, this, &OnlineCheckWindow::addResult);
    connect(m_check.get(), &Online::OnlineCheck::progress, this, &OnlineCheckWindow::showProgress);
    connect(m_check.get(), &Online::OnlineCheck::finished, this, &OnlineCheckWindow::finish);
    m_list->clear();
    m_cancelButton->setEnabled(true);
    m_check->start(m_subject, m_today);
    showProgress(0, m_check->addressCount());
}

bool OnlineCheckWindow::isRunning() const
{
    return m_check && m_check->isRunning();
}

void OnlineCheckWindow::cancel()
{
    if (isRunning())
        m_check->cancel();
}

void OnlineCheckWindow::addResult(const Online::AddressResult &result)
{
    if (result.ok()) {
        for (const QString &path : result.paths)
            addRow(tr("OK"), path, result.address, QString(), QString());
        return;
    }
    for (const Pad::CheckProblem &problem : result.problems)
        addProblemRow(problem, result.address);
}

void OnlineCheckWindow::addProblemRow(const Pad::CheckProblem &problem, const QString &address)
{
    QTreeWidgetItem *row = addRow(severityText(problem.severity), problem.path.value_or(QString()), address,
                                  Online::whatWasFound(problem), problem.message);
    row->setIcon(ResultColumn, style()->standardIcon(severityIcon(problem.severity), nullptr, this));
}

QTreeWidgetItem *OnlineCheckWindow::addRow(const QString &verdict, const QString &path, const QString &address,
                                           const QString &found, const QString &message)
{
    const QString field = path.isEmpty() ? QString() : Pad::fieldDisplayName(path);
    auto *row = new QTreeWidgetItem(m_list, {verdict, field, Pad::escapedControls(address), Pad::escapedControls(found)});
    row->setData(FieldColumn, PathRole, path);
    row->setData(DetailsColumn, MessageRole, message);
    row->setToolTip(FieldColumn, path);
    // The whole line, for a finding the column cuts short.
    row->setToolTip(DetailsColumn, message.isEmpty() ? found : Pad::escapedControls(message));
    if (!m_list->currentItem())
        m_list->setCurrentItem(row);
    return row;
}

void OnlineCheckWindow::showProgress(int checked, int total)
{
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(total == 0 ? 1 : checked);
    m_status->setText(tr("Checking %1 of %2 addresses as download sites fetch them...").arg(checked).arg(total));
}

void OnlineCheckWindow::finish()
{
    m_cancelButton->setEnabled(false);
    const int total = m_check->addressCount();
    const int checked = m_check->checkedCount();
    int errors = 0, warnings = 0;
    for (const Pad::CheckProblem &problem : m_check->problems()) {
        errors += problem.severity == Pad::Severity::Error;
        warnings += problem.severity == Pad::Severity::Warning;
    }
    QString status;
    if (total == 0)
        status = tr("The form holds no web address to check.");
    else if (m_check->wasCancelled())
        status = tr("Cancelled: %1 of %2 addresses checked.").arg(checked).arg(total);
    else
        status = tr("Checked %1 addresses.").arg(total);
    if (total > 0) {
        status += u' ' + (errors == 1 ? tr("1 error") : tr("%1 errors").arg(errors)) + QStringLiteral(", ")
                  + (warnings == 1 ? tr("1 warning.") : tr("%1 warnings.").arg(warnings));
    }
    m_status->setText(status);
    m_progress->setValue(total == 0 ? m_progress->maximum() : checked);
    if (const std::optional<Pad::CheckProblem> note = m_check->notCheckedNote())
        addProblemRow(*note, QString());
}

QString OnlineCheckWindow::resultsText(bool selectedOnly) const
{
    QStringList lines;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_list->topLevelItem(i);
        if (selectedOnly && !row->isSelected())
            continue;
        QStringList cells;
        for (int column = ResultColumn; column < DetailsColumn; ++column)
            cells << row->text(column);
        cells << row->data(DetailsColumn, MessageRole).toString();
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n');
}

void OnlineCheckWindow::copyResults()
{
    QApplication::clipboard()->setText(resultsText());
}

void OnlineCheckWindow::reject()
{
    cancel();
    QDialog::reject();
}

void OnlineCheckWindow::closeEvent(QCloseEvent *event)
{
    cancel();
    QDialog::closeEvent(event);
}

void OnlineCheckWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        const QString selected = resultsText(true);
        QApplication::clipboard()->setText(selected.isEmpty() ? resultsText() : selected);
        return;
    }
    QDialog::keyPressEvent(event);
}
