// Writes the control's own encodings of a table of names to a JSON file, for
// the receiver's tests to decode back: a change on either side that breaks
// the round trip fails there.
//   corvela_escape_vectors OUTPUT.json
#include <cstdio>
#include <string>
#include <vector>

#include "transport/object_name.h"
#include "transport/url_encode.h"

namespace {

using corvela::Text;

struct Vector {
    const char* label;
    Text text;
    bool decodable;  // a lone surrogate half is no text; the receiver refuses it
};

const std::vector<Vector>& Vectors() {
    static const std::vector<Vector> vectors = {
        {"ascii", u"report", true},
        {"empty", u"", true},
        {"hangul", u"\uD55C\uAE00 \uD30C\uC77C", true},
        {"e-acute", u"caf\u00E9", true},
        {"u0080", u"\u0080", true},
        {"u07ff", u"\u07FF", true},
        {"u0800", u"\u0800", true},
        {"uffff", u"\uFFFF", true},
        {"emoji", u"\U0001F600", true},
        {"unsafe", u"& %<>\"#{}|\\^~[]'", true},
        {"plus", u"a+b++c", true},
        {"passed-through", u"=?/:;,!$()*@`", true},
        {"key-markers", u"a&sid=b#c d", true},
        {"mixed", u"Q3 report+final \uD55C\u00E9\U0001F600 100%", true},
        {"lone-high-half", Text(1, char16_t{0xD83D}) + u"x", false},
        {"lone-low-half", Text(1, char16_t{0xDE00}), false},
    };
    return vectors;
}

// ASCII JSON: every unit outside printable ASCII as \uXXXX, so surrogate
// halves reach the reader exactly as the control holds them.
std::string JsonString(const Text& text) {
    std::string out = "\"";
    for (const char16_t unit : text) {
        if (unit == u'"' || unit == u'\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(unit));
            out += escape;
        }
    }
    return out + "\"";
}

// The target of an upload whose local file has `text` as its title and as
// its extension.
Text TargetFor(const Text& text) {
    corvela::UploadQuery query;
    query.guid = u"0123ABCD-BEEF-cafe-89AB-CDEF01234567";
    query.title = text;
    query.extension = text;
    query.dst_folder = u"inbox";
    query.prefix = u"P";
    query.file_data = u"D";
    query.file_name = u"N";
    return corvela::BuildObjectName(u"/upload", query);
}

std::string VectorJson(const Vector& vector) {
    return std::string("  {\"label\": \"") + vector.label + "\", \"text\": " + JsonString(vector.text) +
           ", \"decodable\": " + (vector.decodable ? "true" : "false") +
           ", \"query\": " + JsonString(corvela::UrlEncode(vector.text, corvela::EncodeMode::Query)) +
           ", \"url\": " + JsonString(corvela::UrlEncode(vector.text, corvela::EncodeMode::Url)) +
           ", \"target\": " + JsonString(TargetFor(vector.text)) + "}";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.json\n", argv[0]);
        return 2;
    }
    std::string json = "[\n";
    for (const Vector& vector : Vectors()) json += (json.size() > 2 ? ",\n" : "") + VectorJson(vector);
    json += "\n]\n";
    FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(json.data(), 1, json.size(), file) == json.size();
    return std::fclose(file) == 0 && written ? 0 : 1;
}
