// Self-registration under HKEY_CLASSES_ROOT: the class key, the
// version-independent programmatic identifier and the versioned one.
#pragma once

#include <windows.h>
#include <string>

namespace kd {

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", or empty when the conversion fails.
[[nodiscard]] std::string ClassIdText(REFCLSID classId);

// Writes the nine default values; S_OK only when every key and value was written,
// SELFREG_E_CLASS otherwise (all steps are still tried).
[[nodiscard]] HRESULT RegisterComponent(HMODULE module, REFCLSID classId, const char* description,
                                        const char* versionIndependentProgId, const char* progId);

// Deletes the three key trees; keys already missing count as deleted.
[[nodiscard]] HRESULT UnregisterComponent(REFCLSID classId, const char* versionIndependentProgId, const char* progId);

// Creates or opens HKCR\key[\subkey] and sets its default value when one is given.
[[nodiscard]] bool SetKeyAndValue(const std::string& key, const char* subkey, const char* value);

// Deletes parent\name with all its subkeys; answers the first failing system code.
[[nodiscard]] LONG DeleteKeyTree(HKEY parent, const char* name);

} // namespace kd
