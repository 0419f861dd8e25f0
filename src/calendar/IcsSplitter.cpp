#include "calendar/IcsSplitter.h"

namespace tolvane::calendar {
namespace {

// One logical line: continuation lines (starting with a space or tab) joined on.
struct Line {
    std::string text;
    std::size_t begin = 0;
    std::size_t end = 0;  // past its last physical line's break
};

class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    bool next(Line& out) {
        if (pos_ >= text_.size()) {
            return false;
        }
        out.begin = pos_;
        out.text = physical();
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) {
            ++pos_;
            out.text += physical();
        }
        out.end = pos_;
        return true;
    }
    std::size_t lineNumber() const { return number_; }

  private:
    std::string physical() {
        const std::size_t nl = text_.find('\n', pos_);
        const std::size_t stop = nl == std::string_view::npos ? text_.size() : nl;
        std::string_view line = text_.substr(pos_, stop - pos_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos_ = nl == std::string_view::npos ? text_.size() : nl + 1;
        ++number_;
        return std::string(line);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

std::string upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return s;
}

// Where the value starts: after the first colon outside a quoted parameter value.
std::size_t valueColon(const std::string& line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            return i;
        }
    }
    return std::string::npos;
}

std::string propertyName(const std::string& line) {
    const std::size_t stop = line.find_first_of(";:");
    return upper(line.substr(0, stop));
}

void collectZones(const std::string& line, std::set<std::string>& zones) {
    const std::size_t colon = valueColon(line);
    const std::string params = line.substr(0, colon);
    for (std::size_t at = 0; (at = upper(params).find(";TZID=", at)) != std::string::npos;) {
        at += 6;
        std::string value;
        if (at < params.size() && params[at] == '"') {
            const std::size_t close = params.find('"', at + 1);
            value = params.substr(at + 1,
                                  close == std::string::npos ? std::string::npos : close - at - 1);
        } else {
            value = params.substr(at, params.find(';', at) - at);
        }
        zones.insert(value);
    }
}

}  // namespace

std::vector<ComponentSpan> splitComponents(std::string_view text) {
    std::vector<ComponentSpan> out;
    Lines lines(text);
    Line line;
    int depth = 0;  // inside the current top-level component: 1 = its own properties
    ComponentSpan current;
    while (lines.next(line)) {
        const std::string name = propertyName(line.text);
        const std::size_t colon = valueColon(line.text);
        const std::string value =
            colon == std::string::npos ? std::string() : line.text.substr(colon + 1);
        if (name == "BEGIN") {
            const std::string kind = upper(value);
            if (depth == 0 && kind == "VCALENDAR") {
                continue;
            }
            if (depth == 0) {
                current = ComponentSpan{};
                current.kind = kind;
                current.begin = line.begin;
                current.line = lines.lineNumber();
            }
            ++depth;
            continue;
        }
        if (name == "END") {
            if (depth == 0) {
                continue;
            }
            if (--depth == 0) {
                current.end = line.end;
                out.push_back(std::move(current));
            }
            continue;
        }
        if (depth == 0) {
            continue;  // the calendar's own properties
        }
        collectZones(line.text, current.zonesNamed);
        if (depth == 1 && name == "UID") {
            current.uid = value;
        } else if (depth == 1 && name == "RECURRENCE-ID") {
            current.recurrenceId = true;
        } else if (depth == 1 && name == "TZID") {
            current.tzid = value;
        }
    }
    if (depth > 0) {
        current.end = text.size();
        current.complete = false;
        out.push_back(std::move(current));
    }
    return out;
}

}  // namespace tolvane::calendar
