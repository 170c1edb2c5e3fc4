#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// A whole file's bytes, in pages of their own that go back to the system as
// soon as this is destroyed: tens of megabytes through malloc would stay in
// the heap, under what is built from them, for as long as the service runs.
// The file is read, not mapped, so that one cut short meanwhile cannot
// fault the process.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;

    // Reads at most `maxBytes`. An error text ("cannot read it: ..."),
    // empty on success. Only a regular file is opened: a FIFO or a device
    // given by mistake is refused before anything waits on it.
    std::string Read(const std::filesystem::path &path, size_t maxBytes);

    std::string_view View() const { return {m_data, m_size}; }

private:
    char *m_data = nullptr;
    size_t m_capacity = 0;
    size_t m_size = 0;
};
