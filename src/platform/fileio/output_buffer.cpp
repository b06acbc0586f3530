// SPDX-License-Identifier: GPL-3.0-or-later
#include "output_buffer.h"

#include <cerrno>
#include <string_view>

#include "write_file.h"

namespace trovana::fileio {

OutputBuffer::OutputBuffer(int fd) : m_fd(fd)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

bool OutputBuffer::Drain()
{
    const std::string_view pending(pbase(), static_cast<size_t>(pptr() - pbase()));
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    if (m_error == 0 && !WriteAll(m_fd, pending))
        m_error = errno;
    return m_error == 0;
}

OutputBuffer::int_type OutputBuffer::overflow(int_type c)
{
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int OutputBuffer::sync()
{
    return Drain() ? 0 : -1;
}

std::streamsize OutputBuffer::xsputn(const char* bytes, std::streamsize count)
{
    if (m_error != 0)
        return 0;
    return std::streambuf::xsputn(bytes, count);
}

}  // namespace trovana::fileio
