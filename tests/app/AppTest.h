// Kordane inside the test program (AppTest): the real start-up (components,
// folders, log, skin, hidden main dialog) in a fresh folder, and the real
// shutdown. The test thread is the program's user-interface thread.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "CKordaneApp.h"
#include "CKordaneDlg.h"
#include "resource.h"
#include "unique_any.h"

extern CKordaneApp theApp;

namespace kdtest {

using Row = std::array<std::string, 3>;

// A handle on `file` that shares reading and writing but not deletion, as
// antivirus, backup and sync tools hold files: the file cannot be replaced.
[[nodiscard]] kd::unique_hfile HoldWithoutDeleteSharing(const std::string& file);
// The rows of the recovery copy "<admin>.qrd.<n>.recovery", empty when there is none.
[[nodiscard]] std::vector<Row> ReadRecoveryCopy(const std::string& admin);

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the start-up; the main dialog is shown after its timer.
    void Start();
    // Runs the shutdown (the main window's list goes to its store and file).
    void Exit();

    [[nodiscard]] std::string Log() const;
    [[nodiscard]] std::vector<Row> ListRows() const;
    [[nodiscard]] std::string Cell(int row, int column) const;

    // Operates the program's own dialogs through the responder.
    void CreateAdmin(const std::string& account, const std::string& password, const std::string& confirm);
    void Login(const std::string& account, const std::string& password);
    // After a failing OK the dialog stays open: the next step cancels it.
    void LoginExpectingFailure(const std::string& account, const std::string& password);
    void CreateAdminExpectingFailure(const std::string& account, const std::string& password,
                                     const std::string& confirm);
    void SetFields(const std::string& id, const std::string& password, const std::string& comment);
    // Fills the fields and presses Insert.
    void Insert(const std::string& id, const std::string& password, const std::string& comment);
    void SelectRow(int row);

    // Writes an account file as the store does.
    static void WriteAccountFile(const std::string& admin, const std::string& password, const std::vector<Row>& rows);
    static std::vector<Row> ReadAccountFile(const std::string& admin);

    TempFolder m_folder{"kd-app"};
    DialogResponder m_responder;
    HWND m_main = nullptr;
    bool m_running = false;
};

} // namespace kdtest
