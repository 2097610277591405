// Shared helpers of the store tests: a private working folder per test (the
// store names its files relative to the current folder) and file bytes.
#pragma once

#include "AccountRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace storetest {

using Bytes = std::vector<std::uint8_t>;

class InFolder : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_folder;
};

Bytes ReadFile(const std::string& name);
void WriteFile(const std::string& name, const Bytes& bytes);
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
