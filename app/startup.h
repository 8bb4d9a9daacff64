#pragma once

#include <QString>

class QApplication;

// Names the application and its maker, which settings and --version use;
// needs no application object.
void nameApplication();

// Names the application and gives it its icon and font, before any window exists.
void configureApplication(QApplication &app);

// Whether a window can be shown at all; without a display Qt would abort.
// platform and display are the command line's -platform and -display, which
// take the place of QT_QPA_PLATFORM and DISPLAY.
bool displayAvailable(const QString &platform = {}, const QString &display = {});
