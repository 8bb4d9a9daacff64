#pragma once

#include <QColor>
#include <QObject>

class QWidget;

// The two colours the window gives meaning to: the navy of the optional
// fields' labels and the red of a length counter at its limit. Each keeps its
// classic shade on light palettes; on dark ones it turns light enough to read.
// Either way its text keeps a contrast of at least MinimumContrast against the
// window colour (WCAG 2, level AA for normal text).
namespace AccentColor {

enum class Accent {
    Optional, // navy on light palettes
    Warning,  // red
};

inline constexpr double MinimumContrast = 4.5;

// WCAG 2 relative luminance, from 0 (black) to 1 (white).
double relativeLuminance(const QColor &color);
// From 1 (no contrast) to 21 (black on white), whichever colour is lighter.
double contrastRatio(const QColor &first, const QColor &second);

// The accent's text colour on the given background.
QColor on(Accent accent, const QColor &background);

} // namespace AccentColor

// Gives a widget's text the accent colour against the widget's own window
// colour, now and after every change of the widget's or the application's
// palette, for as long as it is active. Lives as a child of the widget.
class AccentText : public QObject
{
    Q_OBJECT

public:
    AccentText(QWidget *widget, AccentColor::Accent accent, bool active = true);

    // Inactive, the text follows the palette of the widget's parent again.
    void setActive(bool active);
    bool isActive() const { return m_active; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();

    QWidget *const m_widget;
    const AccentColor::Accent m_accent;
    bool m_active = false;
};
