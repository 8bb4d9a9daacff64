#pragma once

class QApplication;

// Names the application and its maker, which settings and --version use;
// needs no application object.
void nameApplication();

// Names the application and gives it its icon and font, before any window exists.
void configureApplication(QApplication &app);

// Whether a window can be shown at all; without a display Qt would abort.
bool displayAvailable();
