#include "engine/RegexService.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <string_view>

using namespace quelt;
using namespace std::literals;

namespace {

struct RegexCase {
    const char* label;
    const char16_t* pattern;
    std::u16string_view subject;
    const char16_t* replacement;
    bool ignoreCase;
    bool global;
    const char16_t* expected; // nullptr: the pattern is an error
    bool scriptDiffers = false; // we keep code points whole or PCRE2 refuses: not compared with node
};

const RegexCase Cases[] = {
    // Plain use on names.
    {"first only", u"a", u"banana", u"o", false, false, u"bonana"},
    {"global", u"a", u"banana", u"o", false, true, u"bonono"},
    {"ignore case", u"A", u"Aaa", u"b", true, true, u"bbb"},
    {"case sensitive", u"a", u"Aaa", u"b", false, true, u"Abb"},
    {"ignore case beyond ASCII", u"\u00c9t\u00e9", u"\u00e9T\u00c9", u"x", true, false, u"x"},
    {"no match", u"z", u"abc", u"x", false, true, u"abc"},
    {"swap groups", u"(\\w+) (\\w+)", u"John Smith", u"$2, $1", false, false, u"Smith, John"},
    // Replacement text.
    {"whole match", u"b+", u"abbc", u"[$&]", false, false, u"a[bb]c"},
    {"before and after", u"b", u"abc", u"<$`|$'>", false, false, u"a<a|c>c"},
    {"dollar dollar", u"b", u"abc", u"$$", false, false, u"a$c"},
    {"dollar zero literal", u"b", u"abc", u"$0", false, false, u"a$0c"},
    {"group beyond count literal", u"(b)", u"abc", u"$2", false, false, u"a$2c"},
    {"two digits when that group exists", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", u"abcdefghij", u"$10", false, false,
     u"j"},
    {"one digit then literal", u"(b)", u"abc", u"$10", false, false, u"ab0c"},
    {"leading zero", u"(b)", u"abc", u"$01", false, false, u"abc"},
    {"unset group empty", u"(x)?b", u"abc", u"[$1]", false, false, u"a[]c"},
    {"named group", u"(?<y>\\d{4})-(?<m>\\d\\d)", u"2024-05", u"$<m>.$<y>", false, false, u"05.2024"},
    {"unknown name empty", u"(?<y>b)", u"abc", u"[$<z>]", false, false, u"a[]c"},
    {"dollar lt without names", u"(b)", u"abc", u"$<1>", false, false, u"a$<1>c"},
    {"trailing dollar", u"b", u"abc", u"x$", false, false, u"ax$c"},
    {"dollar other", u"b", u"abc", u"$x", false, false, u"a$xc"},
    // Classes and escapes that PCRE2 reads differently.
    {"digits ASCII only", u"\\d", u"1\u0663", u"#", false, true, u"#\u0663"},
    {"word ASCII only", u"\\w", u"a\u00e9", u"#", false, true, u"#\u00e9"},
    {"boundary ASCII only", u"\\bcaf", u"\u00e9caf", u"#", false, true, u"\u00e9#"},
    {"no boundary inside ASCII word", u"\\Bb", u"ab", u"#", false, true, u"a#"},
    {"space includes no-break space", u"\\s", u"a\u00a0b\u3000c d", u"_", false, true, u"a_b_c_d"},
    {"non-space excludes no-break space", u"\\S", u"a\u00a0b", u"_", false, true, u"_\u00a0_"},
    {"space set in class", u"[\\s.]", u"a\u2009b.c", u"_", false, true, u"a_b_c"},
    {"non-space set negated in class", u"[^\\S]", u"a\u00a0b", u"_", false, true, u"a_b"},
    {"dot stops at CR", u".", u"a\rb", u"_", false, true, u"_\r_"},
    {"dollar is the very end", u"a$", u"a\n", u"x", false, true, u"a\n"},
    {"dollar at end", u"a$", u"aa", u"x", false, true, u"ax"},
    {"caret only at start", u"^b", u"a\nb", u"x", false, true, u"a\nb"},
    {"vertical tab only", u"\\v", u"\u000b\n", u"_", false, true, u"_\n"},
    {"unicode escape", u"\\u00e9", u"caf\u00e9", u"e", false, true, u"cafe"},
    {"unicode escape incomplete", u"\\u00", u"u00", u"x", false, true, u"x"},
    {"u with braces is a quantifier", u"\\u{2}", u"uuu", u"x", false, false, u"xu"},
    {"surrogate pair escape", u"\\ud83d\\ude00", u"a\U0001F600b", u"x", false, true, u"axb"},
    {"hex escape", u"\\x41", u"ABA", u"b", false, true, u"bBb"},
    {"hex escape incomplete", u"\\x4", u"x4", u"y", false, true, u"y"},
    {"control escape", u"\\cJ", u"a\nb", u"_", false, true, u"a_b"},
    {"control without letter", u"\\c1", u"\\c1", u"_", false, true, u"_"},
    {"nul escape", u"\\0", u"a\u0000b"sv, u"_", false, true, u"a_b"},
    {"legacy octal", u"\\101", u"ABA", u"_", false, true, u"_B_"},
    {"eight is itself", u"\\8", u"8", u"_", false, true, u"_"},
    {"two-digit backreference falls back to octal", u"(a)\\10", u"a\u0008", u"_", false, true, u"_"},
    {"identity escapes", u"\\h\\p\\e\\Q\\z", u"hpeQz", u"_", false, true, u"_"},
    {"no unicode property in script", u"\\p{L}", u"p{L}a", u"_", false, true, u"_a"},
    {"empty class matches nothing", u"[]", u"abc", u"_", false, true, u"abc"},
    {"negated empty class matches anything", u"[^]", u"a\nb", u"_", false, true, u"___"},
    {"bracket inside class is literal", u"[[:a]]", u"a]", u"_", false, true, u"_"},
    {"hyphen beside a set", u"[\\d-z]", u"5-z", u"_", false, true, u"___"},
    {"brace that is no quantifier", u"a{", u"a{b", u"_", false, true, u"_b"},
    {"brace with missing minimum", u"x{,5}", u"x{,5}", u"_", false, true, u"_"},
    {"braced quantifier", u"a{2}", u"aaa", u"_", false, true, u"_a"},
    {"lone close brace and bracket", u"}]", u"}]", u"_", false, true, u"_"},
    // Group and quantifier semantics.
    {"lookahead", u"foo(?=bar)", u"foobar foobaz", u"X", false, true, u"Xbar foobaz"},
    {"negative lookahead", u"foo(?!bar)", u"foobar foobaz", u"X", false, true, u"foobar Xbaz"},
    {"lookbehind", u"(?<=\\$)\\d+", u"$12 34", u"N", false, true, u"$N 34"},
    {"lazy quantifier", u"<.+?>", u"<a><b>", u"[]", false, false, u"[]<b>"},
    {"greedy quantifier", u"<.+>", u"<a><b>", u"[]", false, false, u"[]"},
    {"negated class", u"[^a-z]", u"ab1c2", u"X", false, true, u"abXcX"},
    {"backreference", u"(\\w)\\1", u"aabcc", u"#", false, true, u"#b#"},
    {"backreference to unset group matches empty", u"(a)?b\\1", u"b", u"X", false, true, u"X"},
    {"forward reference matches empty", u"\\1(a)", u"a", u"X", false, true, u"X"},
    {"named backreference", u"(?<c>\\w)\\k<c>", u"xaay", u"#", false, true, u"x#y"},
    {"k without named groups", u"\\k", u"k", u"_", false, true, u"_"},
    {"ignore case backreference", u"(a)\\1", u"aA", u"_", true, true, u"_"},
    {"quantified lookahead", u"(?=a)*a", u"a", u"_", false, true, u"_"},
    // Empty matches in a global replace.
    {"empty matches everywhere", u"x*", u"abc", u"-", false, true, u"-a-b-c-"},
    {"empty alternative first", u"(?:)|a", u"a", u"-", false, true, u"-a-"},
    {"empty pattern", u"", u"ab", u"-", false, true, u"-a-b-"},
    {"empty match at end only", u"$", u"ab", u"!", false, true, u"ab!"},
    // Errors: the part stays as it was.
    {"open group", u"(a", u"a", u"x", false, true, nullptr},
    {"close group", u"a)", u"a", u"x", false, true, nullptr},
    {"open class", u"[a", u"a", u"x", false, true, nullptr},
    {"nothing to repeat", u"*a", u"a", u"x", false, true, nullptr},
    {"double quantifier", u"a**", u"a", u"x", false, true, nullptr},
    {"possessive quantifier", u"a++", u"a", u"x", false, true, nullptr},
    {"quantifier after quantifier", u"a{2}{3}", u"a", u"x", false, true, nullptr},
    {"inline flags", u"(?i)a", u"a", u"x", false, true, nullptr},
    {"verb", u"(*UTF)a", u"a", u"x", false, true, nullptr},
    {"quantified assertion", u"^*a", u"a", u"x", false, true, nullptr},
    {"quantified lookbehind", u"(?<=a)*b", u"ab", u"x", false, true, nullptr},
    {"range out of order", u"[z-a]", u"a", u"x", false, true, nullptr},
    {"braces out of order", u"a{3,1}", u"a", u"x", false, true, nullptr},
    {"trailing backslash", u"a\\", u"a", u"x", false, true, nullptr},
    {"bad group name", u"(?<>a)", u"a", u"x", false, true, nullptr},
    // Where code points stay whole, or PCRE2 cannot follow.
    {"dot takes a whole pair", u".", u"\U0001F600", u"x", false, true, u"x", true},
    {"empty matches step over pairs", u"", u"\U0001F600", u"-", false, true, u"-\U0001F600-", true},
    {"variable-length lookbehind", u"(?<=a+)b", u"aab", u"x", false, true, nullptr, true},
};

QString Subject(const RegexCase& c)
{
    return QString::fromUtf16(c.subject.data(), qsizetype(c.subject.size()));
}

std::optional<QString> Ours(const RegexCase& c)
{
    RegexOptions options;
    options.ignoreCase = c.ignoreCase;
    options.global = c.global;
    return RegexReplace(Subject(c), QString::fromUtf16(c.pattern),
                        QString::fromUtf16(c.replacement), options);
}

QJsonArray CodeUnits(const QString& s)
{
    QJsonArray units;
    for (QChar c : s)
        units.append(int(c.unicode()));
    return units;
}

QString FromCodeUnits(const QJsonArray& units)
{
    QString s;
    for (const QJsonValue& v : units)
        s.append(QChar(char16_t(v.toInt())));
    return s;
}

} // namespace

