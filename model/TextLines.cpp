#include "model/TextLines.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

std::string FromUtf16(std::string_view text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const auto first = static_cast<unsigned char>(text[i]);
        const auto second = static_cast<unsigned char>(text[i + 1]);
        const unsigned char high = bigEndian ? first : second;
        const unsigned char low = bigEndian ? second : first;
        out.push_back(high == 0 && low < 0x80 ? static_cast<char>(low) : '?');
    }
    return out;
}

}  // namespace

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view AsciiText(std::string_view text, std::string& converted)
{
    if (text.starts_with(kUtf16LeBom) || text.starts_with(kUtf16BeBom)) {
        converted = FromUtf16(text.substr(kUtf16LeBom.size()), text.starts_with(kUtf16BeBom));
        text = converted;
    }
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    return text;
}
