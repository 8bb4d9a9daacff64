#pragma once

#include "padform.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QTest>

// Folder of small fixture files kept with the tests.
inline QString testDataPath(const QString &name)
{
    return QStringLiteral(QUILLET_TEST_DATA_DIR "/") + name;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The same UTF-8 document with every element under the prefix p: of one
// namespace, declared on the document element, as some tools write PAD
// files. Comments, CDATA sections and the declaration stay as they are.
inline QByteArray withPrefix(const QByteArray &bytes)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)([A-Za-z_])"));
    QString text = QString::fromUtf8(bytes).replace(tag, QStringLiteral("<\\1p:\\2"));
    const qsizetype root = text.indexOf(QLatin1String("<p:XML_DIZ_INFO")) + 15;
    text.insert(root, QLatin1String(" xmlns:p=\"urn:example:pad\""));
    return text.toUtf8();
}

// The fully filled form that tests/data/writer/full-form.xml holds.
inline Pad::PadValues goldenForm()
{
    using F = Pad::TextField;
    Pad::PadValues v;
    v.text(F::Company_Name) = QStringLiteral("Smith & Sons <UK> \u2014 Caf\u00e9");
    v.text(F::Company_Website_URL) = QStringLiteral("https://smith.example.com/?a=1&b=2");
    v.text(F::Contact_Email) = QStringLiteral("\"Jo\" <jo@smith.example.com>");
    v.text(F::Program_Name) = QStringLiteral("Zeichen-Pr\u00fcfer \u65e5\u672c");
    v.text(F::Program_Version) = QStringLiteral("2.0 'beta'");
    v.text(F::Program_Cost_Dollars) = QStringLiteral("19.95");
    v.text(F::File_Size_Bytes) = QStringLiteral("1048576");
    v.text(F::Keywords) = QStringLiteral("pad, xml, ]]> edge");
    v.text(F::Char_Desc_450) =
        QStringLiteral("First line & more.\nSecond line with <tags> and \"quotes\".");
    v.text(F::Application_Info_URL) = QStringLiteral("https://smith.example.com/info");
    v.text(F::Application_XML_File_URL) = QStringLiteral("https://smith.example.com/pad.xml");
    v.text(F::Primary_Download_URL) = QStringLiteral("https://smith.example.com/dl/setup.exe");
    v.releaseDate = QDate(2005, 6, 3);
    v.programType = QStringLiteral("Data Only");
    v.osSupport = QStringList{QStringLiteral("Win95"), QStringLiteral("WinXP"),
                              QStringLiteral("Linux"), QStringLiteral("Mac OS X")};
    return v;
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
