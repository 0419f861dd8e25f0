#pragma once

// The value of one hex digit, or -1: GUID text, quoted-printable and %XX escapes all need it.

namespace tolvane {

constexpr int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace tolvane
