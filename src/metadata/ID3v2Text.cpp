// Text of the frames the program edits: decoding in the four encodings of the
// ID3v2 standard, and the frame layouts of "COMM" and "WXXX".

#include "metadata/General.h"
#include "metadata/ID3v1.h"
#include "metadata/ID3v2.h"

#include <QStringView>
#include <algorithm>

namespace quelt {
namespace {

// Text encodings (ID3v2.4.0 structure 4; 0 and 1 are those of 2.3.0).
enum Encoding : std::uint8_t { Latin1 = 0, Utf16 = 1, Utf16BE = 2, Utf8 = 3 };

constexpr QByteArrayView CommentLanguage("eng");
constexpr QByteArrayView UrlDescription("desc");
constexpr qsizetype LanguageSize = 3;

// Version 2.3.0 frame flags that make the data unreadable as text (section 3.3.1).
constexpr std::uint8_t OpaqueFlagsV3 = 0x80 | 0x40 | 0x20;
// Version 2.4.0: grouping, compression, encryption (structure 4.1.2).
constexpr std::uint8_t OpaqueFlagsV4 = 0x40 | 0x08 | 0x04;

enum class FrameKind { Text, Url, Genre, Comment };

struct FrameRule {
    QStringView id;
    FrameKind kind;
};

constexpr FrameRule FrameRules[] = {
    {u"TIT2", FrameKind::Text}, {u"TPE1", FrameKind::Text}, {u"TALB", FrameKind::Text},
    {u"TYER", FrameKind::Text}, {u"TRCK", FrameKind::Text}, {u"TCOM", FrameKind::Text},
    {u"TOPE", FrameKind::Text}, {u"TCOP", FrameKind::Text}, {u"TENC", FrameKind::Text},
    {u"WXXX", FrameKind::Url},  {u"TCON", FrameKind::Genre}, {u"COMM", FrameKind::Comment},
};

const FrameRule* RuleFor(QStringView id)
{
    const auto it = std::find_if(std::begin(FrameRules), std::end(FrameRules),
                                 [&](const FrameRule& r) { return r.id == id; });
    return it == std::end(FrameRules) ? nullptr : it;
}

bool IsWide(std::uint8_t encoding)
{
    return encoding == Utf16 || encoding == Utf16BE;
}

bool HasBom(QByteArrayView bytes)
{
    if (bytes.size() < 2)
        return false;
    const std::uint8_t a = std::uint8_t(bytes[0]), b = std::uint8_t(bytes[1]);
    return (a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF);
}

QString DecodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    if (HasBom(bytes)) {
        bigEndian = std::uint8_t(bytes[0]) == 0xFE;
        bytes = bytes.sliced(2);
    }
    QString out;
    out.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const std::uint8_t hi = std::uint8_t(bytes[bigEndian ? i : i + 1]);
        const std::uint8_t lo = std::uint8_t(bytes[bigEndian ? i + 1 : i]);
        out.append(QChar(char16_t((hi << 8) | lo)));
    }
    return out;
}

// Decodes a text field. Encoding 1 without a byte-order mark is taken as little
// endian (as most taggers write it); encoding 0 data that starts with a
// byte-order mark is UTF-16 that a tagger mislabelled.
QString Decode(std::uint8_t encoding, QByteArrayView bytes)
{
    switch (encoding) {
    case Latin1:
        if (bytes.size() > 2 && HasBom(bytes))
            return DecodeUtf16(bytes, false);
        return QString::fromLatin1(bytes);
    case Utf16:
        return DecodeUtf16(bytes, false);
    case Utf16BE:
        return DecodeUtf16(bytes, true);
    case Utf8:
        return QString::fromUtf8(bytes);
    default:
        return {};
    }
}

// Splits off a terminated string: the bytes before the terminator (one NUL byte,
// or two on a two-byte boundary for UTF-16) and the bytes after it. Without a
// terminator, nullopt.
struct Split {
    QByteArrayView head;
    QByteArrayView rest;
};

std::optional<Split> SplitTerminated(std::uint8_t encoding, QByteArrayView bytes)
{
    if (IsWide(encoding)) {
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == '\0' && bytes[i + 1] == '\0')
                return Split{bytes.first(i), bytes.sliced(i + 2)};
        }
        return std::nullopt;
    }
    const qsizetype nul = bytes.indexOf('\0');
    if (nul < 0)
        return std::nullopt;
    return Split{bytes.first(nul), bytes.sliced(nul + 1)};
}

QString PlainText(std::uint8_t encoding, QByteArrayView bytes)
{
    return CutAtNul(Decode(encoding, bytes)).trimmed();
}

// The leading numeric value of a text: optional sign and digits; 0 without digits.
std::int64_t LeadingNumber(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        text = text.sliced(1);
    }
    constexpr std::int64_t Cap = 1'000'000'000'000;
    std::int64_t value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = std::min(Cap, value * 10 + (c.unicode() - u'0'));
    }
    return negative ? -value : value;
}

// "TCON": "(17)" refers to genre 17, "(17)Rock & Roll" refines it by a name.
QString GenreText(const QString& plain, FrameTextMode mode)
{
    std::int64_t number = 0;
    QString name = plain;
    const qsizetype close = plain.indexOf(u')');
    if (plain.startsWith(u'(') && close > 0) {
        number = LeadingNumber(QStringView(plain).sliced(1, close - 1));
        if (close == plain.size() - 1 && number >= 0 && number <= LastGenre)
            name = GenreList()[std::size_t(number)];
        else
            name = plain.sliced(plain.lastIndexOf(u')') + 1).trimmed();
    }
    switch (mode) {
    case FrameTextMode::Plain:
        return plain;
    case FrameTextMode::Number:
        return QString::number(number);
    case FrameTextMode::GenreName:
        return name;
    }
    return plain;
}

