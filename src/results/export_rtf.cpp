#include "results/export_rtf.h"

namespace mv {
namespace {

const char* const Border = "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx";

void appendUnicode(QString& out, QChar c) {
    // \uN takes a signed 16-bit number; "?" is the fallback a reader without Unicode shows.
    out += QLatin1String("\\u") + QString::number(qint16(c.unicode())) + u'?';
}

// Appends one character of text; returns how many characters of `text` from `i` were used.
qsizetype appendEscapedChar(QString& out, QStringView text, qsizetype i) {
    const QChar c = text[i];
    switch (c.unicode()) {
    case u'\\':
        out += QLatin1String("\\\\");
        return 1;
    case u'{':
        out += QLatin1String("\\{");
        return 1;
    case u'}':
        out += QLatin1String("\\}");
        return 1;
    case u'\t':
        out += QLatin1String("\\tab ");
        return 1;
    case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') {
            out += QLatin1String("\\par \\intbl ");
            return 2;
        }
        out += QLatin1String("\\line ");
        return 1;
    case u'\n':
        out += QLatin1String("\\line ");
        return 1;
    default:
        break;
    }
    if (c.unicode() < 0x20 || c.unicode() > 0x7e)
        appendUnicode(out, c);
    else
        out += c;
    return 1;
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString rtfHeading(const QString& heading) {
    QString out = rtfEscaped(heading);
    // The heading follows \fs20 directly: a leading digit or blank would join that control word.
    if (!out.isEmpty() && (out[0].isDigit() || out[0] == u' ' || out[0] == u'-')) out.prepend(u' ');
    return out;
}

} // namespace

QString rtfEscaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();)
        i += appendEscapedChar(out, text, i);
    return out;
}

QString rtfCellText(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    const QStringView v(value);
    // \b, \b0 and \i switch bold and italic only where they end as a word: in C:\bin, \index or
    // \b0ld the backslash is part of the text.
    const auto switchAt = [&](qsizetype i, QLatin1StringView word, bool digitEnds) {
        const qsizetype end = i + word.size();
        if (!v.mid(i).startsWith(word)) return false;
        return end >= v.size() || !(isAsciiLetter(v[end]) || (digitEnds && v[end] >= u'0' && v[end] <= u'9'));
    };
    for (qsizetype i = 0; i < v.size();) {
        if (switchAt(i, QLatin1StringView("\\b0"), false)) {
            out += QLatin1String("\\b0 ");
            i += 3;
        } else if (switchAt(i, QLatin1StringView("\\b"), true) || switchAt(i, QLatin1StringView("\\i"), true)) {
            out += v.mid(i, 2);
            out += u' ';
            i += 2;
        } else {
            i += appendEscapedChar(out, v, i);
        }
    }
    return out;
}

void writeRtf(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
              const RtfExportOptions& options) {
    const ExportColumns columns = resolvedColumns(rs, wanted);
    const int n = int(columns.size());
    const int unit = n > 0 ? 16600 / n : 0;
    QString cellBorders;
    for (int k = 1; k <= n; ++k)
        cellBorders += QLatin1String(Border) + QString::number(unit * k);

    QString line = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}"
                                  "\\viewkind4\\uc1\\pard\\lang1031\\fs20") +
                   rtfHeading(options.heading) + QStringLiteral("\r\n\\pard\r\n\\par\r\n");
    if (options.header) {
        line += QLatin1String("\\trowd \\trgaph150\\trleft0\\trrh0\\trhdr\\trkeep") + cellBorders;
        for (const ExportColumn& c : columns)
            line += QLatin1String("\\pard\\b ") + rtfEscaped(c.caption) + QLatin1String("\\b0\\cell ");
        line += QLatin1String("\\row\r\n");
    }
    sink.write(line.toUtf8());

    QList<bool> binary;
    for (const ExportColumn& c : columns)
        binary.append(isPlaceholderType(rs.field(c.field).type));
    const int rows = rs.recordCount();
    for (int row = 0; row < rows; ++row) {
        line = QStringLiteral("\\trowd \\trgaph150\\trleft0\\trrh0\\trkeep");
        for (int i = 0; i < n; ++i) {
            line +=
                QLatin1String(Border) + QString::number(unit * (i + 1)) + QLatin1String("\\pard \\intbl ");
            line +=
                binary[i] ? QStringLiteral("BINARY DATA") : rtfCellText(text.text(rs, row, columns[i].field));
            line += QLatin1String("\\cell ");
        }
        line += QLatin1String("\\row\r\n");
        sink.write(line.toLatin1());
    }
    sink.write("\\pard }\r\n");
}

} // namespace mv
