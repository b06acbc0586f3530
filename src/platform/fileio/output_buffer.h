// SPDX-License-Identifier: GPL-3.0-or-later
// A stream buffer that writes to a file descriptor and keeps the first
// error, so that a program can say why its output failed (a full disk, a
// closed pipe) instead of ending as if all were written.
#pragma once

#include <array>
#include <streambuf>

namespace trovana::fileio {

class OutputBuffer : public std::streambuf {
public:
    explicit OutputBuffer(int fd);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // The errno of the first failed write; 0 while every write succeeded.
    int Error() const { return m_error; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;

private:
    bool Drain();

    int m_fd;
    int m_error = 0;
    std::array<char, 65536> m_buffer{};
};

}  // namespace trovana::fileio
