// SPDX-License-Identifier: GPL-3.0-or-later
// A prefix that was broken, by accident or on purpose: a container's index or
// folder that is something else, registry files that never end. Every call
// must end, with the other containers still usable and a message that names
// what is wrong.
#include "urlcache.h"

#include "env_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

namespace trovana::urlcache {
namespace {

namespace fs = std::filesystem;
using test::MakeWinePrefix;
using test::ScopedEnv;
using test::TempFolder;
using test::Wine8SystemReg;
using test::Wine8UserReg;
using test::WriteFile;

const std::string kCookie = "Cookie:alice@a.example/";
const std::string kPage = "http://a.example/page.html";

NewCacheEntry Entry(const std::string& url)
{
    NewCacheEntry entry;
    entry.url = url;
    entry.body = "body of " + url;
    return entry;
}

std::vector<std::string> Urls(UrlCache& cache)
{
    std::vector<std::string> urls;
    auto enumeration = cache.Enumerate();
    while (auto entry = enumeration.Next())
        urls.push_back(entry->sourceUrlName);
    EXPECT_EQ(enumeration.LastError(), ERROR_NO_MORE_ITEMS);
    return urls;
}

bool Mentions(const std::vector<std::string>& lines, const std::string& text)
{
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

// What is done to the content container, and what a delete of its entry says.
struct Breakage {
    const char* what;
    std::function<void(const fs::path& folder)> apply;
    uint32_t deleteCode;
    bool reported;  // reading it gives a problem line (a folder that is a file is no container)
};

void ReplaceIndex(const fs::path& folder, const std::function<void(const fs::path&)>& make)
{
    fs::remove(folder / "index.dat");
    make(folder / "index.dat");
}

const Breakage kBreakages[] = {
    {"index.dat is a folder",
     [](const fs::path& f) { ReplaceIndex(f, [](const fs::path& p) { fs::create_directory(p); }); },
     ERROR_ACCESS_DENIED, true},
    {"index.dat is a FIFO",
     [](const fs::path& f) { ReplaceIndex(f, [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }); },
     ERROR_FILE_NOT_FOUND, true},
    {"index.dat is a symbolic link loop",
     [](const fs::path& f) { ReplaceIndex(f, [](const fs::path& p) { fs::create_symlink("index.dat", p); }); },
     ERROR_ACCESS_DENIED, true},
    {"index.dat leads to /dev/zero",
     [](const fs::path& f) { ReplaceIndex(f, [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }); },
     ERROR_FILE_NOT_FOUND, true},
    {"the container folder is a file",
     [](const fs::path& f) {
         fs::remove_all(f);
         WriteFile(f, "x");
     },
     ERROR_FILE_NOT_FOUND, false},
    {"the container folder is a symbolic link loop",
     [](const fs::path& f) {
         fs::remove_all(f);
         fs::create_symlink(f.filename(), f);
     },
     ERROR_ACCESS_DENIED, true},
};

fs::file_type TypeOf(const fs::path& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type();
}

class HostilePrefix : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeWinePrefix(prefix, "alice", Wine8UserReg("alice"), Wine8SystemReg("alice"));
        UrlCache cache(LocatePrefixCache(prefix));
        ASSERT_TRUE(cache.CreateEntry(Entry(kCookie)).ok());
        ASSERT_TRUE(cache.CreateEntry(Entry(kPage)).ok());
    }
    fs::path Content() const
    {
        return prefix / "drive_c/users/alice/AppData/Local/Microsoft/Windows/INetCache/Content.IE5";
    }

