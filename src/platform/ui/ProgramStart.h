// What Varnox and VarnoxReplica both do first, so the two programs start alike.
#pragma once

class QString;

namespace ui {

// Names the program (its settings are kept under "Varnox" and this name), installs the desktop behaviour
// and Qt's own texts in Japanese. Call once the application object exists.
void startProgram(const QString& applicationName);

// Qt's own Japanese texts (file, print and page set-up dialogs, their questions and buttons); false when
// the translation is missing.
bool loadQtTranslation();

} // namespace ui
