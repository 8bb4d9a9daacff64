#include "onlinecheck.h"

#include "padrules.h"
#include "padwriter.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QSet>

#include <algorithm>

namespace Online {

using namespace Pad;

namespace {

bool startsWithScheme(QStringView value, QLatin1StringView scheme)
{
    return value.startsWith(scheme, Qt::CaseInsensitive);
}

bool looksLikeAddress(QStringView value)
{
    if (!startsWithScheme(value, QLatin1StringView("http://"))
        && !startsWithScheme(value, QLatin1StringView("https://"))
        && !startsWithScheme(value, QLatin1StringView("ftp://")))
        return false;
    return std::none_of(value.begin(), value.end(), [](QChar c) { return c.isSpace(); });
}

// The rule of an address field asks for http, as "URL http or https:// +
// 2-120 characters"; an image's names its file types.
bool ruleAsksForHttp(const FormatField &field)
{
    return field.rule.contains(QLatin1StringView("http"), Qt::CaseInsensitive);
}

bool ruleAsksForImage(const FormatField &field)
{
    return field.rule.contains(QLatin1StringView("gif"), Qt::CaseInsensitive)
        && field.rule.contains(QLatin1StringView("png"), Qt::CaseInsensitive);
}

const QString &padFileUrlPath()
{
    static const QString path = formField(TextField::Application_XML_File_URL).path();
    return path;
}

const QString &fileSizePath()
{
    static const QString path = formField(TextField::File_Size_Bytes).path();
    return path;
}

FetchKind kindFor(AddressRole role)
{
    switch (role) {
    case AddressRole::PadFile:
        return FetchKind::PadFile;
    case AddressRole::Image:
        return FetchKind::Image;
    case AddressRole::Download:
        return FetchKind::Download;
    case AddressRole::Page:
        break;
    }
    return FetchKind::Probe;
}

// One fetch serves every field that names an address: the one that needs
// the most of the answer decides how much is read.
int weight(FetchKind kind)
{
    switch (kind) {
    case FetchKind::Probe:
        return 0;
    case FetchKind::Download:
        return 1;
    case FetchKind::Image:
        return 2;
    case FetchKind::PadFile:
        return 3;
    }
    return 0;
}

AddressRole roleOf(const QString &path)
{
    return addressRole(path).value_or(AddressRole::Page);
}

// What a finding's message puts before what was found.
QString findingPrefix(const QString &path, const QString &value)
{
    return fieldDisplayName(path) + QStringLiteral(": ") + quotedValue(value) + u' ';
}

CheckProblem finding(Severity severity, const PathText &field, const QString &what)
{
    return {severity, field.path, field.text, findingPrefix(field.path, field.text) + what};
}

bool isHtmlType(const QByteArray &type)
{
    return type == "text/html" || type == "application/xhtml+xml";
}

// The first bytes of an HTML page, whatever the server calls it.
bool looksLikeHtml(const QByteArray &body)
{
    const QByteArray start = body.left(512).trimmed().toLower();
    return start.startsWith("<!doctype html") || start.startsWith("<html")
        || start.startsWith("<head") || start.startsWith("<body");
}

bool isPage(const FetchResult &fetch)
{
    return isHtmlType(fetch.contentType) || looksLikeHtml(fetch.body);
}

QString typeInWords(const QByteArray &type)
{
    return type.isEmpty() ? QStringLiteral("no content type") : escapedControls(QString::fromLatin1(type));
}

std::optional<qint64> statedSize(const QList<PathText> &values)
{
    for (const PathText &value : values) {
        if (value.path != fileSizePath())
            continue;
        const QString digits = value.text.trimmed();
        bool ok = !digits.isEmpty()
            && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
        const qint64 size = ok ? digits.toLongLong(&ok) : 0;
        return ok ? std::optional(size) : std::nullopt;
    }
    return std::nullopt;
}

QString downgradeText(const FetchResult &fetch)
{
    for (const Redirect &hop : fetch.redirects) {
        if (hop.from.scheme() == u"https" && hop.to.scheme() == u"http") {
            return QStringLiteral("redirects from https to plain http (%1): what it leads to can "
                                  "be read and changed on the way, and browsers warn of it")
                .arg(hop.to.toDisplayString());
        }
    }
    return QString();
}

QString shown(const QString &value)
{
    const QString simple = value.simplified();
    if (simple.isEmpty())
        return QStringLiteral("nothing");
    return simple.size() > 60 ? simple.left(59) + u'\u2026' : simple;
}

QString dateOf(const QMap<QString, QString> &values)
{
    const QStringList &paths = formField(FieldKind::ReleaseDate).paths;
    const std::optional<int> month = readDateNumber(values.value(paths[0]));
    const std::optional<int> day = readDateNumber(values.value(paths[1]));
    const std::optional<int> year = readDateNumber(values.value(paths[2]));
    if (month && day && year) {
        const QDate date(*year, *month, *day);
        if (date.isValid())
            return date.toString(Qt::ISODate);
    }
    return QStringList{values.value(paths[0]), values.value(paths[1]), values.value(paths[2])}.join(u'/');
}

QMap<QString, QString> byPath(const QList<PathText> &values)
{
    QMap<QString, QString> map;
    for (const PathText &value : values) {
        if (!map.contains(value.path))
            map.insert(value.path, value.text);
    }
    return map;
}

// How the published copy differs from this file (or the form), by field:
// the fields download sites show first with both values, then how many
// others differ. Empty when no value compared differs.
QString publishedDifferences(const QList<PathText> &published, const QList<PathText> &reference,
                             bool wholeFile)
{
    const QMap<QString, QString> theirs = byPath(published);
    const QMap<QString, QString> ours = byPath(reference);
    const QString ourName = wholeFile ? QStringLiteral("this file") : QStringLiteral("the form");
    const auto differs = [&](const QString &path) {
        return (wholeFile || ours.contains(path)) && theirs.value(path) != ours.value(path);
    };

    QStringList named;
    QSet<QString> compared;
    const QStringList &datePaths = formField(FieldKind::ReleaseDate).paths;
    const QList<QString> keyPaths{formField(TextField::Program_Version).path(), datePaths[0],
                                  fileSizePath(), formField(TextField::Primary_Download_URL).path()};
    for (const QString &path : keyPaths) {
        if (path == datePaths[0]) {
            for (const QString &part : datePaths)
                compared.insert(part);
            const bool dateDiffers = std::any_of(datePaths.begin(), datePaths.end(), [&](const QString &p) {
                return (wholeFile || ours.contains(p))
                    && readDateNumber(theirs.value(p)) != readDateNumber(ours.value(p));
            });
            if (dateDiffers) {
                named << QStringLiteral("%1 %2; %3 %4")
                             .arg(formField(FieldKind::ReleaseDate).displayName, dateOf(theirs), ourName,
                                  dateOf(ours));
            }
            continue;
        }
        compared.insert(path);
        if (differs(path)) {
            named << QStringLiteral("%1 %2; %3 %4")
                         .arg(fieldDisplayName(path), shown(theirs.value(path)), ourName,
                              shown(ours.value(path)));
        }
    }

    QStringList others;
    QStringList paths = ours.keys();
    if (wholeFile) {
        for (const QString &path : theirs.keys()) {
            if (!ours.contains(path))
                paths << path;
        }
    }
    for (const PathText &value : reference) {
        // In the file's order, where it has them.
        if (!compared.contains(value.path) && differs(value.path) && !others.contains(fieldDisplayName(value.path)))
            others << fieldDisplayName(value.path);
        compared.insert(value.path);
    }
    for (const QString &path : std::as_const(paths)) {
        if (!compared.contains(path) && differs(path) && !others.contains(fieldDisplayName(path)))
            others << fieldDisplayName(path);
        compared.insert(path);
    }

    if (named.isEmpty() && others.isEmpty())
        return QString();
    QString text = QStringLiteral("the published copy says ") + named.join(QStringLiteral("; and "));
    if (!others.isEmpty()) {
        constexpr int shownNames = 4;
        const QString list = others.mid(0, shownNames).join(QStringLiteral(", "))
            + (others.size() > shownNames ? QStringLiteral(", \u2026") : QString());
        if (named.isEmpty())
            text = QStringLiteral("the published copy differs from %1 in %2 %3 (%4)")
                       .arg(ourName)
                       .arg(others.size())
                       .arg(others.size() == 1 ? QStringLiteral("field") : QStringLiteral("fields"), list);
        else
            text += QStringLiteral("; and %1 other %2 differ (%3)")
                        .arg(others.size())
                        .arg(others.size() == 1 ? QStringLiteral("field") : QStringLiteral("fields"), list);
    }
    return text;
}

} // namespace

QString whatWasFound(const CheckProblem &problem)
{
    if (problem.path && problem.value) {
        const QString prefix = findingPrefix(*problem.path, *problem.value);
        if (problem.message.startsWith(prefix))
            return problem.message.mid(prefix.size());
    }
    return problem.message;
}

std::optional<AddressRole> addressRole(QStringView path)
{
    if (path == padFileUrlPath())
        return AddressRole::PadFile;
    const FieldGroup group = fieldGroup(path);
    if (group == FieldGroup::PadFile)
        return std::nullopt;
    if (group == FieldGroup::Downloads)
        return AddressRole::Download;
    const FormatField *field = formatField(path);
    if (!field || !ruleAsksForHttp(*field))
        return std::nullopt;
    return ruleAsksForImage(*field) ? AddressRole::Image : AddressRole::Page;
}

QList<PathText> webAddresses(const QList<PathText> &leaves)
{
    QList<PathText> addresses;
    QSet<QString> seen;
    for (const PathText &leaf : leaves) {
        if (seen.contains(leaf.path))
            continue;
        seen.insert(leaf.path);
        const QString value = leaf.text.trimmed();
        if (value.isEmpty())
            continue;
        if (addressRole(leaf.path) || (fieldGroup(leaf.path) != FieldGroup::PadFile && looksLikeAddress(value)))
            addresses << leaf;
    }
    return addresses;
}

QList<PathText> formLeaves(const PadValues &values)
{
    QList<PathText> leaves;
    for (const FormField &field : formFields()) {
        if (field.kind != FieldKind::ReleaseDate) {
            leaves << PathText{field.path(), valueText(values, field)};
        } else if (values.releaseDate.isValid()) {
            // Three numbers, as the writer writes them.
            const ReleaseDateNumbers date = releaseDateNumbers(values.releaseDate);
            leaves << PathText{field.paths[0], date.month} << PathText{field.paths[1], date.day}
                   << PathText{field.paths[2], date.year};
        }
    }
    return leaves;
}

bool isFtpAddress(QStringView value)
{
    return startsWithScheme(value.trimmed(), QLatin1StringView("ftp://"));
}

std::optional<QString> addressBreach(QStringView value)
{
    const QStringView address = value.trimmed();
    for (qsizetype i = 0; i < address.size(); ++i) {
        if (address[i].isSpace() || address[i].category() == QChar::Other_Control) {
            return QStringLiteral("is not an address: it holds %1, which an address cannot")
                .arg(characterNameAt(address, i));
        }
    }
    const QUrl url(address.toString(), QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || scheme.isEmpty())
        return QStringLiteral("is not an http or https address");
    if (scheme != u"http" && scheme != u"https") {
        return QStringLiteral("is a %1: address, not an http or https one").arg(scheme);
    }
    if (url.host().isEmpty())
        return QStringLiteral("names no host");
    return std::nullopt;
}

OnlineSubject onlineSubject(const PadDocument &document)
{
    OnlineSubject subject;
    subject.addresses = webAddresses(document.leaves);
    subject.fileBytes = document.bytes;
    subject.values = document.leaves;
    return subject;
}

OnlineSubject onlineSubject(const PadValues &form, const OtherFields &other)
{
    OnlineSubject subject;
    subject.values = formLeaves(form);
    for (auto it = other.values.begin(); it != other.values.end(); ++it)
        subject.values << PathText{it.key(), it.value()};
    subject.addresses = webAddresses(subject.values);
    return subject;
}

OnlineSubject onlineSubject(const PadValues &form, const PadSession &session)
{
    OnlineSubject subject = onlineSubject(form, session.otherFields());
    if (session.isOpen()) {
        const OnlineSubject file = onlineSubject(session.document());
        subject.fileBytes = file.fileBytes;
        subject.values = file.values;
    }
    return subject;
}

std::optional<PadDocument> readPublishedPad(const FetchResult &result, const QDate &today, QString *reason)
{
    QString why;
    const std::optional<QByteArray> bytes = fetchedPadBytes(result, &why);
    if (!bytes) {
        if (reason)
            *reason = result.problem();
        return std::nullopt;
    }
    std::optional<PadDocument> document = loadPad(*bytes, today, &why);
    if (!document && reason) {
        *reason = isPage(result) ? QStringLiteral("serves an HTML page, not a PAD file: ") + why
                                 : QStringLiteral("serves no PAD file: ") + why;
    }
    return document;
}

OnlineCheck::OnlineCheck(AddressFetcher *fetcher, QObject *parent)
    : QObject(parent), m_fetcher(fetcher)
{
    qRegisterMetaType<Online::AddressResult>();
}

OnlineCheck::~OnlineCheck()
{
    if (m_running && m_fetcher)
        m_fetcher->cancel(this);
}

void OnlineCheck::start(const OnlineSubject &subject, const QDate &today)
{
    if (m_running)
        cancel();
    m_subject = subject;
    m_today = today;
    m_addresses.clear();
    m_results.clear();
    m_running = true;
    m_cancelled = false;

    collectAddresses(subject.addresses);

    // Values that are no address are judged at once, but reported from the
    // event loop like every other result.
    QMetaObject::invokeMethod(
        this,
        [this, generation = ++m_generation] {
            if (generation != m_generation || !m_running)
                return;
            for (int i = 0; i < m_addresses.size() && m_running; ++i) {
                if (!m_addresses[i].url.isValid()) {
                    judge(i, std::nullopt);
                } else if (!m_fetcher) {
                    FetchResult none;
                    none.url = none.finalUrl = m_addresses[i].url;
                    none.failure = FetchFailure::Cancelled;
                    none.failureText = QStringLiteral("was not checked: its fetcher is gone");
                    judge(i, none);
                }
            }
            if (m_addresses.isEmpty()) {
                m_running = false;
                emit finished();
            }
        },
        Qt::QueuedConnection);
    for (int i = 0; i < m_addresses.size() && m_fetcher; ++i) {
        const Address &address = m_addresses[i];
        if (address.url.isValid()) {
            m_fetcher->fetch(address.url, address.kind, this,
                             [this, i](const FetchResult &fetch) { judge(i, fetch); });
        }
    }
}

// One entry per distinct address, with every field that names it, up to
// MaxAddressesPerFile that can be fetched; the rest are counted.
void OnlineCheck::collectAddresses(const QList<PathText> &fields)
{
    m_notChecked = 0;
    QHash<QString, int> byKey;
    constexpr int NotChecked = -2;
    int fetchable = 0;
    for (const PathText &field : fields) {
        const QString text = field.text.trimmed();
        if (text.isEmpty())
            continue;
        QUrl url;
        QString key;
        if (!addressBreach(text)) {
            url = fetchKey(QUrl(text, QUrl::TolerantMode));
            key = url.toString(QUrl::FullyEncoded);
        } else {
            // Never fetched: each value stands for itself.
            key = u'\n' + text;
        }
        int index = byKey.value(key, -1);
        if (index == NotChecked)
            continue;
        if (index < 0 && url.isValid() && fetchable == MaxAddressesPerFile) {
            ++m_notChecked;
            byKey.insert(key, NotChecked);
            continue;
        }
        if (index < 0) {
            fetchable += url.isValid();
            index = int(m_addresses.size());
            byKey.insert(key, index);
            m_addresses.append(Address{text, url, {}, FetchKind::Probe});
        }
        Address &address = m_addresses[index];
        address.fields << field;
        const FetchKind kind = kindFor(roleOf(field.path));
        if (weight(kind) > weight(address.kind))
            address.kind = kind;
    }
}

void OnlineCheck::cancel()
{
    if (!m_running)
        return;
    if (m_fetcher)
        m_fetcher->cancel(this);
    ++m_generation;
    m_running = false;
    m_cancelled = true;
    emit finished();
}

QList<CheckProblem> OnlineCheck::problems() const
{
    QHash<QString, int> order;
    for (int i = 0; i < m_subject.addresses.size(); ++i)
        order.insert(m_subject.addresses[i].path, i);
    QList<CheckProblem> all;
    for (const AddressResult &result : m_results)
        all << result.problems;
    std::stable_sort(all.begin(), all.end(), [&](const CheckProblem &a, const CheckProblem &b) {
        return order.value(a.path.value_or(QString())) < order.value(b.path.value_or(QString()));
    });
    if (const std::optional<CheckProblem> note = notCheckedNote())
        all << *note;
    return all;
}

std::optional<CheckProblem> OnlineCheck::notCheckedNote() const
{
    if (m_notChecked == 0)
        return std::nullopt;
    return CheckProblem{Severity::Note, std::nullopt, std::nullopt,
                        QStringLiteral("%1 more %2 not checked: an online check fetches at most %3 "
                                       "distinct addresses of one file")
                            .arg(m_notChecked)
                            .arg(m_notChecked == 1 ? QStringLiteral("address was") : QStringLiteral("addresses were"))
                            .arg(MaxAddressesPerFile)};
}

void OnlineCheck::judge(int index, const std::optional<FetchResult> &fetch)
{
    if (!m_running)
        return;
    const Address &address = m_addresses[index];
    AddressResult result;
    result.address = address.text;
    result.fetch = fetch;
    for (const PathText &field : address.fields)
        result.paths << field.path;

    for (const PathText &field : address.fields) {
        if (!fetch) {
            if (isFtpAddress(field.text)) {
                result.problems << finding(Severity::Note, field,
                                           QStringLiteral("is an ftp address, which the online check "
                                                          "does not fetch; it was not checked"));
            } else {
                result.problems << finding(Severity::Error, field,
                                           addressBreach(field.text).value_or(QString())
                                               + QStringLiteral("; not fetched"));
            }
            continue;
        }
        switch (roleOf(field.path)) {
        case AddressRole::PadFile:
            judgePadFile(field, *fetch, result);
            break;
        case AddressRole::Download:
            judgeDownload(field, *fetch, result);
            break;
        case AddressRole::Image:
            judgeImage(field, *fetch, result);
            break;
        case AddressRole::Page:
            if (const QString downgrade = downgradeText(*fetch); !downgrade.isEmpty())
                result.problems << finding(Severity::Error, field, downgrade);
            if (!fetch->succeeded())
                result.problems << finding(Severity::Error, field, fetch->problem());
            break;
        }
    }
    report(std::move(result));
}

void OnlineCheck::judgePadFile(const PathText &field, const FetchResult &fetch, AddressResult &result)
{
    QList<CheckProblem> &problems = result.problems;
    if (m_subject.readFrom) {
        const QUrl own = fetchKey(QUrl(field.text.trimmed(), QUrl::TolerantMode));
        if (own != fetchKey(*m_subject.readFrom)
            && (!m_subject.readFromFinal || own != fetchKey(*m_subject.readFromFinal))) {
            problems << finding(Severity::Error, field,
                                QStringLiteral("is not where this file was read from (%1): download "
                                               "sites re-read the file at the address it names")
                                    .arg(m_subject.readFromFinal.value_or(*m_subject.readFrom).toDisplayString()));
        }
    }
    if (const QString downgrade = downgradeText(fetch); !downgrade.isEmpty())
        problems << finding(Severity::Error, field, downgrade);
    if (fetch.permanentlyMoved() && fetch.succeeded()) {
        problems << finding(Severity::Warning, field,
                            QStringLiteral("has moved for good (a permanent redirect) to %1: name "
                                           "that address, which download sites then re-read directly")
                                .arg(fetch.finalUrl.toDisplayString()));
    }
    QString why;
    const std::optional<PadDocument> published = readPublishedPad(fetch, m_today, &why);
    if (!published) {
        problems << finding(Severity::Error, field, why);
        return;
    }
    if (m_subject.fileBytes && published->bytes == *m_subject.fileBytes)
        return;
    const QString differences =
        publishedDifferences(published->leaves, m_subject.values, m_subject.fileBytes.has_value());
    if (!differences.isEmpty()) {
        problems << finding(Severity::Error, field,
                            QStringLiteral("serves another version of this file: ") + differences
                                + QStringLiteral(". Download sites list what they find there"));
    } else if (m_subject.fileBytes) {
        problems << finding(Severity::Error, field,
                            QStringLiteral("serves a copy that differs from this file, though in no "
                                           "field's value (in layout, comments or encoding): publish "
                                           "this file as it is"));
    }
}

void OnlineCheck::judgeDownload(const PathText &field, const FetchResult &fetch, AddressResult &result)
{
    QList<CheckProblem> &problems = result.problems;
    if (const QString downgrade = downgradeText(fetch); !downgrade.isEmpty())
        problems << finding(Severity::Error, field, downgrade);
    if (!fetch.succeeded()) {
        problems << finding(Severity::Error, field, fetch.problem());
    } else if (isPage(fetch)) {
        const QString where = fetch.redirects.isEmpty()
            ? QStringLiteral("is")
            : QStringLiteral("leads to %1, which is").arg(fetch.finalUrl.toDisplayString());
        problems << finding(Severity::Error, field,
                            QStringLiteral("%1 a page, not the file (%2): download sites fetch the "
                                           "file itself from this address")
                                .arg(where, typeInWords(fetch.contentType)));
    } else if (const std::optional<qint64> stated = statedSize(m_subject.values)) {
        if (!fetch.size) {
            problems << finding(Severity::Note, field,
                                QStringLiteral("gives no size, so it could not be compared with File "
                                               "Size (%1 bytes)")
                                    .arg(*stated));
        } else if (*fetch.size != *stated) {
            problems << finding(Severity::Error, field,
                                QStringLiteral("is %1 bytes on the server, but File Size says %2 bytes")
                                    .arg(*fetch.size)
                                    .arg(*stated));
        }
    }
    if (startsWithScheme(field.text.trimmed(), QLatin1StringView("http://"))) {
        problems << finding(Severity::Warning, field,
                            QStringLiteral("is plain http: browsers and download sites warn of "
                                           "downloads that do not come over https"));
    }
}

void OnlineCheck::judgeImage(const PathText &field, const FetchResult &fetch, AddressResult &result)
{
    QList<CheckProblem> &problems = result.problems;
    if (const QString downgrade = downgradeText(fetch); !downgrade.isEmpty())
        problems << finding(Severity::Error, field, downgrade);
    if (!fetch.succeeded()) {
        problems << finding(Severity::Error, field, fetch.problem());
        return;
    }
    QBuffer buffer;
    buffer.setData(fetch.body);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // A few thousand pixels a side is plenty for a screenshot.
    reader.setAllocationLimit(128);
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    const bool typeIsImage = fetch.contentType.startsWith("image/");
    QStringList wrong;
    if (!typeIsImage)
        wrong << QStringLiteral("the server sends %1").arg(typeInWords(fetch.contentType));
    if (image.isNull()) {
        if (looksLikeHtml(fetch.body))
            wrong << QStringLiteral("its bytes are an HTML page");
        else if (format.isEmpty())
            wrong << QStringLiteral("its bytes are no image format Quillet knows");
        else
            wrong << QStringLiteral("its %1 bytes cannot be read (%2)")
                         .arg(QString::fromLatin1(format).toUpper(), reader.errorString());
    } else {
        result.imageSize = image.size();
    }
    if (!wrong.isEmpty()) {
        QString what = QStringLiteral("is not an image: ") + wrong.join(QStringLiteral(", and "));
        if (!image.isNull())
            what += QStringLiteral(" (its bytes are a %1 image of %2 \u00d7 %3 pixels)")
                        .arg(QString::fromLatin1(format).toUpper())
                        .arg(image.width())
                        .arg(image.height());
        problems << finding(Severity::Error, field, what);
        return;
    }
    // image/jpg is a common misspelling that browsers take as image/jpeg.
    QByteArray sent = fetch.contentType.mid(6);
    if (sent == "jpg" || sent == "pjpeg")
        sent = "jpeg";
    const QByteArray actual = format == "jpg" ? QByteArrayLiteral("jpeg") : format;
    if (sent != actual) {
        problems << finding(Severity::Warning, field,
                            QStringLiteral("is sent as %1, but it is a %2 image")
                                .arg(QString::fromLatin1(fetch.contentType), QString::fromLatin1(format).toUpper()));
    }
}

void OnlineCheck::report(AddressResult result)
{
    m_results.append(std::move(result));
    emit addressChecked(m_results.constLast());
    if (!m_running)
        return; // a receiver cancelled the check
    emit progress(int(m_results.size()), int(m_addresses.size()));
    if (m_running && m_results.size() == m_addresses.size()) {
        m_running = false;
        emit finished();
    }
}

} // namespace Online
