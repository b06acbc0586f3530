// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 against the test vectors of FIPS 180-4's examples, whole and fed
// in pieces that cross the 64-byte blocks, and files against coreutils'
// sha256sum.
#include "sha256.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "write_file.h"

namespace trovana {
namespace {

// The digest sha256sum prints for a file.
std::string Sha256Sum(const std::filesystem::path& file)
{
    const std::string command = "sha256sum '" + file.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char digest[65] = {};
    if (!pipe || std::fread(digest, 1, 64, pipe.get()) != 64)
        return "sha256sum failed";
    return digest;
}

TEST(Sha256, GivesTheKnownDigestsWholeAndInPieces)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";  // 56 bytes: padding spills
    EXPECT_EQ(Sha256Hex(two), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    Sha256 pieces;
    const std::string million(1000000, 'a');
    for (size_t at = 0; at < million.size(); at += 999)
        pieces.Add(std::string_view(million).substr(at, 999));
    EXPECT_EQ(pieces.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, FilesGiveSha256sumsDigestAndOnlyRegularFilesAreRead)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("sha256-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    // Sizes around the reader's 64 KiB pieces and the 64-byte blocks.
    std::mt19937 random(39);
    for (const size_t size : {size_t{0}, size_t{55}, size_t{65536}, size_t{65536 * 3 + 17}}) {
        std::string bytes(size, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        const std::filesystem::path file = folder / ("file-" + std::to_string(size));
        fileio::ReplaceFile(file, bytes);
        EXPECT_EQ(FileSha256Hex(file), Sha256Sum(file)) << size;
    }
    // A real file of the machine: this test program.
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(FileSha256Hex(self), Sha256Sum(self));

    EXPECT_EQ(FileSha256Hex(folder / "missing"), std::nullopt);
    EXPECT_EQ(FileSha256Hex(folder), std::nullopt);
    EXPECT_EQ(FileSha256Hex("/dev/null"), std::nullopt);
    // A FIFO without a writer would block a plain open or read: none.
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FileSha256Hex(fifo), std::nullopt);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace trovana
