// Fresh folders for the Windows-side tests, and reading back what landed in them.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace kdtest {

// A new empty folder below the system's temporary folder, removed with all it
// holds at scope end. The process id and a counter keep test programs that
// run side by side apart.
class TempDirectory {
public:
    explicit TempDirectory(const std::string& tag = "kd")
    {
        static unsigned counter = 0;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / (tag + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter) +
                             "-" + std::to_string(::GetTickCount()));
            if (std::filesystem::create_directory(m_path)) break;
        }
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    [[nodiscard]] const std::filesystem::path& path() const noexcept { return m_path; }

private:
    std::filesystem::path m_path;
};

// A TempDirectory that is the current directory for its lifetime, as the
// program's working folder; the previous one comes back before removal.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag = "kd") : m_folder(tag)
    {
        std::filesystem::current_path(m_folder.path());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
    }
    [[nodiscard]] const std::filesystem::path& path() const noexcept { return m_folder.path(); }

private:
    std::filesystem::path m_previous = std::filesystem::current_path();
    TempDirectory m_folder;
};

inline std::vector<char> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's bytes as a string; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path)
{
    const std::vector<char> bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

} // namespace kdtest
