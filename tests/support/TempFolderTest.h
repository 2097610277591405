// A GoogleTest fixture whose tests each run in a fresh temporary folder
// (kdtest::TempFolder), for code that names its files relative to the current
// folder.
#pragma once

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <optional>

namespace kdtest {

class InTempFolder : public ::testing::Test {
protected:
    void SetUp() override { m_folder.emplace("kd-test"); }
    void TearDown() override { m_folder.reset(); }
    [[nodiscard]] const std::filesystem::path& Folder() const { return m_folder->path(); }

private:
    std::optional<TempFolder> m_folder;
};

} // namespace kdtest
