#include "AppTestSupport.h"

#include <chrono>
#include <map>

#include "CApp.h"
#include "resource.h"

namespace kdtest {

namespace {

// Pump hands messages to the running application first, as its loop does.
bool ThroughApplication(MSG& msg)
{
    kd::CApp* app = kd::CApp::Current();
    return app && app->PreTranslateMessage(msg);
}

[[maybe_unused]] const bool g_pumpThroughApplication = (PumpPreTranslate() = ThroughApplication, true);

} // namespace

DialogResponder::DialogResponder() : m_uiThread(::GetCurrentThreadId()), m_thread([this] { Run(); }) {}

DialogResponder::~DialogResponder()
{
    m_stop = true;
    m_thread.join();
}

void DialogResponder::Expect(const std::string& caption, Action action)
{
    std::lock_guard lock(m_mutex);
    m_steps.push_back({caption, std::move(action)});
}

void DialogResponder::Fill(HWND dialog, const std::vector<std::pair<int, std::string>>& texts, int button)
{
    for (const auto& [id, text] : texts) SetItemText(dialog, id, text);
    PostClick(dialog, button);
}

DialogResponder::Action LoginWith(const std::string& account, const std::string& password, int button)
{
    return [=](HWND dialog) {
        DialogResponder::Fill(dialog, {{IDC_EDIT_ACCOUNT, account}, {IDC_EDIT_PASSWORD, password}}, button);
    };
}

DialogResponder::Action CreateWith(const std::string& account, const std::string& password, const std::string& confirm,
                                   int button)
{
    return [=](HWND dialog) {
        DialogResponder::Fill(
            dialog, {{IDC_EDIT_ACCOUNT, account}, {IDC_EDIT_PASSWORD, password}, {IDC_EDIT_CONFIRM, confirm}}, button);
    };
}

DialogResponder::Action Pressing(int button)
{
    return [button](HWND dialog) { PostClick(dialog, button); };
}

std::vector<std::string> DialogResponder::Messages()
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<int> DialogResponder::FocusAfterMessages()
{
    std::lock_guard lock(m_mutex);
    return m_focus;
}

std::vector<std::string> DialogResponder::Unexpected()
{
    std::lock_guard lock(m_mutex);
    return m_unexpected;
}

size_t DialogResponder::PendingSteps()
{
    std::lock_guard lock(m_mutex);
    return m_steps.size();
}

void DialogResponder::Clear()
{
    std::lock_guard lock(m_mutex);
    m_steps.clear();
    m_messages.clear();
    m_focus.clear();
    m_unexpected.clear();
}

void DialogResponder::Run()
{
    while (!m_stop) {
        Poll();
        ::Sleep(15);
    }
}

void DialogResponder::Poll()
{
    auto& acted = m_acted;
    auto& firstSeen = m_firstSeen;
    const DWORD now = ::GetTickCount();

    // The focus left behind by the last message box, once it has closed.
    if (m_lastBox && !::IsWindow(m_lastBox)) {
        // The handler that showed the box moves the focus once the box's loop
        // has returned; a message sent to the owner is answered only after the
        // handler is done and its thread waits for messages again.
        if (m_lastOwner) {
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutA(m_lastOwner, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
        }
        std::lock_guard lock(m_mutex);
        m_focus.push_back(FocusedId(m_uiThread));
        m_lastBox = nullptr;
        m_lastOwner = nullptr;
    }
    if (m_lastBox) return;

    for (HWND wnd : FindWindows(WindowQuery().OfClass("#32770").OfThread(m_uiThread).TakingInput())) {
        const std::string caption = WindowText(wnd);
        if (caption == "Kordane" && !::GetWindow(wnd, GW_OWNER)) continue; // the main dialog itself
        if (auto it = acted.find(wnd); it != acted.end() && now - it->second < 400) continue;

        Action action;
        {
            std::lock_guard lock(m_mutex);
            if (!m_steps.empty() && m_steps.front().caption == caption) {
                action = std::move(m_steps.front().action);
                m_steps.pop_front();
            }
        }
        if (action) {
            acted[wnd] = now;
            firstSeen.erase(wnd);
            action(wnd);
            return;
        }
        if (caption == kMessageCaption) {
            {
                std::lock_guard lock(m_mutex);
                m_messages.push_back(ItemText(wnd, IDC_STATIC_MESSAGE));
            }
            m_lastBox = wnd;
            m_lastOwner = ::GetWindow(wnd, GW_OWNER);
            acted[wnd] = now;
            PostClick(wnd, IDC_BUTTON_MESSAGE_OK);
            return;
        }
        auto seen = firstSeen.emplace(wnd, now).first;
        if (now - seen->second > 1500) {
            {
                std::lock_guard lock(m_mutex);
                m_unexpected.push_back(caption);
            }
            acted[wnd] = now;
            firstSeen.erase(wnd);
            PostClick(wnd, IDCANCEL);
            return;
        }
    }
}

} // namespace kdtest
