// Updates a PAD file made from arbitrary bytes with edits made from them too,
// as the window and --update do, and stops on an outcome the update never
// promises. An update either refuses with a reason, or gives bytes that the
// reader takes, in which every edit reads back as given (the form's fields,
// the other fields, a language taken out), every other element that holds
// no child element keeps its text, nothing changes when no change is
// reported, and the same edits made again change nothing.
//
// A file whose elements are in the namespace of its document element must
// update as its twin without one: with the twin chosen, the file is given
// every element under p: (or only its document element, the others staying
// in no namespace), and its update must be the plain file's update with the
// same prefixes, or be refused as that one is. Every path goes by local
// names, so the checks above hold for it as they stand.
//
// The input: one byte, the number of edits (modulo 5) and, as the next
// digit (byte / 5, modulo 3), the twin: none, every element prefixed, the
// document element alone prefixed; each edit as one byte
// of kind (modulo 4: a field of the form, a field of the format's table, a
// description in another language, a language taken out), two bytes that
// choose within the kind, one byte of length n and n UTF-16 code units of
// value; then the file's bytes. tests/fuzz/seeds/update/ holds inputs made so.
#include "padform.h"
#include "padreader.h"
#include "padupdate.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QStringEncoder>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

namespace {

const QDate Today(2026, 6, 15);

[[noreturn]] void fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "broken promise: %s %s\n", what, qPrintable(detail));
    std::abort();
}

// Takes bytes off the front of the input.
struct Input
{
    const uint8_t *data;
    std::size_t size;

    uint8_t byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
    unsigned number() { return unsigned(byte()) << 8 | byte(); }
    QString text()
    {
        const std::size_t units = std::min<std::size_t>(byte(), size / 2);
        const QString value = QString::fromUtf16(reinterpret_cast<const char16_t *>(data), qsizetype(units));
        data += units * 2;
        size -= units * 2;
        return value;
    }
};

// What the edits ask for, and what they touch of the file.
struct Edits
{
    Pad::PadValues values;
    Pad::OtherFields fields;
    QSet<QString> touched;    // paths whose elements may change
    QStringList addedLanguages;
    QStringList removedLanguages;
};

QString blockPath(const QString &language)
{
    return QStringLiteral("%1/%2").arg(Pad::DescriptionsPath, language);
}

void editFormField(unsigned choice, const QString &value, Edits &edits)
{
    const Pad::FormField &field = Pad::formFields()[choice % Pad::formFields().size()];
    switch (field.kind) {
    case Pad::FieldKind::Text:
        edits.values.text(field.text) = value;
        break;
    case Pad::FieldKind::ReleaseDate:
        // Some invalid: the file's date stays.
        edits.values.releaseDate = value.size() < 3 ? QDate()
                                                    : QDate(1 + value[0].unicode() % 9999, 1 + value[1].unicode() % 13,
                                                            1 + value[2].unicode() % 31);
        break;
    case Pad::FieldKind::ProgramType:
        edits.values.programType = value.isEmpty() ? QString()
                                                   : Pad::ProgramTypeList().value(value[0].unicode() % 6);
        break;
    case Pad::FieldKind::OsSupport:
        edits.values.osSupport.clear();
        for (qsizetype i = 0; i < Pad::OsSupportList().size(); ++i) {
            if (i / 16 < value.size() && (value[i / 16].unicode() >> (i % 16)) & 1)
                edits.values.osSupport << Pad::OsSupportList()[i];
        }
        break;
    }
}

void setOtherField(const QString &path, const QString &value, Edits &edits)
{
    const QString language = Pad::descriptionLanguage(path).toString();
    if (!language.isEmpty() && language != Pad::DefaultLanguage && !edits.fields.languages.contains(language)) {
        edits.fields.languages << language;
        edits.addedLanguages << language;
    }
    edits.fields.values.insert(path, value);
    edits.touched.insert(path);
}

void removeLanguage(unsigned choice, Edits &edits)
{
    if (edits.fields.languages.isEmpty())
        return;
    const QString language = edits.fields.languages[choice % edits.fields.languages.size()];
    edits.fields.languages.removeAll(language);
    edits.fields.values.removeIf([&](const auto &value) { return Pad::descriptionLanguage(value.key()) == language; });
    edits.removedLanguages << language;
}

// One edit as the input gives it.
struct RawEdit
{
    int kind;
    unsigned choice;
    QString value;
};

enum class Twin { None, Prefixed, RootPrefixed };

std::vector<RawEdit> readEdits(Input &input, Twin *twin)
{
    const uint8_t first = input.byte();
    *twin = Twin((first / 5) % 3);
    std::vector<RawEdit> raw(first % 5);
    for (RawEdit &edit : raw) {
        edit.kind = input.byte() % 4;
        edit.choice = input.number();
        edit.value = input.text();
    }
    return raw;
}

