#include "aboutdialog.h"

#include "quilletinfo.h"

#include <QBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextOption>
#include <QtMath>

using namespace Qt::StringLiterals;

namespace {

// The picture is laid out for a 96 dpi screen; Qt scales these logical
// pixels on denser screens.
constexpr QSize MemoSize(385, 145);
constexpr QSize ImageSize(153, 33);
constexpr QSize ButtonSize(97, 25);

QString aboutText()
{
    const QStringList lines{
        u"Quillet generate minimum required fields "_s,
        u"requires by Brindlow ("_s + QLatin1StringView(Quillet::ValidationKitUrl) + u')',
        QString(),
        u"For more complex fields, try our Online PAD Generator at "_s,
        QLatin1StringView(Quillet::MakerUrl),
        QString(),
        QLatin1StringView(Quillet::ApplicationName),
        QLatin1StringView(Quillet::CopyrightLine),
        QLatin1StringView(Quillet::OrganizationName),
    };
    return lines.join(u'\n');
}

// The memo is at least as large as on the 96 dpi layout, and larger when the
// desktop font needs it, so that all lines show without wrapping or scrolling.
QSize memoSizeFor(const QPlainTextEdit &memo)
{
    const QFontMetrics metrics(memo.font());
    const QStringList lines = memo.toPlainText().split(u'\n');
    int textWidth = 0;
    for (const QString &line : lines)
        textWidth = qMax(textWidth, metrics.horizontalAdvance(line));
    const int margins =
            2 * (memo.frameWidth() + qCeil(memo.document()->documentMargin()));
    // The slack keeps a line from wrapping over rounding in the text layout.
    const int slack = metrics.averageCharWidth();
    return MemoSize.expandedTo(QSize(textWidth + margins + slack,
                                     int(lines.size()) * metrics.lineSpacing() + margins));
}

QPixmap loadLogo()
{
    QImageReader reader(u":/about/logo.jpg"_s);
    const QImage logo = reader.read();
    if (logo.isNull())
        qWarning("About dialog: cannot read the logo: %s", qPrintable(reader.errorString()));
    return QPixmap::fromImage(logo);
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                      | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                      | Qt::MSWindowsFixedSizeDialogHint)
    , m_memo(new QPlainTextEdit(this))
    , m_image(new QLabel(this))
    , m_buttonOk(new QPushButton(tr("&OK"), this))
{
    setWindowTitle(tr("About Quillet"));
    setModal(true);

    m_memo->setObjectName(u"Memo1"_s);
    m_memo->setReadOnly(true);
    m_memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QTextOption centred = m_memo->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    m_memo->document()->setDefaultTextOption(centred);
    m_memo->setPlainText(aboutText());
    QPalette memoPalette = m_memo->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        memoPalette.setBrush(group, QPalette::Base, memoPalette.brush(group, QPalette::Midlight));
    m_memo->setPalette(memoPalette);
    m_memo->setFixedSize(memoSizeFor(*m_memo));

    m_image->setObjectName(u"Image1"_s);
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image->setFixedSize(ImageSize);
    m_image->setPixmap(loadLogo());

    m_buttonOk->setObjectName(u"ButtonOK"_s);
    m_buttonOk->setMinimumSize(ButtonSize);
    m_buttonOk->setDefault(true);
    connect(m_buttonOk, &QPushButton::clicked, this, &AboutDialog::accept);

    auto *const bottomRow = new QHBoxLayout;
    bottomRow->setContentsMargins(24, 0, 10, 0);
    bottomRow->addWidget(m_buttonOk, 0, Qt::AlignBottom);
    bottomRow->addStretch();
    bottomRow->addWidget(m_image);

    auto *const layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 16, 2, 8);
    layout->setSpacing(15);
    layout->addWidget(m_memo);
    layout->addLayout(bottomRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_memo, m_buttonOk);
}

void AboutDialog::showEvent(QShowEvent *event)
{
    // QDialog would centre on the main window; this dialog belongs in the
    // middle of the desktop wherever the main window was moved.
    centreOnScreen();
    QDialog::showEvent(event);
}

void AboutDialog::centreOnScreen()
{
    const QWidget *anchor = parentWidget() ? parentWidget()->window() : this;
    if (const QScreen *screen = anchor->screen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
