// Feeds arbitrary bytes to the reader. Besides crashes and sanitizer reports
// it stops on an outcome the reader never promises: a refusal without a
// reason, or values the form's lists cannot hold.
#include "padreader.h"

#include <QDate>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
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
    return 0;
}
