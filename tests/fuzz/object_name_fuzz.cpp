// The request target of an upload: the local file's name splits into a
// title and an extension that give the name back, and the target holds the
// page's path and the eight query keys in order, the encoded title and
// extension reading back as they were and unable to add or end a key, and
// no control character reaching the request line.
#include "fuzz_support.h"
#include "transport/file_name_parts.h"
#include "transport/object_name.h"
#include "transport/split_url.h"
#include "transport/url_encode.h"

using corvela::Text;

namespace {

// Takes `expected` from the front of `text`.
void Expect(Text& text, const Text& expected) {
    REQUIRE(text.compare(0, expected.size(), expected) == 0);
    text.erase(0, expected.size());
}

// Takes an encoded value from the front of `text`: it runs to the next "&".
Text TakeEncoded(Text& text) {
    const size_t end = text.find(u'&');
    REQUIRE(end != Text::npos);
    Text value = text.substr(0, end);
    text.erase(0, end);
    return value;
}

void CheckFileNameParts(const Text& local_path, const corvela::FileNameParts& parts) {
    const size_t separator = local_path.find_last_of(u"\\/");
    const Text name = separator == Text::npos ? local_path : local_path.substr(separator + 1);
    REQUIRE(parts.extension.find(u'.') == Text::npos);
    REQUIRE(name == (name.find(u'.') == Text::npos ? parts.title : parts.title + u"." + parts.extension));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const Text page_url = input.Line();
    const Text local_path = input.Line();
    corvela::UploadQuery query;
    query.guid = input.Line();
    query.dst_folder = input.Line();
    query.prefix = input.Line();
    query.file_data = input.Line();
    query.file_name = input.Line();
    query.sid = input.Line();

    const corvela::FileNameParts parts = corvela::SplitFileName(local_path);
    CheckFileNameParts(local_path, parts);
    query.title = parts.title;
    query.extension = parts.extension;

    const Text path = corvela::SplitUrl(page_url).path;
    Text target = corvela::BuildObjectName(path, query);
    Expect(target, path + u"?guid=" + query.guid + u"&ext=");
    const Text extension = TakeEncoded(target);
    Expect(target, u"&dir=" + corvela::EscapeControlUnits(query.dst_folder) +
                       u"&prefix=" + corvela::EscapeControlUnits(query.prefix) + u"&name=");
    const Text title = TakeEncoded(target);
    Expect(target, u"&filedata=" + corvela::EscapeControlUnits(query.file_data) +
                       u"&filename=" + corvela::EscapeControlUnits(query.file_name) +
                       u"&sid=" + corvela::EscapeControlUnits(query.sid));
    REQUIRE(target.empty());
    // The transport sends no page URL that holds a control character, and
    // makes the identifier itself; nothing the page gives can end the
    // request line.
    if (!corvela::HoldsControlUnit(page_url) && !corvela::HoldsControlUnit(query.guid))
        REQUIRE(!corvela::HoldsControlUnit(corvela::BuildObjectName(path, query)));

    // A "+" in the title would read as a space; "#" would end the target.
    REQUIRE(title.find_first_of(u"+# ") == Text::npos && extension.find_first_of(u"# ") == Text::npos);
    REQUIRE(corvela_fuzz::Unescape(extension).text == parts.extension);
    REQUIRE(corvela_fuzz::Unescape(title).text == parts.title);
    return 0;
}
