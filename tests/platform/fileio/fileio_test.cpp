// SPDX-License-Identifier: GPL-3.0-or-later
// Reading files from outside without blocking, and writing that reports every
// error and leaves no partial file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>

#include "output_buffer.h"
#include "read_file.h"
#include "write_file.h"

namespace trovana::fileio {
namespace {

namespace fs = std::filesystem;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_folder); }
    void TearDown() override { fs::remove_all(m_folder); }
    std::string Read(const fs::path& file) const
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path m_folder = fs::temp_directory_path() / ("trovana-fileio-" + std::to_string(::getpid()));
};

TEST_F(FileIo, ReadsOnlyRegularFilesWithinTheLimitAndNeverBlocks)
{
    const fs::path text = m_folder / "settings.vdf";
    std::ofstream(text) << "0123456789";
    std::string bytes;
    EXPECT_EQ(ReadRegularFile(text, 10, bytes), FileRead::Read);
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_EQ(ReadRegularFile(text, 4, bytes), FileRead::TooLarge);
    EXPECT_EQ(bytes, "0123");
    EXPECT_EQ(ReadSettingsFile(text, 4), "");

    // A FIFO would wait for a writer, /dev/zero never end: neither is read.
    const fs::path fifo = m_folder / "libraryfolders.vdf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadRegularFile(fifo, 100, bytes), FileRead::NotRegular);
    EXPECT_EQ(ReadRegularFile("/dev/zero", 100, bytes), FileRead::NotRegular);
    EXPECT_EQ(ReadSettingsFile(fifo), "");
    EXPECT_EQ(ReadRegularFile(m_folder, 100, bytes), FileRead::Missing);
    EXPECT_EQ(ReadRegularFile(m_folder / "none", 100, bytes), FileRead::Missing);
    EXPECT_THROW(ReadWholeFile(fifo, 100), FileReadError);
    try {
        ReadWholeFile(text, 4);
        ADD_FAILURE() << "a file over the limit was read";
    } catch (const FileReadError& error) {
        EXPECT_EQ(std::string(error.what()), text.string() + ": is larger than 4 bytes");
    }
}

TEST_F(FileIo, WritesEveryByteOrSaysWhyAndLeavesNoPartialFile)
{
    FileDescriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (!full.Valid())
        GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(WriteAll(full.Get(), "x"));
    EXPECT_EQ(errno, ENOSPC);

    // Standard output on a full disk: the first error is kept.
    OutputBuffer buffer(full.Get());
    std::ostream out(&buffer);
    out << std::string(100000, 'r') << std::flush;
    EXPECT_FALSE(out);
    EXPECT_EQ(buffer.Error(), ENOSPC);

    // A replaced file appears only whole; an abandoned one leaves the old file.
    const fs::path target = m_folder / "export.csv";
    std::ofstream(target) << "old";
    {
        ReplacingFile file(target);
        file.Write("new, half");
    }
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
    ReplaceFile(target, "new");
    EXPECT_EQ(Read(target), "new");
    EXPECT_THROW(ReplaceFile(m_folder / "missing" / "x.csv", "x"), fs::filesystem_error);
}

}  // namespace
}  // namespace trovana::fileio
