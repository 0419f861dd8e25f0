#include "mime/PlainText.h"

#include <algorithm>
#include <vector>

#include "mime/AsciiText.h"
#include "mime/TextLines.h"

namespace tolvane::mime {

std::string unflow(std::string_view text, bool delsp) {
    std::string out;
    out.reserve(text.size());
    std::string paragraph;
    int paragraphDepth = -1;  // -1: no open paragraph
    const auto flush = [&]() {
        if (paragraphDepth < 0)
            return;
        if (paragraphDepth > 0) {
            out += std::string(static_cast<std::size_t>(paragraphDepth), '>');
            if (!paragraph.empty())
                out += ' ';  // an empty quoted line stays ">", as it was sent
        }
        out += paragraph;
        out += "\r\n";
        paragraph.clear();
        paragraphDepth = -1;
    };
    for (std::string_view line : splitLines(text)) {
        int depth = 0;
        while (!line.empty() && line.front() == '>') {
            ++depth;
            line.remove_prefix(1);
        }
        if (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);  // stuffing
        if (paragraphDepth >= 0 && depth != paragraphDepth)
            flush();  // depth change ends it
        const bool signature = line == "-- ";
        const bool flowed = !signature && !line.empty() && line.back() == ' ';
        if (flowed && delsp)
            line.remove_suffix(1);
        paragraph += line;
        paragraphDepth = depth;
        if (!flowed)
            flush();
    }
    flush();
    const bool endsWithBreak = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    if (!endsWithBreak && out.ends_with("\r\n"))
        out.resize(out.size() - 2);
    return out;
}

std::string toCrlf(std::string_view text) {
    // Most text already has CRLF everywhere: then it is copied as it is. Clean means every
    // LF follows a CR and there are as many CRs as LFs.
    bool clean = true;
    std::size_t lineFeeds = 0;
    for (std::size_t i = text.find('\n'); clean && i != std::string_view::npos;
         i = text.find('\n', i + 1)) {
        clean = i > 0 && text[i - 1] == '\r';
        ++lineFeeds;
    }
    if (clean &&
        static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r')) == lineFeeds) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    // A line at a time: the text up to its break, then CRLF for whichever break it had.
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = nextLineBreak(text, i);
        out.append(text, i, end - i);
        if (end == text.size())
            break;
        out += "\r\n";
        i = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

}  // namespace tolvane::mime
