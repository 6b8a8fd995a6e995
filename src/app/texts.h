#pragma once
// The program's language: 1 German, anything else English.
#include <QString>

namespace mv {

int language();
void setLanguage(int value);
inline bool isGerman() { return language() == 1; }

// Picks the German or the English text; both are given at the place of use, exactly as shown.
QString ui_text(const char* german, const char* english);
QString ui_text(const QString& german, const QString& english);

} // namespace mv