Edits applyEdits(const std::vector<RawEdit> &raw, const Pad::PadDocument &file)
{
    Edits edits;
    edits.values = file.imported.values;
    edits.fields = file.otherFields;
    for (const RawEdit &edit : raw) {
        if (edit.kind == 0) {
            editFormField(edit.choice, edit.value, edits);
        } else if (edit.kind == 1) {
            const QList<Pad::FormatField> &table = Pad::formatFields();
            const QString &path = table[edit.choice % table.size()].path;
            if (!Pad::shownInWindow(path))
                setOtherField(path, edit.value, edits);
        } else if (edit.kind == 2) {
            const QStringList &languages = Pad::formatLanguages();
            const QStringList &elements = Pad::descriptionElements();
            const QString language = languages[edit.choice % languages.size()];
            if (language != Pad::DefaultLanguage) {
                setOtherField(blockPath(language) + u'/' + elements[(edit.choice / languages.size()) % elements.size()],
                              edit.value, edits);
            }
        } else {
            removeLanguage(edit.choice, edits);
        }
    }
    return edits;
}

// Whether an element at path may have changed: it was edited or holds one
// of the form's values or a size that follows the form's, an element was made
// inside it, or it lies in a language block that came or went.
bool mayChange(const QString &path, const Edits &edits)
{
    QSet<QString> editable = edits.touched;
    for (const Pad::FormField &field : Pad::formFields())
        editable.unite(QSet<QString>(field.paths.cbegin(), field.paths.cend()));
    editable << Pad::FileSizeKilobytesPath << Pad::FileSizeMegabytesPath;
    for (const QString &edited : std::as_const(editable)) {
        if (edited == path || edited.startsWith(path + u'/'))
            return true;
    }
    for (const QStringList *languages : {&edits.addedLanguages, &edits.removedLanguages}) {
        for (const QString &language : *languages) {
            const QString block = blockPath(language);
            if (path == block || path.startsWith(block + u'/'))
                return true;
        }
    }
    return false;
}

QHash<QString, QStringList> textsByPath(const QList<Pad::PathText> &leaves)
{
    QHash<QString, QStringList> texts;
    for (const Pad::PathText &leaf : leaves)
        texts[leaf.path] << leaf.text;
    return texts;
}

void checkOthersKept(const Pad::PadDocument &before, const Pad::PadDocument &after, const Edits &edits)
{
    const QHash<QString, QStringList> old = textsByPath(before.leaves);
    const QHash<QString, QStringList> now = textsByPath(after.leaves);
    // Elements too deep to list leave nothing to compare.
    QString reason;
    if (!before.xml.leaves(&reason) || !after.xml.leaves(&reason))
        return;
    for (const QHash<QString, QStringList> *side : {&old, &now}) {
        for (auto it = side->cbegin(); it != side->cend(); ++it) {
            if (!mayChange(it.key(), edits) && old.value(it.key()) != now.value(it.key())) {
                fail("an element nobody edited changed:",
                     it.key() + u' ' + old.value(it.key()).join(u'|') + QStringLiteral(" -> ") + now.value(it.key()).join(u'|'));
            }
        }
    }
}

void checkEditsCameBack(const Pad::PadDocument &file, const Pad::PadDocument &back, const Edits &edits)
{
    Pad::PadValues expected = edits.values;
    if (!expected.releaseDate.isValid())
        expected.releaseDate = file.imported.values.releaseDate;
    if (expected.programType.isEmpty())
        expected.programType = file.imported.values.programType;
    expected.osSupport.clear();
    for (const QString &entry : Pad::OsSupportList()) {
        if (edits.values.osSupport.contains(entry))
            expected.osSupport << entry;
    }
    if (!(back.imported.values == expected))
        fail("a field of the form did not come back");
    for (auto it = edits.fields.values.cbegin(); it != edits.fields.values.cend(); ++it) {
        const Pad::XmlElement *element = back.xml.find(it.key());
        if (edits.touched.contains(it.key()) && (!element || back.xml.elementText(*element) != it.value())
            && !(it.value().isEmpty() && !element))
            fail("another field did not come back:", it.key());
    }
    for (const QString &language : edits.removedLanguages) {
        if (!edits.fields.languages.contains(language) && back.xml.find(blockPath(language)))
            fail("a language taken out is still there");
    }
}

// The author's fields once more, with the sizes in K and MB as the update
// made them follow the size in bytes.
Pad::OtherFields withFollowedSizes(Pad::OtherFields fields, const Pad::PadDocument &back)
{
    for (const QString &path : {QString(Pad::FileSizeKilobytesPath), QString(Pad::FileSizeMegabytesPath)}) {
        if (back.otherFields.values.contains(path))
            fields.values.insert(path, back.otherFields.values.value(path));
    }
    return fields;
}

