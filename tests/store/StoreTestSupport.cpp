#include "StoreTestSupport.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace storetest {

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
