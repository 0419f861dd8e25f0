#pragma once

// The charsets a message declares for its text parts (RFC 2046 §4.1.2), for its 8-bit text
// that declares none: multibyte charsets first, since only they can refuse bytes that are
// not theirs; the parts of attached messages are their own.

#include <gmime/gmime.h>

#include "mime/Charset.h"

namespace tolvane::mime {

// `root`: the message's MIME part.
UndeclaredCharsets declaredCharsets(GMimeObject* root);

}  // namespace tolvane::mime