    TempFolder temp;
    fs::path prefix = temp.path() / "prefix";
    ScopedEnv user{"USER", "alice"};
};

TEST_F(HostilePrefix, ABrokenContainerIsNamedAndTheOthersStillWork)
{
    const fs::path saved = temp.path() / "saved";
    fs::rename(Content(), saved);
    for (const Breakage& breakage : kBreakages) {
        SCOPED_TRACE(breakage.what);
        fs::remove_all(Content());
        fs::copy(saved, Content(), fs::copy_options::recursive);
        breakage.apply(Content());
        const auto kind = TypeOf(Content() / "index.dat");

        UrlCache cache(LocatePrefixCache(prefix));
        EXPECT_EQ(Urls(cache), std::vector<std::string>{kCookie});
        EXPECT_EQ(Mentions(cache.Problems(), Content().string()), breakage.reported);
        EXPECT_EQ(cache.GetEntryInfo(kPage), nullptr);
        const CacheResult deleted = cache.DeleteEntry(kPage);
        EXPECT_EQ(deleted.code, breakage.deleteCode) << deleted.message;
        EXPECT_FALSE(deleted.message.empty());
        const CacheResult added = cache.CreateEntry(Entry("http://a.example/new.html"));
        EXPECT_EQ(added.code, ERROR_ACCESS_DENIED) << added.message;
        EXPECT_NE(added.message.find(Content().string()), std::string::npos) << added.message;
        // Nothing was put in place of what was there, and the cookies
        // container is unaffected.
        EXPECT_EQ(TypeOf(Content() / "index.dat"), kind);
        EXPECT_TRUE(cache.DeleteEntry(kCookie).ok());
        EXPECT_TRUE(cache.CreateEntry(Entry(kCookie)).ok());
    }
}

// Registry files that are no files: reading them would wait for a writer
// (FIFO) or never end (/dev/zero). They count as missing.
TEST_F(HostilePrefix, RegistryFilesThatAreNotFilesCountAsMissing)
{
    for (const char* name : {"user.reg", "system.reg"}) {
        SCOPED_TRACE(name);
        const fs::path file = prefix / name;
        const fs::path saved = temp.path() / name;
        fs::rename(file, saved);
        ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        CacheLocation viaFifo = LocatePrefixCache(prefix);
        fs::remove(file);
        fs::create_symlink("/dev/zero", file);
        CacheLocation viaZero = LocatePrefixCache(prefix);
        fs::remove(file);
        fs::rename(saved, file);
        // Without the registry the login name's folder holds the defaults,
        // which is where the entries are.
        for (CacheLocation* location : {&viaFifo, &viaZero}) {
            UrlCache cache(*location);
            EXPECT_EQ(Urls(cache), (std::vector<std::string>{kCookie, kPage}));
        }
    }
}

// The error LocateCurrentUserCache gives with only `variable` set to `path`;
// empty when there is none.
std::string ErrorWith(const char* variable, const fs::path& path)
{
    ScopedEnv profile{"TROVANA_PROFILE", std::nullopt};
    ScopedEnv prefix{"WINEPREFIX", std::nullopt};
    ScopedEnv set{variable, path.string()};
    try {
        LocateCurrentUserCache();
    } catch (const UrlCacheError& error) {
        return error.what();
    }
    return {};
}

void ExpectNamed(const std::string& message, const char* variable, const fs::path& path, const char* reason)
{
    EXPECT_NE(message.find(variable), std::string::npos) << message;
    EXPECT_NE(message.find(path.string()), std::string::npos) << message;
    EXPECT_NE(message.find(reason), std::string::npos) << message;
}

// Each variable naming nothing, a file or a link loop: an error that names
// the variable, the path and the reason.
TEST(HostileVariables, EachNamesTheVariablePathAndReason)
{
    TempFolder temp;
    ScopedEnv home{"HOME", temp.path().string()};
    WriteFile(temp.path() / "file", "not a folder");
    fs::create_symlink("loop", temp.path() / "loop");
    const std::pair<const char*, const char*> targets[] = {
        {"missing", "does not exist"}, {"file", "is a file"}, {"loop", "cannot be reached"}};
    for (const char* variable : {"TROVANA_PROFILE", "WINEPREFIX"}) {
        for (const auto& [name, reason] : targets) {
            SCOPED_TRACE(std::string(variable) + " names " + name);
            ExpectNamed(ErrorWith(variable, temp.path() / name), variable, temp.path() / name, reason);
        }
    }
}

TEST(HostileVariables, AnUnreadableFolderIsNamed)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, which reads every folder whatever its mode";
    TempFolder temp;
    const fs::path locked = temp.path() / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    for (const char* variable : {"TROVANA_PROFILE", "WINEPREFIX"})
        ExpectNamed(ErrorWith(variable, locked), variable, locked, "cannot be read");
}

}  // namespace
}  // namespace trovana::urlcache
