#include "HtmlText.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "win32_text.h"

namespace {

constexpr size_t npos = std::wstring_view::npos;

bool IsSpace(wchar_t c) noexcept
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f';
}

bool IsAsciiAlnum(wchar_t c) noexcept
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

wchar_t AsciiLower(wchar_t c) noexcept
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

// Position of `needle` (lower-case ASCII) in `text` from `from` on, ignoring ASCII case.
size_t FindNoCase(std::wstring_view text, std::wstring_view needle, size_t from) noexcept
{
    for (size_t i = from; i + needle.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && AsciiLower(text[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return npos;
}

struct NamedReference {
    std::wstring_view name;
    char32_t code;
};
constexpr NamedReference kNamedReferences[] = {
    {L"amp", U'&'},    {L"lt", U'<'},      {L"gt", U'>'},      {L"quot", U'"'},     {L"apos", U'\''},
    {L"nbsp", 0xA0},   {L"mdash", 0x2014}, {L"ndash", 0x2013}, {L"hellip", 0x2026}, {L"bull", 0x2022},
    {L"middot", 0xB7}, {L"lsquo", 0x2018}, {L"rsquo", 0x2019}, {L"ldquo", 0x201C},  {L"rdquo", 0x201D},
    {L"laquo", 0xAB},  {L"raquo", 0xBB},   {L"copy", 0xA9},    {L"reg", 0xAE},      {L"trade", 0x2122},
    {L"times", 0xD7},  {L"euro", 0x20AC},  {L"shy", 0xAD},
};

// The character reference at text[at] ('&'): its code point and length, or
// length 0 when it is none (a lone '&' stays as it is).
std::pair<char32_t, size_t> CharacterReference(std::wstring_view text, size_t at) noexcept
{
    const size_t semicolon = text.find(L';', at + 1);
    if (semicolon == npos || semicolon - at > 32) return {0, 0};
    const std::wstring_view body = text.substr(at + 1, semicolon - at - 1);
    if (body.size() >= 2 && body[0] == L'#') {
        const bool hex = body[1] == L'x' || body[1] == L'X';
        const std::wstring_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) return {0, 0};
        char32_t code = 0;
        for (wchar_t c : digits) {
            unsigned digit;
            if (c >= L'0' && c <= L'9')
                digit = static_cast<unsigned>(c - L'0');
            else if (hex && AsciiLower(c) >= L'a' && AsciiLower(c) <= L'f')
                digit = static_cast<unsigned>(AsciiLower(c) - L'a' + 10);
            else
                return {0, 0};
            code = code * (hex ? 16 : 10) + digit;
            if (code > 0x10FFFF) code = 0x110000; // stays out of range, never overflows
        }
        return {code, body.size() + 2};
    }
    for (const NamedReference& named : kNamedReferences)
        if (body == named.name) return {named.code, body.size() + 2};
    return {0, 0};
}

// Builds the text: pending line breaks, collapsed spaces, list prefixes and heading underlines.
class TextWriter {
public:
    // One character of page text; white space collapses unless preformatted.
    void Put(wchar_t c, bool preformatted)
    {
        if (preformatted) {
            if (c == L'\r') return;
            if (c == L'\n') return LineBreak();
        } else if (IsSpace(c)) {
            m_space = true;
            return;
        }
        StartText();
        if (m_space && !m_lineStart) m_out += L' ';
        m_space = false;
        m_lineStart = false;
        m_trailingBreaks = 0;
        m_out += c;
    }

    void PutCodePoint(char32_t code, bool preformatted)
    {
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        if (code > 0xFFFF && sizeof(wchar_t) == 2) {
            code -= 0x10000;
            Put(static_cast<wchar_t>(0xD800 + (code >> 10)), preformatted);
            Put(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)), preformatted);
        } else {
            Put(static_cast<wchar_t>(code), preformatted);
        }
    }

    // The next text starts on a new line (1) or after a blank line (2).
    void Break(int lines) noexcept
    {
        m_breaks = std::max(m_breaks, lines);
        m_space = false;
    }

    // A forced line end (<br>, a line of preformatted text).
    void LineBreak()
    {
        if (m_out.empty()) return;
        m_out += L"\r\n";
        ++m_trailingBreaks;
        m_lineStart = true;
        m_space = false;
    }

    // Text written before the next text, on its line (a list bullet).
    void Prefix(std::wstring prefix) { m_prefix = std::move(prefix); }

    void BeginHeading(wchar_t underline)
    {
        Break(2);
        m_underline = underline;
        m_headingStart = npos;
    }

    void EndHeading()
    {
        if (m_underline && m_headingStart != npos) {
            const size_t lastLine = m_out.rfind(L'\n');
            const size_t start = lastLine == npos || lastLine < m_headingStart ? m_headingStart : lastLine + 1;
            const size_t length = m_out.size() - start;
            if (length > 0) {
                m_out += L"\r\n";
                m_out.append(length, m_underline);
                m_trailingBreaks = 0;
                m_lineStart = false;
            }
        }
        m_underline = 0;
        Break(2);
    }

    std::wstring Finish()
    {
        while (m_out.size() >= 2 && m_out.compare(m_out.size() - 2, 2, L"\r\n") == 0) m_out.resize(m_out.size() - 2);
        return std::move(m_out);
    }

private:
    void StartText()
    {
        if (m_out.empty()) {
            m_breaks = 0;
        } else if (m_breaks > m_trailingBreaks) {
            for (int i = m_trailingBreaks; i < m_breaks; ++i) m_out += L"\r\n";
            m_lineStart = true;
        }
        m_breaks = 0;
        if (m_lineStart || m_out.empty()) m_space = false;
        if (!m_prefix.empty()) {
            m_out += m_prefix;
            m_prefix.clear();
            m_space = false;
        }
        if (m_underline && m_headingStart == npos) m_headingStart = m_out.size();
    }

    std::wstring m_out;
    std::wstring m_prefix;
    int m_breaks = 0;
    int m_trailingBreaks = 0;
    bool m_space = false;
    bool m_lineStart = true;
    wchar_t m_underline = 0;
    size_t m_headingStart = npos;
};