TEST(RegexService, ScriptCompatibilityTable)
{
    for (const RegexCase& c : Cases) {
        const std::optional<QString> got = Ours(c);
        if (!c.expected) {
            EXPECT_FALSE(got.has_value()) << c.label << ": gave " << got.value_or(QString()).toStdString();
            continue;
        }
        ASSERT_TRUE(got.has_value()) << c.label;
        EXPECT_EQ(*got, QString::fromUtf16(c.expected)) << c.label;
    }
}

// Runs the same table through the system's script engine when one is installed.
TEST(RegexService, AgreesWithNodeWhereInstalled)
{
    const QString node = QStringLiteral("/usr/bin/node");
    if (!QFileInfo(node).isExecutable())
        GTEST_SKIP() << "node is not installed";
    QJsonArray rows;
    for (const RegexCase& c : Cases) {
        QJsonObject row;
        row[u"p"] = CodeUnits(QString::fromUtf16(c.pattern));
        row[u"s"] = CodeUnits(Subject(c));
        row[u"r"] = CodeUnits(QString::fromUtf16(c.replacement));
        row[u"f"] = QString::fromLatin1(c.ignoreCase ? "i" : "") + QString::fromLatin1(c.global ? "g" : "");
        rows.append(row);
    }
    const QString script = QStringLiteral(
        "const u = a => String.fromCharCode(...a);"
        "const c = s => Array.from({length: s.length}, (_, i) => s.charCodeAt(i));"
        "let input = ''; process.stdin.on('data', d => input += d); process.stdin.on('end', () => {"
        "  const out = JSON.parse(input).map(r => { try {"
        "    return c(u(r.s).replace(new RegExp(u(r.p), r.f), u(r.r))); } catch (e) { return null; } });"
        "  process.stdout.write(JSON.stringify(out)); });");
    QProcess process;
    process.start(node, {QStringLiteral("-e"), script});
    ASSERT_TRUE(process.waitForStarted());
    process.write(QJsonDocument(rows).toJson(QJsonDocument::Compact));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    const QJsonArray results = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    ASSERT_EQ(results.size(), qsizetype(std::size(Cases)));
    for (qsizetype i = 0; i < results.size(); ++i) {
        const RegexCase& c = Cases[i];
        if (c.scriptDiffers)
            continue;
        const std::optional<QString> ours = Ours(c);
        if (results[i].isNull()) {
            EXPECT_FALSE(ours.has_value()) << c.label << ": node refuses the pattern";
        } else {
            ASSERT_TRUE(ours.has_value()) << c.label << ": node accepts the pattern";
            EXPECT_EQ(*ours, FromCodeUnits(results[i].toArray())) << c.label;
        }
    }
}

