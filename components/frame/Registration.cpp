#include "Registration.h"

#include <olectl.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "unique_any.h"
#include "win32_text.h"

namespace kd {
namespace {

struct CoTaskMemDeleter {
    void operator()(void* p) const noexcept { ::CoTaskMemFree(p); }
};

} // namespace

std::string ClassIdText(REFCLSID classId)
{
    LPOLESTR wide = nullptr;
    if (FAILED(::StringFromCLSID(classId, &wide)) || !wide) return {};
    const std::unique_ptr<wchar_t, CoTaskMemDeleter> owner(wide);
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return {};
    std::string text(static_cast<size_t>(bytes), '\0');
    if (!::WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), bytes, nullptr, nullptr)) return {};
    text.resize(static_cast<size_t>(bytes) - 1);
    return text;
}

bool SetKeyAndValue(const std::string& key, const char* subkey, const char* value)
{
    std::string path = key;
    if (subkey) {
        path += '\\';
        path += subkey;
    }
    unique_hkey handle;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          handle.put(), nullptr) != ERROR_SUCCESS)
        return false;
    if (!value) return true;
    const DWORD bytes = static_cast<DWORD>(std::strlen(value) + 1);
    return ::RegSetValueExA(handle.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

HRESULT RegisterComponent(HMODULE module, REFCLSID classId, const char* description,
                          const char* versionIndependentProgId, const char* progId)
{
    const std::string path = kd::ModuleFileName(module);
    const std::string clsid = ClassIdText(classId);
    if (path.empty() || clsid.empty()) return SELFREG_E_CLASS;
    const std::string classKey = "CLSID\\" + clsid;

    bool ok = true;
    ok &= SetKeyAndValue(classKey, nullptr, description);
    ok &= SetKeyAndValue(classKey, "InprocServer32", path.c_str());
    ok &= SetKeyAndValue(classKey, "ProgID", progId);
    ok &= SetKeyAndValue(classKey, "VersionIndependentProgID", versionIndependentProgId);
    ok &= SetKeyAndValue(versionIndependentProgId, nullptr, description);
    ok &= SetKeyAndValue(versionIndependentProgId, "CLSID", clsid.c_str());
    ok &= SetKeyAndValue(versionIndependentProgId, "CurVer", progId);
    ok &= SetKeyAndValue(progId, nullptr, description);
    ok &= SetKeyAndValue(progId, "CLSID", clsid.c_str());
    return ok ? S_OK : SELFREG_E_CLASS;
}

LONG DeleteKeyTree(HKEY parent, const char* name)
{
    unique_hkey key;
    LONG result = ::RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key.put());
    if (result != ERROR_SUCCESS) return result;

    // Key names are at most 255 characters.
    std::array<char, 256> child{};
    for (;;) {
        DWORD length = static_cast<DWORD>(child.size());
        result = ::RegEnumKeyExA(key.get(), 0, child.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) return result;
        result = DeleteKeyTree(key.get(), child.data());
        if (result != ERROR_SUCCESS) return result;
    }
    key.reset();
    return ::RegDeleteKeyA(parent, name);
}

HRESULT UnregisterComponent(REFCLSID classId, const char* versionIndependentProgId, const char* progId)
{
    const std::string clsid = ClassIdText(classId);
    if (clsid.empty()) return SELFREG_E_CLASS;
    const std::string classKey = "CLSID\\" + clsid;

    bool ok = true;
    for (const char* name : {classKey.c_str(), versionIndependentProgId, progId}) {
        const LONG result = DeleteKeyTree(HKEY_CLASSES_ROOT, name);
        ok &= result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return ok ? S_OK : SELFREG_E_CLASS;
}

} // namespace kd
