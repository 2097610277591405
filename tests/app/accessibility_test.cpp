// What a screen reader finds: every field named after its label (the static
// text just before it in z-order), with nothing moved on the screen and the
// tab order as the template writes it; and what oleacc answers where the
// platform answers it.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "AppTest.h"

using namespace kdtest;

namespace {

using Accessibility = AppTest;

// The text of the static text just before a control in z-order, or "" when
// the window there is no static text.
std::string LabelBefore(HWND dialog, int id)
{
    HWND previous = ::GetWindow(::GetDlgItem(dialog, id), GW_HWNDPREV);
    return previous && ClassName(previous) == "Static" ? WindowText(previous) : "";
}

// The controls that take the focus with Tab, in z-order.
std::vector<int> TabStops(HWND dialog)
{
    std::vector<int> ids;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::GetWindowLongPtrA(child, GWL_STYLE) & WS_TABSTOP) ids.push_back(::GetDlgCtrlID(child));
    return ids;
}

std::string Plain(std::string text)
{
    std::string plain;
    for (char c : text)
        if (c != '&') plain.push_back(c);
    while (!plain.empty() && plain.back() == ':') plain.pop_back();
    return plain;
}

// oleacc's view of a control: name (empty when none), role and state.
struct Accessible {
    HRESULT hr = E_FAIL;
    bool answered = false;
    std::string name;
    long role = 0;
    long state = 0;
};

Accessible AccessibleOf(HWND control)
{
    Accessible result;
    kd::com_ptr<IAccessible> object;
    result.hr = ::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             object.put_void());
    if (FAILED(result.hr) || !object) return result;
    result.answered = true;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    kd::unique_bstr name;
    if (object->get_accName(self, name.put()) == S_OK && name) {
        const int size = ::WideCharToMultiByte(CP_ACP, 0, name.get(), -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
        ::WideCharToMultiByte(CP_ACP, 0, name.get(), -1, text.data(), size, nullptr, nullptr);
        result.name = text.c_str();
    }
    VARIANT value{};
    if (object->get_accRole(self, &value) == S_OK && value.vt == VT_I4) result.role = value.lVal;
    ::VariantClear(&value);
    if (object->get_accState(self, &value) == S_OK && value.vt == VT_I4) result.state = value.lVal;
    ::VariantClear(&value);
    return result;
}

// Records what the platform's oleacc could and could not tell, for the log.
void Note(const std::string& what)
{
    std::printf("[ oleacc   ] %s\n", what.c_str());
}

// Each field's label in front of it, checked in a dialog of another thread's loop.
using FieldLabels = std::vector<std::pair<int, std::string>>;
DialogResponder::Action CheckingLabels(FieldLabels expected, std::vector<std::string>& faults, int button)
{
    return [expected = std::move(expected), &faults, button](HWND dialog) {
        for (const auto& [id, label] : expected)
            if (LabelBefore(dialog, id) != label)
                faults.push_back(WindowText(dialog) + ": field " + std::to_string(id) + " follows \"" +
                                 LabelBefore(dialog, id) + "\"");
        PostClick(dialog, button);
    };
}

} // namespace

