#pragma once

#include "padform.h"

#include <QDir>
#include <QString>
#include <QTest>

// Folder of small fixture files kept with the tests.
inline QString testDataPath(const QString &name)
{
    return QStringLiteral(QUILLET_TEST_DATA_DIR "/") + name;
}

// Real PAD files that projects publish about themselves. They are not ours
// to redistribute, so they live beside the checkout and may be missing.
inline QString samplesDir()
{
    return QDir::cleanPath(QStringLiteral(QUILLET_SAMPLES_DIR));
}

namespace Pad {
// Lets QCOMPARE show which values of two forms differ.
inline char *toString(const PadValues &values)
{
    QStringList parts;
    for (int i = 0; i < TextFieldCount; ++i)
        parts << objectName(static_cast<TextField>(i)) + u'=' + values.texts[i].left(80);
    parts << QStringLiteral("date=") + values.releaseDate.toString(Qt::ISODate)
          << QStringLiteral("type=") + values.programType
          << QStringLiteral("os=") + values.osSupport.join(u',');
    return QTest::toString(parts.join(QStringLiteral(" | ")));
}
} // namespace Pad