TEST(RegexService, LoneSurrogatesOfUndecodableBytesCanBeMatched)
{
    const QString name = QStringLiteral("a") + QChar(char16_t(0xDC80)) + QStringLiteral("b");
    RegexOptions global;
    global.global = true;
    EXPECT_EQ(RegexReplace(name, QStringLiteral("\\udc80"), QStringLiteral("_"), global), QStringLiteral("a_b"));
    EXPECT_EQ(RegexReplace(name, QStringLiteral("."), QStringLiteral("<$&>"), global),
              QStringLiteral("<a><") + QChar(char16_t(0xDC80)) + QStringLiteral("><b>"));
    EXPECT_EQ(RegexReplace(name, QStringLiteral("b"), QStringLiteral("c"), global),
              QStringLiteral("a") + QChar(char16_t(0xDC80)) + QStringLiteral("c"))
        << "the rest of the name keeps its byte";
    const QString privateUse = QStringLiteral("a") + QChar(char16_t(0xE080));
    EXPECT_EQ(RegexReplace(privateUse, QStringLiteral("\\ue080"), QStringLiteral("_"), global), QStringLiteral("a_"));
}

TEST(RegexService, MultiLineSwitch)
{
    RegexOptions options;
    options.global = true;
    options.multiLine = true;
    EXPECT_EQ(RegexReplace(QStringLiteral("a\nb\r\nc"), QStringLiteral("^"), QStringLiteral(">"), options),
              QStringLiteral(">a\n>b\r>\n>c"));
    EXPECT_EQ(RegexReplace(QStringLiteral("a\nb"), QStringLiteral("$"), QStringLiteral("<"), options),
              QStringLiteral("a<\nb<"));
}

TEST(RegexService, RunawayBacktrackingLeavesTheTextAlone)
{
    const QString name = QString(40, u'a') + u'!';
    RegexOptions options;
    options.global = true;
    const std::optional<QString> got = RegexReplace(name, QStringLiteral("^(a|aa)*$"), QStringLiteral("x"), options);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, name);
}

TEST(RegexService, TranslationReportsWhy)
{
    QString error;
    EXPECT_FALSE(TranslateScriptPattern(u"(?i)a", false, &error));
    EXPECT_FALSE(error.isEmpty());
    const ScriptRegex bad(QStringLiteral("[z-a]"), false, false);
    EXPECT_FALSE(bad.isValid());
    EXPECT_FALSE(bad.errorString().isEmpty());
    EXPECT_FALSE(bad.replace(QStringLiteral("a"), QStringLiteral("b"), true));
}
