#pragma once

#include "addressfetch.h"
#include "padreader.h"

#include <QDate>
#include <QDialog>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class MessageBar;
class QCheckBox;
class QLineEdit;
class QWidget;

// What Import from Address asks: the address, and whether an address on a
// private network (a local test server) may be fetched.
class AddressDialog : public QDialog
{
    Q_OBJECT

public:
    AddressDialog(const QString &address, bool allowPrivate, QWidget *parent = nullptr);

    QString address() const;
    bool allowPrivateAddresses() const;

private:
    QLineEdit *const m_address;
    QCheckBox *const m_allowPrivate;
};

// File, Import from Address: asks for the address of a PAD file and reads it
// in the background with the online check's fetcher (its limits, its
// refusals), while the window's message bar says so and offers Cancel. A
// file it cannot read is refused in a box with the reason; one it reads is
// handed on. The window stays usable meanwhile.
class AddressImport : public QObject
{
    Q_OBJECT

public:
    AddressImport(QWidget *window, MessageBar *bar);
    ~AddressImport() override;

    // Asks for the address, proposing the last one and the last answer on
    // private networks, and starts reading it.
    void ask(const Online::FetchSettings &settings);
    // Starts reading address, cancelling a read under way.
    void start(const QString &address, const Online::FetchSettings &settings, const QDate &today);
    // Stops a read under way; nothing is handed on.
    void cancel();
    bool isRunning() const { return m_fetcher != nullptr; }

signals:
    void read(const QString &address, const Pad::PadDocument &document);

private:
    void refuse(const QString &address, const QString &reason);

    QWidget *const m_window;
    MessageBar *const m_bar;
    QString m_lastAddress;
    std::optional<bool> m_allowPrivate; // the author's last answer; at first the settings'

    std::unique_ptr<Online::AddressFetcher> m_fetcher;
    std::unique_ptr<QObject> m_waiting; // the fetch's context: gone, the answer is dropped
};
