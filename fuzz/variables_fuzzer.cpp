// Feeds names and templates through the variable expander, on an item whose folder
// does not exist and on a small HTML page made once in /tmp, and the input's bytes
// through the HTML title reader. Input: one flag byte, the old name, "\n", the
// template.
#include "metadata/Variables.h"
#include "platform/NameCodec.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string fixtureFolder;
std::string fixturePage;

void RemoveFixture()
{
    ::unlink(fixturePage.c_str());
    ::rmdir(fixtureFolder.c_str());
}

// The folder (ending in "/") that holds page.html, made at the first input.
const QString& FixtureFolder()
{
    static const QString folder = [] {
        char pattern[] = "/tmp/quelt-variables-fuzz-XXXXXX";
        if (!::mkdtemp(pattern))
            std::abort();
        fixtureFolder = pattern;
        fixturePage = fixtureFolder + "/page.html";
        const int fd = ::open(fixturePage.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd < 0)
            std::abort();
        static const char page[] = "<html>\n<head><title> Fuzz: Page </title></head>\n</html>\n";
        if (::write(fd, page, sizeof page - 1) != ssize_t(sizeof page - 1))
            std::abort();
        ::close(fd);
        std::atexit(RemoveFixture);
        return QString::fromStdString(fixtureFolder) + u'/';
    }();
    return folder;
}

bool HoldsCharacterANameCannotHold(const QString& name)
{
    for (const QChar c : name) {
        if (c.unicode() < 32 || QStringView(u"/\\:*?\"<>|").contains(c))
            return true;
    }
    return false;
}

void Check(const quelt::PreviewItem& in, const quelt::ExpansionOptions& options)
{
    const quelt::PreviewItem out = quelt::ConvertText(in, options);
    if (HoldsCharacterANameCannotHold(out.newName))
        __builtin_trap();
    if (out.valid && !in.valid)
        __builtin_trap();
    if (out.folder != in.folder || out.oldName != in.oldName)
        __builtin_trap();
    if (!in.newName.contains(u'%') && out.newName != quelt::FixInvalidChars(in.newName, options))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t flags = data[0];
    const QByteArrayView rest(data + 1, qsizetype(size - 1));
    const qsizetype newline = rest.indexOf('\n');
    const QByteArrayView nameBytes = newline < 0 ? QByteArrayView() : rest.first(newline);
    const QByteArrayView textBytes = newline < 0 ? rest : rest.sliced(newline + 1);

    quelt::ExpansionOptions options;
    options.replaceInvalidChars = flags & 1;
    options.replaceWith = QString(QChar(char16_t(flags >> 1)));
    options.enableLogging = false;

    quelt::PreviewItem item;
    item.folder = QStringLiteral("/nonexistent-quelt-fuzz/") + quelt::platform::DecodeName(nameBytes.first(std::min<qsizetype>(nameBytes.size(), 8))) + u'/';
    item.oldName = quelt::platform::DecodeName(nameBytes);
    item.newName = quelt::platform::DecodeName(textBytes);
    item.valid = flags & 0x80;
    Check(item, options);

    item.folder = FixtureFolder();
    item.oldName = QStringLiteral("page.html");
    Check(item, options);

    (void)quelt::HtmlTitleFromBytes(rest);
    (void)quelt::GetFileTitle(item.newName);
    (void)quelt::GetFileExtension(item.newName);
    return 0;
}
