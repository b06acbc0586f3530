// SPDX-License-Identifier: GPL-3.0-or-later
// The built program in a bad environment: variables that name no usable
// folder, and a prefix whose containers or registry files were broken. It
// must say what is wrong and exit 1, or list what it can with a warning.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "cli_test_support.h"
#include "demo_plan.h"

namespace trovana::cli {
namespace {

namespace fs = std::filesystem;
using test::ExpectOneErrorLine;
using test::JsonLines;

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class BadEnvironment : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_scratch); }
    void TearDown() override { fs::remove_all(m_scratch); }

    // The program with TROVANA_PROFILE and WINEPREFIX unset, then `assignment`
    // (NAME=value, may be empty) and the arguments.
    test::Outcome Program(const std::string& assignment, const std::vector<std::string>& args) const
    {
        std::string command = m_runner + "env -u TROVANA_PROFILE -u WINEPREFIX " +
                              (assignment.empty() ? "" : "'" + assignment + "' ") + "'" + TROVANA_CACHE_BINARY + "'";
        for (const auto& arg : args)
            command += " '" + arg + "'";
        const fs::path out = m_scratch / "out";
        const fs::path err = m_scratch / "err";
        const int status = std::system((command + " > '" + out.string() + "' 2> '" + err.string() + "'").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
    }

    static void ExpectRefused(const test::Outcome& outcome, const std::string& variable, const fs::path& path,
                              const std::string& reason)
    {
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, "");
        ExpectOneErrorLine(outcome);
        for (const std::string& part : {variable, path.string(), reason})
            EXPECT_NE(outcome.err.find(part), std::string::npos) << outcome.err;
    }

    fs::path m_scratch = test::ScratchFolder("bad-env");
    // What the program is run through (another user's rights, say).
    std::string m_runner;
};

TEST_F(BadEnvironment, AVariableNamingNoFolderIsOneLineAndStatusOne)
{
    const fs::path file = m_scratch / "file";
    std::ofstream(file) << "not a folder";
    fs::create_symlink("loop", m_scratch / "loop");
    const std::pair<fs::path, std::string> targets[] = {
        {m_scratch / "missing", "does not exist"}, {file, "is a file"}, {m_scratch / "loop", "cannot be reached"}};
    for (const std::string variable : {"TROVANA_PROFILE", "WINEPREFIX"}) {
        for (const auto& [path, reason] : targets) {
            SCOPED_TRACE(variable + "=" + path.string());
            ExpectRefused(Program(variable + "=" + path.string(), {"list"}), variable, path, reason);
            ExpectRefused(Program(variable + "=" + path.string(), {"delete", "http://a.example/"}), variable, path,
                          reason);
        }
    }
}

TEST_F(BadEnvironment, AnUnreadableFolderIsOneLineAndStatusOne)
{
    // Root reads every folder whatever its mode: the program then runs with
    // the rights of nobody.
    if (::geteuid() == 0) {
        if (std::system("command -v setpriv > /dev/null") != 0)
            GTEST_SKIP() << "running as root without setpriv, and root reads every folder whatever its mode";
        m_runner = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        fs::permissions(m_scratch, fs::perms::all);
    }
    const fs::path locked = m_scratch / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    for (const std::string variable : {"TROVANA_PROFILE", "WINEPREFIX"})
        ExpectRefused(Program(variable + "=" + locked.string(), {"list"}), variable, locked, "cannot be read");
    // Named by an option: permission denied, not a folder without containers.
    for (const std::string option : {"--profile", "--prefix", "--path"})
        ExpectRefused(Program("", {option, locked.string(), "list"}), "", locked, "Permission denied");
    fs::permissions(locked, fs::perms::owner_all);
}

// The demo prefix with its content container's index replaced by a folder
// or a FIFO: the other containers are listed with a warning that names the
// index, and changes to the content container fail naming it.
TEST_F(BadEnvironment, ABrokenContainerIsNamedAndTheRestListed)
{
    const fs::path prefix = test::CopyOfDemo("bad-env-prefix");
    const auto intact = JsonLines(Program("", {"--prefix", prefix.string(), "list"}).out);
    std::vector<nlohmann::json> others;
    std::string page;
    for (const auto& entry : intact) {
        const std::string url = entry["url"];
        if (url.starts_with("Cookie:") || url.starts_with("Visited:"))
            others.push_back(entry);
        else if (page.empty())
            page = url;
    }
    ASSERT_FALSE(others.empty());
    ASSERT_FALSE(page.empty());
    const fs::path index = prefix / "drive_c/users" / DemoUser() /
                           "AppData/Local/Microsoft/Windows/INetCache/Content.IE5/index.dat";
    const std::pair<const char*, int (*)(const char*)> breakages[] = {
        {"a folder", [](const char* path) { return ::mkdir(path, 0755); }},
        {"a FIFO", [](const char* path) { return ::mkfifo(path, 0600); }},
    };
    for (const auto& [what, make] : breakages) {
        SCOPED_TRACE(std::string("index.dat is ") + what);
        fs::remove_all(index);
        ASSERT_EQ(make(index.c_str()), 0);
        const test::Outcome list = Program("", {"--prefix", prefix.string(), "list"});
        EXPECT_EQ(list.status, kExitIncomplete);
        EXPECT_EQ(JsonLines(list.out), others);
        EXPECT_TRUE(list.err.starts_with("trovana-cache: warning: " + index.string())) << list.err;

        const test::Outcome removed = Program("", {"--prefix", prefix.string(), "delete", page});
        EXPECT_EQ(removed.status, 1);
        EXPECT_NE((removed.out + removed.err).find(index.string()), std::string::npos) << removed.out << removed.err;
        const test::Outcome added = Program("",
                                            {"--prefix", prefix.string(), "add", "http://new.example/", "--no-file"});
        EXPECT_EQ(added.status, 1);
        EXPECT_NE(added.err.find(index.string()), std::string::npos) << added.err;
    }
    fs::remove_all(prefix);
}

