// SPDX-License-Identifier: GPL-3.0-or-later
// A wineserver keeps its socket and a file named "lock" in a server folder
// named after the prefix folder's device and inode, "server-<dev>-<ino>" in
// hex, and holds a write lock (fcntl) on byte 0 of that file for as long as it
// runs. Where the server folder lies depends on the build:
//   upstream Wine: <tmp>/.wine-<uid>/server-<dev>-<ino>
//   Debian's Wine: <tmp>/wine-XXXXXX/server-<dev>-<ino>, with the random
//                  name written into <prefix>/wineserver
// where <tmp> is TMPDIR or /tmp of the process that started the server. The
// server keeps the lock file open as long as it runs, which finds it wherever
// it is. (Its working folder is no guide: it is the prefix itself while the
// server loads the registry at start-up and whenever it saves it.)
#include "wineserver.h"
#include "file_descriptor.h"
#include "read_file.h"
#include "wineserver_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace trovana::urlcache {

namespace {

// F_GETLK reports a lock that another process holds; our own are invisible
// to it, and we never take Wine's.
bool IsLockHeld(const std::string& serverFolder)
{
    fileio::FileDescriptor fd = fileio::OpenForReading((serverFolder + "/lock").c_str());
    if (!fd.Valid())
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    return ::fcntl(fd.Get(), F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

std::vector<std::string> TempFolders()
{
    std::vector<std::string> folders;
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
        std::string folder = tmp;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        folders.push_back(std::move(folder));
    }
    if (folders.empty() || folders.front() != "/tmp")
        folders.emplace_back("/tmp");
    return folders;
}

// The name Debian's Wine wrote into <prefix>/wineserver; empty when none.
// Opened without waiting, as the lock above: a FIFO there must not block.
std::string DebianFolderName(const std::string& prefix)
{
    std::string name;
    try {
        name = fileio::ReadWholeFile(prefix + "/wineserver", 256);
    } catch (const fileio::FileReadError&) {
        return {};
    }
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0' || name.back() == ' '))
        name.pop_back();
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return {};
    return name;
}

// Server folders of both layouts in a temporary folder: below every "wine-*"
// and ".wine-*" folder (any user's, for root looking at another user's prefix).
bool FindInTempFolder(const std::string& temp, const std::string& serverName, std::string& found)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(temp.c_str()), ::closedir);
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (!name.starts_with("wine-") && !name.starts_with(".wine-"))
            continue;
        std::string candidate = temp + "/" + std::string(name) + "/" + serverName;
        if (IsLockHeld(candidate)) {
            found = std::move(candidate);
            return true;
        }
    }
    return false;
}

struct ListedLock {
    long pid = 0;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long long inode = 0;
};

// The one-byte write locks at offset 0, the kind a wineserver holds, that
// /proc/locks lists for the processes we can see; none when it cannot be read.
std::optional<std::vector<ListedLock>> ReadServerLikeLocks()
{
    // Listed by the kernel: its size shows as 0, it ends where the list does.
    constexpr uint64_t kLargestList = 64 * 1024 * 1024;
    std::string text;
    try {
        text = fileio::ReadWholeFile("/proc/locks", kLargestList);
    } catch (const fileio::FileReadError&) {
        return std::nullopt;
    }

    std::vector<ListedLock> locks;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        char kind[16], access[16], first[32], last[32];
        ListedLock lock;
        // "1: POSIX  ADVISORY  WRITE 6004 fe:00:10953168 0 0"; the "->" lines
        // of waiting processes do not match.
        if (std::sscanf(line.c_str(), "%*d: %15s %*15s %15s %ld %x:%x:%llu %31s %31s", kind, access, &lock.pid,
                        &lock.major, &lock.minor, &lock.inode, first, last) != 8)
            continue;
        if (std::strcmp(kind, "POSIX") == 0 && std::strcmp(access, "WRITE") == 0 && std::strcmp(first, "0") == 0 &&
            std::strcmp(last, "0") == 0 && lock.pid > 0)
            locks.push_back(lock);
    }
    return locks;
}

// Where a prefix's server was found last: tried first next time. Only where
// to look is kept, never whether a server was running.
struct KnownServer {
    std::string folder;
    dev_t lockDevice = 0;
    ino_t lockInode = 0;
};

