// Self-registration against the prefix's real registry: regsvr32 writes and
// removes, reg reads back. These tests unregister and re-register the
// components, so they run alone and leave both registered.
#include <gtest/gtest.h>

#include <windows.h>
#include <olectl.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "ComponentTestSupport.h"

namespace {

using kdtest::ComScope;

struct Component {
    const char* dll;
    CLSID classId;
    IID interfaceId;
    const char* name; // description and version-independent programmatic identifier
};

void PrintTo(const Component& c, std::ostream* os)
{
    *os << c.dll;
}

const Component kHelper{"Helper.dll", CLSID_Helper, IID_IHelper, "Halvrin.Helper"};
const Component kScrivet{"Scrivet.dll", CLSID_Scrivet, IID_IScrivet, "Halvrin.Scrivet"};

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// reg query output as key -> (value name -> data).
using RegTree = std::map<std::string, std::map<std::string, std::string>>;

RegTree ParseRegQuery(const std::string& output)
{
    RegTree tree;
    std::istringstream in(output);
    std::string line, key;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("HKEY_", 0) == 0) {
            key = line;
            tree[key];
        } else if (line.rfind("    ", 0) == 0 && !key.empty()) {
            // "    <name>    <type>    <data>"
            const std::string body = line.substr(4);
            const size_t typeAt = body.find("    REG_");
            if (typeAt == std::string::npos) continue;
            const std::string name = body.substr(0, typeAt);
            const size_t dataAt = body.find("    ", typeAt + 4);
            tree[key][name] = dataAt == std::string::npos ? "" : body.substr(dataAt + 4);
        }
    }
    return tree;
}

LONG OpenClassesKey(const std::string& name)
{
    HKEY key = nullptr;
    const LONG result = ::RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key);
    if (result == ERROR_SUCCESS) ::RegCloseKey(key);
    return result;
}

bool CreateClassesKey(const std::string& name, DWORD options = REG_OPTION_NON_VOLATILE)
{
    kd::unique_hkey key;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    static const char data[] = "added by the test";
    return ::RegSetValueExA(key.get(), "Extra", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data) ==
           ERROR_SUCCESS;
}

// Whatever a test did, the component is registered again when it ends.
class Reregister {
public:
    explicit Reregister(const char* dll) : m_dll(dll) {}
    Reregister(const Reregister&) = delete;
    Reregister& operator=(const Reregister&) = delete;
    ~Reregister() { EXPECT_EQ(0u, kdtest::Regsvr32(m_dll)) << "re-registering " << m_dll; }

private:
    const char* m_dll;
};

using EntryPointFn = HRESULT(__stdcall*)();

HRESULT CallEntryPoint(const char* dll, const char* name)
{
    const kd::unique_hmodule module(::LoadLibraryA((kdtest::BinDirectory() / dll).string().c_str()));
    if (!module) return E_FAIL;
    const auto entry = reinterpret_cast<EntryPointFn>(reinterpret_cast<void*>(::GetProcAddress(module.get(), name)));
    return entry ? entry() : E_FAIL;
}

class RegistrationTest : public ::testing::TestWithParam<Component> {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(m_com.result()); }
    [[nodiscard]] std::string ClassKey() const { return "CLSID\\" + kdtest::ClassKeyText(GetParam().classId); }
    [[nodiscard]] std::string ProgId() const { return std::string(GetParam().name) + ".1"; }
    ComScope m_com;
};

TEST_P(RegistrationTest, HoldsTheNineDefaultValuesAndNoThreadingModel)
{
    const std::string clsid = kdtest::ClassKeyText(GetParam().classId);
    const std::string name = GetParam().name;
    const std::string dllPath = (kdtest::BinDirectory() / GetParam().dll).string();

    const auto classOut = kdtest::RegQuery("HKCR\\" + ClassKey());
    const auto indepOut = kdtest::RegQuery("HKCR\\" + name);
    const auto progOut = kdtest::RegQuery("HKCR\\" + ProgId());
    ASSERT_TRUE(classOut && indepOut && progOut) << "reg query failed";

    const std::string root = "HKEY_CLASSES_ROOT\\";
    using Values = std::map<std::string, std::string>;
    const auto classKey = root + ClassKey();
    const RegTree classTree = ParseRegQuery(*classOut);
    ASSERT_EQ(4u, classTree.size()) << *classOut;
    EXPECT_EQ((Values{{"(Default)", name}}), classTree.at(classKey));
    ASSERT_EQ(1u, classTree.count(classKey + "\\InprocServer32")) << *classOut;
    const Values& server = classTree.at(classKey + "\\InprocServer32");
    ASSERT_EQ(1u, server.size()) << "only the default value, no ThreadingModel: " << *classOut;
    EXPECT_EQ(Upper(dllPath), Upper(server.at("(Default)")));
    EXPECT_EQ((Values{{"(Default)", name + ".1"}}), classTree.at(classKey + "\\ProgID"));
    EXPECT_EQ((Values{{"(Default)", name}}), classTree.at(classKey + "\\VersionIndependentProgID"));

    const RegTree indepTree = ParseRegQuery(*indepOut);
    EXPECT_EQ((RegTree{{root + name, {{"(Default)", name}}},
                       {root + name + "\\CLSID", {{"(Default)", clsid}}},
                       {root + name + "\\CurVer", {{"(Default)", name + ".1"}}}}),
              indepTree)
        << *indepOut;

    const RegTree progTree = ParseRegQuery(*progOut);
    EXPECT_EQ(
        (RegTree{{root + name + ".1", {{"(Default)", name}}}, {root + name + ".1\\CLSID", {{"(Default)", clsid}}}}),
        progTree)
        << *progOut;
}

