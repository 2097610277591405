// Both components called as a caller in another language calls them: by the
// fixed slot number in the object's table, through __stdcall pointers of its
// own, with Booleans as plain bytes (any non-zero byte is true). Nothing here
// uses the interface headers' method declarations, so a header whose slots
// move, or whose argument types change size, fails these tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "ComponentTestSupport.h"

namespace {

using kdtest::ComScope;
using kdtest::ReadText;
using kdtest::TempDirectory;
using Byte = unsigned char;

// The identities as a foreign caller writes them down.
constexpr GUID kHelperClass = {0xd51c143b, 0xf977, 0x49bf, {0x90, 0xbf, 0x85, 0x48, 0xa6, 0x2d, 0xda, 0x20}};
constexpr GUID kHelperInterface = {0x86305fa7, 0x78bb, 0x4baf, {0x94, 0xb8, 0x3a, 0x90, 0x97, 0x5e, 0x72, 0xa1}};
constexpr GUID kScrivetClass = {0xac552a93, 0x1207, 0x45f6, {0xa5, 0xf6, 0x3d, 0xa5, 0x76, 0xf6, 0x80, 0x5a}};
constexpr GUID kScrivetInterface = {0x6e73e841, 0x40a9, 0x4324, {0x92, 0xe5, 0xae, 0xde, 0x6d, 0x8f, 0x70, 0xd3}};

// The binding slot tables.
enum HelperSlot : int {
    kWriteLastError = 5,
    kGetTimeStamp = 6,
    kGetModuleDirectory = 7,
    kGetWorkingDirectory = 8,
    kGetWorkingLeafPath = 9,
    kIsIPv4Address = 10,
    kIsDigits = 11,
    kIsLetters = 12,
    kShuffleDeck = 13,
    kSetProcessThreadsSuspended = 14,
};
enum ScrivetSlot : int { kOpenLog = 3, kWriteLog = 4, kTestFlag = 5 };

using QueryInterfaceFn = std::int32_t(__stdcall*)(void* self, const GUID* iid, void** out);
using CountFn = std::uint32_t(__stdcall*)(void* self);
using NoArgumentsFn = Byte(__stdcall*)(void* self);
using GetTimeStampFn = Byte(__stdcall*)(void* self, char* buffer, std::int32_t size, Byte withSeconds);
// The flag's whole argument slot, as a caller that leaves the upper bytes undefined fills it.
using GetTimeStampWideFn = Byte(__stdcall*)(void* self, char* buffer, std::int32_t size, std::uint32_t withSeconds);
using ModuleBufferFn = Byte(__stdcall*)(void* self, HMODULE module, char* buffer, std::int32_t size);
using BufferFn = Byte(__stdcall*)(void* self, char* buffer, std::int32_t size);
using TextFn = Byte(__stdcall*)(void* self, const char* text, std::int32_t length);
using DeckFn = Byte(__stdcall*)(void* self, std::vector<std::uint16_t>* deck);
using SuspendFn = std::int32_t(__stdcall*)(void* self, std::uint32_t processId, std::int32_t suspend);
using PathFn = Byte(__stdcall*)(void* self, const char* path);
using FlagFn = Byte(__stdcall*)(void* self, std::int32_t value);

template <class Fn>
Fn Slot(void* object, int index)
{
    void* const* table = *static_cast<void* const* const*>(object);
    return reinterpret_cast<Fn>(table[index]);
}

// An object made by class and interface identifier, held as a bare pointer.
class RawObject {
public:
    RawObject(const GUID& cls, const GUID& iid)
    {
        m_hr = ::CoCreateInstance(cls, nullptr, CLSCTX_INPROC_SERVER, iid, &m_object);
    }
    RawObject(const RawObject&) = delete;
    RawObject& operator=(const RawObject&) = delete;
    ~RawObject()
    {
        if (m_object) Slot<CountFn>(m_object, 2)(m_object);
    }
    [[nodiscard]] HRESULT result() const noexcept { return m_hr; }
    [[nodiscard]] void* get() const noexcept { return m_object; }
    template <class Fn>
    [[nodiscard]] Fn At(int index) const
    {
        return Slot<Fn>(m_object, index);
    }

private:
    HRESULT m_hr = E_FAIL;
    void* m_object = nullptr;
};

class ForeignCaller : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(m_com.result());
        ASSERT_EQ(S_OK, m_helper.result());
        ASSERT_EQ(S_OK, m_log.result());
    }

    ComScope m_com;
    RawObject m_helper{kHelperClass, kHelperInterface};
    RawObject m_log{kScrivetClass, kScrivetInterface};
};

bool IsStamp(const char* text, size_t digits)
{
    return std::regex_match(text, std::regex("[0-9]{" + std::to_string(digits) + "}"));
}

