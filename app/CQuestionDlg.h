// Kordane's question and notice dialog (template 135): a caption, up to five
// lines of text, each on a line of its own, and up to three buttons that say
// what they do. Every question the program asks goes through it, so that the
// skin draws all of it readably (the platform's message box is drawn on one
// line by the skin and cut off).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "CControl.h"
#include "CDialog.h"

class CQuestionDlg : public kd::CDialog {
public:
    static constexpr std::size_t kMaxLines = 5; // static text lines, each one line high
    static constexpr std::size_t kMaxButtons = 3;

    // caption; up to kMaxLines lines, each shown on its own line, unwrapped; a
    // line too long for the dialog ends in "...". 1..kMaxButtons button texts
    // (with & mnemonics), laid out left to right, centred; no text at all gives
    // one "OK". `cancelIndex`: the answer for Escape and the close box, and
    // when the dialog cannot be shown. `defaultIndex`: the default button,
    // which has the focus. An index past the last button means the last one.
    CQuestionDlg(std::string caption, std::vector<std::string> lines, std::vector<std::string> buttons, HWND owner,
                 std::size_t defaultIndex = 0, std::size_t cancelIndex = 0);

    // Runs it modally: the index of the button pressed.
    [[nodiscard]] std::size_t Ask();

    // `text` shortened to fit `width` pixels in each of `fonts`, ending in
    // "..." when it had to be shortened.
    [[nodiscard]] static std::string FitLine(HDC dc, const std::vector<HFONT>& fonts, const std::string& text,
                                             int width);

protected:
    [[nodiscard]] bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void OnButton1();
    void OnButton2();
    void OnButton3();
    void ShowLines();
    void ShowButtons();
    void Compact();

    std::string m_strCaption;
    std::vector<std::string> m_lines;
    std::vector<std::string> m_buttons;
    std::size_t m_default;
    std::size_t m_cancel;
};
