// Reading and judging the text a server answers to an upload request.
#pragma once

#include <cstddef>

#include "common/text.h"

namespace corvela {

// Most bytes asked for per read of the reply.
constexpr size_t REPLY_BLOCK_BYTES = 1023;
// A reply of this many UTF-16 units or more makes the file fail.
constexpr size_t REPLY_LIMIT_UNITS = 1023;

// One block as the server sent it: its text ends at the first zero byte and
// is decoded as UTF-8 on its own, malformed sequences as U+FFFD.
Text DecodeReplyBlock(const char* bytes, size_t length);

// Collects the decoded blocks of one reply.
class ReplyAccumulator {
public:
    // False once the reply holds REPLY_LIMIT_UNITS units or more.
    bool Append(const Text& block_text);
    const Text& text() const { return text_; }

private:
    Text text_;
};

// False when the whole reply is exactly "ERROR" (a reply that merely begins
// with it is an ordinary one). Otherwise `final_reply` is the reply with every
// "<FILETITLE>" replaced by the file's title.
bool FinishReply(const Text& reply, const Text& title, Text* final_reply);

}  // namespace corvela
