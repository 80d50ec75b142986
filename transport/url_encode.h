// Percent-encoding of the texts that go into an upload's request target and
// of download URLs.
#pragma once

#include "common/text.h"

namespace corvela {

enum class EncodeMode {
    Query,  // a query value: the unsafe ASCII characters and every unit from U+0080 up
    Url,    // a whole URL: only the units from U+0080 up
};

// Every unit from U+0080 up becomes three escaped bytes of the three-byte
// UTF-8 form, also units below U+0800 (U+00E9 gives %E0%83%A9) and each half
// of a surrogate pair on its own. The servers we talk to decode exactly this
// form, so it stays even where standard UTF-8 would be shorter.
// In Query mode the characters & space % < > " # { } | \ ^ ~ [ ] ' + become
// %XX with upper-case hex digits; everything else is copied unchanged.
// Query mode also writes every control character as %XX.
Text UrlEncode(const Text& text, EncodeMode mode);

// The query values a page gives as they are (servers read them so) keep
// every unit but the control characters, which become %XX: a CR or LF would
// otherwise end the request line and let the page write its own headers.
Text EscapeControlUnits(const Text& text);

}  // namespace corvela
