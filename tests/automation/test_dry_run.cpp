#include "automation/DryRun.h"
#include "platform/NameCodec.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace quelt;

namespace {
PreviewItem Item(const QString& folder, const QString& oldName, const QString& newName, bool valid)
{
    PreviewItem item;
    item.folder = folder;
    item.oldName = oldName;
    item.newName = newName;
    item.valid = valid;
    return item;
}
} // namespace

TEST(DryRunOutput, TextLineEscapesSeparators)
{
    const PreviewItem item = Item(QStringLiteral("/a b/"), QStringLiteral("x\ty.txt"), QStringLiteral("back\\slash\nz"), true);
    EXPECT_EQ(DryRunTextLine(item), QByteArray("OK\t/a b/\tx\\ty.txt\tback\\\\slash\\nz\n"));
    EXPECT_TRUE(DryRunTextLine(Item(QStringLiteral("/"), QStringLiteral("a"), QStringLiteral("b"), false)).startsWith("Failed\t"));
}

TEST(DryRunOutput, NamesThatAreNotUtf8KeepTheirBytes)
{
    const QString name = platform::DecodeName(QByteArray("caf\xff.txt"));
    const QByteArray line = DryRunTextLine(Item(QStringLiteral("/d/"), name, QStringLiteral("cafe.txt"), true));
    EXPECT_TRUE(line.contains(QByteArray("\tcaf\xff.txt\t")));
    const QByteArray json = DryRunJsonLine(Item(QStringLiteral("/d/"), name, QStringLiteral("cafe.txt"), true));
    EXPECT_TRUE(json.contains("caf\\udcff.txt"));
}

TEST(DryRunOutput, JsonLineParsesBack)
{
    const PreviewItem item = Item(QStringLiteral("/m\u00fcsik/"), QStringLiteral("\"q\".mp3"),
                                  QStringLiteral("\U0001F600 tab\t.mp3"), false);
    const QByteArray line = DryRunJsonLine(item);
    ASSERT_TRUE(line.endsWith('\n'));
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_EQ(o.value(QStringLiteral("valid")).toBool(true), false);
    EXPECT_EQ(o.value(QStringLiteral("folder")).toString(), item.folder);
    EXPECT_EQ(o.value(QStringLiteral("oldName")).toString(), item.oldName);
    EXPECT_EQ(o.value(QStringLiteral("newName")).toString(), item.newName);
}
