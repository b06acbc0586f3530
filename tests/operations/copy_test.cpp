// SPDX-License-Identifier: GPL-3.0-or-later
// Copying the files of selected rows out into a folder.
#include <fstream>

#include "operations/copy_files.h"
#include "operations_fixture.h"

namespace trovana::test {
namespace {

namespace fs = std::filesystem;

class CopyTest : public OperationsTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        StartWindow();
        m_out = fs::temp_directory_path() / ("trovana-out-" + std::to_string(::getpid()));
        fs::create_directories(m_out);
        m_prompts.m_folder = m_out;
    }
    void TearDown() override
    {
        fs::remove_all(m_out);
        WindowTest::TearDown();
    }
    fs::path LocalFile(const std::string& url) { return View().Catalogue().LookupCacheEntry(url)->localFileName; }
    std::set<std::string> Copied()
    {
        std::set<std::string> names;
        for (const auto& file : fs::directory_iterator(m_out))
            names.insert(file.path().filename().string());
        return names;
    }
    fs::path m_out;
};

const std::string kIndex = "http://www.example.com/index.htm";
const std::string kLogo = "http://www.example.com/img/logo.gif";
const std::string kVisited = "Visited: user@http://gamma.com/page.htm";

TEST_F(CopyTest, CopiesTheFilesOfTheSelectedRowsOnlyAndSaysWhatBecameOfEach)
{
    SelectRows(*View().GetAllList(), {kIndex, kVisited, kLogo});
    View().CopySelected();
    FinishWork();
    EXPECT_EQ(m_prompts.m_folderTitle, "Select destination folder");
    EXPECT_TRUE(fs::is_directory(m_prompts.m_folderStart)) << "never a folder that GTK cannot open";
    EXPECT_EQ(Copied(),
              (std::set<std::string>{LocalFile(kIndex).filename().string(), LocalFile(kLogo).filename().string()}));
    EXPECT_EQ(fs::file_size(m_out / LocalFile(kLogo).filename()), 2000u);
    ASSERT_EQ(m_prompts.m_asked.size(), 1u) << "one summary at the end";
    EXPECT_EQ(m_prompts.m_asked[0].text,
              "2 files copied to " + m_out.string() + ".\n1 selected item has no cached file.");

    // A cached file that went from the disk is a failure with its reason;
    // the others are still copied.
    fs::remove_all(m_out);
    fs::create_directories(m_out);
    fs::remove(LocalFile(kIndex));
    m_prompts.m_asked.clear();
    View().CopySelected();
    FinishWork();
    EXPECT_EQ(Copied(), std::set<std::string>{LocalFile(kLogo).filename().string()});
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    const std::string& summary = m_prompts.m_asked[0].text;
    EXPECT_NE(summary.find("1 file copied"), std::string::npos) << summary;
    EXPECT_NE(summary.find("1 file could not be copied:\n" + LocalFile(kIndex).filename().string() + ": "),
              std::string::npos)
        << summary;
}

TEST_F(CopyTest, NothingSelectedOrCancelCopiesNothing)
{
    View().CopySelected();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_EQ(m_prompts.m_asked[0].text, "No cache item is selected!");

    SelectRows(*View().GetAllList(), {kLogo});
    m_prompts.m_folder.reset();
    View().CopySelected();
    FinishWork();
    EXPECT_EQ(m_prompts.m_asked.size(), 1u);
    EXPECT_TRUE(Copied().empty());
}

TEST_F(CopyTest, AnExistingNameIsAskedAbout)
{
    const fs::path existing = m_out / LocalFile(kLogo).filename();
    std::ofstream(existing) << "mine";
    SelectRows(*View().GetAllList(), {kLogo});
    m_prompts.m_answers = {wxID_NO};
    View().CopySelected();
    FinishWork();
    ASSERT_EQ(m_prompts.m_asked.size(), 2u) << "the question and the summary";
    EXPECT_NE(m_prompts.m_asked[0].text.find("already exists"), std::string::npos);
    EXPECT_EQ(fs::file_size(existing), 4u) << "kept";
    EXPECT_NE(m_prompts.m_asked[1].text.find("1 file already in the folder was left unreplaced."), std::string::npos)
        << m_prompts.m_asked[1].text;

    m_prompts.m_answers = {wxID_YES};
    View().CopySelected();
    FinishWork();
    EXPECT_EQ(fs::file_size(existing), 2000u) << "replaced";
}

}  // namespace
}  // namespace trovana::test
