#include "filelist/drop_filter.h"

#include <algorithm>

#include "filelist/file_entry.h"

namespace corvela {

// One pass over the text: a page may hand over a very long list, and
// cutting the front off the text at every piece would take time that grows
// with the square of its length.
TextList ParseAllowedExtensions(const Text& list) {
    TextList allowed;
    size_t start = 0;
    for (size_t end = list.find(u'\\'); end != Text::npos; end = list.find(u'\\', start)) {
        allowed.push_back(list.substr(start, end - start));
        start = end + 1;
    }
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
