#include "results/export_html.h"

#include "app/globals.h"

namespace mv {
namespace {

const char* const CellStart = "<td style=\"border:1px solid Black;\">";

QByteArray prolog(const HtmlExportOptions& options) {
    const QString title = options.title.isEmpty() ? QStringLiteral("Morvenda") + getVersion() : options.title;
    QByteArray out;
    if (options.xhtml) {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
               "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
               "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
               "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n"
               "<head>\r\n";
        out += "<title>" + htmlEscaped(title).toUtf8() + " - XHTML Report</title>\r\n";
    } else {
        out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN "
               "http://www.w3.org/TR/html4/loose.dtd\">\r\n"
               "<head>\r\n";
        out += "<title>" + htmlEscaped(title).toUtf8() + " - HTML Report</title>\r\n";
    }
    out += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\r\n"
           "</head>\r\n"
           "<body text=\"#000000\" link=\"#FF6600\" vlink=\"#000099\" alink=\"#FF0000\" leftmargin=\"0\" "
           "topmargin=\"0\" marginwidth=\"0\" marginheight=\"0\">\r\n"
           "<table width=\"100%\" align=\"left\" cellpadding=\"0\" cellspacing=\"0\" style=\"font-family: "
           "Arial, Verdana, Helvetica, sans-serif; font-size: 12px; text-align: left; "
           "border-collapse:collapse; border:1px solid Black;\">\r\n";
    return out;
}

} // namespace

QString htmlEscaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

void writeHtml(ExportSink& sink, const Recordset& rs, const ExportColumns& wanted, const ValueText& text,
               const HtmlExportOptions& options) {
    const ExportColumns columns = resolvedColumns(rs, wanted);
    sink.write(prolog(options));
    QString line;
    if (options.header) {
        line = QStringLiteral("<tr>\r\n");
        for (const ExportColumn& c : columns)
            line += QLatin1String(CellStart) + QLatin1String("<strong>") + htmlEscaped(c.caption) +
                    QLatin1String("</strong></td>");
        line += QLatin1String("\r\n</tr>\r\n");
        sink.write(line.toUtf8());
    }
    QList<bool> binary;
    for (const ExportColumn& c : columns)
        binary.append(isPlaceholderType(rs.field(c.field).type));
    const int rows = rs.recordCount();
    for (int row = 0; row < rows; ++row) {
        line = QStringLiteral("<tr>\r\n");
        for (qsizetype i = 0; i < columns.size(); ++i) {
            line += QLatin1String(CellStart);
            line += binary[i] ? QStringLiteral("???") : htmlEscaped(text.text(rs, row, columns[i].field));
            line += QLatin1String("</td>");
        }
        line += QLatin1String("\r\n</tr>\r\n");
        sink.write(line.toUtf8());
    }
    sink.write("</table>\r\n</body>\r\n</html>\r\n");
}

} // namespace mv
