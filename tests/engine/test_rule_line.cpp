#include "engine/NameParts.h"
#include "engine/RuleLine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quelt;

TEST(RuleLineReaders, ReadNextParamWalksValuesInOrder)
{
    const QString line = QStringLiteral("Find and replace text: <Find What=_> <Replace With= > <Apply To=Title>");
    qsizetype pos = 0;
    EXPECT_EQ(ReadNextParam(line, pos), QStringLiteral("_"));
    EXPECT_EQ(ReadNextParam(line, pos), QStringLiteral(" "));
    EXPECT_EQ(ReadNextParam(line, pos), QStringLiteral("Title"));
    const qsizetype end = pos;
    EXPECT_EQ(ReadNextParam(line, pos), NotFound);
    EXPECT_EQ(pos, end);
}

TEST(RuleLineReaders, ReadNextParamValueMayHoldEquals)
{
    qsizetype pos = 0;
    EXPECT_EQ(ReadNextParam(QStringLiteral("R: <A=x=y> <B=>"), pos), QStringLiteral("x=y"));
    EXPECT_EQ(ReadNextParam(QStringLiteral("R: <A=x=y> <B=>"), pos), QString());
}

TEST(RuleLineReaders, ReadNextParamMalformedGivesNotFound)
{
    for (const char* text : {"", "no colon", "R: <A", "R: <a>b=c", "R: >>>"}) {
        qsizetype pos = 0;
        EXPECT_EQ(ReadNextParam(QString::fromUtf8(text), pos), NotFound) << text;
        EXPECT_EQ(pos, 0) << text;
    }
}

TEST(RuleLineReaders, GetParamValueByName)
{
    const QString line = QStringLiteral("R: <Apply To=> < apply to =Title> <Other=1>");
    EXPECT_EQ(GetParamValue(line, QStringLiteral("Apply To")), QStringLiteral("Title"));
    EXPECT_EQ(GetParamValue(line, QStringLiteral("other")), QStringLiteral("1"));
    EXPECT_EQ(GetParamValue(line, QStringLiteral("Missing")), QString());
}

TEST(RuleLineReaders, LeadingNumber)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"abc", 0}, {"12", 12}, {"12ab", 12}, {" 7", 7}, {"-3", -3},
        {"<NOTFOUND>", 0}, {"99999999999999", 2147483647}, {"-99999999999999", -2147483647 - 1},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(LeadingNumber(QString::fromUtf8(text)), value) << text;
}

TEST(NamePartsSplit, TitleAndExtension)
{
    struct Case { const char* name; const char* title; const char* ext; const char* back; };
    const Case cases[] = {
        {"archive.tar.gz", "archive.tar", "gz", "archive.tar.gz"},
        {".profile", "", "profile", ".profile"},
        {"README", "README", "", "README"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        const NameParts p = NameParts::FromName(QString::fromUtf8(c.name));
        EXPECT_EQ(p.title, QString::fromUtf8(c.title)) << c.name;
        EXPECT_EQ(p.extension, QString::fromUtf8(c.ext)) << c.name;
        EXPECT_EQ(p.toName(), QString::fromUtf8(c.back)) << c.name;
    }
}

TEST(RuleLineReaders, GrammarEdgeCases)
{
    struct Case { const char* label; const char* line; std::vector<const char*> values; };
    const Case cases[] = {
        {"separators with equals read whole", "Set word separators: <Characters= _,.;()[]-=+@>", {" _,.;()[]-=+@"}},
        {"no space between parameters", "R: <A=1><B=2>", {"1", "<NOTFOUND>"}},
        {"value cut at greater-than, the rest read on", "R: <A=x>y> <B=2>", {"x", "2"}},
        {"less-than inside a value", "R: <A=x<y> <B=2>", {"<NOTFOUND>", "<NOTFOUND>"}},
        {"empty value", "R: <A=> <B=2>", {"", "2"}},
        {"non-ASCII values", "R: <A=\xc3\xa9\xf0\x9f\x98\x80> <B=x>", {"\xc3\xa9\xf0\x9f\x98\x80", "x"}},
    };
    for (const Case& c : cases) {
        const QString line = QString::fromUtf8(c.line);
        qsizetype pos = 0;
        for (const char* expected : c.values)
            EXPECT_EQ(ReadNextParam(line, pos), QString::fromUtf8(expected)) << c.label;
    }
}

TEST(RuleLineReaders, GetParamValueEdgeCases)
{
    const QString line = QStringLiteral("Find and replace text: <Find What=_> <Replace With= > <Apply To=Title>");
    EXPECT_EQ(GetParamValue(line, QStringLiteral("apply to")), QStringLiteral("Title"));
    EXPECT_EQ(GetParamValue(line, QStringLiteral("Replace With")), QStringLiteral(" ")) << "values are not trimmed";
    EXPECT_EQ(GetParamValue(QStringLiteral("R: <Apply To=>"), QStringLiteral("Apply To")), QString());
    EXPECT_EQ(GetParamValue(QStringLiteral("R: <Apply To=> <Title>"), QStringLiteral("Apply To")), QString())
        << "a \"<\" without \"=\" after it holds no value";
    EXPECT_EQ(GetParamValue(QStringLiteral("Set word separators: <Characters= _,.;()[]-=+@>"),
                            QStringLiteral("Characters")),
              QStringLiteral(" _,.;()[]-=+@"));
    EXPECT_EQ(RuleName(QStringLiteral("Remove spaces: <Type=Leading> <Apply To=Title>")),
              QStringLiteral("Remove spaces"));
}
