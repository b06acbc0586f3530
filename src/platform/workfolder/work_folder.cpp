// SPDX-License-Identifier: GPL-3.0-or-later
#include "work_folder.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "file_descriptor.h"

namespace trovana {

namespace {
namespace fs = std::filesystem;

// The pages earlier versions wrote into the user's cache folder.
constexpr const char* kOldPages[] = {"temp.htm", "frame.htm", "left.htm", "right.htm"};

std::error_code LastError()
{
    return {errno, std::generic_category()};
}

// The user's cache folder for the program, or empty when the environment
// names none.
fs::path CacheHomeFolder()
{
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/')
        return fs::path(cache) / "trovana";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return fs::path(home) / ".cache" / "trovana";
    return {};
}

fs::path TemporaryBase()
{
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp == '/')
        return tmp;
    return "/tmp";
}

std::string Describe(const fs::path& folder, std::error_code error)
{
    return folder.string() + " (" + error.message() + ")";
}

// The file in each process's folder that the process keeps locked while it
// runs: a folder whose file nobody locks was left by a process that ended
// without removing it (killed, or crashed).
constexpr const char* kOwnerFile = ".owner";

// Locks the owner file of a new folder for as long as the descriptor is
// open. Made under another name and renamed, so that a sweep never sees it
// unlocked.
fileio::FileDescriptor LockOwnerFile(const fs::path& folder)
{
    const fs::path made = folder / ".owner.new";
    fileio::FileDescriptor fd(::open(made.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() < 0 || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 ||
        ::rename(made.c_str(), (folder / kOwnerFile).c_str()) != 0)
        return fileio::FileDescriptor();
    return fd;
}

// Removes the folders that ended processes of this user left in `base`:
// trovana-XXXXXX folders (not links) of this user with an owner file that
// nobody locks. A folder without one (an earlier version's, or one being
// made) stays.
void RemoveLeftFolders(const fs::path& base)
{
    std::error_code error;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const fs::path& folder = it->path();
        struct stat st {};
        if (folder.filename().string().rfind("trovana-", 0) != 0 || ::lstat(folder.c_str(), &st) != 0 ||
            !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            continue;
        // Opened without waiting: an owner file that is a FIFO (or a device)
        // would otherwise block the start for good. Only a regular file is
        // the mark of a folder of this program.
        const fs::path owner = folder / kOwnerFile;
        const fileio::FileDescriptor fd(::open(owner.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat ownerStat {};
        if (fd.Get() >= 0 && ::fstat(fd.Get(), &ownerStat) == 0 && S_ISREG(ownerStat.st_mode) &&
            ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    }
}

// The temporary folder of this process, removed with the program.
class TemporaryFolder {
public:
    ~TemporaryFolder() { Remove(); }

    void Remove()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
        m_path.clear();
        m_owner = fileio::FileDescriptor();
    }

    // The folder made before when it is still there, else a new one: in the
    // temporary folder, else in the user's cache folder.
    fs::path Get(std::error_code& error)
    {
        if (!m_path.empty() && fs::is_directory(m_path, error))
            return m_path;
        m_path.clear();
        m_tried.clear();
        if (MakeIn(TemporaryBase(), error))
            return m_path;
        if (const fs::path home = CacheHomeFolder(); home.empty()) {
            m_tried += ", and neither XDG_CACHE_HOME nor HOME is set";
        } else {
            std::error_code ignored;
            fs::create_directories(home, ignored);
            if (MakeIn(home, error))
                return m_path;
        }
        return {};
    }

    // The folders tried by the last Get that failed, and why each failed.
    const std::string& Tried() const { return m_tried; }

private:
    bool MakeIn(const fs::path& base, std::error_code& error)
    {
        if (m_swept.insert(base).second)
            RemoveLeftFolders(base);
        std::string pattern = (base / "trovana-XXXXXX").string();
        // mkdtemp makes the folder for its owner only.
        if (::mkdtemp(pattern.data()) == nullptr) {
            error = LastError();
            m_tried += (m_tried.empty() ? "" : ", nor in ") + Describe(base, error);
            return false;
        }
        error.clear();
        m_path = pattern;
        m_owner = LockOwnerFile(m_path);
        return true;
    }

    fs::path m_path;
    fileio::FileDescriptor m_owner;  // locked while the folder is this process's
    std::set<fs::path> m_swept;      // the folders left folders were looked for in
    std::string m_tried;
};

// The child processes of this one whose name begins with `name`.
std::vector<pid_t> ChildProcesses(std::string_view name)
{
    std::vector<pid_t> children;
    std::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string pid = it->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // "PID (NAME) STATE PPID ...": the name may hold spaces and brackets.
        std::ifstream stat(it->path() / "stat");
        std::string line;
        std::getline(stat, line);
        const size_t open = line.find('(');
        const size_t close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        char state = 0;
        long parent = 0;
        std::istringstream rest(line.substr(close + 1));
        if (rest >> state >> parent && parent == ::getpid() &&
            std::string_view(line).substr(open + 1, close - open - 1).starts_with(name))
            children.push_back(static_cast<pid_t>(std::stol(pid)));
    }
    return children;
}

TemporaryFolder& Temporary()
{
    static TemporaryFolder temporary;
    return temporary;
}

// Removes the pages an earlier version left in the user's cache folder:
// they named the sites last previewed.
void RemoveOldPages()
{
    const fs::path home = CacheHomeFolder();
    if (home.empty())
        return;
    for (const char* name : kOldPages) {
        std::error_code ignored;
        if (fs::is_regular_file(fs::symlink_status(home / name, ignored)))
            fs::remove(home / name, ignored);
    }
}
}  // namespace

WorkFolderError::WorkFolderError(const std::string& text, std::error_code cause)
    : std::filesystem::filesystem_error(text, cause), m_text(text)
{
}

fs::path PrivateTemporaryFolder(std::error_code& error)
{
    return Temporary().Get(error);
}

void RemovePrivateTemporaryFolder()
{
    // WebKit's network and web processes write the preview's website data
    // into the folder until they end, which they do only after this process:
    // they are asked to end first, and waited for a little.
    const std::vector<pid_t> helpers = ChildProcesses("WebKit");
    for (const pid_t helper : helpers)
        ::kill(helper, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (const pid_t helper : helpers) {
        while (::waitpid(helper, nullptr, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Temporary().Remove();
}

fs::path WorkingFolder()
{
    static const bool oldPagesRemoved = (RemoveOldPages(), true);
    (void)oldPagesRemoved;
    std::error_code error;
    if (fs::path folder = PrivateTemporaryFolder(error); !folder.empty())
        return folder;
    throw WorkFolderError("No working folder can be made for the generated pages: a temporary folder in " +
                              Temporary().Tried() + ".",
                          error);
}

}  // namespace trovana
