#include "automation/DryRun.h"

#include "platform/NameCodec.h"

namespace quelt {
namespace {

QByteArray EscapedField(const QString& text)
{
    QByteArray out;
    const QByteArray bytes = platform::EncodeName(text);
    out.reserve(bytes.size());
    for (char c : bytes) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

QByteArray JsonString(const QString& text)
{
    QByteArray out = "\"";
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool pairedHigh = QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (pairedHigh) {
            out += QString(text.mid(i, 2)).toUtf8();
            ++i;
        } else if (c == u'"') {
            out += "\\\"";
        } else if (c == u'\\') {
            out += "\\\\";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c < 0x20 || QChar::isSurrogate(c)) {
            out += QByteArray("\\u") + QByteArray::number(int(c), 16).rightJustified(4, '0');
        } else {
            out += QString(QChar(c)).toUtf8();
        }
    }
    out += '"';
    return out;
}

} // namespace

QByteArray DryRunTextLine(const PreviewItem& item)
{
    return QByteArray(item.valid ? "OK" : "Failed") + '\t' + EscapedField(item.folder) + '\t'
        + EscapedField(item.oldName) + '\t' + EscapedField(item.newName) + '\n';
}

QByteArray DryRunJsonLine(const PreviewItem& item)
{
    return QByteArray("{\"valid\":") + (item.valid ? "true" : "false") + ",\"folder\":" + JsonString(item.folder)
        + ",\"oldName\":" + JsonString(item.oldName) + ",\"newName\":" + JsonString(item.newName) + "}\n";
}

} // namespace quelt
