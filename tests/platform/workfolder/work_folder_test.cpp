// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's generated pages go.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>
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

TEST_F(WorkFolderTest, FollowsTheCacheHomeAndIsMade)
{
    ScopedEnv home("HOME", m_folder.string());
    {
        ScopedEnv cache("XDG_CACHE_HOME", (m_folder / "xdg").string());
        EXPECT_EQ(WorkingFolder(), m_folder / "xdg" / "trovana");
        EXPECT_TRUE(std::filesystem::is_directory(m_folder / "xdg" / "trovana"));
        // Open to the user alone, also when it was made wider before.
        std::filesystem::permissions(m_folder / "xdg" / "trovana", std::filesystem::perms::all);
        // A second call finds the folder there.
        EXPECT_EQ(WorkingFolder(), m_folder / "xdg" / "trovana");
        EXPECT_EQ(std::filesystem::status(m_folder / "xdg" / "trovana").permissions(),
                  std::filesystem::perms::owner_all);
    }
    // Unset, empty or relative: the home folder's .cache.
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>(""), std::optional<std::string>("relative")}) {
        ScopedEnv cache("XDG_CACHE_HOME", value);
        EXPECT_EQ(WorkingFolder(), m_folder / ".cache" / "trovana");
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_folder / ".cache" / "trovana"));
}

TEST_F(WorkFolderTest, IsPrivateAndFallsBackToATemporaryFolder)
{
    namespace fs = std::filesystem;
    auto permissions = [](const fs::path& path) { return fs::status(path).permissions() & fs::perms::all; };
    ScopedEnv home("HOME", m_folder.string());
    ScopedEnv tmp("TMPDIR", (m_folder / "tmp").string());
    fs::create_directories(m_folder / "tmp");
    // A folder that is there already open to others is closed to them.
    fs::create_directories(m_folder / ".cache" / "trovana");
    fs::permissions(m_folder / ".cache" / "trovana",
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(WorkingFolder(), m_folder / ".cache" / "trovana");
    EXPECT_EQ(permissions(m_folder / ".cache" / "trovana"), fs::perms::owner_all);

    // A file where the folder should be: a private temporary folder, the same on the next call.
    std::ofstream(m_folder / "blocked") << "x";
    fs::path temporary;
    {
        ScopedEnv cache("XDG_CACHE_HOME", (m_folder / "blocked").string());
        temporary = WorkingFolder();
        EXPECT_EQ(temporary.parent_path(), m_folder / "tmp");
        EXPECT_EQ(temporary.filename().string().rfind("trovana-", 0), 0u) << temporary;
        EXPECT_TRUE(fs::is_directory(temporary));
        EXPECT_EQ(permissions(temporary), fs::perms::owner_all);
        EXPECT_EQ(WorkingFolder(), temporary);
    }
    // A folder that cannot be written to (the superuser writes anywhere).
    if (::geteuid() != 0) {
        fs::permissions(m_folder / ".cache" / "trovana", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(WorkingFolder(), temporary);
        fs::permissions(m_folder / ".cache" / "trovana", fs::perms::owner_all);
    }
    // No cache home and no home.
    ScopedEnv cache("XDG_CACHE_HOME", std::nullopt);
    ScopedEnv noHome("HOME", std::nullopt);
    EXPECT_EQ(WorkingFolder(), temporary);

    // Nowhere to make one: the error names the causes in plain words.
    fs::remove_all(temporary);
    ScopedEnv blockedTmp("TMPDIR", (m_folder / "blocked").string());
    try {
        WorkingFolder();
        ADD_FAILURE() << "no error";
    } catch (const WorkFolderError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find("neither XDG_CACHE_HOME nor HOME is set"), std::string::npos) << text;
        EXPECT_NE(text.find((m_folder / "blocked").string() + " (Not a directory)"), std::string::npos) << text;
        EXPECT_EQ(text.find("filesystem error"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace trovana
