// A wineserver keeps its socket and a file named "lock" in a server folder
// named after the prefix folder's device and inode, "server-<dev>-<ino>" in
// hex, and holds a write lock (fcntl) on byte 0 of that file for as long as it
// runs. Where the server folder lies depends on the build:
//   upstream Wine: <tmp>/.wine-<uid>/server-<dev>-<ino>
//   Debian's Wine: <tmp>/wine-XXXXXX/server-<dev>-<ino>, with the random
//                  name written into <prefix>/wineserver
// where <tmp> is TMPDIR or /tmp of the process that started the server. The
// server's working folder is its server folder, which finds it wherever it is.
#include "wineserver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace trovana::urlcache {

namespace {

// F_GETLK reports a lock that another process holds; our own are invisible
// to it, and we never take Wine's.
bool IsLockHeld(const std::string& serverFolder)
{
    int fd = ::open((serverFolder + "/lock").c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

std::vector<std::string> TempFolders()
{
    std::vector<std::string> folders;
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
        std::string folder = tmp;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        folders.push_back(std::move(folder));
    }
    if (folders.empty() || folders.front() != "/tmp") folders.emplace_back("/tmp");
    return folders;
}

// The name Debian's Wine wrote into <prefix>/wineserver; empty when none.
std::string DebianFolderName(const std::string& prefix)
{
    int fd = ::open((prefix + "/wineserver").c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    char buffer[256];
    ssize_t size = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    std::string name(buffer, size > 0 ? static_cast<size_t>(size) : 0);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0' || name.back() == ' ')) name.pop_back();
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return {};
    return name;
}

// Server folders of both layouts in a temporary folder: below every "wine-*"
// and ".wine-*" folder (any user's, for root looking at another user's prefix).
bool FindInTempFolder(const std::string& temp, const std::string& serverName, std::string& found)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(temp.c_str()), ::closedir);
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (!name.starts_with("wine-") && !name.starts_with(".wine-")) continue;
        std::string candidate = temp + "/" + std::string(name) + "/" + serverName;
        if (IsLockHeld(candidate)) {
            found = std::move(candidate);
            return true;
        }
    }
    return false;
}

// Any other place (a TMPDIR we do not know): the processes holding a one-byte
// write lock at offset 0, as /proc/locks lists them, whose working folder is
// the server folder.
bool FindThroughProcLocks(const std::string& serverName, std::string& found)
{
    std::unique_ptr<FILE, int (*)(FILE*)> locks(std::fopen("/proc/locks", "re"), std::fclose);
    if (!locks) return false;
    char line[256];
    while (std::fgets(line, sizeof line, locks.get()) != nullptr) {
        char kind[16], mode[16], access[16], device[64], start[32], end[32];
        long pid = 0;
        if (std::sscanf(line, "%*[^:]: %15s %15s %15s %ld %63s %31s %31s", kind, mode, access, &pid, device, start,
                        end) != 7)
            continue;  // also skips the "->" lines of waiting processes
        if (std::strcmp(kind, "POSIX") != 0 || std::strcmp(access, "WRITE") != 0 || std::strcmp(start, "0") != 0 ||
            std::strcmp(end, "0") != 0 || pid <= 0)
            continue;
        char cwd[4096];
        std::string link = "/proc/" + std::to_string(pid) + "/cwd";
        ssize_t size = ::readlink(link.c_str(), cwd, sizeof cwd - 1);
        if (size <= 0) continue;
        std::string folder(cwd, static_cast<size_t>(size));
        if (!folder.ends_with("/" + serverName) || !IsLockHeld(folder)) continue;
        found = std::move(folder);
        return true;
    }
    return false;
}

// The server folder found last for each prefix, tried first next time. Only
// where to look is kept, never whether a server was running.
std::mutex g_foundMutex;
std::map<std::pair<dev_t, ino_t>, std::string> g_foundFolders;

}  // namespace

bool IsWineServerRunning(const std::filesystem::path& prefix)
{
    struct stat info {};
    if (::stat(prefix.c_str(), &info) != 0) return false;
    char serverName[64];
    std::snprintf(serverName, sizeof serverName, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    const auto key = std::make_pair(info.st_dev, info.st_ino);
    {
        std::lock_guard guard(g_foundMutex);
        auto known = g_foundFolders.find(key);
        if (known != g_foundFolders.end() && IsLockHeld(known->second)) return true;
    }

    std::string found;
    std::vector<std::string> temps = TempFolders();
    const std::string debianName = DebianFolderName(prefix.string());
    bool running = false;
    for (const auto& temp : temps) {
        if (debianName.empty()) break;
        std::string candidate = temp + "/" + debianName + "/" + serverName;
        if ((running = IsLockHeld(candidate))) {
            found = std::move(candidate);
            break;
        }
    }
    for (size_t i = 0; !running && i < temps.size(); ++i) running = FindInTempFolder(temps[i], serverName, found);
    if (!running) running = FindThroughProcLocks(serverName, found);
    if (running) {
        std::lock_guard guard(g_foundMutex);
        g_foundFolders[key] = found;
    }
    return running;
}

}  // namespace trovana::urlcache
