// The row scanner of the recordset XML reader against the XML parser's own attribute handling:
// every document reads the same both ways, or fails both ways.
#include "app/mv_error.h"
#include "db/recordset_xml.h"
#include "db/recordset_xml_rows.h"

#include <gtest/gtest.h>

#include <QBuffer>

using namespace mv;

namespace {

const QByteArray Head = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\r\n"
                        "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\r\n"
                        "\txmlns:rs='urn:schemas-microsoft-com:rowset'\r\n"
                        "\txmlns:z='#RowsetSchema'>\r\n"
                        "<s:Schema id='RowsetSchema'>\r\n"
                        "\t<s:ElementType name='row' content='eltOnly'>\r\n"
                        "\t\t<s:AttributeType name='id'><s:datatype dt:type='int'/></s:AttributeType>\r\n"
                        "\t\t<s:AttributeType name='note'><s:datatype dt:type='string'/></s:AttributeType>\r\n"
                        "\t\t<s:AttributeType name='c2' rs:name='Price €'><s:datatype dt:type='number' "
                        "rs:dbtype='numeric' rs:precision='10' rs:scale='2'/></s:AttributeType>\r\n"
                        "\t</s:ElementType>\r\n"
                        "</s:Schema>\r\n";

QByteArray doc(const QByteArray& data) {
    return Head + "<rs:data>\r\n" + data + "</rs:data>\r\n</xml>\r\n";
}

// The outcome of a reading as one text: the fields, every cell (or NULL), or that it failed.
QString outcome(const QByteArray& xml, bool scanRows) {
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    try {
        const Recordset rs = scanRows ? loadXml(&buffer, "t.xml") : xmlrs::loadXmlParserOnly(&buffer, "t.xml");
        QString out;
        for (const FieldInfo& f : rs.fields()) out += f.name + u'/' + QString::number(f.type) + u' ';
        for (int r = 0; r < rs.recordCount(); ++r) {
            out += u'\n';
            for (int c = 0; c < rs.fieldCount(); ++c)
                out += (rs.isNull(r, c) ? QStringLiteral("NULL") : u'[' + rs.text(r, c) + u']') + u' ';
        }
        return out;
    } catch (const MvError& e) {
        return QStringLiteral("failed");
    }
}

struct Case {
    const char* what;
    QByteArray data;
    bool fails;
};

TEST(RecordsetXmlRows, ReadTheSameAsTheParserAlone) {
    const Case cases[] = {
        {"plain rows, a Null", "<z:row id='1' note='a' c2='1.50'/>\r\n<z:row id='2'/>\r\n", false},
        {"references and white space in values",
         "<z:row id='1' note='a&amp;b &lt;&gt; &quot;&apos; &#65;&#x20AC;&#x1F600; x&#10;y&#9;z'/>\r\n"
         "<z:row id='2' note='line\r\nbreak\ttab\rcr'/>\r\n",
         false},
        {"double quotes, other order, white space around =",
         "<z:row note=\"it's\" \r\n  id = '7'\tc2=\"2.00\" />\r\n", false},
        {"undeclared attributes ignored", "<z:row id='1' extra='x' note='n'/>\r\n", false},
        {"prefixed and declared attributes stay with the parser",
         "<z:row xmlns:q='urn:q' q:x='1' id='3' rs:forcenull='note'/>\r\n<z:row xmlns='urn:d' id='4'/>\r\n", false},
        {"a row with content", "<z:row id='1' note='a'>text<!-- c --></z:row>\r\n", false},
        {"rows in comments, CDATA and instructions are no rows",
         "<!-- <z:row id='9'/> --><z:row id='1'/>\r\n<![CDATA[<z:row id='8'/>]]>"
         "<?pi <z:row id='7' ?><z:row id='2' note='b'/>\r\n",
         false},
        {"rows of other namespaces are skipped",
         "<q:row xmlns:q='urn:q' id='5'/><row id='6'/><z:row id='1'/>\r\n", false},
        {"pending changes",
         "<rs:update><rs:original><z:row id='1' note='old'/></rs:original><z:row note='new'/></rs:update>\r\n"
         "<rs:insert><z:row id='2'/></rs:insert><rs:delete><z:row id='3'/></rs:delete>\r\n",
         false},
        {"a name outside ASCII", "<z:row id='1' n\xC3\xA4me='x'/>\r\n", false},
        {"control character stand-ins", "<z:row id='1' note='a&#1;b\xF4\x8F\xBF\xBD" "c'/>\r\n", false},
        {"an attribute twice", "<z:row id='1' note='a' id='2'/>\r\n", true},
        {"an undeclared attribute twice", "<z:row id='1' x='a' x='b'/>\r\n", true},
        {"twice in a skipped row", "<q:row xmlns:q='urn:q' a='1' a='2'/>\r\n", true},
        {"< in a value", "<z:row id='1' note='a<b'/>\r\n", true},
        {"undeclared entity", "<z:row id='1' note='&nbsp;'/>\r\n", true},
        {"& alone", "<z:row id='1' note='a & b'/>\r\n", true},
        {"surrogate reference", "<z:row id='1' note='&#xD800;'/>\r\n", true},
        {"reference beyond Unicode", "<z:row id='1' note='&#x110000;'/>\r\n", true},
        {"empty reference", "<z:row id='1' note='&#;'/>\r\n", true},
        {"no space between attributes", "<z:row id='1'note='a'/>\r\n", true},
        {"unquoted value", "<z:row id=1/>\r\n", true},
        {"no value", "<z:row id/>\r\n", true},
        {"unclosed value", "<z:row id='1/>\r\n</rs:data></xml>", true},
        {"invalid UTF-8 in a value", "<z:row id='1' note='\xC3\x28'/>\r\n", true},
        {"not a number", "<z:row id='x'/>\r\n", true},
        {"a row cut off at the end", "<z:row id='1' note='abc", true},
        {"unclosed row element", "<z:row id='1'>\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray xml = doc(c.data);
        const QString scanned = outcome(xml, true);
        EXPECT_EQ(scanned, outcome(xml, false));
        EXPECT_EQ(scanned == "failed", c.fails) << scanned.toStdString();
    }
}

TEST(RecordsetXmlRows, BytesAfterTheDocumentAreSeenAsByTheParserAlone) {
    // The whole file in one piece: the parser can end the document before the last held-back
    // bytes reach it.
    const Case cases[] = {
        {"a cut end tag", "</", true},
        {"a cut row", "<z:row id='9'", true},
        {"text", "x", true},
        {"white space", "\r\n  \r\n", false},
        {"a comment", "<!-- end -->\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray xml = doc("<z:row id='1' extra=''/>\r\n") + c.data;
        const QString scanned = outcome(xml, true);
        EXPECT_EQ(scanned, outcome(xml, false));
        EXPECT_EQ(scanned == "failed", c.fails) << scanned.toStdString();
    }
}

TEST(RecordsetXmlRows, OtherEncodingsAndDocumentTypesReadTheSame) {
    const QByteArray latin1 = "<?xml version='1.0' encoding='ISO-8859-1'?>\r\n" + doc("<z:row id='1' note='Gr\xFC\xDF" "e'/>");
    EXPECT_EQ(outcome(latin1, true), outcome(latin1, false));
    EXPECT_TRUE(outcome(latin1, true).contains(u"[Grüße]"));
    // A document type could declare entities that hold markup: the parser alone reads those.
    const QByteArray doctype = "<!DOCTYPE xml [<!ENTITY r \"<z:row id='5'/>\">]>\r\n" + doc("<z:row id='1'/>&r;");
    EXPECT_EQ(outcome(doctype, true), outcome(doctype, false));
    const QByteArray utf16 = [] {
        const QString text = QString::fromUtf8(doc("<z:row id='1' note='ä'/>"));
        QByteArray bytes("\xFF\xFE");
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return bytes;
    }();
    EXPECT_EQ(outcome(utf16, true), outcome(utf16, false));
    EXPECT_TRUE(outcome(utf16, true).contains(u"[ä]"));
}

// Markup cut by the reader's 64 KB input chunks at every place around the cut.
TEST(RecordsetXmlRows, MarkupAcrossTheInputChunksReadsTheSame) {
    const qsizetype chunk = 1 << 16;
    const qsizetype before = doc({}).indexOf("<rs:data>") + 11;
    for (const char* markup : {"<!-- <z:row id='9'/> -->", "<![CDATA[<z:row id='9'/>]]>", "<?p <z:row id='9' ?>",
                               "<z:row id='1' note='&amp;'/>"}) {
        for (qsizetype shift = 0; shift < qsizetype(strlen(markup)) + 2; ++shift) {
            SCOPED_TRACE(std::string(markup) + " shift " + std::to_string(shift));
            const QByteArray filler = "<!--" + QByteArray(chunk - before - 7 - shift, 'x') + "-->";
            const QByteArray xml = doc(filler + markup + "<z:row id='2' note='last'/>\r\n");
            const QString scanned = outcome(xml, true);
            ASSERT_EQ(scanned, outcome(xml, false));
            ASSERT_TRUE(scanned.endsWith(u"[2] [last] NULL ")) << scanned.right(60).toStdString();
        }
    }
}

TEST(RecordsetXmlRows, AWideRowReadsEveryField) {
    const int columns = 30000; // far more than one input chunk in one tag
    QByteArray schema = Head.left(Head.indexOf("\t\t<s:AttributeType"));
    QByteArray row = "<z:row";
    for (int c = 0; c < columns; ++c) {
        schema += "<s:AttributeType name='f" + QByteArray::number(c) + "'><s:datatype dt:type='int'/></s:AttributeType>\r\n";
        row += (c % 7 ? " " : "\r\n ") + QByteArray("f") + QByteArray::number(c) + "='" + QByteArray::number(c * 3) + "'";
    }
    schema += "\t</s:ElementType>\r\n</s:Schema>\r\n";
    QBuffer buffer;
    buffer.setData(schema + "<rs:data>" + row + "/>\r\n</rs:data></xml>");
    buffer.open(QIODevice::ReadOnly);
    const Recordset rs = loadXml(&buffer, "wide.xml");
    ASSERT_EQ(rs.fieldCount(), columns);
    ASSERT_EQ(rs.recordCount(), 1);
    for (int c = 0; c < columns; c += 997) EXPECT_EQ(rs.text(0, c), QString::number(c * 3));
    EXPECT_EQ(rs.text(0, columns - 1), QString::number((columns - 1) * 3));
}

// The lines of taken attributes stay, so a fault after them is reported on its own line.
TEST(RecordsetXmlRows, FaultsAfterMultiLineRowsKeepTheirLineNumber) {
    const QByteArray xml = doc("<z:row id='1'\r\n note='a\r\nb'\r\n/>\r\n<z:row id='x'/>\r\n");
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    const int line = int(xml.left(xml.indexOf("id='x'")).count('\n')) + 1;
    try {
        loadXml(&buffer, "t.xml");
        FAIL() << "read a wrong number";
    } catch (const MvError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("line %1:").arg(line))) << e.description().toStdString();
    }
}

TEST(RecordsetXmlRows, RowTagNames) {
    for (const char* yes : {"row", "z:row", "abc:row"}) EXPECT_TRUE(xmlrs::isRowTagName(QByteArrayView(yes))) << yes;
    for (const char* no : {"rows", "zrow", ":row", "a:b:row", "z:Row", "ro", ""})
        EXPECT_FALSE(xmlrs::isRowTagName(QByteArrayView(no))) << no;
}

} // namespace
