// Plain text of an HTML page, for showing help where no browser can render it.
#pragma once

#include <string>
#include <string_view>

// The readable text of `html`, lines separated by "\r\n" (as a multi-line edit
// field wants them). Blocks become lines and paragraphs (one blank line
// between), headings are underlined ('=' for level 1, '-' below), list items
// get a bullet or their number, and <br> breaks the line. Runs of white space
// collapse to one space except in <pre>; character references are decoded;
// comments, <script>, <style> and <title> drop out. Never fails: malformed
// markup comes out as the text around it.
[[nodiscard]] std::wstring HtmlToText(std::wstring_view html);

// The page's bytes as text: UTF-8 when it starts with a UTF-8 byte order mark
// (dropped) or declares charset utf-8 near its start, else Windows-1252, the
// charset browsers assume for pages like ours.
[[nodiscard]] std::wstring DecodeHtmlBytes(std::string_view bytes);
