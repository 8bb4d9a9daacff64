#pragma once

#include "addressfetch.h"
#include "padcheck.h"
#include "padfields.h"
#include "padform.h"
#include "padreader.h"
#include "padsession.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace Online {

// What a download site does with an address of a PAD file, and so how it is
// checked online.
enum class AddressRole {
    PadFile,  // Application_XML_File_URL: the file itself, re-read weekly
    Download, // Web_Info/Download_URLs: the file it lists, with its size
    Image,    // the screenshot and the icon: an image it shows
    Page,     // every other address: a page it links to
};

// The role of the field at path when it is one of the format's address
// fields: its rule asks for an http address (images: one whose rule names
// gif, jpg or png), or it stands among the download addresses; nullopt for
// any other field, and for the PAD file's own version block, which names the
// tool that wrote the file and not the program.
std::optional<AddressRole> addressRole(QStringView path);

// The addresses a file holds, in its order: the non-empty values of its
// address fields, and of any other element whose whole value is one http,
// https or ftp address (an affiliate's order page, an element the format does
// not know). Only the first element of a path counts, as for the reader.
QList<Pad::PathText> webAddresses(const QList<Pad::PathText> &leaves);

// The form's values where a file holds them: the text fields, the release
// date's three numbers (when it is a date), the program type and the OS list.
QList<Pad::PathText> formLeaves(const Pad::PadValues &values);

// Why a value cannot be fetched, or nullopt for an http or https address:
// blanks or control characters inside, another scheme (file:, javascript:),
// or no address at all. ftp: is told apart by isFtpAddress.
std::optional<QString> addressBreach(QStringView value);
bool isFtpAddress(QStringView value);

// An online check fetches at most this many distinct addresses of one file:
// real files hold a few dozen, and whoever checks a file they did not write
// sends no more requests than this on its behalf.
inline constexpr int MaxAddressesPerFile = 200;

// A finding of the online check without the field and the address it
// begins with: "cannot be reached: there is no such host (example.invalid)".
QString whatWasFound(const Pad::CheckProblem &problem);

// What an online check is given.
struct OnlineSubject
{
    // The addresses to check, each with the path of the field that holds
    // it; findings come in this order.
    QList<Pad::PathText> addresses;
    // What the published copy (at Application_XML_File_URL) must be: a
    // local file's bytes, to be matched byte for byte, and the values it is
    // compared with field by field when it differs. Without bytes (the
    // window's form, not yet saved) only the values given are compared.
    std::optional<QByteArray> fileBytes;
    QList<Pad::PathText> values;
    // For a file read from an address: that address and where its redirects
    // ended; the file's Application_XML_File_URL must name one of them.
    std::optional<QUrl> readFrom;
    std::optional<QUrl> readFromFinal;
};

// A file as read: its addresses, its bytes and its values.
OnlineSubject onlineSubject(const Pad::PadDocument &document);
// The window's form and the More PAD Fields values, before any file.
OnlineSubject onlineSubject(const Pad::PadValues &form, const Pad::OtherFields &other);
// The window's form and the author's other fields as they stand, their
// published copy held to the file the session is bound to, or to the form
// when it is bound to none.
OnlineSubject onlineSubject(const Pad::PadValues &form, const Pad::PadSession &session);

// What checking one address found.
struct AddressResult
{
    QString address;   // as the fields hold it
    QStringList paths; // the fields that hold it, in the subject's order
    // Each naming the field concerned (path) and the address (value); empty
    // when the address holds up for every field that names it.
    QList<Pad::CheckProblem> problems;
    // The fetch, or nullopt when the value was not fetched (no http or https
    // address, or ftp:).
    std::optional<FetchResult> fetch;
    QSize imageSize; // an image's size in pixels, when it is one

    bool ok() const { return problems.isEmpty(); }
};

// The published copy, read from a PAD file fetch: the document, or nullopt
// with why there is none ("https://…/pad.xml answers 404 Not Found", or an
// HTML page or a document the reader refuses, with the reader's reason).
std::optional<Pad::PadDocument> readPublishedPad(const FetchResult &result, const QDate &today, QString *reason);

// Checks a PAD file's addresses as download sites see them, asynchronously:
// each distinct address is fetched once through the fetcher, and a result
// comes for it as soon as its answer does. The fetcher may be shared by
// several checks (one per file) so that an address they share is fetched
// once and all keep to the same limits on connections.
class OnlineCheck : public QObject
{
    Q_OBJECT

public:
    // The fetcher is not owned; a check whose fetcher is gone finds nothing more.
    explicit OnlineCheck(AddressFetcher *fetcher, QObject *parent = nullptr);
    ~OnlineCheck() override;

    // Starts checking; results and finished() come from the event loop, never
    // from inside this call. today decides two-digit years of a published copy.
    // A check still running is cancelled first (and emits its finished()).
    void start(const OnlineSubject &subject, const QDate &today);

    // Stops every fetch at once (their connections closed), and emits
    // finished() before it returns when the check was running.
    void cancel();

    bool isRunning() const { return m_running; }
    bool wasCancelled() const { return m_cancelled; }
    int addressCount() const { return int(m_addresses.size()); }
    int checkedCount() const { return int(m_results.size()); }

    // The results so far, in the order they came.
    const QList<AddressResult> &results() const { return m_results; }
    // Every finding so far, in the order of the subject's addresses, and
    // last the note on the addresses past MaxAddressesPerFile, if any.
    QList<Pad::CheckProblem> problems() const;
    // Distinct addresses past MaxAddressesPerFile, which are not fetched.
    int notCheckedCount() const { return m_notChecked; }
    std::optional<Pad::CheckProblem> notCheckedNote() const;

signals:
    void addressChecked(const Online::AddressResult &result);
    void progress(int checked, int total);
    void finished();

private:
    // One distinct address, with the fields that name it.
    struct Address
    {
        QString text;              // as the first field holds it, without surrounding blanks
        QUrl url;                  // when it can be fetched
        QList<Pad::PathText> fields;    // path and value as written
        FetchKind kind = FetchKind::Probe;
    };
    void collectAddresses(const QList<Pad::PathText> &fields);
    void judge(int index, const std::optional<FetchResult> &fetch);
    void judgePadFile(const Pad::PathText &field, const FetchResult &fetch, AddressResult &result);
    void judgeDownload(const Pad::PathText &field, const FetchResult &fetch, AddressResult &result);
    void judgeImage(const Pad::PathText &field, const FetchResult &fetch, AddressResult &result);
    void report(AddressResult result);

    QPointer<AddressFetcher> m_fetcher;
    OnlineSubject m_subject;
    QDate m_today;
    QList<Address> m_addresses;
    QList<AddressResult> m_results;
    bool m_running = false;
    bool m_cancelled = false;
    int m_notChecked = 0;
    int m_generation = 0; // a start's queued work is dropped once another start or cancel came
};

} // namespace Online

Q_DECLARE_METATYPE(Online::AddressResult)
