// Draws the About logo, the window icon and the icons that installs and
// packages carry: about/logo.jpg, app/quillet.png, dist/icons/ (a scalable
// SVG and PNGs at the sizes the desktop shows sharp) and dist/windows/quillet.ico.
// Run it again only to change them:
//   QT_QPA_PLATFORM=offscreen build/tools/quillet_makeart <source folder>
#include <QBuffer>
#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

#include <cstdio>

static const QColor navy(0x00, 0x00, 0x80);

// The icon is drawn on a 64 by 64 grid; every size and the SVG share it.
static constexpr qreal iconGrid = 64;
static const QRectF iconSquare(2, 2, 60, 60);
static constexpr qreal iconCornerRadius = 10;
static const QLineF nibLine(12, 54, 18, 48);
static constexpr qreal nibWidth = 3;

// A quill: a slanted feather over a short nib line.
static QPainterPath featherPath()
{
    QPainterPath feather;
    feather.moveTo(16, 50);
    feather.cubicTo(20, 30, 34, 14, 52, 10);
    feather.cubicTo(46, 26, 34, 40, 16, 50);
    return feather;
}

static bool drawLogo(const QString &path)
{
    QImage image(150, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(navy);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Tarnwick"));
    painter.end();
    return image.save(path, "JPEG", 95);
}

static QImage renderIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / iconGrid, size / iconGrid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(navy);
    painter.drawRoundedRect(iconSquare, iconCornerRadius, iconCornerRadius);
    painter.setBrush(Qt::white);
    painter.drawPath(featherPath());
    painter.setPen(QPen(Qt::white, nibWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(nibLine);
    painter.end();
    return image;
}

static QString svgNumber(qreal value)
{
    return QString::number(value, 'g', 6);
}

static QString svgPathData(const QPainterPath &path)
{
    QStringList parts;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        const QString point = svgNumber(element.x) + QLatin1Char(' ') + svgNumber(element.y);
        switch (element.type) {
        case QPainterPath::MoveToElement:
            parts << QStringLiteral("M ") + point;
            break;
        case QPainterPath::LineToElement:
            parts << QStringLiteral("L ") + point;
            break;
        case QPainterPath::CurveToElement:
            parts << QStringLiteral("C ") + point;
            break;
        case QPainterPath::CurveToDataElement:
            parts << point;
            break;
        }
    }
    parts << QStringLiteral("Z");
    return parts.join(QLatin1Char(' '));
}

static QByteArray iconSvg()
{
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
        "  <rect x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" rx=\"%6\" ry=\"%6\" fill=\"%7\"/>\n"
        "  <path d=\"%8\" fill=\"#ffffff\"/>\n"
        "  <line x1=\"%9\" y1=\"%10\" x2=\"%11\" y2=\"%12\" stroke=\"#ffffff\" stroke-width=\"%13\" stroke-linecap=\"round\"/>\n"
        "</svg>\n")
        .arg(svgNumber(iconGrid), svgNumber(iconSquare.x()), svgNumber(iconSquare.y()),
             svgNumber(iconSquare.width()), svgNumber(iconSquare.height()),
             svgNumber(iconCornerRadius), navy.name(), svgPathData(featherPath()),
             svgNumber(nibLine.x1()))
        .arg(svgNumber(nibLine.y1()), svgNumber(nibLine.x2()), svgNumber(nibLine.y2()),
             svgNumber(nibWidth));
    return text.toUtf8();
}

static QByteArray pngData(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

// An ICO file of PNG images, as Windows has read since Vista: a directory
// of entries, each giving the size and where its image starts.
static QByteArray icoData(const QList<int> &sizes)
{
    QList<QByteArray> images;
    for (const int size : sizes)
        images << pngData(renderIcon(size));
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * images.size();
    for (int i = 0; i < images.size(); ++i) {
        // A width or height of 256 does not fit a byte and is written as 0.
        const quint8 side = sizes.at(i) >= 256 ? 0 : quint8(sizes.at(i));
        out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(images.at(i).size()) << offset;
        offset += images.at(i).size();
    }
    for (const QByteArray &image : images)
        out.writeRawData(image.constData(), image.size());
    return data;
}

static bool writeFile(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = drawLogo(root + QStringLiteral("/about/logo.jpg"))
        && renderIcon(64).save(root + QStringLiteral("/app/quillet.png"), "PNG")
        && writeFile(root + QStringLiteral("/dist/icons/quillet.svg"), iconSvg())
        && writeFile(root + QStringLiteral("/dist/windows/quillet.ico"), icoData({16, 32, 48, 256}));
    for (const int size : {48, 128, 256}) {
        ok = ok
            && renderIcon(size).save(
                root + QStringLiteral("/dist/icons/quillet-%1.png").arg(size), "PNG");
    }
    if (!ok) {
        std::fprintf(stderr, "could not write the pictures below %s\n", qPrintable(root));
        return 1;
    }
    return 0;
}
