// The four exported entry points (by ordinal, see Vellaris.def).
#include "Vellaris.h"

#include "CSkinManager.h"

extern "C" {

bool SkinSetOption(std::int32_t option)
{
    return CSkinManager::Instance().SetOption(option);
}

void SkinSetMask(std::uint32_t mask)
{
    CSkinManager::Instance().SetMask(mask);
}

bool SkinLoad(const char* bitmapPath)
{
    return CSkinManager::Instance().Load(bitmapPath);
}

bool SkinUnload()
{
    return CSkinManager::Instance().Unload();
}

} // extern "C"
