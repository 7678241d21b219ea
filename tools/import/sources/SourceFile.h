// A source file opened for reading by position, and a buffered reader that walks it in order.
//
// A source is opened once, and everything that reads it reads that open file: its kind is
// recognised from it, its size checked on it, and every reader (FFmpeg's included) is handed
// it. So what was checked is what is read, whatever happens to the path meanwhile. It is opened
// without waiting (a pipe or a device put where the file was would otherwise block the open
// for ever) and then kept only when it is a regular file.
//
// The readers of animated images read their files as they go rather than holding them, so a
// file of any length takes a few kilobytes of buffer. Reading ends either at the end of the
// file, which a reader tells apart so that a file cut short can be said to be cut short, or at
// a read fault from the system.
#pragma once

#include "common/Result.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velorin::tools {

class SourceFile {
public:
    // A fault naming the path when it cannot be opened or is not a regular file (a pipe, a
    // device, a folder); it never waits for a writer or a device.
    static common::Result<std::shared_ptr<const SourceFile>> open(const std::string& path);
    SourceFile(SourceFile&& other) noexcept;
    SourceFile& operator=(SourceFile&&) = delete;
    SourceFile(const SourceFile&) = delete;
    ~SourceFile();

    const std::string& path() const { return m_path; }
    // The size the open file had when it was checked; nothing past it is read.
    std::uint64_t size() const { return m_size; }
    // Reads up to `length` bytes from `offset`: fewer only where the file ends (at its checked
    // size, or earlier where it has shrunk). -1 on a read fault.
    std::int64_t readAt(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const;

private:
    SourceFile(std::string path, int descriptor, std::uint64_t size);

    std::string m_path;
    int m_descriptor{-1};
    std::uint64_t m_size{0};
};

// Why a source that is not a regular file (`mode` as stat gives it) is not read: "is a pipe
// (FIFO), not a regular file; ...".
std::string whyNotRead(mode_t mode);

// Reads a file in order from a position, through a buffer.
class SequentialReader {
public:
    explicit SequentialReader(const SourceFile& file, std::uint64_t position = 0);

    // Reads exactly `length` bytes; false when the file ends first or cannot be read.
    bool read(std::uint8_t* destination, std::size_t length);
    bool readByte(std::uint8_t& byte) { return read(&byte, 1); }
    // Moves on by `length` bytes; false when the file ends first.
    bool skip(std::uint64_t length);
    std::uint64_t position() const { return m_position; }
    // Whether the last failed read failed for a read fault rather than at the end of the file.
    bool readFault() const { return m_readFault; }

private:
    bool refill();

    const SourceFile& m_file;
    std::uint64_t m_position;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_bufferStart{0};
    std::size_t m_bufferLength{0};
    bool m_readFault{false};
};

} // namespace velorin::tools
