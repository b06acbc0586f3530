// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 against the test vectors of FIPS 180-4's examples, whole and fed
// in pieces that cross the 64-byte blocks.
#include "sha256.h"

#include <gtest/gtest.h>

namespace trovana {
namespace {

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
    EXPECT_EQ(FileSha256Hex("/nonexistent/file"), std::nullopt);
    EXPECT_EQ(FileSha256Hex("/dev/null"), std::nullopt);  // not a regular file
}

}  // namespace
}  // namespace trovana
