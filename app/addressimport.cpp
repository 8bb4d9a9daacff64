#include "addressimport.h"

#include "messagebar.h"
#include "messages.h"
#include "onlinecheck.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AddressDialog::AddressDialog(const QString &address, bool allowPrivate, QWidget *parent)
    : QDialog(parent)
    , m_address(new QLineEdit(address))
    , m_allowPrivate(new QCheckBox(tr("Fetch addresses on &private networks too (a local test server)")))
{
    setObjectName(QStringLiteral("addressDialog"));
    setWindowTitle(tr("Import from Address"));
    auto *label = new QLabel(tr("The &address of the PAD file (http:// or https://):"));
    label->setBuddy(m_address);
    m_address->setObjectName(QStringLiteral("addressEdit"));
    m_address->selectAll();
    m_allowPrivate->setObjectName(QStringLiteral("addressAllowPrivate"));
    m_allowPrivate->setChecked(allowPrivate);
    m_allowPrivate->setToolTip(tr("Addresses on loopback, private and link-local networks are never "
                                  "fetched unless this is ticked: download sites cannot reach them."));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *column = new QVBoxLayout(this);
    column->addWidget(label);
    column->addWidget(m_address);
    column->addWidget(m_allowPrivate);
    column->addWidget(buttons);
    setMinimumWidth(480);
}

QString AddressDialog::address() const
{
    return m_address->text().trimmed();
}

bool AddressDialog::allowPrivateAddresses() const
{
    return m_allowPrivate->isChecked();
}

AddressImport::AddressImport(QWidget *window, MessageBar *bar)
    : QObject(window)
    , m_window(window)
    , m_bar(bar)
{
    // Closing the bar that says the address is being read stops the reading.
    connect(m_bar, &MessageBar::dismissed, this, &AddressImport::cancel);
}

AddressImport::~AddressImport()
{
    cancel();
}

void AddressImport::ask(const Online::FetchSettings &settings)
{
    AddressDialog dialog(m_lastAddress, m_allowPrivate.value_or(settings.allowPrivateAddresses), m_window);
    if (dialog.exec() != QDialog::Accepted || dialog.address().isEmpty())
        return;
    m_lastAddress = dialog.address();
    m_allowPrivate = dialog.allowPrivateAddresses();
    Online::FetchSettings chosen = settings;
    chosen.allowPrivateAddresses = *m_allowPrivate;
    start(m_lastAddress, chosen, QDate::currentDate());
}

void AddressImport::start(const QString &address, const Online::FetchSettings &settings, const QDate &today)
{
    m_bar->dismiss();
    cancel();
    if (const std::optional<QString> breach = Online::addressBreach(address)) {
        refuse(address, tr("the address %1").arg(*breach));
        return;
    }
    m_fetcher = std::make_unique<Online::AddressFetcher>(settings);
    m_waiting = std::make_unique<QObject>();
    m_fetcher->fetch(QUrl(address), Online::FetchKind::PadFile, m_waiting.get(),
                     [this, address, today](const Online::FetchResult &result) {
                         QString reason;
                         const std::optional<Pad::PadDocument> document =
                             Online::readPublishedPad(result, today, &reason);
                         // The fetcher and the context go once their call is over, not from inside it.
                         m_fetcher.release()->deleteLater();
                         m_waiting.release()->deleteLater();
                         m_bar->dismiss();
                         if (document)
                             emit read(address, *document);
                         else
                             refuse(address, reason);
                     });
    QPushButton *cancel = m_bar->addButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("addressImportCancel"));
    connect(cancel, &QPushButton::clicked, m_bar, &MessageBar::dismiss);
    m_bar->showLines(MessageBar::Kind::Information, {tr("Reading the PAD file at %1...").arg(address)});
}

void AddressImport::cancel()
{
    if (m_fetcher && m_waiting)
        m_fetcher->cancel(m_waiting.get());
    m_waiting.reset();
    m_fetcher.reset();
}

void AddressImport::refuse(const QString &address, const QString &reason)
{
    showMessage(m_window, QMessageBox::NoIcon, tr("Error"), tr("Cannot import \"%1\": %2").arg(address, reason));
}
