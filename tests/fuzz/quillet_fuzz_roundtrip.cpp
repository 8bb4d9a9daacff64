// Writes a form built from arbitrary bytes and reads the file back: whatever
// the window lets the writer save must come back exactly, white space and all
// (line ends as XML reads them).
#include "padform.h"
#include "padreader.h"
#include "padwriter.h"

#include <QDate>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The bytes are read as UTF-16 and cut into the fields at each U+0001.
    const QString all = QString::fromUtf16(reinterpret_cast<const char16_t *>(data), qsizetype(size / 2));
    const QStringList pieces = all.split(QChar(1));

    Pad::PadValues values;
    for (int i = 0; i < Pad::TextFieldCount; ++i)
        values.texts[i] = pieces.value(i);
    const uint seed = size > 0 ? data[0] : 0;
    values.programType = Pad::ProgramTypeList().value(seed % Pad::ProgramTypeList().size());
    for (qsizetype i = 0; i < Pad::OsSupportList().size(); ++i) {
        if (size > 1 + std::size_t(i / 8) && (data[1 + i / 8] >> (i % 8)) & 1)
            values.osSupport << Pad::OsSupportList().at(i);
    }
    values.releaseDate = QDate(2000 + int(seed % 100), 1 + int(seed % 12), 1 + int(seed % 28));
    if (Pad::findUnsavableField(values))
        return 0; // the window refuses such a form before writing

    const QByteArray bytes = Pad::padFileBytes(Pad::padFileLines(values));
    QString reason;
    const std::optional<Pad::PadDocument> read = Pad::loadPad(bytes, QDate(2026, 6, 15), &reason);
    if (!read) {
        std::fprintf(stderr, "a written file was refused: %s\n", qPrintable(reason));
        std::abort();
    }
    if (!(read->imported.values == values)) {
        std::fprintf(stderr, "a value did not come back as written\n");
        std::abort();
    }
    return 0;
}
