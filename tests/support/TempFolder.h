// Fresh folders and file names for the tests, and reading back what landed in
// them. Portable: the store's tests use it natively too.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace kdtest {

// Keeps the names of test programs that run side by side apart.
inline std::string ProcessTag()
{
#ifdef _WIN32
    return std::to_string(::GetCurrentProcessId());
#else
    return std::to_string(::getpid());
#endif
}

// A file name below the system's temporary folder, unique per test program
// and name; the test deletes the file it makes there.
inline std::string TempFilePath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("kd-" + ProcessTag() + "-" + name)).string();
}

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
            const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
            m_path = base / (tag + "-" + ProcessTag() + "-" + std::to_string(++counter) + "-" +
                             std::to_string(static_cast<std::uint32_t>(ticks)));
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

// The file's bytes; empty when it cannot be read.
template <typename Byte = char>
std::vector<Byte> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file made anew with exactly these bytes.
template <typename Byte>
void WriteFile(const std::filesystem::path& path, const std::vector<Byte>& bytes)
{
    static_assert(sizeof(Byte) == 1);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes as a string; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path)
{
    const std::vector<char> bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

} // namespace kdtest
