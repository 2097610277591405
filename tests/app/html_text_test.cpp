// The help page as plain text, for where no browser can render it.
#include "HtmlText.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

#include "CHelpDlg.h"

namespace {

TEST(HtmlText, BlocksBecomeLinesAndParagraphsAndSpacesCollapse)
{
    EXPECT_EQ(HtmlToText(L"<html><body>\n  <p>One\n   two\tthree </p>\n<p> Four</p></body></html>\n"),
              L"One two three\r\n\r\nFour");
    EXPECT_EQ(HtmlToText(L"<div>a</div><div>b</div>c<br>d<br/><br />e"), L"a\r\nb\r\nc\r\nd\r\n\r\ne");
    // Inline markup joins words as written; a blank line never doubles up.
    EXPECT_EQ(HtmlToText(L"<p>Press <b>Login</b>, then <i>OK</i>.</p><p></p><div></div><p>Next</p>"),
              L"Press Login, then OK.\r\n\r\nNext");
    EXPECT_EQ(HtmlToText(L"<P CLASS=\"note\">Upper</P><Br>case"), L"Upper\r\n\r\ncase");
    EXPECT_EQ(HtmlToText(L"<pre>\n  keep   this\n\n  too</pre>after"), L"  keep   this\r\n\r\n  too\r\n\r\nafter");
    EXPECT_EQ(HtmlToText(L""), L"");
    EXPECT_EQ(HtmlToText(L"<br><br><p>  </p>"), L"");
}

TEST(HtmlText, HeadingsAreUnderlinedAndListItemsMarked)
{
    EXPECT_EQ(HtmlToText(L"<h1>Kordane help</h1><p>Intro</p><h2>Logging <b>in</b></h2>Text"),
              L"Kordane help\r\n============\r\n\r\nIntro\r\n\r\nLogging in\r\n----------\r\n\r\nText");
    EXPECT_EQ(HtmlToText(L"<p>Steps:</p><ol><li>First</li><li>Second\n  line</li></ol><ul><li>Dot</ul>End"),
              L"Steps:\r\n\r\n  1. First\r\n  2. Second line\r\n\r\n  \x2022 Dot\r\n\r\nEnd");
    // Nested lists indent further and keep the outer numbering.
    EXPECT_EQ(HtmlToText(L"<ol><li>A<ul><li>a1</li><li>a2</li></ul></li><li>B</li></ol>"),
              L"  1. A\r\n    \x2022 a1\r\n    \x2022 a2\r\n  2. B");
}

TEST(HtmlText, CharacterReferencesAreDecoded)
{
    EXPECT_EQ(HtmlToText(L"&lt;admin&gt;.qrd &amp; &quot;x&quot; &#39;y&apos; a&nbsp;b &mdash; &#8212;&#x2014;"),
              L"<admin>.qrd & \"x\" 'y' a\xA0"
              L"b \x2014 \x2014\x2014");
    // Not references: stay as written.
    EXPECT_EQ(HtmlToText(L"AT&T &unknown; &amp &#; &#xZZ; a < b"), L"AT&T &unknown; &amp &#; &#xZZ; a < b");
    // Out of range, surrogates and NUL become the replacement character; beyond 16 bits a pair.
    EXPECT_EQ(HtmlToText(L"&#0;&#xD800;&#99999999999;&#x1F600;"), L"\xFFFD\xFFFD\xFFFD\xD83D\xDE00");
    // A reference to white space collapses like white space.
    EXPECT_EQ(HtmlToText(L"a&#10;&#32; b"), L"a b");
}

TEST(HtmlText, WhatIsNotTextDropsOut)
{
    EXPECT_EQ(HtmlToText(L"<!DOCTYPE html><head><title>T</title><style>p { color: red; }</style>"
                         L"<script type='text/javascript'>if (a < b && c > d) x = '</p>';</script></head>"
                         L"<body><!-- note <p> --><p title=\"a > b\" data-x='c>d'>Shown</p>"
                         L"<SCRIPT>hidden()</SCRIPT>too</body>"),
              L"Shown\r\n\r\ntoo");
    // Unterminated markup ends the text instead of showing markup.
    EXPECT_EQ(HtmlToText(L"<p>kept</p><!-- open"), L"kept");
    EXPECT_EQ(HtmlToText(L"kept<a href=\"x"), L"kept");
    EXPECT_EQ(HtmlToText(L"kept<script>never closed"), L"kept");
}

TEST(HtmlText, BytesAreReadInThePagesCharset)
{
    // Windows-1252 unless the page says otherwise.
    EXPECT_EQ(DecodeHtmlBytes("caf\xE9 \x97 \x80"), L"caf\xE9 \x2014 \x20AC");
    EXPECT_EQ(DecodeHtmlBytes("\xEF\xBB\xBF"
                              "caf\xC3\xA9"),
              L"caf\xE9");
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=\"UTF-8\">caf\xC3\xA9"), L"<meta charset=\"UTF-8\">caf\xE9");
    EXPECT_EQ(DecodeHtmlBytes("<meta http-equiv=Content-Type content='text/html; charset=utf-8'>\xE2\x80\x94"),
              L"<meta http-equiv=Content-Type content='text/html; charset=utf-8'>\x2014");
    EXPECT_EQ(DecodeHtmlBytes(""), L"");
}

TEST(HtmlText, TheShippedHelpPageReadsAsText)
{
    std::ifstream file(CHelpDlg::FaqPagePath(), std::ios::binary);
    ASSERT_TRUE(file) << CHelpDlg::FaqPagePath();
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::wstring text = HtmlToText(DecodeHtmlBytes(bytes));

    EXPECT_EQ(text.rfind(L"Kordane help\r\n============\r\n\r\nKordane keeps a list of accounts", 0), 0u);
    EXPECT_NE(text.find(L"\r\n\r\nWhat is in the main window\r\n--------------------------\r\n\r\n  \x2022 Login..."),
              std::wstring::npos);
    EXPECT_NE(text.find(L"  1. Press Create Admin....\r\n  2. Type"), std::wstring::npos);
    EXPECT_NE(text.find(L"<administrator>.qrd \x2014 one account file"), std::wstring::npos);
    // The page's placeholders and the characters a name may not contain are
    // text; any other '<' is markup left over.
    std::wstring rest = text;
    for (const wchar_t* placeholder :
         {L"<administrator>", L"<n>", L"<date>", L"<time>", L"<\x2026>", L"< > : \" / \\ | ? *"})
        for (auto at = rest.find(placeholder); at != std::wstring::npos; at = rest.find(placeholder))
            rest.erase(at, std::wcslen(placeholder));
    EXPECT_EQ(rest.find(L'<'), std::wstring::npos) << "markup left";
    EXPECT_EQ(text.find(L"&"), std::wstring::npos);
    EXPECT_EQ(text.find(L"font-family"), std::wstring::npos);
    EXPECT_EQ(text.find(L"\r\n\r\n\r\n"), std::wstring::npos);
}

} // namespace
