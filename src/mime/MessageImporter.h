#pragma once

// One parsed GMime message to one model message: envelope, class, body, attachments, with
// embedded messages imported by the same code down to a nesting depth of 32.

#include <gmime/gmime.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "mapi/Message.h"
#include "mime/Charset.h"
#include "mime/EmlImport.h"
#include "mime/PartData.h"
#include "mime/ReceivedMail.h"

namespace tolvane::mime {

inline constexpr int kMaxEmbeddingDepth = 32;

// Bytes of the input a top-level message was parsed from, for the parts that must be kept
// byte for byte (the header block, a signed entity).
struct RawFile {
    std::function<std::string(std::int64_t begin, std::int64_t end)> read;  // end -1: to EOF
    std::int64_t headersBegin = 0;  // junk before the first field included
    std::int64_t headersEnd = 0;
    std::int64_t parsedFrom = 0;  // where the parser's input starts: its offsets count from here
    bool emptyLineEnds = true;    // the header block ends at an empty line, as it should
};

class MessageImporter {
  public:
    // The budget covers the message and every message embedded in it. `userFallback` is
    // tried for undeclared 8-bit text after the charsets the message declares.
    // `outside` counts for the top-level message; an embedded one takes its file time only.
    MessageImporter(GMimeParserOptions* options, OutsideFacts outside,
                    InMemoryBudget budget = InMemoryBudget(),
                    UndeclaredCharsets userFallback = UndeclaredCharsets(),
                    UserLocale user = UserLocale())
        : options_(options),
          outside_(outside),
          budget_(budget),
          userFallback_(std::move(userFallback)),
          user_(user) {}

    // raw is given for the top-level message only; `outer` is the rule for undeclared text of
    // the message this one is attached to.
    mapi::Message import(GMimeMessage* message, int depth, const RawFile* raw,
                         const UndeclaredCharsets* outer = nullptr);
    // A top-level message GMime parsed as one MIME part, every field in that part's list. No
    // message object is built for it then, nor its six address lists and the parse of each
    // address field into them, which the import does not read (it parses the raw fields):
    // a quarter of GMime's parse of a message.
    mapi::Message importEntity(GMimeObject* entity, const RawFile* raw);

  private:
    // Where a parsed message keeps its fields: GMime files a message's Content- fields under
    // its MIME part (`root`) and the rest under the message (`fields`); an entity keeps them
    // all in its one list (`fields` == `root`).
    struct Parsed {
        GMimeObject* fields;
        GMimeObject* root;
    };
    mapi::Message importParsed(const Parsed& parsed, int depth, const RawFile* raw,
                               const UndeclaredCharsets* outer);
    void mapStructure(const Parsed& parsed, int depth, const RawFile* raw,
                      const UndeclaredCharsets& undeclared, mapi::Message& msg);

    GMimeParserOptions* options_;
    OutsideFacts outside_;
    InMemoryBudget budget_;
    UndeclaredCharsets userFallback_;
    UserLocale user_;
};

}  // namespace tolvane::mime
