#include "installerfacts.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

namespace Export {

// SHA-256 through OpenSSL's libcrypto, which uses the processor's SHA
// instructions where it has them: several times faster than a plain C
// hash, and so as fast as reading the file.
class InstallerInspector::Hash
{
public:
    Hash() : m_context(EVP_MD_CTX_new()) { EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr); }
    ~Hash() { EVP_MD_CTX_free(m_context); }
    void add(QByteArrayView bytes) { EVP_DigestUpdate(m_context, bytes.data(), std::size_t(bytes.size())); }
    QByteArray result()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(m_context, digest, &length);
        return QByteArray(reinterpret_cast<const char *>(digest), int(length));
    }

private:
    EVP_MD_CTX *m_context;
};

namespace {

// Inno Setup's loader names itself in its application manifest, and the
// setup data it carries begins with this title.
constexpr QByteArrayView InnoManifestName("JR.Inno.Setup");
constexpr QByteArrayView InnoDataTitle("Inno Setup Setup Data (");
// NSIS's first header: its signature word and name.
constexpr QByteArrayView NsisSignature("\xEF\xBE\xAD\xDENullsoftInst");
// An MSIX or APPX package (or bundle) holds its package manifest under one of these names.
constexpr QByteArrayView PackageManifests[] = {QByteArrayView("AppxManifest.xml"),
                                               QByteArrayView("AppxMetadata/AppxBundleManifest.xml")};
constexpr QByteArrayView ZipLocalHeader("PK\x03\x04");
constexpr QByteArrayView ZipCentralHeader("PK\x01\x02");
constexpr qsizetype ZipLocalNameOffset = 30;
constexpr qsizetype ZipCentralNameOffset = 46;
// The bytes kept across a chunk's end: the longest marker with what precedes it.
constexpr qsizetype CarrySize = ZipCentralNameOffset + 40;
// The compound file signature with which every MSI begins.
constexpr QByteArrayView CompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
// The section that WiX Burn adds to its bundles.
constexpr QByteArrayView BurnSection(".wixburn");

bool holds(QByteArrayView haystack, QByteArrayView needle)
{
    if (haystack.size() < needle.size())
        return false;
    return memmem(haystack.data(), std::size_t(haystack.size()), needle.data(), std::size_t(needle.size()))
           != nullptr;
}

quint32 readLe32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 readLe16(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// Whether one of the package manifests' names stands where a zip's local or
// central header puts a file name, with that header's name length.
bool holdsPackageManifest(QByteArrayView bytes)
{
    for (const QByteArrayView name : PackageManifests) {
        for (qsizetype at = bytes.indexOf(name); at >= 0; at = bytes.indexOf(name, at + 1)) {
            const auto headerAt = [&](QByteArrayView signature, qsizetype nameOffset, qsizetype lengthOffset) {
                const qsizetype start = at - nameOffset;
                return start >= 0 && bytes.sliced(start, 4) == signature
                       && qFromLittleEndian<quint16>(bytes.data() + start + lengthOffset) == name.size();
            };
            if (headerAt(ZipLocalHeader, ZipLocalNameOffset, 26) || headerAt(ZipCentralHeader, ZipCentralNameOffset, 28))
                return true;
        }
    }
    return false;
}

struct PeHeader
{
    quint16 machine = 0;
    bool burnSection = false;
};

// The PE header of an executable whose first bytes are head, or nullopt
// when head holds no PE header.
std::optional<PeHeader> peHeader(const QByteArray &head)
{
    if (!head.startsWith("MZ") || head.size() < 0x40)
        return std::nullopt;
    const quint32 pe = readLe32(head, 0x3C);
    if (pe > quint32(head.size()) - 24 || head.mid(pe, 4) != QByteArrayView("PE\0\0", 4))
        return std::nullopt;
    PeHeader header;
    header.machine = readLe16(head, pe + 4);
    const quint16 sections = readLe16(head, pe + 6);
    const qsizetype table = qsizetype(pe) + 24 + readLe16(head, pe + 20);
    for (int i = 0; i < sections && table + (i + 1) * 40 <= head.size(); ++i) {
        if (QByteArrayView(head).sliced(table + i * 40, 8) == BurnSection)
            header.burnSection = true;
    }
    return header;
}

QString machineName(quint16 machine)
{
    switch (machine) {
    case 0x014c: return QStringLiteral("x86");
    case 0x8664: return QStringLiteral("x64");
    case 0xaa64: return QStringLiteral("arm64");
    case 0x01c0:
    case 0x01c4: return QStringLiteral("arm");
    default: return QString();
    }
}

} // namespace

InstallerKind classifyInstaller(const QByteArray &head, bool innoMarker, bool nsisMarker, bool packageManifest,
                                const QString &nameHint)
{
    if (head.startsWith(CompoundFileSignature))
        return {QStringLiteral("msi"), QString()};
    if (head.startsWith(ZipLocalHeader)) {
        if (!packageManifest)
            return {QStringLiteral("zip"), QStringLiteral("neutral")};
        const QString suffix = QFileInfo(nameHint).suffix().toLower();
        const bool appx = suffix == u"appx" || suffix == u"appxbundle";
        return {appx ? QStringLiteral("appx") : QStringLiteral("msix"), QString()};
    }
    const std::optional<PeHeader> pe = peHeader(head);
    const QString architecture = pe ? machineName(pe->machine) : QString();
    if (pe && pe->burnSection)
        return {QStringLiteral("burn"), architecture};
    if (innoMarker || holds(head, InnoManifestName))
        return {QStringLiteral("inno"), architecture};
    if (nsisMarker)
        return {QStringLiteral("nullsoft"), architecture};
    return {QStringLiteral("exe"), architecture};
}

InstallerInspector::InstallerInspector(const QString &nameHint)
    : m_hash(std::make_unique<Hash>())
    , m_nameHint(nameHint)
{
}

InstallerInspector::~InstallerInspector() = default;

void InstallerInspector::feed(QByteArrayView chunk)
{
    if (chunk.isEmpty())
        return;
    m_hash->add(chunk);
    if (m_head.size() < InspectedHeadSize)
        m_head += chunk.first(std::min(chunk.size(), InspectedHeadSize - m_head.size()));
    scanMarkers(chunk);
    m_size += chunk.size();
}

void InstallerInspector::scanMarkers(QByteArrayView chunk)
{
    const bool executable = m_head.startsWith("MZ");
    const bool zip = m_head.startsWith(ZipLocalHeader);
    if (!(executable && !(m_innoMarker || m_nsisMarker)) && !(zip && !m_packageManifest))
        return;
    // The carry joins the chunk only where a marker could straddle the two.
    const QByteArray joint = m_carry + chunk.first(std::min(chunk.size(), CarrySize)).toByteArray();
    const auto found = [&](QByteArrayView marker) { return holds(joint, marker) || holds(chunk, marker); };
    if (executable) {
        m_innoMarker = found(InnoDataTitle) || found(InnoManifestName);
        m_nsisMarker = found(NsisSignature);
    } else {
        m_packageManifest = holdsPackageManifest(joint) || holdsPackageManifest(chunk);
    }
    const QByteArrayView tail = chunk.size() >= CarrySize ? chunk.last(CarrySize) : chunk;
    m_carry = (m_carry + tail.toByteArray()).right(CarrySize);
}

InstallerFacts InstallerInspector::finish()
{
    InstallerFacts facts;
    facts.sha256 = QString::fromLatin1(m_hash->result().toHex().toUpper());
    facts.size = m_size;
    const InstallerKind kind = classifyInstaller(m_head, m_innoMarker, m_nsisMarker, m_packageManifest, m_nameHint);
    facts.type = kind.type;
    facts.architecture = kind.architecture;
    return facts;
}

std::optional<InstallerFacts> inspectInstallerFile(const QString &path, QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    InstallerInspector inspector(QFileInfo(path).fileName());
    QByteArray buffer(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got < 0) {
            *reason = file.errorString();
            return std::nullopt;
        }
        if (got == 0)
            break;
        inspector.feed(QByteArrayView(buffer.constData(), got));
    }
    InstallerFacts facts = inspector.finish();
    facts.readFrom = path;
    return facts;
}

} // namespace Export
