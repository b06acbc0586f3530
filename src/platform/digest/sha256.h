// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 of bytes and of files, to show that evidence was not changed:
// OpenSSL's libcrypto computes it (with the processor's SHA extensions
// where it has them).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace trovana {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;
    void Add(std::string_view bytes);
    // The digest as 64 lower-case hex digits; the object is spent after it.
    std::string HexDigest();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

std::string Sha256Hex(std::string_view bytes);
// The digest of a regular file's bytes, read only (opened without following
// a FIFO or device: none for anything but a regular file, or on a read error).
std::optional<std::string> FileSha256Hex(const std::filesystem::path& file);

}  // namespace trovana
