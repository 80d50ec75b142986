// Which dropped files the list lets through to the page: the allowed
// extensions that the page sets with SetAllowedExt, and the message for a
// file whose extension is not among them.
#pragma once

#include <optional>

#include "common/text.h"

namespace corvela {

// The pieces of `list` that a backslash follows; a last piece without one is
// dropped, so "pdf\hwp\" allows pdf and hwp while "pdf" alone allows all.
TextList ParseAllowedExtensions(const Text& list);

// The extension a dropped path is judged by: taken from the whole path in
// lower case, so C:\old.dir\notes gives "dir\notes".
Text DropExtension(const Text& path);

// The message to show for a dropped path that the allowed list refuses
// (the refusal text followed by the extension in brackets), or nothing
// when the list is empty or names the extension exactly.
std::optional<Text> ExtensionRefusal(const TextList& allowed, const Text& path, const Text& refusal_text);

}  // namespace corvela
