#include "StoreTestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace storetest {

void InFolder::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_previous = fs::current_path();
    m_folder = m_previous / (std::string("store_") + info->test_suite_name() + "_" + info->name());
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    fs::current_path(m_folder);
}

void InFolder::TearDown()
{
    fs::current_path(m_previous);
    std::error_code ec;
    fs::remove_all(m_folder, ec);
}

Bytes ReadFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& name, const Bytes& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> FolderEntries()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

AccountRecord MakeRecord(const std::string& account, const std::string& password, const std::string& comment)
{
    AccountRecord r{};
    kd::SetText(r.account, account);
    kd::SetText(r.password, password);
    kd::SetText(r.comment, comment);
    return r;
}

long long Find(const Bytes& hay, const std::string& needle)
{
    const auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end());
    return it == hay.end() ? -1 : it - hay.begin();
}

} // namespace storetest
