// Find (template 136): a small modeless window over the main dialog. What is
// typed is looked for at once from the current row on; Find Next and F3 go
// on from the row after it. The owner does the finding; this window only asks
// and says what came of it.
#pragma once

#include <functional>
#include <string>

#include "CDialog.h"

class CFindDlg : public kd::CDialog {
public:
    enum class Outcome { Found, FoundFromTop, NotFound, NothingTyped };
    // The text, and whether to go on past the current row.
    using Finder = std::function<Outcome(const std::string& text, bool next)>;

    CFindDlg(HWND owner, Finder finder, std::string text);

    // The words under the field for an outcome.
    [[nodiscard]] static std::string StatusText(Outcome outcome, const std::string& text);

    // Finds the next row and says what came of it.
    void FindNext();
    // Says what came of a search.
    void Tell(Outcome outcome);
    // Shows the window with the field focused and its text selected.
    void Present() const noexcept;
    [[nodiscard]] const std::string& Text() const noexcept { return m_strText; }

    [[nodiscard]] bool PreTranslateMessage(MSG& msg) override;

protected:
    [[nodiscard]] bool OnInitDialog() override;
    void DoDataExchange(kd::CDataExchange& dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void OnEditChanged();

    Finder m_finder;
    std::string m_strText;
    bool m_bShowingText = false; // the text set at start is no typing
};
