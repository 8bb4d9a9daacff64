#include "accentcolor.h"

#include <QEvent>
#include <QPalette>
#include <QWidget>

#include <cmath>

namespace AccentColor {

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor mix(const QColor &from, const QColor &to, double share)
{
    const auto channel = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

struct Shades
{
    QColor onLight;
    QColor onDark;
};

Shades shadesOf(Accent accent)
{
    switch (accent) {
    case Accent::Optional:
        return {QColor(0x00, 0x00, 0x80), QColor(0x8a, 0xb4, 0xf8)};
    case Accent::Warning:
        return {QColor(0xb0, 0x20, 0x00), QColor(0xff, 0x8a, 0x50)};
    }
    Q_UNREACHABLE();
}

} // namespace

double relativeLuminance(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF())
           + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor &first, const QColor &second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor on(Accent accent, const QColor &background)
{
    // Below this luminance white stands out more than black does.
    const bool dark = relativeLuminance(background) < std::sqrt(1.05 * 0.05) - 0.05;
    const Shades shades = shadesOf(accent);
    const QColor start = dark ? shades.onDark : shades.onLight;
    const QColor end = dark ? Qt::white : Qt::black;
    // The first shade towards white or black that reads well: on the usual
    // palettes the classic shade itself.
    constexpr int steps = 64;
    for (int step = 0; step < steps; ++step) {
        const QColor shade = mix(start, end, double(step) / steps);
        if (contrastRatio(shade, background) >= MinimumContrast)
            return shade;
    }
    return end;
}

} // namespace AccentColor

AccentText::AccentText(QWidget *widget, AccentColor::Accent accent, bool active)
    : QObject(widget)
    , m_widget(widget)
    , m_accent(accent)
{
    widget->installEventFilter(this);
    setActive(active);
}

void AccentText::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active) {
        apply();
    } else {
        // The accent is the only role these widgets set, and an empty palette
        // resolves none, so the text follows the parent's palette again.
        m_widget->setPalette(QPalette());
    }
}

bool AccentText::eventFilter(QObject *watched, QEvent *event)
{
    // A new application palette reaches the widget as a PaletteChange too,
    // once the widget has resolved it.
    if (m_active && watched == m_widget && event->type() == QEvent::PaletteChange)
        apply();
    return QObject::eventFilter(watched, event);
}

void AccentText::apply()
{
    QPalette palette = m_widget->palette();
    const QColor color = AccentColor::on(m_accent, palette.color(QPalette::Window));
    // Setting an equal palette sends no change, which ends the round that
    // this change starts.
    if (palette.isBrushSet(QPalette::Active, QPalette::WindowText)
        && palette.color(QPalette::WindowText) == color)
        return;
    palette.setColor(QPalette::WindowText, color);
    m_widget->setPalette(palette);
}
