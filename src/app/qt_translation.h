#pragma once
// Qt's own texts (standard buttons, file and font dialogs) follow the program's language.
namespace mv {

// Installs Qt's German translation when `german`, removes it otherwise. False when the German
// translation is wanted but not installed on this machine (Qt's texts then stay English).
bool applyToolkitLanguage(bool german);

} // namespace mv