std::mutex g_knownMutex;
std::map<std::pair<dev_t, ino_t>, KnownServer> g_knownServers;

std::optional<KnownServer> Known(std::pair<dev_t, ino_t> prefix)
{
    std::lock_guard guard(g_knownMutex);
    auto found = g_knownServers.find(prefix);
    if (found == g_knownServers.end())
        return std::nullopt;
    return found->second;
}

void Remember(std::pair<dev_t, ino_t> prefix, const std::string& folder)
{
    struct stat info {};
    if (::stat((folder + "/lock").c_str(), &info) != 0)
        return;
    std::lock_guard guard(g_knownMutex);
    g_knownServers[prefix] = KnownServer{folder, info.st_dev, info.st_ino};
}

// The name of the prefix's server folder, and the prefix's identity.
struct ServerId {
    std::pair<dev_t, ino_t> prefix;
    std::string name;
};

std::optional<ServerId> IdentifyServer(const std::filesystem::path& prefix)
{
    struct stat info {};
    if (::stat(prefix.c_str(), &info) != 0)
        return std::nullopt;
    char name[64];
    std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    return ServerId{{info.st_dev, info.st_ino}, name};
}

// The server folder <...>/<serverName> whose lock file the process has
// open; empty when it has none.
std::string ServerFolderOpenedBy(long pid, const std::string& serverName)
{
    const std::string fdFolder = "/proc/" + std::to_string(pid) + "/fd";
    std::unique_ptr<DIR, int (*)(DIR*)> fds(::opendir(fdFolder.c_str()), ::closedir);
    if (!fds)
        return {};
    const std::string lockSuffix = "/" + serverName + "/lock";
    while (const dirent* fd = ::readdir(fds.get())) {
        char target[4096];
        const std::string link = fdFolder + "/" + fd->d_name;
        ssize_t size = ::readlink(link.c_str(), target, sizeof target);
        if (size <= 0 || static_cast<size_t>(size) == sizeof target)
            continue;
        std::string path(target, static_cast<size_t>(size));
        if (path.ends_with(lockSuffix))
            return path.substr(0, path.size() - std::strlen("/lock"));
    }
    return {};
}

}  // namespace

namespace detail {

std::optional<bool> FindWineServerThroughLocks(const std::filesystem::path& prefix)
{
    auto locks = ReadServerLikeLocks();
    if (!locks)
        return std::nullopt;
    auto id = IdentifyServer(prefix);
    if (!id)
        return false;
    const std::optional<KnownServer> known = Known(id->prefix);
    for (const ListedLock& lock : *locks) {
        if (known && lock.inode == known->lockInode && lock.major == major(known->lockDevice) &&
            lock.minor == minor(known->lockDevice) && IsLockHeld(known->folder))
            return true;
        const std::string folder = ServerFolderOpenedBy(lock.pid, id->name);
        if (folder.empty() || !IsLockHeld(folder))
            continue;
        Remember(id->prefix, folder);
        return true;
    }
    return false;
}

bool FindWineServerInTempFolders(const std::filesystem::path& prefix)
{
    auto id = IdentifyServer(prefix);
    if (!id)
        return false;
    if (auto known = Known(id->prefix); known && IsLockHeld(known->folder))
        return true;
    std::string found;
    const std::vector<std::string> temps = TempFolders();
    const std::string debianName = DebianFolderName(prefix.string());
    for (const auto& temp : temps) {
        std::string candidate = temp + "/" + debianName + "/" + id->name;
        if (!debianName.empty() && IsLockHeld(candidate)) {
            found = std::move(candidate);
            break;
        }
    }
    for (size_t i = 0; found.empty() && i < temps.size(); ++i)
        FindInTempFolder(temps[i], id->name, found);
    if (found.empty())
        return false;
    Remember(id->prefix, found);
    return true;
}

}  // namespace detail

bool IsWineServerRunning(const std::filesystem::path& prefix)
{
    // /proc/locks lists every lock, so one read answers, for a few system
    // calls where searching the temporary folders costs dozens.
    if (auto running = detail::FindWineServerThroughLocks(prefix))
        return *running;
    return detail::FindWineServerInTempFolders(prefix);
}

}  // namespace trovana::urlcache
