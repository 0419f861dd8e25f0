#pragma once

// Generated messages of the kinds a mailbox holds, in turn by number: plain text (4 in 10),
// text with HTML (3 in 10), those with a PDF attachment of 2 to 42 KB (2 in 10), and with a
// nested message/rfc822 as well (1 in 10). Headers carry encoded words, groups and quoting.

#include <random>
#include <string>

#include "support/EmlText.h"

namespace tolvane::bench {

inline std::string mixedWords(std::mt19937& rng, int n) {
    static const char* vocab[] = {"meeting", "report",   "Grüße",   "café",  "budget", "日本語",
                                  "привет",  "schedule", "invoice", "naïve", "team",   "中文",
                                  "update",  "review",   "thanks",  "über",  "project"};
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i)
            s += (i % 12 == 11) ? "\r\n" : " ";
        s += vocab[rng() % std::size(vocab)];
    }
    return s;
}

inline std::string mixedHeaders(std::mt19937& rng, int i) {
    std::string h = "Received: from mx" + std::to_string(i % 7) +
                    ".example.org by mail.example.com; Tue, 3 Mar 2020 10:00:0" +
                    std::to_string(i % 10) + " +0100\r\n";
    h += "From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <jm" + std::to_string(i % 50) +
         "@example.de>\r\n";
    h += "To: Ann Smith <ann@example.org>, \"Bob, Jr.\" <bob@example.org>\r\n";
    if (i % 3 == 0)
        h += "Cc: team: c1@example.org, c2@example.org;\r\n";
    h += "Subject: " + std::string(i % 4 == 0 ? "RE: " : "") +
         "=?UTF-8?B?R3LDtsOfZSDigqw=?= " + std::to_string(i) + "\r\n";
    h += "Date: Tue, 3 Mar 2020 09:" + std::to_string(10 + i % 50) + ":00 +0100\r\n";
    h += "Message-ID: <" + std::to_string(i) + "." + std::to_string(rng()) + "@example.de>\r\n";
    h += "MIME-Version: 1.0\r\n";
    return h;
}

inline std::string mixedMessage(std::mt19937& rng, int i) {
    std::string m = mixedHeaders(rng, i);
    const int kind = i % 10;
    const std::string text = mixedWords(rng, 40 + static_cast<int>(rng() % 200));
    if (kind < 4) {
        return m +
               "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
               "8bit\r\n\r\n" +
               text + "\r\n";
    }
    std::string alt =
        "Content-Type: multipart/alternative; boundary=alt\r\n\r\n--alt\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\n" +
        text + "\r\n--alt\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><body><p>" + text +
        "</p><img src=\"cid:img@x\"></body></html>\r\n--alt--\r\n";
    if (kind < 7)
        return m + alt;
    std::string blob(2000 + rng() % 40000, '\0');
    for (auto& c : blob)
        c = static_cast<char>(rng());
    m += "Content-Type: multipart/mixed; boundary=mix\r\n\r\n--mix\r\n" + alt + "\r\n--mix\r\n";
    m += "Content-Type: application/pdf; name=\"=?UTF-8?Q?Bericht_=C3=BCber.pdf?=\"\r\n"
         "Content-Disposition: attachment; filename*=UTF-8''Bericht%20%C3%BCber.pdf\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\n" +
         base64Lines(blob);
    if (kind == 9) {
        m += "--mix\r\nContent-Type: message/rfc822\r\n\r\n" + mixedHeaders(rng, i + 1) +
             "Content-Type: text/plain; charset=iso-8859-1\r\n\r\ncaf\xE9 " + std::to_string(i) +
             "\r\n";
    }
    return m + "--mix--\r\n";
}

}  // namespace tolvane::bench