TEST_P(RegistrationTest, UnregisterRemovesWholeTreesIncludingSubkeysItDidNotCreate)
{
    const Reregister restore(GetParam().dll);
    ASSERT_TRUE(CreateClassesKey(ClassKey() + "\\InprocServer32\\Extra\\Deeper"));
    ASSERT_TRUE(CreateClassesKey(ClassKey() + "\\Implemented Categories\\{00000000-0000-0000-0000-000000000001}"));
    ASSERT_TRUE(CreateClassesKey(std::string(GetParam().name) + "\\Shell\\Open"));
    ASSERT_TRUE(CreateClassesKey(ProgId() + "\\Extra"));

    EXPECT_EQ(0u, kdtest::Regsvr32(GetParam().dll, true));
    for (const std::string& key : {ClassKey(), std::string(GetParam().name), ProgId()}) {
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenClassesKey(key)) << key;
        EXPECT_FALSE(kdtest::RegQuery("HKCR\\" + key)) << key;
    }
    void* object = nullptr;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              ::CoCreateInstance(GetParam().classId, nullptr, CLSCTX_INPROC_SERVER, GetParam().interfaceId, &object));

    // Nothing left to delete is no failure.
    EXPECT_EQ(S_OK, CallEntryPoint(GetParam().dll, "DllUnregisterServer"));
    EXPECT_EQ(0u, kdtest::Regsvr32(GetParam().dll, true));
}

TEST_P(RegistrationTest, RegisterAgainRestoresAWorkingClass)
{
    {
        const Reregister restore(GetParam().dll);
        ASSERT_EQ(0u, kdtest::Regsvr32(GetParam().dll, true));
    }
    kd::com_ptr<IUnknown> object;
    EXPECT_EQ(S_OK, ::CoCreateInstance(GetParam().classId, nullptr, CLSCTX_INPROC_SERVER, GetParam().interfaceId,
                                       object.put_void()));
    // Registering over an existing registration is fine too.
    EXPECT_EQ(S_OK, CallEntryPoint(GetParam().dll, "DllRegisterServer"));
}

TEST_P(RegistrationTest, RegistrationReportsAKeyItCouldNotWrite)
{
    const Reregister restore(GetParam().dll);
    ASSERT_EQ(0u, kdtest::Regsvr32(GetParam().dll, true));
    // A volatile key cannot take the non-volatile "CLSID" subkey registration writes.
    const std::string name = GetParam().name;
    ASSERT_TRUE(CreateClassesKey(name, REG_OPTION_VOLATILE));

    EXPECT_EQ(SELFREG_E_CLASS, CallEntryPoint(GetParam().dll, "DllRegisterServer"));
    EXPECT_NE(0u, kdtest::Regsvr32(GetParam().dll)) << "regsvr32 sees the failure";
    // Every other step was still carried out.
    EXPECT_EQ(ERROR_SUCCESS, OpenClassesKey(ClassKey() + "\\InprocServer32"));
    EXPECT_EQ(ERROR_SUCCESS, OpenClassesKey(ProgId() + "\\CLSID"));

    // Unregistration removes the volatile key with the rest.
    EXPECT_EQ(S_OK, CallEntryPoint(GetParam().dll, "DllUnregisterServer"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenClassesKey(name));
}

INSTANTIATE_TEST_SUITE_P(Components, RegistrationTest, ::testing::Values(kHelper, kScrivet),
                         [](const ::testing::TestParamInfo<Component>& info) {
                             return std::string(info.param.name).substr(std::string("Halvrin.").size());
                         });

TEST(ScrivetWithoutHelper, StampsStayEmptyAndNothingMissingIsCalled)
{
    ComScope com;
    ASSERT_HRESULT_SUCCEEDED(com.result());
    kdtest::TempDirectory dir;
    const std::string file = (dir.path() / "log.txt").string();
    {
        const Reregister restore(kHelper.dll);
        ASSERT_EQ(0u, kdtest::Regsvr32(kHelper.dll, true));

        kd::com_ptr<IScrivet> log;
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_Scrivet, nullptr, CLSCTX_INPROC_SERVER, IID_IScrivet, log.put_void()))
            << "the log object is made without its Helper";
        ASSERT_TRUE(log->OpenLog(file.c_str()));
        EXPECT_TRUE(log->WriteLog("no stamp"));
        EXPECT_TRUE(log->WriteLog(std::string(80, 'z').c_str()));
    }
    const std::string expected = std::string(21, ' ') + "Begin Time:" + "\r\n\r\n" + "       0" + std::string(16, ' ') +
                                 std::string(72, ' ') + "no stamp\r\n" + "       1" + std::string(16, ' ') +
                                 std::string(80, 'z') + "\r\n";
    EXPECT_EQ(expected, kdtest::ReadText(file));
}

} // namespace
