#pragma once

class QCoreApplication;

namespace tc4dl {

// Installs Qt's own German translations (message box buttons, the colour, file and print
// dialogs, the child windows' system menu) for `app`, which owns the translator. The program
// speaks German; without these, every standard dialog would be English. False when Qt's
// translations are not installed (the texts then stay English).
bool installQtGermanTexts(QCoreApplication& app);

} // namespace tc4dl
