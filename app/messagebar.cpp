#include "messagebar.h"

#include <QAccessible>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

namespace {

constexpr int MaxShownLines = 8;

// The window's colour with a little of the message's own in it, so that the
// bar stands out on light and dark themes alike while its text keeps the
// palette's contrast.
QColor tinted(const QColor &window, const QColor &accent)
{
    constexpr double share = 0.2;
    return QColor::fromRgbF(float(window.redF() * (1 - share) + accent.redF() * share),
                            float(window.greenF() * (1 - share) + accent.greenF() * share),
                            float(window.blueF() * (1 - share) + accent.blueF() * share));
}

} // namespace

MessageBar::MessageBar(QWidget *parent)
    : QFrame(parent)
    , m_icon(new QLabel)
    , m_text(new QLabel)
    , m_textArea(new QScrollArea)
    , m_buttons(new QHBoxLayout)
    , m_close(new QToolButton)
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_text->setParent(this);
    m_text->hide();
    m_textArea->setWidgetResizable(true);
    m_textArea->setFrameShape(QFrame::NoFrame);
    m_textArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_textArea->viewport()->setAutoFillBackground(false);
    m_text->setAutoFillBackground(false);
    m_icon->setAlignment(Qt::AlignTop);
    m_close->setAutoRaise(true);
    m_close->setToolTip(tr("Close"));
    m_close->setAccessibleName(tr("Close"));
    connect(m_close, &QToolButton::clicked, this, &MessageBar::dismiss);

    auto *row = new QHBoxLayout(this);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addWidget(m_textArea, 1);
    row->addLayout(m_buttons);
    row->addWidget(m_close, 0, Qt::AlignTop);
    hide();
}

void MessageBar::showLines(Kind kind, const QStringList &lines)
{
    m_kind = kind;
    m_lines = lines;
    // Set up when first shown: sizing the text asks the fonts, which start-up
    // leaves until the window is shown, and most starts show no bar.
    if (!m_textArea->widget()) {
        m_textArea->setWidget(m_text);
        m_close->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton, nullptr, this));
    }
    const QStyle::StandardPixmap pixmap =
        kind == Kind::Warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    const int extent = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    m_icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(QSize(extent, extent)));
    m_text->setText(lines.join(u'\n'));
    setAccessibleDescription(lines.join(u'\n'));
    applyColors();
    show();
    fitTextHeight();
    // Screen readers read an alert as soon as it appears, as they would a box.
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QPushButton *MessageBar::addButton(const QString &text)
{
    auto *button = new QPushButton(text);
    m_buttons->addWidget(button, 0, Qt::AlignTop);
    return button;
}

void MessageBar::dismiss()
{
    const bool wasShown = isVisible() || !m_lines.isEmpty();
    hide();
    m_lines.clear();
    m_text->clear();
    setAccessibleDescription(QString());
    while (QLayoutItem *item = m_buttons->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (wasShown)
        emit dismissed();
}

void MessageBar::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_applyingColors)
        applyColors();
}

void MessageBar::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitTextHeight();
}

void MessageBar::fitTextHeight()
{
    const int scrollBar = m_textArea->verticalScrollBar()->sizeHint().width();
    const int width = std::max(1, m_textArea->width() - scrollBar);
    const int needed = m_text->heightForWidth(width);
    const int most = m_text->fontMetrics().lineSpacing() * MaxShownLines;
    const int height = std::min(needed, most);
    if (m_textArea->height() != height)
        m_textArea->setFixedHeight(height);
}

void MessageBar::applyColors()
{
    // Setting the palette sends a palette change of its own.
    m_applyingColors = true;
    QPalette palette = parentWidget() ? parentWidget()->palette() : this->palette();
    const QColor accent = m_kind == Kind::Warning ? QColor(0xf6, 0x74, 0x00) : palette.color(QPalette::Highlight);
    palette.setColor(QPalette::Window, tinted(palette.color(QPalette::Window), accent));
    setPalette(palette);
    m_applyingColors = false;
}
