#include "programenvironment.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

std::vector<std::string> Utf8Arguments(int argc, char *argv[]) {
#ifdef _WIN32
    int count = 0;
    LPWSTR *wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide != nullptr) {
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i)
            arguments.push_back(PathToUtf8(std::filesystem::path(wide[i])));
        ::LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const std::filesystem::path &path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path ProgramDirectory(const char *argv0) {
    std::filesystem::path binary;
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            break;
        if (length < buffer.size()) {
            buffer.resize(length);
            binary = buffer;
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code error;
    binary = std::filesystem::read_symlink("/proc/self/exe", error);
#endif
    if (binary.empty() && argv0 != nullptr)
        binary = argv0;
    return binary.parent_path();
}
