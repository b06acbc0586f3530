// SPDX-License-Identifier: GPL-3.0-or-later
#include "bfio_handle.h"

#include <cstdio>

namespace trovana::image {

namespace {

// The state behind one handle: the bytes and the current offset.
struct Stream {
    std::shared_ptr<ByteSource> source;
    uint64_t offset = 0;
};

Stream* StreamOf(intptr_t* io)
{
    return reinterpret_cast<Stream*>(io);
}

int FreeStream(intptr_t** io, libbfio_error_t** /*error*/)
{
    if (io != nullptr) {
        delete StreamOf(*io);
        *io = nullptr;
    }
    return 1;
}

int CloneStream(intptr_t** destination, intptr_t* source, libbfio_error_t** /*error*/)
{
    if (destination == nullptr || source == nullptr) {
        return -1;
    }
    *destination = reinterpret_cast<intptr_t*>(new Stream{*StreamOf(source)});
    return 1;
}

int Open(intptr_t* /*io*/, int /*flags*/, libbfio_error_t** /*error*/)
{
    return 1;
}

int Close(intptr_t* /*io*/, libbfio_error_t** /*error*/)
{
    return 0;
}

// No exception may cross the C library: a failed read is a -1.
ssize_t Read(intptr_t* io, uint8_t* buffer, size_t size, libbfio_error_t** /*error*/)
{
    Stream* stream = StreamOf(io);
    try {
        const size_t n = stream->source->ReadAt(stream->offset, buffer, size);
        stream->offset += n;
        return static_cast<ssize_t>(n);
    } catch (...) {
        return -1;
    }
}

ssize_t Write(intptr_t* /*io*/, const uint8_t* /*buffer*/, size_t /*size*/, libbfio_error_t** /*error*/)
{
    return -1;  // never: an image is evidence
}

off64_t Seek(intptr_t* io, off64_t offset, int whence, libbfio_error_t** /*error*/)
{
    Stream* stream = StreamOf(io);
    const int64_t base = whence == SEEK_CUR   ? static_cast<int64_t>(stream->offset)
                         : whence == SEEK_END ? static_cast<int64_t>(stream->source->Size())
                                              : 0;
    if (base + offset < 0) {
        return -1;
    }
    stream->offset = static_cast<uint64_t>(base + offset);
    return static_cast<off64_t>(stream->offset);
}

int Exists(intptr_t* /*io*/, libbfio_error_t** /*error*/)
{
    return 1;
}

int IsOpen(intptr_t* /*io*/, libbfio_error_t** /*error*/)
{
    return 1;
}

int GetSize(intptr_t* io, size64_t* size, libbfio_error_t** /*error*/)
{
    *size = StreamOf(io)->source->Size();
    return 1;
}

}  // namespace

void BfioHandleFree::operator()(libbfio_handle_t* handle) const
{
    libbfio_handle_free(&handle, nullptr);
}

BfioHandle MakeBfioHandle(std::shared_ptr<ByteSource> source)
{
    auto* stream = new Stream{std::move(source), 0};
    libbfio_handle_t* handle = nullptr;
    if (libbfio_handle_initialize(&handle, reinterpret_cast<intptr_t*>(stream), FreeStream, CloneStream, Open, Close,
                                  Read, Write, Seek, Exists, IsOpen, GetSize, LIBBFIO_FLAG_IO_HANDLE_MANAGED,
                                  nullptr) != 1) {
        delete stream;
        return nullptr;
    }
    return BfioHandle(handle);
}

}  // namespace trovana::image
