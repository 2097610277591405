// What a component tells the shared frame about itself: the frame serves
// exactly one creatable class per library, described by these values.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace kd {

struct ComponentIdentity {
    CLSID classId;           // the class the library serves
    IID interfaceId;         // the object's own interface
    const char* description; // default value of the class key
    const char* versionIndependentProgId;
    const char* progId;
    // Makes one object with reference count 1, or answers null when it cannot.
    IUnknown* (*createObject)() noexcept;
};

// Defined once by each component library.
[[nodiscard]] const ComponentIdentity& ThisComponent() noexcept;

} // namespace kd