// The document's bytes with every element (or the document element alone)
// under the prefix p:, declared on the document element; nullopt for a
// document that uses namespaces already or whose text its encoding cannot
// give back.
std::optional<QByteArray> prefixedTwin(const Pad::XmlDocument &xml, Twin twin)
{
    std::vector<std::pair<qsizetype, QString>> inserts;
    for (const Pad::XmlElement &element : xml.elements) {
        if (element.prefixLength > 0 || element.namespaceIndex >= 0)
            return std::nullopt;
        if (twin == Twin::RootPrefixed && &element != &xml.root())
            continue;
        inserts.push_back({element.span.start + 1, QStringLiteral("p:")});
        if (element.span.contentStart != element.span.end)
            inserts.push_back({element.span.contentEnd + 2, QStringLiteral("p:")});
    }
    const Pad::XmlElement &root = xml.root();
    inserts.push_back({root.span.start + 1 + root.nameLength, QStringLiteral(" xmlns:p=\"urn:example:pad\"")});
    std::stable_sort(inserts.begin(), inserts.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QString text = xml.text;
    for (const auto &[at, piece] : inserts)
        text.insert(at, piece);
    QStringEncoder encoder(xml.encoding.constData());
    QByteArray bytes = xml.byteOrderMark ? QByteArray(encoder.encode(QString(QChar(0xfeff)))) : QByteArray();
    bytes += encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

std::optional<Pad::PadUpdate> update(const Pad::PadDocument &file, const Edits &asked, QString *reason)
{
    return Pad::updatePad(file, asked.values, Pad::otherFieldEditsOf(file, asked.fields), Today, reason);
}

// The prefixed twin reads as the file does and updates as it does, but for the prefixes.
void checkPrefixedTwin(const Pad::PadDocument &file, const Pad::PadDocument &twin, Twin kind, const Edits &asked)
{
    if (!(twin.imported.values == file.imported.values) || twin.leaves != file.leaves
        || !(twin.otherFields == file.otherFields) || twin.kept != file.kept)
        fail("the prefixed twin reads otherwise");
    QString reason;
    QString twinReason;
    const std::optional<Pad::PadUpdate> plain = update(file, asked, &reason);
    const std::optional<Pad::PadUpdate> prefixed = update(twin, asked, &twinReason);
    if (plain.has_value() != prefixed.has_value())
        fail("the prefixed twin is refused otherwise:", reason + QStringLiteral(" / ") + twinReason);
    if (!plain || !plain->document)
        return;
    if (plain->changes != prefixed->changes)
        fail("the prefixed twin changes other fields");
    // An element made in a document element without children takes its
    // prefix, which the plain twin cannot show.
    if (kind == Twin::RootPrefixed && file.xml.root().firstChild < 0)
        return;
    const std::optional<QByteArray> expected = prefixedTwin(plain->document->xml, kind);
    if (expected && *expected != prefixed->bytes)
        fail("the prefixed twin's update differs by more than the prefixes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input{data, size};
    Twin twinKind = Twin::None;
    const std::vector<RawEdit> raw = readEdits(input, &twinKind);
    QByteArray bytes(reinterpret_cast<const char *>(input.data), qsizetype(input.size));
    QString reason;
    std::optional<Pad::PadDocument> file = Pad::loadPad(bytes, Today, &reason);
    if (!file)
        return 0;
    if (twinKind != Twin::None) {
        const std::optional<QByteArray> twinBytes = prefixedTwin(file->xml, twinKind);
        std::optional<Pad::PadDocument> twin = twinBytes ? Pad::loadPad(*twinBytes, Today, &reason) : std::nullopt;
        // A start tag that the declaration makes too long is the twin's own refusal.
        if (!twin)
            return 0;
        checkPrefixedTwin(*file, *twin, twinKind, applyEdits(raw, *file));
        bytes = *twinBytes;
        file = std::move(twin);
    }

    const Edits asked = applyEdits(raw, *file);
    const std::optional<Pad::PadUpdate> update = ::update(*file, asked, &reason);
    if (!update) {
        if (reason.isEmpty())
            fail("refused without a reason");
        return 0;
    }
    if (update->changes.isEmpty() != !update->document || (!update->document && update->bytes != bytes))
        fail("bytes changed without a change, or the other way round");
    if (!update->document)
        return 0;
    const std::optional<Pad::PadDocument> back = Pad::loadPad(update->bytes, Today, &reason);
    if (!back)
        fail("the updated file is refused");
    checkEditsCameBack(*file, *back, asked);
    checkOthersKept(*file, *back, asked);

    const Pad::OtherFields fields = withFollowedSizes(asked.fields, *back);
    const std::optional<Pad::PadUpdate> again =
        Pad::updatePad(*back, asked.values, Pad::otherFieldEditsOf(*back, fields), Today, &reason);
    if (!again || !again->changes.isEmpty())
        fail("the same edits made again change the file");
    return 0;
}
