// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's generated pages go.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "work_folder.h"

namespace trovana {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_saved = old;
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_saved ? ::setenv(m_name, m_saved->c_str(), 1) : ::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_saved;
};

class WorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("trovana-work-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::filesystem::path m_folder;
};

TEST_F(WorkFolderTest, IsATemporaryFolderOfThisProcessAndClearsOldPages)
{
    namespace fs = std::filesystem;
    auto permissions = [](const fs::path& path) { return fs::status(path).permissions() & fs::perms::all; };
    ScopedEnv home("HOME", m_folder.string());
    ScopedEnv cache("XDG_CACHE_HOME", std::nullopt);
    ScopedEnv tmp("TMPDIR", (m_folder / "tmp").string());
    fs::create_directories(m_folder / "tmp");
    // An earlier version's pages in the cache folder name the sites last
    // previewed: they go at the first call; other files there stay.
    const fs::path old = m_folder / ".cache" / "trovana";
    fs::create_directories(old);
    for (const char* name : {"temp.htm", "frame.htm", "left.htm", "right.htm", "keep.txt"})
        std::ofstream(old / name) << "http://example.com/";

    // Folders that ended processes left: one whose owner file nobody locks
    // goes; one that a running process locks, one without an owner file
    // and a link stay.
    auto leftFolder = [&](const char* name, const char* owner) {
        fs::create_directories(m_folder / "tmp" / name);
        std::ofstream(m_folder / "tmp" / name / "temp.htm") << "http://example.com/";
        if (owner != nullptr)
            std::ofstream(m_folder / "tmp" / name / owner) << "";
    };
    leftFolder("trovana-ended1", ".owner");
    leftFolder("trovana-alive1", ".owner");
    leftFolder("trovana-nomark", nullptr);
    leftFolder("elsewhere", ".owner");
    fs::create_directory_symlink(m_folder / "tmp" / "elsewhere", m_folder / "tmp" / "trovana-linked");
    // An owner file that is a FIFO nobody writes to: the sweep neither waits
    // for a writer nor takes the folder for one of the program's.
    leftFolder("trovana-fifo", nullptr);
    ASSERT_EQ(::mkfifo((m_folder / "tmp" / "trovana-fifo" / ".owner").c_str(), 0600), 0);
    const int alive = ::open((m_folder / "tmp" / "trovana-alive1" / ".owner").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(alive, LOCK_EX), 0);

    const fs::path temporary = WorkingFolder();
    EXPECT_FALSE(fs::exists(m_folder / "tmp" / "trovana-ended1"));
    EXPECT_TRUE(fs::exists(m_folder / "tmp" / "trovana-alive1" / "temp.htm"));
    EXPECT_TRUE(fs::exists(m_folder / "tmp" / "trovana-nomark" / "temp.htm"));
    EXPECT_TRUE(fs::exists(m_folder / "tmp" / "elsewhere" / "temp.htm"));
    EXPECT_TRUE(fs::exists(m_folder / "tmp" / "trovana-fifo" / "temp.htm"));
    ::close(alive);
    // This process's own folder is locked the same way.
    const int own = ::open((temporary / ".owner").c_str(), O_RDONLY);
    EXPECT_GE(own, 0);
    EXPECT_NE(::flock(own, LOCK_EX | LOCK_NB), 0);
    ::close(own);
    EXPECT_EQ(temporary.parent_path(), m_folder / "tmp");
    EXPECT_EQ(temporary.filename().string().rfind("trovana-", 0), 0u) << temporary;
    EXPECT_EQ(permissions(temporary), fs::perms::owner_all);
    EXPECT_EQ(WorkingFolder(), temporary);
    std::error_code error;
    EXPECT_EQ(PrivateTemporaryFolder(error), temporary);
    EXPECT_FALSE(fs::exists(old / "temp.htm"));
    EXPECT_FALSE(fs::exists(old / "frame.htm"));
    EXPECT_TRUE(fs::exists(old / "keep.txt"));
    // Removed by someone else: made anew.
    fs::remove_all(temporary);
    const fs::path again = WorkingFolder();
    EXPECT_TRUE(fs::is_directory(again));
    fs::remove_all(again);
}

TEST_F(WorkFolderTest, FallsBackToTheCacheFolderAndNamesEveryFolderTried)
{
    namespace fs = std::filesystem;
    ScopedEnv home("HOME", m_folder.string());
    std::ofstream(m_folder / "blocked") << "x";
    ScopedEnv tmp("TMPDIR", (m_folder / "blocked").string());
    {
        ScopedEnv cache("XDG_CACHE_HOME", (m_folder / "xdg").string());
        const fs::path folder = WorkingFolder();
        EXPECT_EQ(folder.parent_path(), m_folder / "xdg" / "trovana");
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
        fs::remove_all(folder);
    }
    // Nowhere to make one: the error names the causes in plain words.
    ScopedEnv cache("XDG_CACHE_HOME", std::nullopt);
    ScopedEnv noHome("HOME", std::nullopt);
    try {
        WorkingFolder();
        ADD_FAILURE() << "no error";
    } catch (const WorkFolderError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find((m_folder / "blocked").string() + " (Not a directory)"), std::string::npos) << text;
        EXPECT_NE(text.find("neither XDG_CACHE_HOME nor HOME is set"), std::string::npos) << text;
        EXPECT_EQ(text.find("filesystem error"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace trovana
