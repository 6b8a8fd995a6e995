#include "app/settings.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/db_engines.h"
#include "documents/document_recovery.h"

#include <QRegularExpression>
#include <cmath>

namespace mv {
namespace {

const QString kSection = QStringLiteral("Settings");
constexpr int MinFontPoints = 4;
constexpr int MaxFontPoints = 200;

[[noreturn]] void typeMismatch() { throw MvError(err::TypeMismatch, QStringLiteral("Type mismatch")); }

double toNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok) typeMismatch();
    return v;
}

} // namespace

bool toBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    return toNumber(t) != 0.0;
}

int toInt16(const QString& text) {
    const double v = std::nearbyint(toNumber(text)); // rounds half to even, as the conversion does
    if (v < -32768.0 || v > 32767.0) throw MvError(6, QStringLiteral("Overflow"));
    return int(v);
}

double leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*([-+]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][-+]?\\d+)?)"));
    const auto m = number.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

QString editFontText(const FontSpec& font) {
    return font.name + u'|' + (font.bold ? QStringLiteral("True") : QStringLiteral("False")) + u'|' +
           QString::number(qRound(font.pointSize * 100.0));
}

void LoadSettings(const IniFile& ini, const QString& programFolder, Settings& s) {
    guardedVoid(Reporter::ErrorMsg, "LoadSettings", "Globals", [&] {
        auto get = [&](const char* key, const QString& def) { return ini.read(kSection, QLatin1String(key), def); };
        s.autoSyntaxColoring = toBoolean(get("AutoSyntaxColoring", QStringLiteral("True")));
        s.allowUpdate = toBoolean(get("AllowUpdate", QStringLiteral("False")));
        s.allowAddNew = toBoolean(get("AllowAddNew", QStringLiteral("False")));
        s.allowDelete = toBoolean(get("AllowDelete", QStringLiteral("False")));
        s.fileShortLen = toInt16(get("FileShortLen", QStringLiteral("60")));
        const QString udl = get("UDL", QStringLiteral("XX"));
        if (udl != QLatin1String("XX")) s.startupUDL = udl;
        s.standardUDLPath = get("StandardUDLPath", programFolder);
        s.standardQueryPath = get("StandardQueryPath", programFolder);
        const QStringList font = get("EditFont", QStringLiteral("Courier New|False|1000")).split(u'|');
        if (font.size() < 3) throw MvError(err::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        FontSpec f;
        f.name = font[0];
        f.bold = toBoolean(font[1]);
        const double size = toNumber(font[2]);
        f.pointSize = size >= 100.0 ? size / 100.0 : size;
        // A size no screen can show (infinite, a million points) would leave the editor unusable.
        if (!std::isfinite(f.pointSize) || f.pointSize < MinFontPoints || f.pointSize > MaxFontPoints) {
            showMessage(ui_text(QStringLiteral("Die Schriftgröße \"%1\" der Einstellung EditFont ist ungültig "
                                               "(erlaubt sind %2 bis %3 Punkt); der Editor nutzt 10 Punkt.")
                                    .arg(font[2].trimmed())
                                    .arg(MinFontPoints)
                                    .arg(MaxFontPoints),
                                QStringLiteral("The font size \"%1\" of the EditFont setting is invalid "
                                               "(%2 to %3 points are allowed); the editor uses 10 points.")
                                    .arg(font[2].trimmed())
                                    .arg(MinFontPoints)
                                    .arg(MaxFontPoints)),
                        MsgIcon::Exclamation);
            f.pointSize = 10.0;
        }
        s.editFont = f;
        s.language = int(std::nearbyint(leadingNumber(get("Language", QStringLiteral("2")))));
        setLanguage(s.language);
        s.nativeEngines = toBoolean(get("NativeEngines", QStringLiteral("True")));
        setNativeEnginesEnabled(s.nativeEngines);
        // Outside its range the delay is reported and keeps its default.
        const QString recovery = get("RecoverySeconds", QStringLiteral("5"));
        const double seconds = std::nearbyint(toNumber(recovery));
        if (seconds < 0 || seconds > DocumentRecovery::MaxDelaySeconds)
            throw MvError(6,
                          ui_text(QStringLiteral("RecoverySeconds=%1 liegt nicht zwischen 0 und %2; es gilt %3."),
                                  QStringLiteral("RecoverySeconds=%1 is not between 0 and %2; %3 applies."))
                              .arg(recovery.trimmed(), QString::number(DocumentRecovery::MaxDelaySeconds),
                                   QString::number(s.recoverySeconds)));
        s.recoverySeconds = int(seconds);
    });
}

void LoadExtraSettings(const IniFile& ini, Settings& s) {
    const QString section = QStringLiteral("Extras");
    auto read = [&](const char* key, auto apply) {
        guardedVoid(Reporter::ErrorMsg, "LoadExtraSettings", "Globals", [&] {
            const QString text = ini.read(section, QLatin1String(key), QString());
            if (!text.isEmpty()) apply(text);
        });
    };
    read("AutoCompletion", [&](const QString& t) { s.autoCompletion = toBoolean(t); });
    read("ShowNull", [&](const QString& t) { s.showNullMark = toBoolean(t); });
    read("HistoryMaxEntries", [&](const QString& t) {
        const double v = toNumber(t);
        if (v < 100 || v > 10'000'000) throw MvError(6, QStringLiteral("Overflow"));
        s.historyMaxEntries = int(v);
    });
}

void SaveExtraSettings(const IniFile& ini, const Settings& s) {
    guardedVoid(Reporter::ErrorMsg, "SaveExtraSettings", "Globals", [&] {
        const QString section = QStringLiteral("Extras");
        auto flag = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
        ini.write(section, QStringLiteral("AutoCompletion"), flag(s.autoCompletion));
        ini.write(section, QStringLiteral("ShowNull"), flag(s.showNullMark));
        ini.write(section, QStringLiteral("HistoryMaxEntries"), QString::number(s.historyMaxEntries));
    });
}

void SaveSettings(const IniFile& ini, const Settings& s) {
    guardedVoid(Reporter::ErrorMsg, "SaveSettings", "Globals", [&] {
        if (!ini.write(kSection, QStringLiteral("AutoSyntaxColoring"),
                       s.autoSyntaxColoring ? QStringLiteral("True") : QStringLiteral("False")))
            throw MvError(err::PathFileAccess,
                          ui_text(QStringLiteral("Die Einstellungsdatei \"%1\" kann nicht geschrieben werden."),
                                  QStringLiteral("The settings file \"%1\" cannot be written."))
                              .arg(ini.path()));
    });
}

} // namespace mv
