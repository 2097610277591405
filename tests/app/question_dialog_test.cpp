// CQuestionDlg: its lines and buttons as given with the unused ones out of the
// way, the answer of each way to close it, and lines too long for it ending
// inside it, drawn by the skin as well.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "CKordaneApp.h"
#include "CQuestionDlg.h"
#include "Vellaris.h"
#include "resource.h"
#include "unique_any.h"

using namespace kdtest;

namespace {

constexpr const char* kCaption = "Restore Entries";
constexpr int kLines = static_cast<int>(CQuestionDlg::kMaxLines);
constexpr int kButtons = static_cast<int>(CQuestionDlg::kMaxButtons);

int LineId(int i)
{
    return IDC_STATIC_QUESTION_1 + i;
}
int ButtonId(int i)
{
    return IDC_BUTTON_QUESTION_1 + i;
}

RECT RectIn(HWND dialog, int id)
{
    RECT r{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Shown(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    return ::IsWindowVisible(item) && ::IsWindowEnabled(item);
}

bool Away(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    return !::IsWindowVisible(item) && !::IsWindowEnabled(item);
}

// What one dialog showed, read while it ran.
struct Look {
    std::string caption;
    std::vector<std::string> lines, buttons; // the shown ones
    int hiddenLines = 0, hiddenButtons = 0;
    int focus = 0;
    std::vector<int> defaultStyled; // buttons drawn as the default
    LRESULT defId = 0;
    RECT client{};
    std::array<RECT, CQuestionDlg::kMaxLines> line{};
    std::array<RECT, CQuestionDlg::kMaxButtons> button{};
};

DialogResponder::Action Read(Look& look, int press)
{
    return [&look, press](HWND box) {
        look.caption = WindowText(box);
        for (int i = 0; i < kLines; ++i) {
            look.line[static_cast<std::size_t>(i)] = RectIn(box, LineId(i));
            if (Shown(box, LineId(i)))
                look.lines.push_back(ItemText(box, LineId(i)));
            else
                look.hiddenLines += Away(box, LineId(i));
        }
        for (int i = 0; i < kButtons; ++i) {
            look.button[static_cast<std::size_t>(i)] = RectIn(box, ButtonId(i));
            if (Shown(box, ButtonId(i)))
                look.buttons.push_back(ItemText(box, ButtonId(i)));
            else
                look.hiddenButtons += Away(box, ButtonId(i));
            const auto style = ::GetWindowLongPtrA(::GetDlgItem(box, ButtonId(i)), GWL_STYLE);
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) look.defaultStyled.push_back(ButtonId(i));
        }
        look.focus = FocusedId(::GetWindowThreadProcessId(box, nullptr));
        look.defId = LOWORD(::SendMessageA(box, DM_GETDEFID, 0, 0));
        ::GetClientRect(box, &look.client);
        PostClick(box, ButtonId(press));
    };
}

// Posts a key to the focused control, as the keyboard would.
DialogResponder::Action Key(WPARAM vk, char ch = 0)
{
    return [vk, ch](HWND box) {
        HWND focus = ::GetDlgItem(box, FocusedId(::GetWindowThreadProcessId(box, nullptr)));
        ::PostMessageA(focus, WM_KEYDOWN, vk, 1);
        if (ch) ::PostMessageA(focus, WM_CHAR, static_cast<WPARAM>(ch), 1);
        ::PostMessageA(focus, WM_KEYUP, vk, 0xC0000001);
    };
}

const std::vector<std::string> kThreeButtons{"&Take the copy", "&Keep the file's entries", "&Discard the copy..."};

// Three lines of about 80 characters, then one far too long without a space.
const std::vector<std::string> kFourLines{
    "The account file \"admin.qrd\" holds 12 entries, but a copy left by an earlier save",
    "holds 1,250. The copy was written on 14 March 2026 at 14:02 and is complete.",
    "Take the copy to work with its entries, keep the file's 12 entries, or discard",
    "C:\\Users\\Administrator\\AppData\\Local\\Kordane\\" + std::string(200, 'W') + "\\admin.qrd.4711.tmp",
};

} // namespace

TEST(QuestionDialog, ShowsItsLinesAndButtonsAndPutsTheUnusedOnesAway)
{
    DialogResponder responder;
    Look two, five;
    responder.Expect(kCaption, Read(two, 1));
    responder.Expect(kCaption, Read(five, 2));
    const std::vector<std::string> fiveLines{"one", "two & three", "four", "five", "six"};
    EXPECT_EQ(CQuestionDlg(kCaption, {"First line.", "Second line."}, {"&Yes", "&No"}, nullptr, 1).Ask(), 1u);
    EXPECT_EQ(CQuestionDlg(kCaption, fiveLines, kThreeButtons, nullptr).Ask(), 2u);
    EXPECT_TRUE(responder.Unexpected().empty());

    EXPECT_EQ(two.caption, kCaption);
    EXPECT_EQ(two.lines, (std::vector<std::string>{"First line.", "Second line."}));
    EXPECT_EQ(two.hiddenLines, 3);
    EXPECT_EQ(two.buttons, (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_EQ(two.hiddenButtons, 1);
    EXPECT_EQ(two.focus, ButtonId(1)) << "the default button has the focus";
    EXPECT_EQ(two.defId, ButtonId(1));
    EXPECT_EQ(two.defaultStyled, std::vector<int>{ButtonId(1)});
    // The shown buttons are centred, and the third's place is not counted.
    EXPECT_LE(std::abs(two.button[0].left - (two.client.right - two.button[1].right)), 1);

    EXPECT_EQ(five.lines, fiveLines) << "'&' is shown as it is";
    EXPECT_EQ(five.hiddenLines, 0);
    EXPECT_EQ(five.buttons, kThreeButtons);
    EXPECT_EQ(five.focus, ButtonId(0));
    EXPECT_LE(std::abs(five.button[0].left - (five.client.right - five.button[2].right)), 1);
    for (const RECT& b : five.button) EXPECT_EQ(b.top, five.button[0].top) << "one row";
    EXPECT_GT(five.button[0].top, five.line[4].bottom);

    // With two lines the buttons sit as far under the second as they sit under
    // the fifth of a full dialog, which is shorter by the three lines unused.
    EXPECT_EQ(two.button[0].top - two.line[1].bottom, five.button[0].top - five.line[4].bottom);
    EXPECT_EQ(five.client.bottom - two.client.bottom, five.line[4].top - five.line[1].top);
    EXPECT_EQ(two.client.bottom - two.button[0].bottom, five.client.bottom - five.button[0].bottom);
}

TEST(QuestionDialog, AnswersItsButtonsReturnEscapeTheCloseBoxAndMnemonics)
{
    struct Case {
        const char* name;
        DialogResponder::Action action;
        std::size_t answer;
    };
    // Default: the second button; cancel: the third.
    const std::vector<Case> cases{
        {"first button", Pressing(ButtonId(0)), 0},
        {"third button", Pressing(ButtonId(2)), 2},
        {"Return", Key(VK_RETURN), 1},
        {"Escape", Key(VK_ESCAPE), 2},
        {"close box", [](HWND box) { ::PostMessageA(box, WM_CLOSE, 0, 0); }, 2},
        {"IDCANCEL", Pressing(IDCANCEL), 2},
        {"mnemonic T", Key('T', 't'), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogResponder responder;
        responder.Expect(kCaption, c.action);
        EXPECT_EQ(CQuestionDlg(kCaption, {"Restore the copy?"}, kThreeButtons, nullptr, 1, 2).Ask(), c.answer);
        EXPECT_TRUE(responder.Unexpected().empty());
    }

    // Indexes past the last button mean the last one.
    DialogResponder responder;
    responder.Expect(kCaption, Key(VK_ESCAPE));
    EXPECT_EQ(CQuestionDlg(kCaption, {"Go on?"}, {"&Yes", "&No"}, nullptr, 0, 7).Ask(), 1u);

    // A question that cannot be shown (its owner is no window) gets the cancel answer.
    EXPECT_EQ(CQuestionDlg(kCaption, {"Go on?"}, kThreeButtons, reinterpret_cast<HWND>(0x7654), 0, 1).Ask(), 1u);
}

TEST(QuestionDialog, ShortensALineTooLongForItToEndInsideTheDialog)
{
    DialogResponder responder;
    Look look;
    responder.Expect(kCaption, Read(look, 0));
    (void)CQuestionDlg(kCaption, kFourLines, kThreeButtons, nullptr).Ask();

    ASSERT_EQ(look.lines.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(look.lines[static_cast<std::size_t>(i)], kFourLines[static_cast<std::size_t>(i)]);
    const std::string& cut = look.lines[3];
    ASSERT_TRUE(cut.ends_with("...")) << cut;
    EXPECT_EQ(kFourLines[3].rfind(cut.substr(0, cut.size() - 3), 0), 0u) << "the line's start";
    for (const RECT& r : look.line) {
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, look.client.right);
    }
    for (const RECT& r : look.button) EXPECT_LE(r.right, look.client.right);

    // A shortened line is the longest start that fits in every font given,
    // and a double-byte character is never split.
    const kd::unique_hdc dc(::CreateCompatibleDC(nullptr));
    const kd::unique_hfont narrow(
        ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
    const kd::unique_hfont wide(::CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    const std::vector<HFONT> fonts{narrow.get(), wide.get()};
    auto width = [&](HFONT font, const std::string& text) {
        kd::select_scope selected(dc.get(), font);
        SIZE size{};
        ::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const std::string text = "Every word of this line should be readable, but it is too long for its place.";
    const int limit = width(wide.get(), text) / 2;
    const std::string fitted = CQuestionDlg::FitLine(dc.get(), fonts, text, limit);
    ASSERT_GT(fitted.size(), 3u);
    const std::string head = fitted.substr(0, fitted.size() - 3);
    EXPECT_EQ(text.rfind(head, 0), 0u);
    EXPECT_LE(width(wide.get(), fitted), limit);
    EXPECT_GT(width(wide.get(), text.substr(0, head.size() + 2) + "..."), limit) << "not cut shorter than needed";
    EXPECT_EQ(CQuestionDlg::FitLine(dc.get(), fonts, text, 10000), text);
    EXPECT_EQ(CQuestionDlg::FitLine(dc.get(), fonts, text, 1), "...");
    if (::GetACP() == 932) {
        const std::string japanese = "\x83\x65\x83\x58\x83\x67\x83\x74\x83\x40\x83\x43\x83\x8B"; // katakana
        const std::string shortened = CQuestionDlg::FitLine(dc.get(), fonts, japanese, width(wide.get(), japanese) / 2);
        EXPECT_EQ((shortened.size() - 3) % 2, 0u) << "whole double-byte characters";
    }
}

// With the shipped skin, which draws static texts in a wider face of its own:
// the caption is the window's text, and every line ends inside its static.
// KD_QUESTION_SHOW_MS keeps the dialog up that long (scripts/screenshots.sh).
TEST(QuestionDialog, SkinnedEveryLineEndsInsideItsStatic)
{
    const std::filesystem::path bitmap = std::filesystem::path(KD_SOURCE_DIR) / "skin" / "Solvane" / "MainWindow.bmp";
    ASSERT_TRUE(SkinLoad(bitmap.string().c_str()));
    struct Unload {
        ~Unload() { (void)SkinUnload(); }
    } unload;
    SkinSetMask(CKordaneApp::kSkinMask);
    const char* show = std::getenv("KD_QUESTION_SHOW_MS");
    const DWORD showMs = show ? static_cast<DWORD>(std::atoi(show)) : 0;

    DialogResponder responder;
    std::string caption;
    std::vector<std::string> texts;
    std::vector<RECT> ink;
    std::vector<int> widths;
    COLORREF background = 0;
    responder.Expect(kCaption, [&](HWND box) {
        ::Sleep(400); // painted by its loop meanwhile
        caption = WindowText(box);
        for (int i = 0; i < 4; ++i) {
            HWND line = ::GetDlgItem(box, LineId(i));
            texts.push_back(WindowText(line));
            const Capture pixels(line, false);
            background = pixels.At(0, 0);
            ink.push_back(pixels.Bounds(background));
            widths.push_back(pixels.Width());
        }
        if (showMs) ::Sleep(showMs);
        PostClick(box, ButtonId(1));
    });
    EXPECT_EQ(CQuestionDlg(kCaption, kFourLines, kThreeButtons, nullptr).Ask(), 1u);
    EXPECT_TRUE(responder.Unexpected().empty());

    EXPECT_EQ(caption, kCaption);
    ASSERT_EQ(texts.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(texts[i], kFourLines[i]) << "about 80 characters fit";
    EXPECT_TRUE(texts[3].ends_with("...")) << texts[3];
    for (std::size_t i = 0; i < ink.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(ink[i].right, ink[i].left) << "text drawn";
        EXPECT_LT(ink[i].right, widths[i] - 1) << "the line ends before its static does";
    }
}
