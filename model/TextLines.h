// What the readers of the user's text files share: the text as ASCII lines
// whatever its encoding mark, blanks and trimming.
#pragma once

#include <string>
#include <string_view>

// Spaces, tabs and the carriage return of a Windows line end.
bool IsBlank(char c);
std::string_view Trim(std::string_view s);

// The text a line reader takes: without a UTF-8 byte order mark, and a text
// with a UTF-16 one turned into bytes (a character beyond ASCII becomes '?',
// which no line the readers take holds); `converted` keeps the bytes then.
std::string_view AsciiText(std::string_view text, std::string& converted);

// Calls read(line, number) for each line (numbered from 1, without its '\n')
// until it returns false.
template <class Read>
void ForEachLine(std::string_view text, Read read)
{
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (!read(text.substr(0, end), ++number) || end == std::string_view::npos)
            return;
        text.remove_prefix(end + 1);
    }
}
