// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: where the environment puts it, and the settings of
// earlier versions (~/.trovana) carried over once.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/config.h>
#include <wx/log.h>

#include "app/settings_file.h"

namespace trovana::test {
namespace {
namespace fs = std::filesystem;

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = fs::temp_directory_path() / ("trovana-settings-" + std::to_string(::getpid()));
        fs::remove_all(m_home);
        fs::create_directories(m_home);
        setenv("HOME", m_home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override
    {
        delete wxConfigBase::Set(nullptr);
        fs::remove_all(m_home);
    }

    fs::path m_home;
};

TEST_F(SettingsFile, FollowsXdgConfigHomeAndFallsBackToDotConfig)
{
    EXPECT_EQ(app::SettingsFilePath(), m_home / ".config/trovana/trovana.conf");
    setenv("XDG_CONFIG_HOME", (m_home / "xdg").c_str(), 1);
    EXPECT_EQ(app::SettingsFilePath(), m_home / "xdg/trovana/trovana.conf");
    // A relative path is not a base folder: the default holds.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(app::SettingsFilePath(), m_home / ".config/trovana/trovana.conf");

    // The program's settings are written there, and nowhere in HOME itself.
    setenv("XDG_CONFIG_HOME", (m_home / "xdg").c_str(), 1);
    app::UseSettingsFile();
    wxConfigBase::Get()->Write("/View/TimesInUtc", true);
    wxConfigBase::Get()->Flush();
    EXPECT_NE(ReadText(m_home / "xdg/trovana/trovana.conf").find("TimesInUtc=1"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_home / ".trovana"));
    EXPECT_FALSE(fs::exists(m_home / ".config"));
}

TEST_F(SettingsFile, CarriesTheEarlierSettingsOverOnce)
{
    std::ofstream(m_home / ".trovana") << "[View]\nTimesInUtc=1\n";
    app::UseSettingsFile();
    EXPECT_TRUE(wxConfigBase::Get()->ReadBool("/View/TimesInUtc", false));
    wxConfigBase::Get()->Write("/View/TimesInUtc", false);
    wxConfigBase::Get()->Flush();

    // The new file wins from then on; the earlier one is left as it was.
    app::UseSettingsFile();
    EXPECT_FALSE(wxConfigBase::Get()->ReadBool("/View/TimesInUtc", true));
    EXPECT_EQ(ReadText(m_home / ".trovana"), "[View]\nTimesInUtc=1\n");
}

TEST_F(SettingsFile, AFifoInPlaceOfTheFileNeitherHoldsTheStartNorIsWritten)
{
    const fs::path file = app::SettingsFilePath();
    fs::create_directories(file.parent_path());
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    wxLogNull quiet;
    app::UseSettingsFile();  // would wait for a writer if wx opened it
    wxConfigBase::Get()->Write("/View/TimesInUtc", true);
    EXPECT_TRUE(wxConfigBase::Get()->Flush());
    EXPECT_TRUE(wxConfigBase::Get()->ReadBool("/View/TimesInUtc", false));
    EXPECT_TRUE(fs::is_fifo(file));
}

}  // namespace
}  // namespace trovana::test