// One rule: no readable cache at all is an error that names where the
// program looked; an empty cache is not.
TEST_F(BadEnvironment, NoReadableCacheIsAnErrorNamingWhereItLooked)
{
    const fs::path empty = m_scratch / "empty" / "index.dat";
    const fs::path noise = m_scratch / "noise" / "index.dat";
    for (const fs::path& file : {empty, noise})
        fs::create_directories(file.parent_path());
    std::ofstream(empty).close();
    std::ofstream(noise, std::ios::binary) << std::string(70000, '\x5A');
    for (const fs::path& file : {empty, noise}) {
        SCOPED_TRACE(file.string());
        for (const std::string command : {"list", "info"}) {
            std::vector<std::string> args = {"--container", file.string(), command};
            if (command == "info")
                args.push_back("http://a.example/");
            const test::Outcome outcome = Program("", args);
            EXPECT_EQ(outcome.status, 1);
            EXPECT_EQ(outcome.out, "");
            EXPECT_NE(outcome.err.find("trovana-cache: no readable cache in " + file.string()), std::string::npos)
                << outcome.err;
        }
    }

    // Neither variable set and no ~/.wine: there is no cache at all.
    const fs::path home = m_scratch / "home";
    fs::create_directories(home);
    const test::Outcome nothing = Program("HOME=" + home.string(), {"list"});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_EQ(nothing.out, "");
    ExpectOneErrorLine(nothing);
    EXPECT_NE(nothing.err.find((home / ".wine").string()), std::string::npos) << nothing.err;

    // A folder without any container is an error that names it, however it
    // is named; once a container exists, a cache without entries lists nothing.
    const fs::path prefix = home / ".wine";
    fs::create_directories(prefix / "drive_c/users");
    const std::vector<std::pair<std::string, std::vector<std::string>>> namings = {
        {"HOME=" + home.string(), {"list"}},
        {"WINEPREFIX=" + prefix.string(), {"list"}},
        {"TROVANA_PROFILE=" + prefix.string(), {"timeline"}},
        {"", {"--prefix", prefix.string(), "list"}},
        {"", {"--profile", prefix.string(), "list"}},
        {"", {"--path", prefix.string(), "list"}},
    };
    for (const auto& [variable, args] : namings) {
        SCOPED_TRACE(variable + " " + args.front());
        const test::Outcome refused = Program(variable, args);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.out, "");
        ExpectOneErrorLine(refused);
        EXPECT_NE(refused.err.find(prefix.string()), std::string::npos) << refused.err;
    }
    ASSERT_EQ(Program("", {"--prefix", prefix.string(), "add", "http://a.example/", "--no-file"}).status, 0);
    ASSERT_EQ(Program("", {"--prefix", prefix.string(), "delete", "http://a.example/"}).status, 0);
    const test::Outcome fresh = Program("HOME=" + home.string(), {"list"});
    EXPECT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_EQ(fresh.out, "");
}

// Output that cannot be written (a full disk) is an error said once, with
// status 1, whatever the command; nothing is reported as done.
TEST_F(BadEnvironment, AFullDiskIsOneLineAndStatusOne)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const fs::path prefix = m_scratch / "prefix";
    fs::create_directories(prefix / "drive_c/users");
    for (int i = 0; i < 200; ++i) {
        const std::string url = "http://full.example/page" + std::to_string(i) + ".htm";
        ASSERT_EQ(Program("", {"--prefix", prefix.string(), "add", url, "--no-file"}).status, 0);
    }
    const std::string named = "'" + std::string(TROVANA_CACHE_BINARY) + "' --prefix '" + prefix.string() + "' ";
    for (const std::string command : {"list", "list --format csv", "timeline", "info http://full.example/page1.htm",
                                      "caches", "delete http://full.example/page2.htm"}) {
        SCOPED_TRACE(command);
        const std::string run = command == "caches" ? "env HOME='" + prefix.string() + "' WINEPREFIX='" +
                                                          prefix.string() + "' '" + TROVANA_CACHE_BINARY + "' caches"
                                                    : named + command;
        const fs::path err = m_scratch / "err";
        const int status = std::system((run + " > /dev/full 2> '" + err.string() + "'").c_str());
        const test::Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ReadText(err)};
        EXPECT_EQ(outcome.status, 1);
        ExpectOneErrorLine(outcome);
        EXPECT_NE(outcome.err.find("cannot write the output: No space left on device"), std::string::npos)
            << outcome.err;
    }
}

// A registry file that is a FIFO must not make the program wait for a writer.
TEST_F(BadEnvironment, ARegistryFifoDoesNotBlock)
{
    const fs::path prefix = test::CopyOfDemo("bad-env-registry");
    const auto intact = JsonLines(Program("", {"--prefix", prefix.string(), "list"}).out);
    fs::remove(prefix / "user.reg");
    ASSERT_EQ(::mkfifo((prefix / "user.reg").c_str(), 0600), 0);
    const test::Outcome list = Program("WINEPREFIX=" + prefix.string(), {"list"});
    EXPECT_EQ(list.status, 0) << list.err;
    // Without the registry the prefix's only user folder is taken: the demo's.
    EXPECT_EQ(JsonLines(list.out), intact);
    fs::remove_all(prefix);
}

}  // namespace
}  // namespace trovana::cli
