// SPDX-License-Identifier: GPL-3.0-or-later
#include "sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

#include "read_file.h"

namespace trovana {

struct Sha256::Context {
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> md{EVP_MD_CTX_new()};
};

Sha256::Sha256() : m_context(std::make_unique<Context>())
{
    // Fails only without memory, or with a libcrypto that lacks SHA-256.
    if (!m_context->md || EVP_DigestInit_ex(m_context->md.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("OpenSSL cannot compute SHA-256");
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::Add(std::string_view bytes)
{
    if (EVP_DigestUpdate(m_context->md.get(), bytes.data(), bytes.size()) != 1)
        throw std::runtime_error("OpenSSL's SHA-256 failed");
}

std::string Sha256::HexDigest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(m_context->md.get(), digest, &size) != 1)
        throw std::runtime_error("OpenSSL's SHA-256 failed");
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xF];
    }
    return text;
}

std::string Sha256Hex(std::string_view bytes)
{
    Sha256 sha;
    sha.Add(bytes);
    return sha.HexDigest();
}

std::optional<std::string> FileSha256Hex(const std::filesystem::path& file)
{
    Sha256 sha;
    const fileio::FileRead read = fileio::ReadRegularFileInPieces(file, [&](std::string_view piece) {
        sha.Add(piece);
        return true;
    });
    if (read != fileio::FileRead::Read)
        return std::nullopt;
    return sha.HexDigest();
}

}  // namespace trovana
