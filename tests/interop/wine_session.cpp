// SPDX-License-Identifier: GPL-3.0-or-later
#include "wine_session.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace interop {
namespace fs = std::filesystem;

namespace {

fs::path EnvPath(const char* name)
{
    const char* value = std::getenv(name);
    return value ? fs::path(value) : fs::path();
}

bool IsExecutable(const fs::path& path)
{
    return !path.empty() && access(path.c_str(), X_OK) == 0;
}

// Our environment with Wine's variables set: no display (CI has none, and a
// display lets Wine open windows), no debug output, no Mono or Gecko set-up.
std::vector<std::string> WineEnvironment(const fs::path& prefix)
{
    static const std::vector<std::string> dropped = {
        "WINEPREFIX=", "WINEDEBUG=", "WINEDLLOVERRIDES=", "DISPLAY=", "WAYLAND_DISPLAY="};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string_view var(*e);
        bool drop = false;
        for (const auto& name : dropped)
            drop = drop || var.starts_with(name);
        if (!drop)
            env.emplace_back(var);
    }
    env.push_back("WINEPREFIX=" + prefix.string());
    env.push_back("WINEDEBUG=-all");
    env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
    return env;
}

}  // namespace

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Tools Tools::FromEnvironment()
{
    return {EnvPath("TROVANA_INTEROP_WINE"), EnvPath("TROVANA_INTEROP_WINESERVER"), EnvPath("TROVANA_INTEROP_CLIENT"),
            EnvPath("TROVANA_INTEROP_REPLAY"), EnvPath("TROVANA_INTEROP_CACHE_TOOL")};
}

std::string Tools::Missing() const
{
    if (!IsExecutable(wine) || !IsExecutable(wineserver))
        return "Wine is not installed";
    if (client.empty() || !fs::exists(client) || replay.empty() || !fs::exists(replay))
        return "the WinINet client was not built (no x86_64-w64-mingw32-gcc)";
    if (!IsExecutable(trovana))
        return "trovana-cache was not built";
    return {};
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& scratch)
    : m_out(scratch.string() + ".out"), m_err(scratch.string() + ".err")
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    int rc = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        m_spawnError = argv[0] + ": " + std::strerror(rc);
    }
}

Process::~Process()
{
    Wait();
}

bool Process::WaitForOutput(const std::string& text, int seconds) const
{
    for (int waited = 0; waited < seconds * 10; ++waited) {
        if (ReadBytes(m_out).find(text) != std::string::npos)
            return true;
        usleep(100 * 1000);
    }
    return false;
}

RunResult Process::Wait()
{
    RunResult result;
    if (m_pid < 0) {
        result.err = m_spawnError;
        return result;
    }
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = ReadBytes(m_out);
    result.err = ReadBytes(m_err);
    return result;
}

std::string WindowsPath(const fs::path& path)
{
    std::string name = "Z:" + fs::absolute(path).lexically_normal().string();
    for (char& c : name) {
        if (c == '/')
            c = '\\';
    }
    return name;
}

RunResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& scratch)
{
    return Process(argv, env, scratch).Wait();
}

WineSession::WineSession(Tools tools) : m_tools(std::move(tools))
{
    std::string pattern = (fs::temp_directory_path() / "trovana-interop-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_work = pattern;
    m_prefix = m_work / "prefix";
    m_env = WineEnvironment(m_prefix);
}

WineSession::~WineSession()
{
    StopWine();
    RemoveServerFolder();
    if (std::getenv("TROVANA_INTEROP_KEEP")) {
        std::fprintf(stderr, "kept the Wine prefix in %s\n", m_work.c_str());
        return;
    }
    std::error_code ignored;
    fs::remove_all(m_work, ignored);
}

std::string WineSession::Boot()
{
    RunResult r = RunWine({m_tools.wine.string(), "wineboot", "-i"});
    if (r.status != 0 || Profile().empty())
        return "wineboot failed (status " + std::to_string(r.status) + "): " + r.err;
    return {};
}

RunResult WineSession::RunWine(std::vector<std::string> argv) const
{
    return Run(argv, m_env, m_work / "wine");
}

std::vector<std::string> WineSession::ClientCommand(const std::vector<std::string>& args) const
{
    std::vector<std::string> argv = {m_tools.wine.string(), m_tools.client.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

RunResult WineSession::Client(const std::vector<std::string>& args) const
{
    return RunWine(ClientCommand(args));
}

RunResult WineSession::Replay(const fs::path& list, const fs::path& target) const
{
    return RunWine({m_tools.wine.string(), m_tools.replay.string(), WindowsPath(list), WindowsPath(target)});
}

std::unique_ptr<Process> WineSession::StartClient(const std::vector<std::string>& args) const
{
    return std::make_unique<Process>(ClientCommand(args), m_env, m_work / "background");
}

RunResult WineSession::Trovana(const std::vector<std::string>& args) const
{
    std::vector<std::string> argv = {m_tools.trovana.string(), "--prefix", m_prefix.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv, m_env, m_work / "trovana");
}

void WineSession::StartPersistentServer(int seconds) const
{
    RunWine({m_tools.wineserver.string(), "-p" + std::to_string(seconds)});
}

void WineSession::StopWine() const
{
    // -k kills the server with every Wine process of the prefix; -w returns
    // once it has gone (at once when there is none).
    RunWine({m_tools.wineserver.string(), "-k"});
    RunWine({m_tools.wineserver.string(), "-w"});
}

fs::path WineSession::WriteScratch(const std::string& name, const std::string& bytes) const
{
    fs::path path = m_work / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

fs::path WineSession::Profile() const
{
    std::error_code ec;
    for (const auto& user : fs::directory_iterator(m_prefix / "drive_c" / "users", ec)) {
        if (user.is_directory() && user.path().filename() != "Public")
            return user.path();
    }
    return {};
}

// The wineserver leaves its socket folder server-<dev>-<inode> in the
// temporary folder: under .wine-<uid>, or with Debian's Wine under a random
// wine-XXXXXX folder whose name the prefix's file `wineserver` holds.
void WineSession::RemoveServerFolder() const
{
    struct stat st {};
    if (stat(m_prefix.c_str(), &st) != 0)
        return;
    char name[64];
    std::snprintf(name, sizeof name, "server-%lx-%lx", static_cast<unsigned long>(st.st_dev),
                  static_cast<unsigned long>(st.st_ino));
    const fs::path tmp = fs::temp_directory_path();
    std::error_code ec;
    fs::remove_all(tmp / (".wine-" + std::to_string(getuid())) / name, ec);
    std::string debianFolder = ReadBytes(m_prefix / "wineserver");
    while (!debianFolder.empty() && std::isspace(static_cast<unsigned char>(debianFolder.back())))
        debianFolder.pop_back();
    if (debianFolder.starts_with("wine-") && debianFolder.find('/') == std::string::npos) {
        fs::remove_all(tmp / debianFolder / name, ec);
        fs::remove(tmp / debianFolder, ec);  // only when empty
    }
}

}  // namespace interop
