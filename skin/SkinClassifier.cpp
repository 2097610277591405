#include "SkinClassifier.h"

#include <string>

namespace {

// The "T..." names and the "Afx:" name are matched on the first 21
// characters of the class name: the 21-character "Afx:" name thus matches
// any class that begins with it, the shorter names only themselves.
bool Prefix21(std::string_view name, std::string_view pattern) noexcept
{
    return name.substr(0, 21) == pattern;
}

} // namespace

SkinKind ClassifyClassName(std::string_view name) noexcept
{
    if (name == "#32770") return SkinKind::Dialog;
    if (Prefix21(name, "Afx:400000:b:10008:6:") || Prefix21(name, "TFrmMain")) return SkinKind::None;
    if (name == "Button" || Prefix21(name, "TButton")) return SkinKind::Button;
    if (name == "Edit" || Prefix21(name, "TEdit")) return SkinKind::Edit;
    if (name == "SysListView32" || Prefix21(name, "TListView")) return SkinKind::None;
    if (name == "ComboBox" || Prefix21(name, "TComboBox")) return SkinKind::None;
    if (name == "Static") return SkinKind::Static;
    return SkinKind::None;
}

SkinKind ClassifyWindow(HWND wnd)
{
    std::string name(260, '\0');
    const int length = ::GetClassNameA(wnd, name.data(), static_cast<int>(name.size()));
    if (length <= 0) return SkinKind::None;
    name.resize(static_cast<std::size_t>(length));
    return ClassifyClassName(name);
}