// One page read from start to end: text goes to the writer, each tag to the
// action the table below names for it.
class PageReader {
public:
    explicit PageReader(std::wstring_view html) noexcept : m_html(html) {}

    std::wstring Read()
    {
        while (m_at < m_html.size() && ReadNext()) {}
        return m_text.Finish();
    }

private:
    struct Tag {
        std::wstring_view name; // lower case
        bool closing;
    };
    // false: the rest of the page is no text.
    using Action = bool (PageReader::*)(const Tag&);
    struct TagRule {
        std::wstring_view name;
        Action action;
    };
    static const TagRule kTagRules[];
    // The action of a tag that matters to the text, else none.
    [[nodiscard]] static Action ActionOf(std::wstring_view name) noexcept;

    bool ReadNext()
    {
        const wchar_t c = m_html[m_at];
        if (c == L'&') {
            const auto [code, length] = CharacterReference(m_html, m_at);
            if (length) {
                m_text.PutCodePoint(code, Preformatted());
                m_at += length;
            } else {
                m_text.Put(c, Preformatted());
                ++m_at;
            }
            return true;
        }
        const wchar_t next = m_at + 1 < m_html.size() ? m_html[m_at + 1] : L'\0';
        if (c != L'<' || !(next == L'!' || next == L'?' || next == L'/' || IsAsciiAlnum(next))) {
            m_text.Put(c, Preformatted());
            ++m_at;
            return true;
        }
        if (m_html.substr(m_at, 4) == L"<!--") {
            const size_t end = m_html.find(L"-->", m_at + 4);
            m_at = end == npos ? m_html.size() : end + 3;
            return true;
        }
        // A tag: its name, then up to its '>' outside quoted attribute values.
        const bool closing = next == L'/';
        size_t p = m_at + (closing ? 2 : 1);
        std::wstring name;
        while (p < m_html.size() && IsAsciiAlnum(m_html[p])) name += AsciiLower(m_html[p++]);
        wchar_t quote = 0;
        while (p < m_html.size() && (quote || m_html[p] != L'>')) {
            if (quote) {
                if (m_html[p] == quote) quote = 0;
            } else if (m_html[p] == L'"' || m_html[p] == L'\'') {
                quote = m_html[p];
            }
            ++p;
        }
        m_at = p == m_html.size() ? p : p + 1;         // an unclosed tag ends the page
        if (next == L'!' || next == L'?') return true; // <!DOCTYPE ...>, processing instructions
        const Action action = ActionOf(name);
        return action ? (this->*action)(Tag{name, closing}) : true; // <a>, <b>, <span>... mean nothing here
    }

    [[nodiscard]] bool Preformatted() const noexcept { return m_preformatted > 0; }

    // <script>, <style>, <title>: their content is no page text.
    bool SkipContent(const Tag& tag)
    {
        if (tag.closing) return true;
        const size_t end = FindNoCase(m_html, L"</" + std::wstring(tag.name), m_at);
        if (end == npos) return false;
        const size_t close = m_html.find(L'>', end);
        m_at = close == npos ? m_html.size() : close + 1;
        return true;
    }

    bool Heading(const Tag& tag)
    {
        if (tag.closing)
            m_text.EndHeading();
        else
            m_text.BeginHeading(tag.name == L"h1" ? L'=' : L'-');
        return true;
    }

    bool List(const Tag& tag)
    {
        if (tag.closing) {
            if (!m_lists.empty()) m_lists.pop_back();
        } else {
            m_lists.push_back({tag.name == L"ol", 0});
        }
        m_text.Break(m_lists.empty() ? 2 : 1);
        return true;
    }