TEST_F(Accessibility, TheMainWindowsFieldsFollowTheirLabelsWithNothingMovedAndTheTabOrderKept)
{
    Start();
    const FieldLabels labels = {
        {IDC_EDIT_ID, "ID(Account):"}, {IDC_EDIT_PASSWORD, "Password:"}, {IDC_EDIT_COMMENT, "Comment:"}};
    for (const auto& [id, label] : labels) EXPECT_EQ(LabelBefore(m_main, id), label) << id;
    EXPECT_EQ(TabStops(m_main), (std::vector<int>{IDC_BUTTON_LOGIN, IDC_BUTTON_HELP, IDC_BUTTON_CREATEADMIN, IDOK,
                                                  IDC_EDIT_ID, IDC_EDIT_PASSWORD, IDC_EDIT_COMMENT, IDC_BUTTON_INSERT,
                                                  IDC_BUTTON_UPDATE, IDC_BUTTON_DELETE, IDC_LIST_ACCOUNTS}));

    // Put back where the template has them, the labels paint the same pixels.
    auto repaint = [&] {
        ::RedrawWindow(m_main, nullptr, nullptr,
                       RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(200);
        return Capture(m_main);
    };
    const Capture reordered = repaint();
    for (const int id : {IDC_STATIC_ID, IDC_STATIC_PASSWORD, IDC_STATIC_COMMENT})
        ::SetWindowPos(::GetDlgItem(m_main, id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(LabelBefore(m_main, IDC_EDIT_ID), "");
    const Capture asInTheTemplate = repaint();
    ASSERT_GT(reordered.Width(), 0);
    EXPECT_TRUE(reordered.SameAs(asInTheTemplate));
}

TEST_F(Accessibility, TheLoginCreateAndFindFieldsFollowTheirLabels)
{
    WriteAccountFile("admin", "pw", {{"a", "b", "c"}});
    Start();
    std::vector<std::string> faults;
    m_responder.Expect(kLoginCaption, CheckingLabels({{IDC_EDIT_ACCOUNT, "Account:"}, {IDC_EDIT_PASSWORD, "Password:"}},
                                                     faults, IDCANCEL));
    Click(m_main, IDC_BUTTON_LOGIN);
    m_responder.Expect(kCreateCaption, CheckingLabels({{IDC_EDIT_ACCOUNT, "Account:"},
                                                       {IDC_EDIT_PASSWORD, "Password:"},
                                                       {IDC_EDIT_CONFIRM, "Confim Password:"}},
                                                      faults, IDCANCEL));
    Click(m_main, IDC_BUTTON_CREATEADMIN);
    Pump(200);
    EXPECT_TRUE(faults.empty()) << faults.front();

    Login("admin", "pw");
    auto* main = dynamic_cast<CKordaneDlg*>(theApp.MainWindow());
    ASSERT_NE(main, nullptr);
    main->OpenFind();
    ASSERT_NE(main->FindDialog(), nullptr);
    EXPECT_EQ(LabelBefore(main->FindDialog()->GetSafeHwnd(), IDC_EDIT_FIND), "Fi&nd what:");
}

// Wine's oleacc names an edit field after the static text before it, as
// Windows does, and gives buttons the client role, not the push-button one:
// that much is noted in the test log.
TEST_F(Accessibility, OleaccNamesTheFieldsAfterTheirLabelsAndTellsTheButtonsState)
{
    Start();
    for (const auto& [id, label] : std::vector<std::pair<int, std::string>>{
             {IDC_EDIT_ID, "ID(Account):"}, {IDC_EDIT_PASSWORD, "Password:"}, {IDC_EDIT_COMMENT, "Comment:"}}) {
        const Accessible field = AccessibleOf(::GetDlgItem(m_main, id));
        ASSERT_TRUE(field.answered) << id << " " << std::hex << field.hr;
        EXPECT_EQ(field.role, ROLE_SYSTEM_TEXT) << id;
        // The name Wine's oleacc gives only when the label comes first.
        EXPECT_EQ(Plain(field.name), Plain(label)) << id;
        EXPECT_NE(field.state & STATE_SYSTEM_UNAVAILABLE, 0) << "disabled until a login";
    }
    const Accessible login = AccessibleOf(::GetDlgItem(m_main, IDC_BUTTON_LOGIN));
    ASSERT_TRUE(login.answered);
    EXPECT_EQ(Plain(login.name), "Login...");
    if (login.role != ROLE_SYSTEM_PUSHBUTTON) Note("button role " + std::to_string(login.role) + ", not push button");
    EXPECT_EQ(login.state & STATE_SYSTEM_UNAVAILABLE, 0);
    const Accessible insert = AccessibleOf(::GetDlgItem(m_main, IDC_BUTTON_INSERT));
    EXPECT_EQ(Plain(insert.name), "Insert");
    EXPECT_NE(insert.state & STATE_SYSTEM_UNAVAILABLE, 0);
}