TEST_F(ForeignCaller, GetTimeStampTakesAnyNonZeroByteAsWithSeconds)
{
    const auto stamp = m_helper.At<GetTimeStampFn>(kGetTimeStamp);
    for (const Byte flag : {Byte{1}, Byte{2}, Byte{0x7F}, Byte{0x80}, Byte{0xFF}}) {
        char buffer[64] = {};
        EXPECT_EQ(1, stamp(m_helper.get(), buffer, sizeof buffer, flag)) << "flag " << int{flag};
        EXPECT_TRUE(IsStamp(buffer, 14)) << "flag " << int{flag} << ": " << buffer;
    }
    char buffer[64] = {};
    EXPECT_EQ(1, stamp(m_helper.get(), buffer, sizeof buffer, 0));
    EXPECT_TRUE(IsStamp(buffer, 12)) << buffer;
    EXPECT_EQ(0, stamp(m_helper.get(), buffer, 31, 0xFF));

    // Only the flag's own byte counts, whatever the rest of its argument slot holds.
    const auto wide = m_helper.At<GetTimeStampWideFn>(kGetTimeStamp);
    for (const std::uint32_t slot : {0xFFFFFF00u, 0x00000100u, 0xCCCCCC00u}) {
        char text[64] = {};
        EXPECT_EQ(1, wide(m_helper.get(), text, sizeof text, slot));
        EXPECT_TRUE(IsStamp(text, 12)) << std::hex << slot << ": " << text;
    }
    for (const std::uint32_t slot : {0xFFFFFF01u, 0x000000FFu, 0xCCCCCCFFu}) {
        char text[64] = {};
        EXPECT_EQ(1, wide(m_helper.get(), text, sizeof text, slot));
        EXPECT_TRUE(IsStamp(text, 14)) << std::hex << slot << ": " << text;
    }
}

TEST_F(ForeignCaller, HelperSlotsSitWhereTheTableFixesThem)
{
    void* const self = m_helper.get();

    // 0-2: the base interface, with the reference count it reports.
    void* again = nullptr;
    EXPECT_EQ(S_OK, m_helper.At<QueryInterfaceFn>(0)(self, &kHelperInterface, &again));
    EXPECT_EQ(self, again);
    EXPECT_EQ(3u, m_helper.At<CountFn>(1)(self));
    EXPECT_EQ(2u, m_helper.At<CountFn>(2)(self));
    EXPECT_EQ(1u, m_helper.At<CountFn>(2)(self));

    ::SetLastError(0x2000ABCD); // a customer code with no system text
    EXPECT_EQ(0, m_helper.At<NoArgumentsFn>(kWriteLastError)(self));

    char module[128] = {};
    ASSERT_EQ(1, m_helper.At<ModuleBufferFn>(kGetModuleDirectory)(self, nullptr, module, sizeof module));
    const std::string moduleDir = module;
    ASSERT_FALSE(moduleDir.empty());
    EXPECT_EQ('\\', moduleDir.back());

    char work[256] = {};
    ASSERT_EQ(1, m_helper.At<BufferFn>(kGetWorkingDirectory)(self, work, sizeof work));
    const std::string workDir = work;
    char leaf[256] = {};
    ASSERT_EQ(1, m_helper.At<BufferFn>(kGetWorkingLeafPath)(self, leaf, sizeof leaf));
    const std::string name = workDir.substr(workDir.rfind('\\') + 1);
    EXPECT_EQ(workDir + "\\" + name, leaf);

    const auto ipv4 = m_helper.At<TextFn>(kIsIPv4Address);
    EXPECT_EQ(1, ipv4(self, "192.168.1.1", 11));
    EXPECT_EQ(0, ipv4(self, "10.0.0.256", 10));
    // Told apart by what each accepts: only one of them takes digits.
    const auto digits = m_helper.At<TextFn>(kIsDigits);
    const auto letters = m_helper.At<TextFn>(kIsLetters);
    EXPECT_EQ(1, digits(self, "0123456789", 10));
    EXPECT_EQ(0, digits(self, "abc", 3));
    EXPECT_EQ(1, letters(self, "abcXYZ", 6));
    EXPECT_EQ(0, letters(self, "123", 3));

    std::vector<std::uint16_t> deck(54);
    EXPECT_EQ(1, m_helper.At<DeckFn>(kShuffleDeck)(self, &deck));
    std::vector<std::uint16_t> shortDeck(53, 7);
    EXPECT_EQ(0, m_helper.At<DeckFn>(kShuffleDeck)(self, &shortDeck));
    EXPECT_EQ(std::vector<std::uint16_t>(53, 7), shortDeck);

    // A process identifier that owns no thread: nothing touched, non-zero answer.
    EXPECT_NE(0, m_helper.At<SuspendFn>(kSetProcessThreadsSuspended)(self, 0xFFFFFFF0u, 1));
}

TEST_F(ForeignCaller, ScrivetSlotsSitWhereTheTableFixesThem)
{
    void* const self = m_log.get();
    TempDirectory dir;
    const std::string path = (dir.path() / "log.txt").string();

    EXPECT_EQ(0, m_log.At<PathFn>(kOpenLog)(self, nullptr));
    ASSERT_EQ(1, m_log.At<PathFn>(kOpenLog)(self, path.c_str()));
    EXPECT_EQ(1, m_log.At<PathFn>(kWriteLog)(self, "from afar"));
    EXPECT_EQ(0, m_log.At<PathFn>(kWriteLog)(self, nullptr));
    const std::string bytes = ReadText(path);
    ASSERT_EQ(36u + 24u + 80u + 2u, bytes.size()) << bytes;
    EXPECT_EQ(std::string(71, ' ') + "from afar\r\n", bytes.substr(60));

    const auto flag = m_log.At<FlagFn>(kTestFlag);
    EXPECT_EQ(0, flag(self, 0));
    EXPECT_EQ(1, flag(self, 0x100));
    EXPECT_EQ(1, flag(self, -1));
}

} // namespace
