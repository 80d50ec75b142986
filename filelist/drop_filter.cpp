#include "filelist/drop_filter.h"

#include <algorithm>

#include "filelist/file_entry.h"

namespace corvela {

TextList ParseAllowedExtensions(Text list) {
    TextList allowed;
    while (Contains(list, u"\\")) allowed.push_back(TakeBefore(list, u'\\'));
    return allowed;
}

Text DropExtension(const Text& path) { return ExtensionOf(AsciiLower(path)); }

std::optional<Text> ExtensionRefusal(const TextList& allowed, const Text& path, const Text& refusal_text) {
    if (allowed.empty()) return std::nullopt;
    const Text extension = DropExtension(path);
    if (std::find(allowed.begin(), allowed.end(), extension) != allowed.end()) return std::nullopt;
    return refusal_text + u"(" + extension + u")";
}

}  // namespace corvela
