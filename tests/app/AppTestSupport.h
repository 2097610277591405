// Shared by Kordane's GUI tests: a fresh working folder, Pump routed through
// the application's pre-translation, and a responder thread that answers the
// modal dialogs the program opens, as a user would.
#pragma once

#include <windows.h>

#include "TempFolder.h"
#include "UiDriver.h"
#include "WindowTestSupport.h"

#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kdtest {

// Answers the modal dialogs that the current thread opens while it runs their
// loops. Steps queued with Expect run in order, each on the first enabled
// window with its caption. A "Message Box" without a queued step is read and
// confirmed with OK. Any other dialog without a step is cancelled after a
// while and reported as unexpected, so no test can hang on a modal loop.
class DialogResponder {
public:
    using Action = std::function<void(HWND)>;

    DialogResponder();
    DialogResponder(const DialogResponder&) = delete;
    DialogResponder& operator=(const DialogResponder&) = delete;
    ~DialogResponder();

    void Expect(const std::string& caption, Action action);
    // Sets texts and presses a button (posted, so the dialog's loop runs it).
    static void Fill(HWND dialog, const std::vector<std::pair<int, std::string>>& texts, int button);

    [[nodiscard]] std::vector<std::string> Messages();   // texts of the message boxes, in order
    [[nodiscard]] std::vector<int> FocusAfterMessages(); // focused control id after each box closed
    [[nodiscard]] std::vector<std::string> Unexpected();
    [[nodiscard]] size_t PendingSteps();
    void Clear();

private:
    struct Step {
        std::string caption;
        Action action;
    };
    void Run();
    void Poll();

    DWORD m_uiThread;
    std::mutex m_mutex;
    std::deque<Step> m_steps;
    std::vector<std::string> m_messages;
    std::vector<int> m_focus;
    std::vector<std::string> m_unexpected;
    HWND m_lastBox = nullptr;
    HWND m_lastOwner = nullptr;
    // Windows acted on recently are left alone until their dialog has reacted.
    std::map<HWND, DWORD> m_acted;
    std::map<HWND, DWORD> m_firstSeen;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Answers for DialogResponder::Expect: fill the login or create-administrator
// dialog and press a button, or only press one.
DialogResponder::Action LoginWith(const std::string& account, const std::string& password, int button = IDOK);
DialogResponder::Action CreateWith(const std::string& account, const std::string& password, const std::string& confirm,
                                   int button = IDOK);
DialogResponder::Action Pressing(int button);

// Standard messages of the program.
inline constexpr const char* kMessageCaption = "Message Box";
inline constexpr const char* kLoginCaption = "Login Dialog";
inline constexpr const char* kCreateCaption = "Create Admin Dialog";

} // namespace kdtest
