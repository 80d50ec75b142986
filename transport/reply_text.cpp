#include "transport/reply_text.h"

#include <algorithm>

namespace corvela {

Text DecodeReplyBlock(const char* bytes, size_t length) {
    const char* end = std::find(bytes, bytes + length, '\0');
    return Utf8ToText(bytes, static_cast<size_t>(end - bytes));
}

bool ReplyAccumulator::Append(const Text& block_text) {
    text_ += block_text;
    return text_.size() < REPLY_LIMIT_UNITS;
}

bool FinishReply(const Text& reply, const Text& title, Text* final_reply) {
    if (reply == u"ERROR") return false;
    *final_reply = ReplaceAll(reply, u"<FILETITLE>", title);
    return true;
}

}  // namespace corvela
