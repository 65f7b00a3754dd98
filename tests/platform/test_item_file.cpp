#include "platform/FileSystem.h"
#include "platform/ItemFile.h"
#include "platform/NameCodec.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace quelt::platform;
using quelt::test::ReadBytes;
using quelt::test::TempDir;
using quelt::test::WriteBytes;

namespace {

class ItemFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.file(name); }
    QString path(const char* name) const { return path(QString::fromUtf8(name)); }
    std::string raw(const char* name) const { return EncodeName(path(name)).toStdString(); }
    std::size_t entryCount() const
    {
        std::vector<DirEntry> entries;
        EXPECT_TRUE(ListFolder(dir_.path(), entries));
        return entries.size();
    }

    TempDir dir_;
};

} // namespace

TEST_F(ItemFileTest, OpenFailures)
{
    WriteBytes(raw("file"), "x");
    ASSERT_EQ(::mkdir(raw("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(raw("pipe.mp3").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("nowhere", raw("dangling").c_str()), 0);
    struct Case {
        const char* name;
        int error;
    };
    const Case cases[] = {
        {"missing", 53}, {"file/below", 53}, {"folder", 75}, {"pipe.mp3", 75}, {"dangling", 53},
    };
    for (const Case& c : cases) {
        for (ItemFile::Mode mode : {ItemFile::Mode::Read, ItemFile::Mode::ReadWrite}) {
            ItemFile f;
            EXPECT_FALSE(f.open(path(c.name), mode)) << c.name;
            EXPECT_EQ(f.error(), c.error) << c.name;
            EXPECT_FALSE(f.isOpen()) << c.name;
        }
    }
}

TEST_F(ItemFileTest, ReadClampsToTheFile)
{
    WriteBytes(raw("data"), "0123456789");
    ItemFile f;
    ASSERT_TRUE(f.open(path("data")));
    EXPECT_EQ(f.size(), 10);
    struct Case {
        std::int64_t offset;
        std::int64_t length;
        const char* expected;
    };
    const Case cases[] = {
        {0, 4, "0123"}, {6, 100, "6789"}, {9, 1, "9"}, {10, 1, ""}, {11, 5, ""},
        {-1, 5, ""},    {0, 0, ""},       {0, -3, ""}, {2, std::int64_t(1) << 62, "23456789"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.read(c.offset, c.length), QByteArray(c.expected)) << c.offset << '+' << c.length;
}

TEST_F(ItemFileTest, WriteTruncateAndNonUtf8Path)
{
    const QString odd = dir_.path() + DecodeName("tag \xFF.mp3");
    WriteBytes(EncodeName(odd).toStdString(), "abcdef");
    ItemFile f;
    ASSERT_TRUE(f.open(odd, ItemFile::Mode::ReadWrite));
    EXPECT_TRUE(f.write(2, "XY"));
    EXPECT_TRUE(f.write(8, "!"));
    EXPECT_EQ(f.read(0, 100), QByteArray("abXYef\0\0!", 9));
    EXPECT_TRUE(f.truncate(3));
    EXPECT_TRUE(f.sync());
    f.close();
    EXPECT_EQ(ReadBytes(EncodeName(odd).toStdString()), "abX");
}

TEST_F(ItemFileTest, WritesFailOnAReadOnlyHandle)
{
    WriteBytes(raw("data"), "abc");
    ItemFile f;
    ASSERT_TRUE(f.open(path("data")));
    EXPECT_FALSE(f.write(0, "z"));
    EXPECT_NE(f.error(), 0);
    EXPECT_EQ(ReadBytes(raw("data")), "abc");
}

TEST_F(ItemFileTest, ReplaceKeepsPermissionsAndLeavesNoTemporary)
{
    WriteBytes(raw("song.mp3"), "old contents");
    ASSERT_EQ(::chmod(raw("song.mp3").c_str(), 0640), 0);
    ItemFile tmp;
    ASSERT_TRUE(tmp.createTemporaryBeside(path("song.mp3")));
    EXPECT_TRUE(PathExists(tmp.tempPath()));
    EXPECT_EQ(entryCount(), 2u);
    ASSERT_TRUE(tmp.write(0, "new contents"));
    ASSERT_TRUE(tmp.replace(path("song.mp3")));
    EXPECT_EQ(ReadBytes(raw("song.mp3")), "new contents");
    EXPECT_EQ(entryCount(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(raw("song.mp3").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ItemFileTest, DiscardAndDestructorRemoveTheTemporary)
{
    WriteBytes(raw("doc"), "original");
    {
        ItemFile tmp;
        ASSERT_TRUE(tmp.createTemporaryBeside(path("doc")));
        tmp.write(0, "partial");
        tmp.discardTemporary();
        EXPECT_EQ(entryCount(), 1u);
    }
    {
        ItemFile tmp;
        ASSERT_TRUE(tmp.createTemporaryBeside(path("doc")));
        tmp.write(0, "partial");
        ItemFile moved(std::move(tmp));
        EXPECT_EQ(entryCount(), 2u);
    }
    EXPECT_EQ(entryCount(), 1u);
    {
        // A second temporary, or one moved in, takes the place of the first one.
        ItemFile tmp;
        ASSERT_TRUE(tmp.createTemporaryBeside(path("doc")));
        ASSERT_TRUE(tmp.createTemporaryBeside(path("doc")));
        EXPECT_EQ(entryCount(), 2u);
        ItemFile other;
        ASSERT_TRUE(other.createTemporaryBeside(path("doc")));
        tmp = std::move(other);
        EXPECT_EQ(entryCount(), 2u);
    }
    EXPECT_EQ(entryCount(), 1u);
    EXPECT_EQ(ReadBytes(raw("doc")), "original");
}

TEST_F(ItemFileTest, ReplaceThroughASymlinkRewritesItsTarget)
{
    ASSERT_EQ(::mkdir(raw("music").c_str(), 0755), 0);
    WriteBytes(raw("music/real.mp3"), "old");
    ASSERT_EQ(::symlink("music/real.mp3", raw("link.mp3").c_str()), 0);
    ItemFile tmp;
    ASSERT_TRUE(tmp.createTemporaryBeside(path("link.mp3")));
    ASSERT_TRUE(tmp.write(0, "new"));
    ASSERT_TRUE(tmp.replace(path("link.mp3")));
    struct stat st {};
    ASSERT_EQ(::lstat(raw("link.mp3").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadBytes(raw("music/real.mp3")), "new");
    EXPECT_EQ(entryCount(), 2u);
}

TEST_F(ItemFileTest, ReplaceWorksForAName255BytesLong)
{
    const QString name = QString(251, u'n') + QStringLiteral(".mp3");
    ASSERT_EQ(EncodeName(name).size(), 255);
    WriteBytes(EncodeName(path(name)).toStdString(), "old");
    ItemFile tmp;
    ASSERT_TRUE(tmp.createTemporaryBeside(path(name))) << tmp.error();
    ASSERT_TRUE(tmp.write(0, "new"));
    ASSERT_TRUE(tmp.replace(path(name))) << tmp.error();
    EXPECT_EQ(ReadBytes(EncodeName(path(name)).toStdString()), "new");
}

TEST_F(ItemFileTest, ReadFileStart)
{
    WriteBytes(raw("data"), "0123456789");
    EXPECT_EQ(ReadFileStart(path("data"), 3), "012");
    EXPECT_EQ(ReadFileStart(path("data"), 1000), "0123456789");
    EXPECT_EQ(ReadFileStart(path("missing"), 10), QByteArray());
}
