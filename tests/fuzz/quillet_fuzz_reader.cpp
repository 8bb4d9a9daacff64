// Feeds arbitrary bytes to the reader. Besides crashes and sanitizer reports
// it stops on an outcome the reader never promises: a refusal without a
// reason, values the form's lists cannot hold, or a different outcome when
// the same bytes arrive in small pieces (the first byte chooses their size)
// instead of 64 KiB at a time. Only the column of a fault that Qt's stream
// reader itself reports may differ: it counts to where it noticed the fault,
// which can depend on where a piece ended. (A file is always read in the same
// pieces, so it always gets the same message.)
#include "padreader.h"
#include "trickle.h"

#include <QBuffer>
#include <QDate>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}


const QStringList Paths{
    QStringLiteral("Company_Info/Company_Name"),
    QStringLiteral("Company_Info/Contact_Info/Contact_Email"),
    QStringLiteral("Program_Info/Program_OS_Support"),
    QStringLiteral("Program_Descriptions/English/Char_Desc_450"),
    QStringLiteral("E"),
};

bool same(const std::optional<Pad::ElementTexts> &a, const std::optional<Pad::ElementTexts> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    if (a->rootName != b->rootName || a->rootLocalName != b->rootLocalName)
        return false;
    for (std::size_t i = 0; i < a->elements.size(); ++i) {
        const Pad::ElementText &x = a->elements[i];
        const Pad::ElementText &y = b->elements[i];
        if (x.found != y.found || x.text != y.text || x.markup != y.markup)
            return false;
    }
    return true;
}

QString withoutReaderColumn(QString reason)
{
    static const QRegularExpression column(QStringLiteral("^(it is not well-formed XML \\(line \\d+, column )\\d+(: .*\\.\\))$"));
    return reason.replace(column, QStringLiteral("\\1?\\2"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString reason;
    const std::optional<Pad::PadImport> read = Pad::readPadData(bytes, QDate(2026, 6, 15), &reason);
    if (!read) {
        if (reason.isEmpty())
            fail("refused without a reason");
    } else {
        if (!read->values.programType.isEmpty()
            && !Pad::ProgramTypeList().contains(read->values.programType))
            fail("a program type outside the list");
        for (const QString &os : read->values.osSupport) {
            if (!Pad::OsSupportList().contains(os))
                fail("an operating system outside the list");
        }
        if (QStringList(read->values.osSupport).removeDuplicates() != 0)
            fail("an operating system ticked twice");
        for (const QString &note : read->notes) {
            if (note.isEmpty() || note.contains(u'\n'))
                fail("a note that is not one line");
        }
    }

    QBuffer whole;
    whole.setData(bytes);
    whole.open(QIODevice::ReadOnly);
    QString wholeReason;
    const std::optional<Pad::ElementTexts> atOnce = Pad::readElementTexts(whole, Paths, &wholeReason);
    Trickle trickle(bytes, size > 0 ? 1 + data[0] % 61 : 1);
    QString trickleReason;
    const std::optional<Pad::ElementTexts> inPieces = Pad::readElementTexts(trickle, Paths, &trickleReason);
    if (!same(atOnce, inPieces) || withoutReaderColumn(wholeReason) != withoutReaderColumn(trickleReason)) {
        std::fprintf(stderr, "at once: %s\nin pieces: %s\n", qPrintable(wholeReason), qPrintable(trickleReason));
        fail("the outcome depends on how the bytes arrive");
    }
    return 0;
}
