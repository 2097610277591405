// Shared helpers of the store tests. Each test works in a fresh temporary
// folder (the store names its files relative to the current folder).
#pragma once

#include "AccountRecord.h"
#include "TempFolder.h"
#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace storetest {

using Bytes = std::vector<std::uint8_t>;

// kdtest's file helpers, typed for the store's unsigned bytes.
inline Bytes ReadFile(const std::filesystem::path& path)
{
    return kdtest::ReadFile<std::uint8_t>(path);
}
inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    kdtest::WriteFile(path, bytes);
}
// Every file in the current folder, for checking that nothing was left behind.
std::vector<std::string> FolderEntries();

AccountRecord MakeRecord(const std::string& account, const std::string& password, const std::string& comment);

// Every allocation after the next `count` throws std::bad_alloc, until
// StopFailingAllocations (AllocationFailure.cpp).
void FailAllocationsAfter(long count) noexcept;
void StopFailingAllocations() noexcept;

// Position of `needle` in `hay`, or -1.
long long Find(const Bytes& hay, const std::string& needle);

} // namespace storetest
