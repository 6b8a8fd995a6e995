#include "app/mv_error.h"
#include "app/texts.h"
#include "exec/parameters.h"
#include "exec/sql_text.h"
#include "support/scripted_user_port.h"

#include <QDate>
#include <QHash>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace mv;

namespace {

struct TypedInputs : ParameterInputs {
    QHash<QString, QString> typed;
    QString parameterInput(const QString& name) const override { return typed.value(name); }
};

// Switches the language for one test and back.
struct Language {
    explicit Language(int lang) { setLanguage(lang); }
    ~Language() { setLanguage(2); }
};

struct TagCase {
    const char* text;
    const char* error; // English, empty when the text parses
    QStringList names;
    QList<int> types;
    QList<int> sizes;
};

void PrintTo(const TagCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class TagCases : public ::testing::TestWithParam<TagCase> {};

TEST_P(TagCases, ParsesTagsOrNamesTheError) {
    const TagCase& c = GetParam();
    const TagParseResult r = parseParameterTags(QString::fromUtf8(c.text));
    EXPECT_EQ(r.error, QString::fromUtf8(c.error));
    if (c.names.isEmpty()) {
        EXPECT_FALSE(r.set.has_value());
        return;
    }
    ASSERT_TRUE(r.set.has_value());
    ASSERT_EQ(r.set->size(), c.names.size());
    for (qsizetype i = 0; i < c.names.size(); ++i) {
        EXPECT_EQ(r.set->at(i).name, c.names[i]);
        EXPECT_EQ(r.set->at(i).type, c.types[i]);
        EXPECT_EQ(r.set->at(i).size, c.sizes[i]);
        EXPECT_FALSE(r.set->at(i).value.isValid());
    }
}

const char* Missing = "missing parameter tag >...@...<";
const char* Format = "wrong format @name|type|[size]@ ";
const char* Type = "can't identify parameter type [string,integer,double,date,time,timestamp]";
const char* Size = "size is not numeric [1..999]";

INSTANTIATE_TEST_SUITE_P(
    Tags, TagCases,
    ::testing::Values(TagCase{"select 1", "", {}, {}, {}}, TagCase{"select @x", Missing, {}, {}, {}},
                      TagCase{"@a|String@ and @a|Integer@", "", {"a"}, {200}, {0}},
                      TagCase{"@n|integer@", Type, {}, {}, {}}, TagCase{"@n@", Format, {}, {}, {}},
                      TagCase{"@a|String|10|x|y@", Format, {}, {}, {}},
                      TagCase{"@a|String|10|x@", "", {"a"}, {200}, {10}},
                      TagCase{"@n|String|abc@", Size, {}, {}, {}}, TagCase{"@n|String|@", Size, {}, {}, {}},
                      TagCase{"@n|String|5000@", "", {"n"}, {200}, {5000}},
                      TagCase{"@b|Timestamp|0@ @a|Date@ @c|Time@ @d|Double@ @e|Integer@",
                              "",
                              {"b", "a", "c", "d", "e"},
                              {135, 133, 134, 5, 3},
                              {0, 0, 0, 0, 0}},
                      // An "@" inside a literal, a quoted name or a comment is text.
                      TagCase{"where m = 'a@b.c' and y = @p|Integer@", "", {"p"}, {3}, {0}},
                      TagCase{"select \"@x\" -- @y\nfrom t /* @ */ where a = @a|String@", "", {"a"}, {200}, {0}},
                      TagCase{"@a|String@ @", Missing, {}, {}, {}}));

TEST(MVTypToADOType, ExactNamesOnly) {
    const QList<int> codes{200, 3, 5, 133, 134, 135};
    for (qsizetype i = 0; i < parameterTypeNames().size(); ++i)
        EXPECT_EQ(MVTypToADOType(parameterTypeNames()[i]), codes[i]);
    EXPECT_EQ(MVTypToADOType("string"), 10);
    EXPECT_EQ(MVTypToADOType(""), 10);
}

TEST(ParseParameter, TagErrorShowsWarningAndDropsTheSet) {
    mvtest::ScriptedUserPort port;
    QueryParameters params;
    EXPECT_TRUE(params.ParseParameter("select @a|String@"));
    EXPECT_TRUE(params.hasParameterSet());
    EXPECT_FALSE(params.ParseParameter("select @a|String"));
    EXPECT_FALSE(params.hasParameterSet());
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(), "Parameter Error: { missing parameter tag >...@...< }");
    EXPECT_EQ(port.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(port.messages[0].title, "Morvenda");
    EXPECT_TRUE(params.ParseParameter("select 1"));
    EXPECT_FALSE(params.hasParameterSet());
}

TEST(ParseParameter, GermanErrorTexts) {
    mvtest::ScriptedUserPort port;
    Language german(1);
    QueryParameters params;
    for (const char* text : {"@x", "@x@", "@x|string@", "@x|String|a@"})
        EXPECT_FALSE(params.ParseParameter(text));
    ASSERT_EQ(port.messages.size(), 4);
    EXPECT_EQ(port.messages[0].text, "Parameter Error: { fehlender Parameter Tag >...@...<\" }");
    EXPECT_EQ(port.messages[1].text, "Parameter Error: { Falsches Format @name|type|[size]@ }");
    EXPECT_EQ(port.messages[2].text,
              "Parameter Error: { unbekannter Parametertyp! [string,integer,double,date,time,timestamp] }");
    EXPECT_EQ(port.messages[3].text,
              QString::fromUtf8("Parameter Error: { Größe ist nicht numerisch [1..999] }"));
}

struct FillCase {
    const char* text;
    std::vector<std::pair<const char*, const char*>> typed;
    int kind;
    const char* expected;
};

void PrintTo(const FillCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" kind " << c.kind;
}

class FillCases : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillCases, ReplacesTagsByLiterals) {
    mvtest::ScriptedUserPort port;
    const FillCase& c = GetParam();
    QueryParameters params;
    ASSERT_TRUE(params.ParseParameter(QString::fromUtf8(c.text)));
    TypedInputs inputs;
    for (const auto& [name, value] : c.typed)
        inputs.typed.insert(name, QString::fromUtf8(value));
    QString text = QString::fromUtf8(c.text);
    EXPECT_TRUE(params.InsertParameterValues(text, inputs, c.kind));
    EXPECT_EQ(text, QString::fromUtf8(c.expected));
    EXPECT_TRUE(port.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Values, FillCases,
    ::testing::Values(FillCase{"select * from t where n = @name|String|20@",
                               {{"name", "Smith"}},
                               0,
                               "select * from t where n =   'Smith'   "},
                      FillCase{"x = @n|Integer@", {{"n", "12"}}, 0, "x =  12  "},
                      FillCase{"x = @n|String@;", {{"n", "O'Neil"}}, 0, "x =   'O''Neil'   ;"},
                      FillCase{"@a|String@ and @a|Integer@", {{"a", "v"}}, 0, "  'v'   and   'v'   "},
                      FillCase{"x = @p|String@ or y = @q|String@",
                               {{"p", "a@b"}, {"q", "c"}},
                               0,
                               "x =   'a@b'   or y =   'c'   "},
                      FillCase{"d = @d|Date@", {{"d", "2024-01-31"}}, 1, "d =  #01-31-2024#  "},
                      FillCase{"d = @d|Date@", {{"d", "31.01.2024"}}, 0, "d =  {d '2024-01-31'}  "},
                      FillCase{"d = @d|Date@", {{"d", "2024-01-31"}}, 3, "d =   '31.01.2024'   "},
                      FillCase{"t = @t|Time@", {{"t", "13:45"}}, 5, "t =  {t '13:45:00'}  "},
                      FillCase{
                          "s = @s|Timestamp@", {{"s", "2024-01-31"}}, 2, "s =  {ts '2024-01-31 00:00:00'}  "},
                      FillCase{"v = @v|Double@", {{"v", "1.5"}}, 0, "v =  1.5  "},
                      FillCase{"v = @v|String@", {{"v", "#7"}}, 0, "v =  7  "},
                      FillCase{"v = @v|String@", {{"v", "a\\'; drop"}}, 6, "v =   'a\\\\''; drop'   "}));

TEST(InsertParameterValues, WithoutSetTextRunsUnchanged) {
    QueryParameters params;
    ASSERT_TRUE(params.ParseParameter("select 1"));
    QString text = "select 1";
    EXPECT_TRUE(params.InsertParameterValues(text, TypedInputs{}, 0));
    EXPECT_EQ(text, "select 1");
}

TEST(InsertParameterValues, MissingValuesAreListedAndNothingChanges) {
    for (const int lang : {2, 1}) {
        mvtest::ScriptedUserPort port;
        Language language(lang);
        QueryParameters params;
        const QString original = "select @a|String@, @b|Integer@, @c|Date@";
        ASSERT_TRUE(params.ParseParameter(original));
        TypedInputs inputs;
        inputs.typed.insert("a", "x");
        QString text = original;
        EXPECT_FALSE(params.InsertParameterValues(text, inputs, 0));
        EXPECT_EQ(text, original);
        ASSERT_EQ(port.messages.size(), 1);
        const QString head = lang == 1
                                 ? QString::fromUtf8("Bitte geben Sie Werte für die folgenden Parameter ein:")
                                 : QString("Please set values for the following Parameter:");
        EXPECT_EQ(port.lastText(), head + "\r\n  - b\r\n  - c\r\n");
        EXPECT_EQ(port.messages[0].icon, MsgIcon::Information);
        EXPECT_EQ(port.messages[0].title, "Morvenda");
    }
}

TEST(InsertParameterValues, ValueOfWrongTypeIsReportedAndNothingRuns) {
    mvtest::ScriptedUserPort port;
    QueryParameters params;
    const QString original = "x = @n|Integer@";
    ASSERT_TRUE(params.ParseParameter(original));
    TypedInputs inputs;
    inputs.typed.insert("n", "12.5");
    QString text = original;
    EXPECT_FALSE(params.InsertParameterValues(text, inputs, 0));
    EXPECT_EQ(text, original);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(),
              "Type mismatch: '12.5' is not a value of type Integer for the parameter n [13]\r\n"
              "in Module {Globals}\r\nin Function {InsertParameterValues}");
}

TEST(InsertParameterValues, FailedQuoteStopsTheRunWithOneReport) {
    mvtest::ScriptedUserPort port;
    QueryParameters params;
    const QString original = "x = @s|String@";
    ASSERT_TRUE(params.ParseParameter(original));
    TypedInputs inputs;
    inputs.typed.insert("s", "#abc");
    QString text = original;
    EXPECT_FALSE(params.InsertParameterValues(text, inputs, 0));
    EXPECT_EQ(text, original);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().endsWith("in Function {Quote}"));
}

