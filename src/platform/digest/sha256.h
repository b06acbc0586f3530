// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 (FIPS 180-4) of bytes and of files, to show that evidence was not
// changed: small and self-contained, as no library the platform code links
// offers it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace trovana {

class Sha256 {
public:
    Sha256();
    void Add(std::string_view bytes);
    // The digest as 64 lower-case hex digits; the object is spent after it.
    std::string HexDigest();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_buffer{};
    size_t m_buffered = 0;
    uint64_t m_length = 0;  // bytes added
};

std::string Sha256Hex(std::string_view bytes);
// The digest of a regular file's bytes, read only (opened without following
// a FIFO or device: none for anything but a regular file, or on a read error).
std::optional<std::string> FileSha256Hex(const std::filesystem::path& file);

}  // namespace trovana