    bool ListItem(const Tag& tag)
    {
        m_text.Break(1);
        if (tag.closing) return true;
        const size_t depth = std::max<size_t>(m_lists.size(), 1);
        std::wstring prefix(2 * depth, L' ');
        if (!m_lists.empty() && m_lists.back().ordered)
            prefix += std::to_wstring(++m_lists.back().count) + L". ";
        else
            prefix += L"\x2022 ";
        m_text.Prefix(std::move(prefix));
        return true;
    }

    bool LineBreak(const Tag&)
    {
        m_text.LineBreak();
        return true;
    }

    bool Pre(const Tag& tag)
    {
        m_text.Break(2);
        if (tag.closing) {
            m_preformatted = std::max(m_preformatted - 1, 0);
            return true;
        }
        ++m_preformatted;
        if (m_at < m_html.size() && m_html[m_at] == L'\r') ++m_at; // the line end right after <pre> is markup
        if (m_at < m_html.size() && m_html[m_at] == L'\n') ++m_at;
        return true;
    }

    bool Paragraph(const Tag&)
    {
        m_text.Break(2);
        return true;
    }

    bool Line(const Tag&)
    {
        m_text.Break(1);
        return true;
    }

    bool Cell(const Tag& tag)
    {
        if (!tag.closing) m_text.Put(L' ', false);
        return true;
    }

    struct OpenList {
        bool ordered;
        int count;
    };

    std::wstring_view m_html;
    size_t m_at = 0;
    TextWriter m_text;
    std::vector<OpenList> m_lists;
    int m_preformatted = 0;
};

const PageReader::TagRule PageReader::kTagRules[] = {
    {L"script", &PageReader::SkipContent},
    {L"style", &PageReader::SkipContent},
    {L"title", &PageReader::SkipContent},
    {L"h1", &PageReader::Heading},
    {L"h2", &PageReader::Heading},
    {L"h3", &PageReader::Heading},
    {L"h4", &PageReader::Heading},
    {L"h5", &PageReader::Heading},
    {L"h6", &PageReader::Heading},
    {L"ul", &PageReader::List},
    {L"ol", &PageReader::List},
    {L"li", &PageReader::ListItem},
    {L"br", &PageReader::LineBreak},
    {L"pre", &PageReader::Pre},
    {L"td", &PageReader::Cell},
    {L"th", &PageReader::Cell},
    // Blocks set apart by a blank line.
    {L"p", &PageReader::Paragraph},
    {L"blockquote", &PageReader::Paragraph},
    {L"table", &PageReader::Paragraph},
    {L"dl", &PageReader::Paragraph},
    {L"hr", &PageReader::Paragraph},
    {L"form", &PageReader::Paragraph},
    {L"fieldset", &PageReader::Paragraph},
    {L"address", &PageReader::Paragraph},
    {L"figure", &PageReader::Paragraph},
    // Blocks that start a line of their own.
    {L"div", &PageReader::Line},
    {L"tr", &PageReader::Line},
    {L"dt", &PageReader::Line},
    {L"dd", &PageReader::Line},
    {L"section", &PageReader::Line},
    {L"article", &PageReader::Line},
    {L"header", &PageReader::Line},
    {L"footer", &PageReader::Line},
    {L"nav", &PageReader::Line},
    {L"main", &PageReader::Line},
    {L"aside", &PageReader::Line},
    {L"caption", &PageReader::Line},
    {L"body", &PageReader::Line},
    {L"html", &PageReader::Line},
    {L"head", &PageReader::Line},
};

PageReader::Action PageReader::ActionOf(std::wstring_view name) noexcept
{
    for (const TagRule& rule : kTagRules)
        if (rule.name == name) return rule.action;
    return nullptr;
}

} // namespace

std::wstring HtmlToText(std::wstring_view html)
{
    return PageReader(html).Read();
}

namespace {

// A charset=utf-8 (or utf8) declaration in the page's first bytes.
bool DeclaresUtf8(std::string_view head)
{
    std::string lower(head);
    for (char& ch : lower)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
    for (size_t at = lower.find("charset"); at != std::string::npos; at = lower.find("charset", at + 1)) {
        size_t p = at + 7;
        while (p < lower.size() && (lower[p] == ' ' || lower[p] == '=' || lower[p] == '"' || lower[p] == '\'')) ++p;
        if (lower.compare(p, 5, "utf-8") == 0 || lower.compare(p, 4, "utf8") == 0) return true;
    }
    return false;
}

} // namespace

std::wstring DecodeHtmlBytes(std::string_view bytes)
{
    UINT codePage = 1252;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        codePage = CP_UTF8;
    } else if (DeclaresUtf8(bytes.substr(0, 1024))) {
        codePage = CP_UTF8;
    }
    return kd::Widen(bytes.substr(0, INT_MAX / 2), codePage);
}
