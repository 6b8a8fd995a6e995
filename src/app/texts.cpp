#include "app/texts.h"

#include <atomic>

namespace mv {
namespace {
std::atomic<int> g_language{2};
}

int language() { return g_language.load(); }
void setLanguage(int value) { g_language.store(value); }

QString ui_text(const char* german, const char* english) {
    return QString::fromUtf8(isGerman() ? german : english);
}
QString ui_text(const QString& german, const QString& english) { return isGerman() ? german : english; }

} // namespace mv
