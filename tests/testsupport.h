#pragma once

#include <QDir>
#include <QString>

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