// "COMM": language (3 bytes), description (terminated), text.
QString CommentText(const ID3v2Frame& frame, FrameTextMode mode)
{
    if (mode == FrameTextMode::Number)
        return BytesToText(ByteSlice(frame.data, 0, LanguageSize));
    if (frame.data.size() < LanguageSize)
        return {};
    const std::optional<Split> split =
        SplitTerminated(frame.encoding, QByteArrayView(frame.data).sliced(LanguageSize));
    return split ? PlainText(frame.encoding, split->rest) : QString();
}

// "WXXX": description (terminated, in the frame's encoding), then the URL, which
// is always ISO-8859-1 (ID3v2.3.0 section 4.3.2).
QString UrlText(const ID3v2Frame& frame)
{
    const std::optional<Split> split = SplitTerminated(frame.encoding, frame.data);
    if (!split)
        return PlainText(frame.encoding, frame.data);
    return BytesToText(split->rest);
}

bool IsReadableAsText(const ID3v2Tag& tag, const ID3v2Frame& frame)
{
    const bool v4 = tag.header.size() > 3 && tag.header[3] == 4;
    return !(frame.flags[1] & (v4 ? OpaqueFlagsV4 : OpaqueFlagsV3));
}

bool IsValidId(const QString& id)
{
    return id.size() == 4 && std::all_of(id.begin(), id.end(), [](QChar c) {
               return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
           });
}

struct EncodedText {
    std::uint8_t encoding = Latin1;
    QByteArray bytes;
};

bool FitsLatin1(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

// ISO-8859-1 when every character has a code there, else UTF-16 with a
// byte-order mark (the two encodings of version 2.3.0), cut to the byte limit
// without splitting a character.
EncodedText EncodeText(const QString& text)
{
    if (FitsLatin1(text))
        return {Latin1, text.toLatin1().left(MaxID3v2SetTextBytes)};
    qsizetype units = std::min<qsizetype>(text.size(), (MaxID3v2SetTextBytes - 2) / 2);
    if (units > 0 && units < text.size() && text[units - 1].isHighSurrogate())
        --units;
    QByteArray bytes("\xFF\xFE", 2);
    bytes.reserve(2 + units * 2);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = text[i].unicode();
        bytes.append(char(u & 0xFF));
        bytes.append(char(u >> 8));
    }
    return {Utf16, bytes};
}

// A URL is ISO-8859-1 whatever the frame's encoding: other characters are
// written percent-encoded as UTF-8.
QByteArray EncodeUrl(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        if (c.unicode() <= 0xFF) {
            out.append(char(c.unicode()));
            continue;
        }
        const QByteArray utf8 = QString(c).toUtf8();
        out.append(utf8.toPercentEncoding());
    }
    return out.left(MaxID3v2SetTextBytes);
}

QByteArray Terminator(std::uint8_t encoding)
{
    return IsWide(encoding) ? QByteArray("\xFF\xFE\0\0", 4) : QByteArray(1, '\0');
}

// The frame's data for a text: "COMM" and "WXXX" get their prefix.
EncodedText FrameContent(const QString& id, const QString& text)
{
    if (id == u"WXXX")
        return {Latin1, UrlDescription.toByteArray() + '\0' + EncodeUrl(text)};
    EncodedText encoded = EncodeText(text);
    if (id == u"COMM")
        encoded.bytes = CommentLanguage.toByteArray() + Terminator(encoded.encoding) + encoded.bytes;
    return encoded;
}

} // namespace

QString GetFrameText(const ID3v2Tag& tag, const QString& id, FrameTextMode mode)
{
    if (id.size() != 4)
        return {};
    const int index = FindFrameIndex(tag, id);
    if (index < 0)
        return {};
    const ID3v2Frame& frame = tag.frames[std::size_t(index)];
    const FrameRule* rule = RuleFor(frame.id);
    if (rule == nullptr || !IsReadableAsText(tag, frame))
        return {};
    switch (rule->kind) {
    case FrameKind::Text:
        return PlainText(frame.encoding, frame.data);
    case FrameKind::Url:
        return UrlText(frame);
    case FrameKind::Genre:
        return GenreText(PlainText(frame.encoding, frame.data), mode);
    case FrameKind::Comment:
        return CommentText(frame, mode);
    }
    return {};
}

void SetFrameText(ID3v2Tag& tag, const QString& id, const QString& text)
{
    const QString frameId = id.toUpper();
    if (!IsValidId(frameId))
        return;
    const int index = FindFrameIndex(tag, frameId);
    if (index < 0 && text.isEmpty())
        return;
    const EncodedText content = text.isEmpty() ? EncodedText{} : FrameContent(frameId, text);

    if (index >= 0) {
        ID3v2Frame& frame = tag.frames[std::size_t(index)];
        const std::int64_t change = content.bytes.size() - frame.data.size();
        frame.flags = {0, 0};
        frame.encoding = content.encoding;
        frame.data = content.bytes;
        frame.dataLength = std::int32_t(frame.data.size());
        for (std::size_t i = std::size_t(index) + 1; i < tag.frames.size(); ++i)
            tag.frames[i].offset += change;
        return;
    }
    ID3v2Frame frame;
    if (!tag.frames.empty()) {
        const ID3v2Frame& last = tag.frames.back();
        frame.offset = last.offset + ID3v2FrameHeaderSize + last.dataLength + 1;
    } else {
        frame.offset = std::max<std::int64_t>(tag.headerOffset, 0) + ID3v2HeaderSize;
    }
    frame.id = frameId;
    frame.encoding = content.encoding;
    frame.data = content.bytes;
    frame.dataLength = std::int32_t(frame.data.size());
    tag.frames.push_back(std::move(frame));
}

} // namespace quelt
