// Any bytes as an administrator name, walked as a single-byte code page and as
// a double-byte one (the lead bytes of code page 932). Whatever the validator
// accepts must form "<name>.qrd" in the current folder and nothing else.
#include "CAccountFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool Cp932Lead(unsigned char c) noexcept
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool NoLead(unsigned char) noexcept
{
    return false;
}

bool Forbidden(unsigned char c)
{
    return c < 0x20 || std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos;
}

// What an accepted name must satisfy, walked character by character.
void CheckAccepted(const std::string& name, bool (*isLead)(unsigned char) noexcept)
{
    Check(!name.empty());
    std::size_t last = 0;
    for (std::size_t i = 0; i < name.size();) {
        last = i;
        const auto c = static_cast<unsigned char>(name[i]);
        if (isLead(c)) {
            Check(i + 1 < name.size()); // no half character to swallow the dot of ".qrd"
            i += 2;
            continue;
        }
        Check(!Forbidden(c));
        ++i;
    }
    if (name.size() - last == 1) Check(name.back() != '.' && name.back() != ' ');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::string cname = name.c_str(); // the validator reads up to the first NUL
    const bool single = CAccountFile::IsValidName(cname.c_str(), NoLead);
    const bool dbcs = CAccountFile::IsValidName(cname.c_str(), Cp932Lead);
    if (single) CheckAccepted(cname, NoLead);
    if (dbcs) CheckAccepted(cname, Cp932Lead);
    // Without a lead byte both code pages read the same characters.
    bool anyLead = false;
    for (const char ch : cname) anyLead = anyLead || Cp932Lead(static_cast<unsigned char>(ch));
    if (!anyLead) Check(single == dbcs);
    return 0;
}
