#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quelt::platform;
using quelt::test::TempDir;

namespace {

std::string Bytes(const QString& path) { return EncodeName(path).toStdString(); }

void MakeFile(const QString& path, const QByteArray& content = "x")
{
    quelt::test::WriteBytes(Bytes(path), content);
}

const DirEntry* FindEntry(const std::vector<DirEntry>& entries, const QString& name)
{
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const DirEntry& e) { return e.name == name; });
    return it == entries.end() ? nullptr : &*it;
}

} // namespace

TEST(FailureCodes, ErrnoTable)
{
    struct Case {
        int err;
        int code;
    };
    const Case cases[] = {
        {ENOENT, 53}, {ENOTDIR, 53}, {EEXIST, 58}, {ENOTEMPTY, 58}, {EACCES, 70},
        {EPERM, 70}, {EROFS, 75}, {EBUSY, 75}, {ETXTBSY, 75}, {EINVAL, 75},
        {ENAMETOOLONG, 75}, {EIO, 57}, {ENODEV, 68}, {ENXIO, 68}, {ENOMEM, 31001},
        {ENOSPC, FailureUnknown}, {ELOOP, FailureUnknown}, {EXDEV, FailureUnknown},
        {0, FailureUnknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FailureCodeFromErrno(c.err), c.code) << "errno " << c.err;
        const OpResult r = ResultFromErrno(c.err);
        EXPECT_EQ(r.code, c.code) << "errno " << c.err;
        EXPECT_EQ(r.description, QString::fromLocal8Bit(std::strerror(c.err))) << "errno " << c.err;
    }
}

TEST(FailureCodes, UnknownClassIsNoneOfTheNamedCodes)
{
    for (int named : {0, 52, 53, 57, 58, 68, 70, 71, 75, 76, 31001})
        EXPECT_NE(FailureUnknown, named);
}

TEST(Existence, FilesFoldersAndLinks)
{
    TempDir dir;
    MakeFile(dir.file("file"));
    ASSERT_EQ(::mkdir(Bytes(dir.file("folder")).c_str(), 0755), 0);
    ASSERT_EQ(::symlink("nowhere", Bytes(dir.file("dangling")).c_str()), 0);
    ASSERT_EQ(::symlink("folder", Bytes(dir.file("folderlink")).c_str()), 0);

    struct Case {
        const char* name;
        bool exists;
        bool folder;
    };
    const Case cases[] = {
        {"file", true, false},      {"folder", true, true},   {"folder/", true, true},
        {"dangling", true, false},  {"folderlink", true, true}, {"missing", false, false},
        {"file/inside", false, false},
    };
    for (const Case& c : cases) {
        const QString path = dir.file(QString::fromUtf8(c.name));
        EXPECT_EQ(PathExists(path), c.exists) << c.name;
        EXPECT_EQ(FolderExists(path), c.folder) << c.name;
    }
}

TEST(Existence, EmptyOrBlankPathIsNothing)
{
    // A blank path names no folder, even where the working folder holds one
    // whose name is made of spaces.
    TempDir dir;
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(Bytes(dir.path()).c_str()), 0);
    ASSERT_EQ(::mkdir("  ", 0755), 0);
    const bool blankIsFolder = FolderExists(QStringLiteral("  "));
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_FALSE(blankIsFolder);
    EXPECT_FALSE(FolderExists(QString()));
    EXPECT_FALSE(PathExists(QString()));
}

TEST(ListFolder, NamesAndTypesWithoutDotEntries)
{
    TempDir dir;
    MakeFile(dir.file("a.txt"));
    MakeFile(dir.file(".hidden"));
    ASSERT_EQ(::mkdir(Bytes(dir.file("sub")).c_str(), 0755), 0);
    ASSERT_EQ(::symlink("sub", Bytes(dir.file("link")).c_str()), 0);
    ASSERT_EQ(::mkfifo(Bytes(dir.file("pipe")).c_str(), 0644), 0);

    std::vector<DirEntry> entries{{QStringLiteral("stale"), DirEntry::Type::File}};
    int error = -1;
    ASSERT_TRUE(ListFolder(dir.path(), entries, &error));
    EXPECT_EQ(error, 0);
    ASSERT_EQ(entries.size(), 5u);

    struct Case {
        const char* name;
        DirEntry::Type type;
    };
    const Case cases[] = {
        {"a.txt", DirEntry::Type::File}, {".hidden", DirEntry::Type::File},
        {"sub", DirEntry::Type::Directory}, {"link", DirEntry::Type::Symlink},
        {"pipe", DirEntry::Type::Other},
    };
    for (const Case& c : cases) {
        const DirEntry* e = FindEntry(entries, QString::fromUtf8(c.name));
        ASSERT_NE(e, nullptr) << c.name;
        // ext4 and tmpfs give d_type; a file system that does not may say Unknown.
        EXPECT_TRUE(e->type == c.type || e->type == DirEntry::Type::Unknown) << c.name;
    }
}