TEST(InsertParameterValues, TypedValuesAreKeptInTheSet) {
    QueryParameters params;
    ASSERT_TRUE(params.ParseParameter("@d|Date@ @n|Double@"));
    TypedInputs inputs;
    inputs.typed.insert("d", "2024-01-31");
    inputs.typed.insert("n", "2.25");
    QString text = "@d|Date@ @n|Double@";
    ASSERT_TRUE(params.InsertParameterValues(text, inputs, 0));
    EXPECT_EQ(params.parameterSet()->at(0).value, QVariant(QDate(2024, 1, 31)));
    EXPECT_EQ(params.parameterSet()->at(1).value, QVariant(2.25));
    EXPECT_EQ(parameterValueText(params.parameterSet()->at(0).value), "2024-01-31");
}

TEST(ConvertParameterValue, RefusesWhatDoesNotFitTheType) {
    const std::vector<std::pair<int, const char*>> bad{
        {adotype::Integer, "abc"},       {adotype::Integer, "99999999999"}, {adotype::Double, "nan"},
        {adotype::Double, "1,5x"},       {adotype::DBDate, "13:45"},        {adotype::DBTime, "2024-01-31"},
        {adotype::DBTimeStamp, "13:45"}, {adotype::DBDate, "tomorrow"}};
    for (const auto& [type, typed] : bad)
        EXPECT_THROW(convertParameterValue(typed, type, "p"), MvError) << typed;
    EXPECT_EQ(convertParameterValue(" 7 ", adotype::Integer, "p"), QVariant(7));
    EXPECT_EQ(convertParameterValue("1e3", adotype::Double, "p"), QVariant(1000.0));
    EXPECT_EQ(convertParameterValue(" x ", adotype::VarChar, "p"), QVariant(" x "));
}

} // namespace
