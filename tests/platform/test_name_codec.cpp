#include "platform/FileSystem.h"
#include "platform/NameCodec.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <vector>

using namespace quelt::platform;

namespace {

struct CodecCase {
    const char* label;
    QByteArray bytes;
    std::vector<char16_t> units; // the decoded UTF-16 code units
    bool escaped;
};

std::vector<char16_t> Units(const QString& s)
{
    return std::vector<char16_t>(s.utf16(), s.utf16() + s.size());
}

QString FromUnits(const std::vector<char16_t>& units)
{
    return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
}

} // namespace

TEST(NameCodec, DecodeTable)
{
    const CodecCase cases[] = {
        {"empty", "", {}, false},
        {"ascii", "a.txt", {'a', '.', 't', 'x', 't'}, false},
        {"two-byte", "\xC3\xA9", {0xE9}, false},
        {"three-byte", "\xE2\x82\xAC", {0x20AC}, false},
        {"four-byte", "\xF0\x9F\x98\x80", {0xD83D, 0xDE00}, false},
        {"pair whose low half looks like an escape", "\xF0\x9F\x92\x80", {0xD83D, 0xDC80}, false},
        {"byte FF", "\xFF", {0xDCFF}, true},
        {"latin-1 e acute", "caf\xE9", {'c', 'a', 'f', 0xDCE9}, true},
        {"lone continuation", "\x80", {0xDC80}, true},
        {"overlong slash", "\xC0\xAF", {0xDCC0, 0xDCAF}, true},
        {"overlong three-byte", "\xE0\x80\xAF", {0xDCE0, 0xDC80, 0xDCAF}, true},
        {"encoded surrogate", "\xED\xA0\x80", {0xDCED, 0xDCA0, 0xDC80}, true},
        {"encoded escape code point", "\xED\xB2\x80", {0xDCED, 0xDCB2, 0xDC80}, true},
        {"above U+10FFFF", "\xF4\x90\x80\x80", {0xDCF4, 0xDC90, 0xDC80, 0xDC80}, true},
        {"truncated at end", "a\xE2\x82", {'a', 0xDCE2, 0xDC82}, true},
        {"truncated before ascii", "\xE2\x82z", {0xDCE2, 0xDC82, 'z'}, true},
        {"valid after invalid", "\xFF\xC3\xA9", {0xDCFF, 0xE9}, true},
        {"pair then escape", "\xF0\x9F\x92\x80\xFF", {0xD83D, 0xDC80, 0xDCFF}, true},
        {"F8 lead", "\xF8\x88\x80\x80\x80", {0xDCF8, 0xDC88, 0xDC80, 0xDC80, 0xDC80}, true},
        {"highest code point", "\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}, false},
    };
    for (const CodecCase& c : cases) {
        const QString decoded = DecodeName(c.bytes);
        EXPECT_EQ(Units(decoded), c.units) << c.label;
        EXPECT_EQ(HasEscapedBytes(decoded), c.escaped) << c.label;
        EXPECT_EQ(EncodeName(decoded), c.bytes) << c.label;
        EXPECT_EQ(EncodeName(FromUnits(c.units)), c.bytes) << c.label;
    }
}

TEST(NameCodec, EveryByteValueRoundTrips)
{
    for (int b = 1; b < 256; ++b) {
        const QByteArray bytes = QByteArray("x") + char(b) + "y";
        EXPECT_EQ(EncodeName(DecodeName(bytes)), bytes) << "byte " << b;
        EXPECT_EQ(HasEscapedBytes(DecodeName(bytes)), b >= 0x80) << "byte " << b;
    }
}

TEST(NameCodec, RandomByteStringsRoundTrip)
{
    QRandomGenerator rng(20240601);
    for (int i = 0; i < 20000; ++i) {
        QByteArray bytes(qsizetype(rng.bounded(24)), Qt::Uninitialized);
        for (char& c : bytes) {
            // Mostly high bytes, so that near-valid sequences are common.
            const quint32 r = rng.bounded(8);
            c = char(r == 0 ? rng.bounded(0x80) : 0x80 + rng.bounded(0x80));
        }
        const QString decoded = DecodeName(bytes);
        ASSERT_EQ(EncodeName(decoded), bytes) << "case " << i << ": " << bytes.toHex().toStdString();
        ASSERT_EQ(DecodeName(EncodeName(decoded)), decoded) << "case " << i;
    }
}

TEST(NameCodec, ValidUtf8MatchesQt)
{
    const QString names[] = {
        QStringLiteral("Straße – 東京 😀.mp3"),
        QStringLiteral("Ελληνικά"),
        QString(),
    };
    for (const QString& name : names) {
        EXPECT_EQ(EncodeName(name), name.toUtf8());
        EXPECT_EQ(DecodeName(name.toUtf8()), name);
        EXPECT_FALSE(HasEscapedBytes(name));
    }
}

TEST(NameCodec, RuleMadeNameWithEscapesMovedAroundStillEncodes)
{
    // Rules may cut and join decoded names; an escape keeps standing for its byte.
    const QString odd = DecodeName("\xE9t\xE9");
    const QString joined = QStringLiteral("Été ") + odd.mid(1) + odd.left(1);
    EXPECT_EQ(EncodeName(joined), QByteArray("\xC3\x89t\xC3\xA9 t\xE9\xE9"));
}

TEST(SystemPathTest, PathWithNulNamesNoFile)
{
    const quelt::test::TempDir dir;
    const QString withNul = dir.path() + QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    EXPECT_TRUE(quelt::platform::PathExists(dir.path()));
    EXPECT_FALSE(quelt::platform::PathExists(withNul)) << "must not be cut short at the NUL";
    EXPECT_FALSE(quelt::platform::FolderExists(dir.path() + QChar(0)));
    EXPECT_FALSE(quelt::platform::RenameNoReplace(withNul, dir.path() + QStringLiteral("c")).ok());
}