TEST(ListFolder, MissingFolderAndFileGiveErrno)
{
    TempDir dir;
    MakeFile(dir.file("file"));
    std::vector<DirEntry> entries;
    int error = 0;
    EXPECT_FALSE(ListFolder(dir.file("missing/"), entries, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(ListFolder(dir.file("file"), entries, &error));
    EXPECT_EQ(error, ENOTDIR);
    EXPECT_TRUE(entries.empty());
}

TEST(ListFolder, NonUtf8NameListsAndRenamesBackToItsBytes)
{
    TempDir dir;
    const QByteArray raw = QByteArray("caf\xE9 \xFF\xFE.txt");
    const std::string rawPath = Bytes(dir.path()) + raw.toStdString();
    quelt::test::WriteBytes(rawPath, "latin-1 name");

    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListFolder(dir.path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    const QString listed = entries[0].name;
    EXPECT_TRUE(HasEscapedBytes(listed));
    EXPECT_EQ(EncodeName(listed), raw);
    EXPECT_TRUE(PathExists(dir.path() + listed));

    const QString fixed = QStringLiteral("café.txt");
    ASSERT_TRUE(RenameNoReplace(dir.path() + listed, dir.path() + fixed).ok());
    EXPECT_FALSE(PathExists(dir.path() + listed));
    EXPECT_EQ(quelt::test::ReadBytes(Bytes(dir.path()) + "caf\xC3\xA9.txt"), "latin-1 name");

    ASSERT_TRUE(RenameNoReplace(dir.path() + fixed, dir.path() + listed).ok());
    EXPECT_EQ(quelt::test::ReadBytes(rawPath), "latin-1 name");
}

TEST(NameFilter, MatchTable)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"song.mp3", "*.*", true},
        {"README", "*.*", true},
        {".bashrc", "*.*", true},
        {"", "*.*", true},
        {"README", "*", true},
        {"", "*", true},
        {"song.MP3", "*.mp3", true},
        {"SONG.mp3", "song.MP3", true},
        {"song.mp3x", "*.mp3", false},
        {"song.mp3.bak", "*.mp3", false},
        {"x.tar.gz", "*.gz", true},
        {"photo", "photo.*", true},
        {"photo.jpg", "photo.*", true},
        {"photograph", "photo.*", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abc", "a??c", false},
        {"abc", "?", false},
        {"", "?", false},
        {"a", "", false},
        {"", "", true},
        {"abc", "*?*?*?*?", false},
        {"abcd", "*?*?*?*?", true},
        {"abc", "a*", true},
        {"abc", "*c", true},
        {"abc", "*b", false},
        {"mississippi", "*sip*", true},
        {"mississippi", "m*iss*ppi", true},
        {"mississippi", "m*iss*ppx", false},
        {"ÄRGER.txt", "ärger.*", true},
        {"ОДОС.TXT", "одос.txt", true},
        {"ΟΔΟΣ", "οδος", true},
        {"a😀b", "a?b", true},
        {"a😀b", "a??b", false},
        {"😀.txt", "😀.*", true},
    };
    // Each pattern is also prepared once and reused for all its names, in table order.
    std::map<QString, NameFilter> prepared;
    for (const Case& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        const QString pattern = QString::fromUtf8(c.pattern);
        const NameFilter& filter = prepared.try_emplace(pattern, pattern).first->second;
        EXPECT_EQ(MatchesNameFilter(name, pattern), c.match)
            << '"' << c.name << "\" against \"" << c.pattern << '"';
        EXPECT_EQ(filter.matches(name), c.match)
            << "prepared: \"" << c.name << "\" against \"" << c.pattern << '"';
    }
}

TEST(NameFilter, EscapedBytesMatchOnlyThemselves)
{
    const QString e9 = DecodeName("caf\xE9");
    const QString e8 = DecodeName("caf\xE8");
    EXPECT_TRUE(MatchesNameFilter(e9, e9));
    EXPECT_FALSE(MatchesNameFilter(e9, e8));
    EXPECT_FALSE(MatchesNameFilter(e9, QStringLiteral("café")));
    EXPECT_TRUE(MatchesNameFilter(e9, QStringLiteral("caf?")));
    EXPECT_TRUE(MatchesNameFilter(e9, QStringLiteral("*.*")));
}

TEST(NameFilter, ManyStarsOnALongNameEndQuickly)
{
    // A backtracking matcher without the greedy bound takes exponential time here.
    const QString name = QString(5000, u'a');
    EXPECT_FALSE(MatchesNameFilter(name, QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b")));
    EXPECT_TRUE(MatchesNameFilter(name + u'b', QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b")));
}

TEST(DeletePath, FilesEmptyFoldersAndLinks)
{
    TempDir dir;
    MakeFile(dir.file("file"));
    ASSERT_EQ(::mkdir(Bytes(dir.file("empty")).c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(Bytes(dir.file("full")).c_str(), 0755), 0);
    MakeFile(dir.file("full/inside"));
    ASSERT_EQ(::symlink("full", Bytes(dir.file("link")).c_str()), 0);

    EXPECT_TRUE(DeletePath(dir.file("file")).ok());
    EXPECT_FALSE(PathExists(dir.file("file")));
    EXPECT_TRUE(DeletePath(dir.file("empty")).ok());
    EXPECT_FALSE(PathExists(dir.file("empty")));
    EXPECT_EQ(DeletePath(dir.file("full")).code, 58);
    EXPECT_TRUE(PathExists(dir.file("full/inside")));
    EXPECT_TRUE(DeletePath(dir.file("link")).ok());
    EXPECT_FALSE(PathExists(dir.file("link")));
    EXPECT_TRUE(PathExists(dir.file("full/inside")));
    EXPECT_EQ(DeletePath(dir.file("missing")).code, 53);
}

TEST(FileSize, SmallEmptyMissingAndFolder)
{
    TempDir dir;
    MakeFile(dir.file("five"), "12345");
    MakeFile(dir.file("empty"), "");
    EXPECT_EQ(FileSize(dir.file("five")), 5);
    EXPECT_EQ(FileSize(dir.file("empty")), 0);
    EXPECT_EQ(FileSize(dir.file("missing")), -1);
    EXPECT_EQ(FileSize(dir.path()), 0);
}

TEST(FileSize, SparseFileOver2GiBGivesItsRealSize)
{
    TempDir dir;
    const std::int64_t size = (std::int64_t(3) << 30) + 7;
    const int fd = ::open(Bytes(dir.file("big.bin")).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    EXPECT_EQ(FileSize(dir.file("big.bin")), size);
}
