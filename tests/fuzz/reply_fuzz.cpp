// What a server sends back: the status line's number, and the reply text
// read block by block, limited, judged and with the title put in.
#include <algorithm>

#include "fuzz_support.h"
#include "transport/download_status.h"
#include "transport/http_status.h"
#include "transport/reply_text.h"

using corvela::Text;

namespace {

const Text TITLE_PLACEHOLDER = u"<FILETITLE>";

bool IsWellFormed(const Text& text) {
    for (size_t at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at];
        if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF && !(++at < text.size() && text[at] >= 0xDC00 && text[at] <= 0xDFFF))
            return false;
    }
    return true;
}

void CheckStatus(const Text& status_text) {
    uint64_t value = 0;
    for (size_t at = 0; at < status_text.size() && status_text[at] >= u'0' && status_text[at] <= u'9'; ++at)
        value = std::min<uint64_t>(value * 10 + (status_text[at] - u'0'), 0xFFFFFFFF);
    REQUIRE(corvela::LeadingDecimal(status_text) == value);
    REQUIRE(corvela::IsSuccessStatus(corvela::LeadingDecimal(status_text)) == (value >= 200 && value <= 299));
}

// Every placeholder of the reply, taken left to right, stands for the title.
Text WithTitle(Text reply, const Text& title) {
    Text out;
    for (size_t at; (at = reply.find(TITLE_PLACEHOLDER)) != Text::npos;) {
        out += reply.substr(0, at) + title;
        reply.erase(0, at + TITLE_PLACEHOLDER.size());
    }
    return out + reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    CheckStatus(input.Line());
    const Text title = input.Line();
    const size_t block_bytes = 1 + input.Byte() * (corvela::REPLY_BLOCK_BYTES - 1) / 255;
    const std::string body = input.RestBytes();

    corvela::ReplyAccumulator reply;
    Text expected;
    bool within_limit = true;
    for (size_t at = 0; at < body.size() && within_limit; at += block_bytes) {
        const std::string block = body.substr(at, block_bytes);
        const Text text = corvela::DecodeReplyBlock(block.data(), block.size());
        const std::string before_zero = block.substr(0, block.find('\0'));
        REQUIRE(text == corvela::Utf8ToText(before_zero));
        REQUIRE(text.size() <= before_zero.size() && text.find(u'\0') == Text::npos && IsWellFormed(text));
        REQUIRE(corvela::Utf8ToText(corvela::TextToUtf8(text)) == text);
        expected += text;
        within_limit = reply.Append(text);
        REQUIRE(within_limit == (expected.size() < corvela::REPLY_LIMIT_UNITS));
        REQUIRE(reply.text() == expected);
    }

    Text final_reply = u"unchanged";
    const bool accepted = corvela::FinishReply(reply.text(), title, &final_reply);
    REQUIRE(accepted == (reply.text() != u"ERROR"));
    REQUIRE(final_reply == (accepted ? WithTitle(reply.text(), title) : Text(u"unchanged")));
    return 0;
}
