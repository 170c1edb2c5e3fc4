#include "filebytes.h"

#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace {

char *AllocatePages(size_t size) {
#ifdef _WIN32
    return static_cast<char *>(
        ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
#else
    void *data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return data == MAP_FAILED ? nullptr : static_cast<char *>(data);
#endif
}

void FreePages(char *data, [[maybe_unused]] size_t size) {
#ifdef _WIN32
    ::VirtualFree(data, 0, MEM_RELEASE);
#else
    ::munmap(data, size);
#endif
}

std::string CannotRead(const std::string &why) {
    return "cannot read it: " + why;
}

} // namespace

FileBytes::~FileBytes() {
    if (m_data != nullptr)
        FreePages(m_data, m_capacity);
}

std::string FileBytes::Read(const std::filesystem::path &path, size_t maxBytes) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return CannotRead(std::make_error_code(std::errc::no_such_file_or_directory).message());
    if (error)
        return CannotRead(error.message());
    if (status.type() != std::filesystem::file_type::regular)
        return CannotRead("not a regular file");
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return CannotRead(error.message());
    if (size > maxBytes)
        return "larger than " + std::to_string(maxBytes >> 20) +
               " MiB, too large for a segment table";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return CannotRead("cannot open it");
    if (size == 0)
        return {};
    m_data = AllocatePages(size_t(size));
    if (m_data == nullptr)
        return CannotRead("out of memory");
    m_capacity = size_t(size);
    // A file shortened while it is read: what is there is the table.
    in.read(m_data, std::streamsize(size));
    m_size = size_t(in.gcount());
    if (in.bad())
        return CannotRead("read error");
    return {};
}
