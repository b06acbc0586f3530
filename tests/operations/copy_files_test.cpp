// SPDX-License-Identifier: GPL-3.0-or-later
// Copying files out: where the chooser opens, and never replacing a file
// without asking.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "operations/copy_files.h"

namespace trovana::operations {
namespace {

namespace fs = std::filesystem;

TEST(DocumentsFolder, ReadFromUserDirsOrDocumentsInHome)
{
    const fs::path home = "/home/ann";
    EXPECT_EQ(DocumentsFolderFrom("# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", home), "/home/ann/Dokumente");
    EXPECT_EQ(DocumentsFolderFrom("XDG_DOCUMENTS_DIR=\"/data/docs\"", home), "/data/docs");
    EXPECT_EQ(DocumentsFolderFrom("XDG_MUSIC_DIR=\"$HOME/Music\"", home), "/home/ann/Documents");
    EXPECT_EQ(DocumentsFolderFrom("", home), "/home/ann/Documents");
}

class CopyFiles : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("trovana-copy-" + std::to_string(::getpid()));
        fs::create_directories(m_root / "a");
        fs::create_directories(m_root / "b");
        fs::create_directories(m_root / "out");
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path Write(const fs::path& path, const std::string& text)
    {
        std::ofstream(m_root / path) << text;
        return m_root / path;
    }
    std::string Read(const fs::path& path)
    {
        std::ifstream file(m_root / path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    CopyDialogue Dialogue(std::vector<bool> replies, bool sameForAll)
    {
        CopyDialogue dialogue;
        dialogue.askReplace = [this, replies](const fs::path& target) {
            m_asked.push_back(target.filename().string());
            return replies.at(m_asked.size() - 1);
        };
        dialogue.askSameForAll = [sameForAll] { return sameForAll; };
        dialogue.reportFailure = [this](const fs::path& source, const std::string& reason) {
            m_failed.push_back(source.filename().string());
            m_reasons.push_back(reason);
        };
        return dialogue;
    }

    fs::path m_root;
    std::vector<std::string> m_asked;
    std::vector<std::string> m_failed;
    std::vector<std::string> m_reasons;
};

TEST_F(CopyFiles, AsksBeforeReplacingAndKeepsWhatTheUserKeeps)
{
    const fs::path first = Write("a/logo.gif", "first");
    const fs::path second = Write("b/logo.gif", "second");
    const fs::path page = Write("a/page.htm", "page");
    Write("out/page.htm", "mine");

    // Keep the existing page; the second logo.gif (same name) is asked about too.
    EXPECT_EQ(CopyFilesTo({page, first, second}, m_root / "out", Dialogue({false, true}, false)), 2u);
    EXPECT_EQ(m_asked, (std::vector<std::string>{"page.htm", "logo.gif"}));
    EXPECT_EQ(Read("out/page.htm"), "mine");
    EXPECT_EQ(Read("out/logo.gif"), "second");
}

TEST_F(CopyFiles, OneAnswerForAllAndFailuresDoNotStopTheCopy)
{
    const fs::path one = Write("a/one.txt", "1");
    const fs::path two = Write("a/two.txt", "2");
    Write("out/one.txt", "old");
    Write("out/two.txt", "old");
    EXPECT_EQ(CopyFilesTo({m_root / "a/missing", one, two}, m_root / "out", Dialogue({true}, true)), 2u);
    EXPECT_EQ(m_asked.size(), 1u) << "the answer stood for the second file";
    EXPECT_EQ(m_failed, (std::vector<std::string>{"missing"}));
    EXPECT_EQ(Read("out/two.txt"), "2");

    // A FIFO without a writer (reading it would wait for good) and a device
    // are reported as what they are, not opened, and asked about never.
    m_failed.clear();
    m_reasons.clear();
    m_asked.clear();
    const fs::path fifo = m_root / "a" / "pipe.htm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Write("out/pipe.htm", "old");
    EXPECT_EQ(CopyFilesTo({fifo, "/dev/zero", one}, m_root / "out", Dialogue({true}, false)), 1u);
    EXPECT_EQ(m_failed, (std::vector<std::string>{"pipe.htm", "zero"}));
    EXPECT_EQ(m_reasons, (std::vector<std::string>{"not a regular file", "not a regular file"}));
    EXPECT_EQ(m_asked, std::vector<std::string>{"one.txt"});
    EXPECT_EQ(Read("out/pipe.htm"), "old");
}

}  // namespace
}  // namespace trovana::operations
