#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

namespace Export {

// What an installer's own bytes say about it, in the winget manifest's words.
struct InstallerFacts
{
    QString sha256;       // 64 hexadecimal digits, upper case
    qint64 size = 0;      // in bytes
    QString type;         // msi, msix, appx, zip, inno, nullsoft, burn or exe
    QString architecture; // x86, x64, arm, arm64 or neutral; empty when the bytes do not say
    QString readFrom;     // the file (or, later, the address) the bytes came from
    bool operator==(const InstallerFacts &) const = default;
};

// Looks at an installer as its bytes come, in chunks of any size: hashes
// them as they pass and keeps only the few regions it needs (the first
// 64 KiB, for the headers, and a few bytes across each chunk's end, for the
// markers it looks for), never the whole file. So a local file read in
// pieces and a download streamed from a server go through the same steps:
// feed() each chunk, then finish().
class InstallerInspector
{
public:
    // nameHint: the file's name, if known, which tells an .appx from an .msix.
    explicit InstallerInspector(const QString &nameHint = QString());
    ~InstallerInspector();
    InstallerInspector(const InstallerInspector &) = delete;
    InstallerInspector &operator=(const InstallerInspector &) = delete;

    void feed(QByteArrayView chunk);
    qint64 bytesFed() const { return m_size; }
    // The facts of all the bytes fed; the inspector is spent afterwards.
    InstallerFacts finish();

private:
    class Hash;
    void scanMarkers(QByteArrayView chunk);

    std::unique_ptr<Hash> m_hash;
    QString m_nameHint;
    qint64 m_size = 0;
    QByteArray m_head;  // the first bytes, where the headers are
    QByteArray m_carry; // the last bytes of the chunk before, so a marker across two chunks is found
    bool m_innoMarker = false;
    bool m_nsisMarker = false;
    bool m_packageManifest = false;
};

// The most bytes of the file's start kept for reading its headers.
inline constexpr qsizetype InspectedHeadSize = 64 * 1024;

// What the first bytes of a file, and the markers found in all of them, make
// of it: the installer's kind and its processor. For tests and the inspector.
struct InstallerKind
{
    QString type;
    QString architecture;
};
InstallerKind classifyInstaller(const QByteArray &head, bool innoMarker, bool nsisMarker, bool packageManifest,
                                const QString &nameHint);

// Reads the local file at path through an inspector, a chunk at a time;
// nullopt with the reason when it cannot be read.
std::optional<InstallerFacts> inspectInstallerFile(const QString &path, QString *reason);

} // namespace Export
