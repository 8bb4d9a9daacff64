#include "startup.h"

#include "quilletinfo.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>

void nameApplication()
{
    QCoreApplication::setApplicationName(QLatin1String(Quillet::ApplicationName));
    QCoreApplication::setApplicationVersion(QLatin1String(Quillet::ApplicationVersion));
    QCoreApplication::setOrganizationName(QLatin1String(Quillet::OrganizationName));
}

void configureApplication(QApplication &app)
{
    nameApplication();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/quillet.png")));
    // Lets the desktop match the window to the installed entry and its icon.
    QApplication::setDesktopFileName(QLatin1String(Quillet::DesktopId));

    const QString classicFont = QStringLiteral("MS Sans Serif");
    if (QFontDatabase::families().contains(classicFont))
        app.setFont(QFont(classicFont, 8));
}

bool displayAvailable(const QString &platform, const QString &display)
{
    const QString chosen = platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platform;
    if (!chosen.isEmpty() && !chosen.startsWith(QLatin1String("xcb"))
        && !chosen.startsWith(QLatin1String("wayland")))
        return true;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!display.isEmpty() && !chosen.startsWith(QLatin1String("wayland")))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    Q_UNUSED(display);
    return true;
#endif
}
