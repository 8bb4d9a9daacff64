// Draws the About logo and the window icon that the sources keep under
// about/logo.jpg and app/quillet.png. Run it again only to change them:
//   QT_QPA_PLATFORM=offscreen build/tools/quillet_makeart <source folder>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

static const QColor navy(0x00, 0x00, 0x80);

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

static bool drawIcon(const QString &path)
{
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(navy);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    // A quill: a slanted feather over a short nib line.
    QPainterPath feather;
    feather.moveTo(16, 50);
    feather.cubicTo(20, 30, 34, 14, 52, 10);
    feather.cubicTo(46, 26, 34, 40, 16, 50);
    painter.setBrush(Qt::white);
    painter.drawPath(feather);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(12, 54), QPointF(18, 48));
    painter.end();
    return image.save(path, "PNG");
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    if (!drawLogo(root + QStringLiteral("/about/logo.jpg"))
        || !drawIcon(root + QStringLiteral("/app/quillet.png"))) {
        std::fprintf(stderr, "could not write the pictures below %s\n", qPrintable(root));
        return 1;
    }
    return 0;
}
