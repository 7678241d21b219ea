#include "tools/import/sources/SourceFile.h"

#include "common/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

constexpr std::size_t bufferBytes = 64 * 1024;

} // namespace

std::string whyNotRead(mode_t mode) {
    if (S_ISFIFO(mode))
        return "is a pipe (FIFO), not a regular file; import reads files and folders only";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "is a device, not a regular file; import reads files and folders only";
    if (S_ISSOCK(mode))
        return "is a socket, not a regular file; import reads files and folders only";
    if (S_ISDIR(mode))
        return "is a folder now, but was a file when import looked at it; it is not read";
    return "is not a regular file; import reads files and folders only";
}

common::Result<std::shared_ptr<const SourceFile>> SourceFile::open(const std::string& path) {
    // O_NONBLOCK: opening a pipe without a writer, or some devices, would wait for ever.
    // O_NOCTTY: a terminal put in the file's place must not become this process's.
    auto file = TRY(common::openFile(path, O_RDONLY | O_NONBLOCK | O_NOCTTY)
                        .withContext(path, "cannot be read"));
    auto status = TRY(common::statusOf(file.get()).withContext(path, "cannot be read"));
    if (!S_ISREG(status.st_mode))
        return common::Fault{path, whyNotRead(status.st_mode)};
    // A regular file never blocks; reads are plain blocking reads from here on.
    int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) < 0)
        return common::Fault{path, "cannot be read: " + common::describeSystemError(errno)};
    return std::shared_ptr<const SourceFile>(
        new SourceFile(path, file.release(), static_cast<std::uint64_t>(status.st_size)));
}

SourceFile::SourceFile(std::string path, int descriptor, std::uint64_t size)
    : m_path(std::move(path)), m_descriptor(descriptor), m_size(size) {}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_descriptor(other.m_descriptor), m_size(other.m_size) {
    other.m_descriptor = -1;
}

SourceFile::~SourceFile() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

std::int64_t SourceFile::readAt(std::uint64_t offset, std::uint8_t* destination,
                                std::size_t length) const {
    // A file that grew since it was checked is read as it was checked.
    length = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_size - std::min(offset, m_size)));
    std::size_t done = 0;
    while (done < length) {
        ssize_t count = ::pread(m_descriptor, destination + done, length - done,
                                static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return static_cast<std::int64_t>(done);
}

SequentialReader::SequentialReader(const SourceFile& file, std::uint64_t position)
    : m_file(file), m_position(position), m_buffer(bufferBytes) {}

bool SequentialReader::refill() {
    std::int64_t count = m_file.readAt(m_position, m_buffer.data(), m_buffer.size());
    m_readFault = count < 0;
    m_bufferStart = m_position;
    m_bufferLength = count > 0 ? static_cast<std::size_t>(count) : 0;
    return m_bufferLength > 0;
}

bool SequentialReader::read(std::uint8_t* destination, std::size_t length) {
    while (length > 0) {
        bool buffered = m_position >= m_bufferStart && m_position < m_bufferStart + m_bufferLength;
        if (!buffered && !refill())
            return false;
        std::size_t offset = static_cast<std::size_t>(m_position - m_bufferStart);
        std::size_t count = std::min(length, m_bufferLength - offset);
        std::memcpy(destination, m_buffer.data() + offset, count);
        destination += count;
        length -= count;
        m_position += count;
    }
    return true;
}

bool SequentialReader::skip(std::uint64_t length) {
    if (length > m_file.size() - std::min(m_position, m_file.size())) {
        m_position = m_file.size();
        return false;
    }
    m_position += length;
    return true;
}

} // namespace velorin::tools
