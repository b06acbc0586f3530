// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a wineserver serves a prefix: with a child process that holds the
// server lock as a wineserver does, and with the real wineserver when Wine
// is installed.
#include "wineserver.h"
#include "wineserver_search.h"

#include "env_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace trovana::urlcache {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteFile;

// The name a wineserver gives its folder for `prefix`.
std::string ServerFolderName(const fs::path& prefix)
{
    struct stat info {};
    if (::stat(prefix.c_str(), &info) != 0)
        return {};
    std::ostringstream name;
    name << "server-" << std::hex << info.st_dev << "-" << info.st_ino;
    return name.str();
}

// A child process that holds a write lock on byte 0 of <serverFolder>/lock,
// as a running wineserver does, optionally working in that folder as a
// wineserver does. The lock goes when the object does.
class LockHolder {
public:
    LockHolder(const fs::path& serverFolder, bool workInFolder)
    {
        fs::create_directories(serverFolder);
        const std::string folder = serverFolder.string();
        const std::string lockFile = (serverFolder / "lock").string();
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 0;
            lock.l_len = 1;
            bool ok = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 && (!workInFolder || ::chdir(folder.c_str()) == 0);
            char answer = ok ? '1' : '0';
            if (::write(ready[1], &answer, 1) != 1)
                ::_exit(1);
            while (::read(release[0], &answer, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char answer = '0';
        m_locked = m_pid > 0 && ::read(ready[0], &answer, 1) == 1 && answer == '1';
        ::close(ready[0]);
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool locked() const { return m_locked; }
    void Release()
    {
        if (m_pid <= 0)
            return;
        ::close(m_release);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
};

class WineServerCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(prefix);
        fs::create_directories(tmp);
    }

    TempFolder temp;
    fs::path prefix = temp.path() / "prefix";
    fs::path tmp = temp.path() / "tmp";
    ScopedEnv tmpdir{"TMPDIR", tmp.string()};
};

TEST_F(WineServerCheck, SeesAServerOnlyWhileItHoldsItsLock)
{
    fs::path server = tmp / "wine-Ab12Cd" / ServerFolderName(prefix);
    EXPECT_FALSE(IsWineServerRunning(prefix));
    LockHolder holder(server, true);
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(IsWineServerRunning(prefix));
    EXPECT_TRUE(IsWineServerRunning(prefix));
    holder.Release();
    // The folder and its lock file stay behind when the server ends.
    ASSERT_TRUE(fs::exists(server / "lock"));
    EXPECT_FALSE(IsWineServerRunning(prefix));
    EXPECT_FALSE(detail::FindWineServerInTempFolders(prefix));
}

TEST_F(WineServerCheck, AnotherPrefixsServerDoesNotCount)
{
    fs::path other = temp.path() / "other";
    fs::create_directories(other);
    LockHolder holder(tmp / "wine-Xy98Zw" / ServerFolderName(other), true);
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(IsWineServerRunning(other));
    EXPECT_FALSE(IsWineServerRunning(prefix));
    EXPECT_FALSE(IsWineServerRunning(temp.path() / "missing"));
    EXPECT_FALSE(detail::FindWineServerInTempFolders(prefix));
}

TEST_F(WineServerCheck, LocksFindAServerWhereverItsFolderIs)
{
    // Started with another TMPDIR than ours.
    LockHolder holder(temp.path() / "other-tmp/.wine-0" / ServerFolderName(prefix), true);
    ASSERT_TRUE(holder.locked());
    EXPECT_FALSE(detail::FindWineServerInTempFolders(prefix));
    std::optional<bool> running = detail::FindWineServerThroughLocks(prefix);
    if (!running)
        GTEST_SKIP() << "no /proc/locks";
    EXPECT_TRUE(*running);
    holder.Release();
    EXPECT_FALSE(*detail::FindWineServerThroughLocks(prefix));
}

TEST_F(WineServerCheck, LocksFindAServerWhateverFolderItWorksIn)
{
    // A wineserver works in the prefix folder while it loads or saves the
    // registry (at start-up, for one); its lock file stays open throughout.
    LockHolder holder(temp.path() / "other-tmp/wine-Ab12Cd" / ServerFolderName(prefix), false);
    ASSERT_TRUE(holder.locked());
    EXPECT_FALSE(detail::FindWineServerInTempFolders(prefix));
    std::optional<bool> running = detail::FindWineServerThroughLocks(prefix);
    if (!running)
        GTEST_SKIP() << "no /proc/locks";
    EXPECT_TRUE(*running);
}

TEST_F(WineServerCheck, LocksOnOtherFilesDoNotCount)
{
    LockHolder holder(temp.path() / "other-tmp/wine-Ab12Cd/not-a-server", false);
    ASSERT_TRUE(holder.locked());
    std::optional<bool> running = detail::FindWineServerThroughLocks(prefix);
    if (!running)
        GTEST_SKIP() << "no /proc/locks";
    EXPECT_FALSE(*running);
}

TEST_F(WineServerCheck, TempFoldersHoldTheUpstreamLayout)
{
    LockHolder holder(tmp / (".wine-" + std::to_string(::getuid())) / ServerFolderName(prefix), false);
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(detail::FindWineServerInTempFolders(prefix));
    holder.Release();
    EXPECT_FALSE(detail::FindWineServerInTempFolders(prefix));
}

TEST_F(WineServerCheck, TempFoldersHoldDebiansRandomFolders)
{
    LockHolder holder(tmp / "wine-Ab12Cd" / ServerFolderName(prefix), false);
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(detail::FindWineServerInTempFolders(prefix));
}

TEST_F(WineServerCheck, TempFoldersFollowTheNameDebianWritesIntoThePrefix)
{
    WriteFile(prefix / "wineserver", "named-elsewhere");
    LockHolder holder(tmp / "named-elsewhere" / ServerFolderName(prefix), false);
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(detail::FindWineServerInTempFolders(prefix));
}

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0)
            return true;
    return false;
}

TEST_F(WineServerCheck, SeesARealWineserver)
{
    if (!OnPath("wineserver"))
        GTEST_SKIP() << "Wine is not installed";
    ScopedEnv winePrefix("WINEPREFIX", prefix.string());
    ScopedEnv debug("WINEDEBUG", "-all");
    EXPECT_FALSE(IsWineServerRunning(prefix));
    struct KillAtEnd {
        ~KillAtEnd() { [[maybe_unused]] int status = std::system("wineserver -k >/dev/null 2>&1"); }
    } killAtEnd;
    // A persistent server without any Wine program; the command returns once
    // the server holds its lock.
    ASSERT_EQ(std::system("wineserver -p30"), 0);
    EXPECT_TRUE(IsWineServerRunning(prefix));
    // -k returns when the server has released its lock.
    ASSERT_EQ(std::system("wineserver -k"), 0);
    EXPECT_FALSE(IsWineServerRunning(prefix));
}

}  // namespace
}  // namespace trovana::urlcache
