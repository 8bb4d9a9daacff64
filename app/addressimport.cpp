#include "addressimport.h"

#include "messagebar.h"
#include "messages.h"
#include "onlinecheck.h"

#include <QInputDialog>
#include <QPushButton>
#include <QTimer>

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
    bool chosen = false;
    const QString address = QInputDialog::getText(m_window, tr("Import from Address"),
                                                   tr("The address of the PAD file (http:// or https://):"),
                                                   QLineEdit::Normal, m_lastAddress, &chosen)
                                .trimmed();
    if (!chosen || address.isEmpty())
        return;
    m_lastAddress = address;
    start(address, settings, QDate::currentDate());
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
