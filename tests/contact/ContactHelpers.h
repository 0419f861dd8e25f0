#pragma once

// Reading the imported contacts back: files from tests/contact/data, and property values by
// tag or name, "" or nothing when absent.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "contact/ContactImport.h"
#include "mapi/Tags.h"

namespace tolvane::contact::test {

inline std::vector<std::uint8_t> dataFile(const std::string& name) {
    std::ifstream in(std::string(TOLVANE_CONTACT_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << "missing test input " << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::uint8_t> bytesOf(std::string_view s) {
    return {s.begin(), s.end()};
}

inline std::string text(const mapi::Message& m, mapi::PropTag t) {
    const mapi::PropValue* v = m.props.get(t);
    return v ? v->asString() : std::string();
}

inline std::string text(const mapi::Message& m, const mapi::NamedTag& t) {
    const mapi::PropValue* v = m.props.getNamed(t);
    return v ? v->asString() : std::string();
}

inline std::optional<std::int32_t> int32(const mapi::Message& m, const mapi::NamedTag& t) {
    const mapi::PropValue* v = m.props.getNamed(t);
    return v ? std::optional<std::int32_t>(v->asInt32()) : std::nullopt;
}

// The date of a time property, "YYYY-MM-DD" in UTC; "" when absent.
std::string dateOf(const mapi::Message& m, mapi::PropTag t);

// The only contact of a vCard text.
ImportedContact oneCard(std::string_view vcf);

}  // namespace tolvane::contact::test
