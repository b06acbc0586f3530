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
    for (const std::optional<std::string>& value : {std::optional<std::string>(), std::optional<std::string>(""),
                                                    std::optional<std::string>("relative")}) {
        ScopedEnv cache("XDG_CACHE_HOME", value);
        EXPECT_EQ(WorkingFolder(), m_folder / ".cache" / "trovana");
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_folder / ".cache" / "trovana"));
}

TEST_F(WorkFolderTest, EmptyWhenItCannotBeMade)
{
    // A file where the folder should be.
    std::ofstream(m_folder / "blocked") << "x";
    {
        ScopedEnv cache("XDG_CACHE_HOME", (m_folder / "blocked").string());
        EXPECT_TRUE(WorkingFolder().empty());
    }
    // No cache home and no home.
    ScopedEnv cache("XDG_CACHE_HOME", std::nullopt);
    ScopedEnv home("HOME", std::nullopt);
    EXPECT_TRUE(WorkingFolder().empty());
}

}  // namespace
}  // namespace trovana
