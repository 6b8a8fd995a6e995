#pragma once
// What the persisted XML says about a field type, shared by its writer and reader.
#include <QByteArray>
#include <QString>

namespace mv::xmlrs {

inline const QString NsSchema = QStringLiteral("uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
inline const QString NsDataType = QStringLiteral("uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
inline const QString NsRowset = QStringLiteral("urn:schemas-microsoft-com:rowset");
inline const QString NsRow = QStringLiteral("#RowsetSchema");

struct TypeForm {
    const char* dtType;   // dt:type
    const char* dbType;   // rs:dbtype or nullptr
    bool writesScale;     // rs:scale
    bool writesPrecision; // rs:precision
};

// The form a type code is written in; unknown codes are written as text.
TypeForm typeFormOf(int adoType);

// The type code a schema entry stands for. `dtType` empty means a string.
int adoTypeOf(const QString& dtType, const QString& dbType, bool fixedLength, bool isLong);

// Stand-ins for characters XML cannot carry (control characters, U+FFFE, U+FFFF): the reader
// replaces them by a private-use marker plus a letter before parsing and restores them after.
// The writer puts the same stand-ins into the file, so that it is well-formed XML.
constexpr char16_t MarkHigh = 0xDBFF, MarkLow = 0xDFFD; // U+10FFFD
inline constexpr char MarkUtf8[4] = {char(0xF4), char(0x8F), char(0xBF), char(0xBD)};
bool hasMarks(QStringView text);
QString restoreMarked(QStringView text);

// Filters raw input bytes into a form the XML parser accepts.
class InputGuard {
  public:
    // `last` marks the final chunk; bytes of a sequence cut by the chunk end wait for the next one.
    QByteArray filter(const QByteArray& chunk, bool last);
    void disable() { m_disabled = true; }

  private:
    QByteArray m_carry;
    bool m_disabled = false;
};

} // namespace mv::xmlrs
