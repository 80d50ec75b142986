#include "host/page.h"

#include <algorithm>
#include <map>
#include <optional>

namespace corvela {
namespace {

using Attributes = std::map<Text, Text>;  // names in lower case

const Text CLASS_ID_PREFIX = u"clsid:";
constexpr size_t MAX_PIXEL_DIGITS = 5;
constexpr uint32_t LAST_CODE_POINT = 0x10FFFF;
const std::vector<Text> JSCRIPT_LANGUAGES = {u"javascript", u"jscript", u"ecmascript"};
const std::vector<Text> JSCRIPT_TYPES = {u"text/javascript", u"text/jscript", u"text/ecmascript",
                                         u"application/javascript", u"application/x-javascript",
                                         u"application/ecmascript"};

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

bool IsNameCharacter(char16_t c) {
    return !IsSpace(c) && c != u'>' && c != u'/' && c != u'=' && c != u'"' && c != u'\'' && c != u'<';
}

Text Trim(const Text& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsSpace(text[first])) ++first;
    while (last > first && IsSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// Runs of white space become one space, as a title shows them.
Text CollapseSpaces(const Text& text) {
    Text collapsed;
    for (char16_t c : Trim(text)) {
        if (IsSpace(c)) {
            if (collapsed.back() != u' ') collapsed += u' ';
        } else {
            collapsed += c;
        }
    }
    return collapsed;
}

const Text& Attribute(const Attributes& attributes, const Text& name) {
    static const Text none;
    const auto found = attributes.find(name);
    return found == attributes.end() ? none : found->second;
}

// A pixel size: digits, optionally followed by "px"; anything else (a
// percentage, an empty text) gives -1.
int PixelSize(const Text& text) {
    Text digits = AsciiLower(Trim(text));
    if (digits.size() > 2 && digits.compare(digits.size() - 2, 2, u"px") == 0) digits.resize(digits.size() - 2);
    return WholeNumber(digits, MAX_PIXEL_DIGITS);
}

// A language attribute such as "JavaScript1.2" names JScript when it starts
// with one of its names and only a version follows.
bool NamesJScriptLanguage(const Text& language) {
    const Text lower = AsciiLower(Trim(language));
    for (const Text& name : JSCRIPT_LANGUAGES) {
        if (lower.compare(0, name.size(), name) != 0) continue;
        const Text version = lower.substr(name.size());
        if (std::all_of(version.begin(), version.end(), [](char16_t c) { return c == u'.' || (c >= u'0' && c <= u'9'); }))
            return true;
    }
    return false;
}

bool NamesJScriptType(const Text& type) {
    const Text lower = AsciiLower(Trim(type));
    return std::find(JSCRIPT_TYPES.begin(), JSCRIPT_TYPES.end(), lower) != JSCRIPT_TYPES.end();
}

// A code point number; above the last code point, or no number, is none.
std::optional<uint32_t> CodePointNumber(const Text& digits, unsigned base) {
    const std::optional<uint64_t> value = ParseNumber(digits, base, LAST_CODE_POINT);
    if (!value) return std::nullopt;
    return static_cast<uint32_t>(*value);
}

// The character a reference between "&" and ";" stands for, or none.
bool ResolveReference(const Text& name, Text& out) {
    static const std::map<Text, char16_t> named = {
        {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}, {u"nbsp", u'\u00A0'}};
    if (name.size() > 1 && name[0] == u'#') {
        const bool hex = name[1] == u'x' || name[1] == u'X';
        const std::optional<uint32_t> code_point = CodePointNumber(name.substr(hex ? 2 : 1), hex ? 16 : 10);
        if (!code_point || (*code_point >= 0xD800 && *code_point <= 0xDFFF) || *code_point == 0) return false;
        AppendCodePoint(out, *code_point);
        return true;
    }
    const auto found = named.find(name);
    if (found == named.end()) return false;
    out += found->second;
    return true;
}

class PageReader {
public:
    explicit PageReader(const Text& html) : html_(html) {
        line_starts_.push_back(0);
        for (size_t i = 0; i < html_.size(); ++i)
            if (html_[i] == u'\n') line_starts_.push_back(i + 1);
    }

    Page Read() {
        while (at_ < html_.size()) {
            const size_t open = html_.find(u'<', at_);
            if (open == Text::npos) break;
            at_ = open;
            ReadMarkup();
        }
        return std::move(page_);
    }

private:
    SourcePlace PlaceOf(size_t offset) const {
        const auto next = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
        const size_t line = static_cast<size_t>(next - line_starts_.begin());
        return {line, offset - line_starts_[line - 1] + 1};
    }

    bool StartsWith(size_t offset, const Text& text) const { return html_.compare(offset, text.size(), text) == 0; }

    // The offset of `text` (lower case) from `offset` on, ignoring ASCII
    // case, or npos.
    size_t FindIgnoringCase(const Text& text, size_t offset) const {
        const auto same = [](char16_t a, char16_t b) { return (a >= u'A' && a <= u'Z' ? a + 32 : a) == b; };
        const auto found = std::search(html_.begin() + std::min(offset, html_.size()), html_.end(), text.begin(),
                                       text.end(), same);
        return found == html_.end() ? Text::npos : static_cast<size_t>(found - html_.begin());
    }

    void SkipPast(const Text& end) {
        const size_t found = html_.find(end, at_);
        at_ = found == Text::npos ? html_.size() : found + end.size();
    }

    void ReadMarkup() {
        const size_t tag_start = at_;
        if (StartsWith(at_, u"<!--")) return SkipPast(u"-->");
        if (StartsWith(at_, u"<!") || StartsWith(at_, u"<?")) return SkipPast(u">");
        const bool closing = StartsWith(at_, u"</");
        at_ += closing ? 2 : 1;
        const Text name = AsciiLower(ReadName());
        if (name.empty()) return;  // a lone "<" is text
        bool self_closing = false;
        const Attributes attributes = ReadAttributes(self_closing);
        if (closing) {
            if (name == u"object") open_object_ = NO_OBJECT;
            return;
        }
        if (name == u"title") return ReadTitle();
        if (name == u"script") return ReadScript(attributes, tag_start);
        if (name == u"style") {
            RawText(u"</style");
            return;
        }
        if (name == u"object") return OpenObject(attributes, tag_start, self_closing);
        if (name == u"param") AddParam(attributes);
    }

    Text ReadName() {
        const size_t start = at_;
        while (at_ < html_.size() && IsNameCharacter(html_[at_])) ++at_;
        return html_.substr(start, at_ - start);
    }

    void SkipSpaces() {
        while (at_ < html_.size() && IsSpace(html_[at_])) ++at_;
    }

    Attributes ReadAttributes(bool& self_closing) {
        Attributes attributes;
        while (true) {
            SkipSpaces();
            if (at_ >= html_.size()) return attributes;
            if (html_[at_] == u'>') {
                ++at_;
                return attributes;
            }
            if (html_[at_] == u'/') {
                self_closing = true;
                ++at_;
                continue;
            }
            self_closing = false;
            Text name = AsciiLower(ReadName());
            if (name.empty()) {
                ++at_;  // a stray quote or "<" inside a tag
                continue;
            }
            SkipSpaces();
            Text value;
            if (at_ < html_.size() && html_[at_] == u'=') {
                ++at_;
                SkipSpaces();
                value = DecodeCharacterReferences(ReadValue());
            }
            attributes.emplace(std::move(name), std::move(value));
        }
    }

    Text ReadValue() {
        if (at_ >= html_.size()) return Text();
        const char16_t quote = html_[at_];
        if (quote == u'"' || quote == u'\'') {
            const size_t end = html_.find(quote, at_ + 1);
            const size_t stop = end == Text::npos ? html_.size() : end;
            Text value = html_.substr(at_ + 1, stop - at_ - 1);
            at_ = end == Text::npos ? html_.size() : end + 1;
            return value;
        }
        const size_t start = at_;
        while (at_ < html_.size() && !IsSpace(html_[at_]) && html_[at_] != u'>') ++at_;
        return html_.substr(start, at_ - start);
    }

    // The text of a raw-text element up to its end tag; the reader stands
    // after the end tag.
    Text RawText(const Text& end_tag) {
        const size_t start = at_;
        const size_t end = FindIgnoringCase(end_tag, at_);
        const size_t stop = end == Text::npos ? html_.size() : end;
        at_ = stop;
        if (end != Text::npos) SkipPast(u">");
        return html_.substr(start, stop - start);
    }

    void ReadTitle() {
        const size_t end = FindIgnoringCase(u"</title", at_);
        const size_t stop = end == Text::npos ? html_.size() : end;
        if (page_.title.empty()) page_.title = CollapseSpaces(DecodeCharacterReferences(html_.substr(at_, stop - at_)));
        at_ = stop;
    }

    void ReadScript(const Attributes& attributes, size_t tag_start) {
        const SourcePlace code_start = PlaceOf(at_);
        const Text code = RawText(u"</script");
        const Text& language = Attribute(attributes, u"language");
        const Text& type = Attribute(attributes, u"type");
        const Text& source = Attribute(attributes, u"src");
        if ((!language.empty() && !NamesJScriptLanguage(language)) || (!type.empty() && !NamesJScriptType(type))) {
            Note(tag_start, u"a script in " + (type.empty() ? language : type) + u" is not run: the host runs JScript only");
            return;
        }
        if (!source.empty()) {
            Note(tag_start, u"the script " + source + u" is not loaded: the host runs scripts written in the page only");
            return;
        }
        PageScript script;
        script.code = code;
        script.start = code_start;
        script.for_id = Trim(Attribute(attributes, u"for"));
        Text event = Attribute(attributes, u"event");
        const size_t open = event.find(u'(');
        if (open != Text::npos) {
            const size_t close = event.find(u')', open);
            script.parameters = Trim(event.substr(open + 1, close == Text::npos ? Text::npos : close - open - 1));
            event.resize(open);
        }
        script.event = Trim(event);
        if (script.IsHandler() && script.event.empty()) {
            Note(tag_start, u"a script for " + script.for_id + u" names no event and is not run");
            return;
        }
        page_.steps.push_back({PageStep::Kind::Script, page_.scripts.size()});
        page_.scripts.push_back(std::move(script));
    }

    void OpenObject(const Attributes& attributes, size_t tag_start, bool self_closing) {
        PageObject object;
        object.id = Attribute(attributes, u"id");
        if (object.id.empty()) object.id = Attribute(attributes, u"name");
        const Text class_id = Trim(Attribute(attributes, u"classid"));
        if (EqualsIgnoreAsciiCase(class_id.substr(0, CLASS_ID_PREFIX.size()), CLASS_ID_PREFIX))
            object.class_id = Trim(class_id.substr(CLASS_ID_PREFIX.size()));
        object.width = PixelSize(Attribute(attributes, u"width"));
        object.height = PixelSize(Attribute(attributes, u"height"));
        object.place = PlaceOf(tag_start);
        open_object_ = self_closing ? NO_OBJECT : page_.objects.size();
        page_.steps.push_back({PageStep::Kind::Object, page_.objects.size()});
        page_.objects.push_back(std::move(object));
    }

    void AddParam(const Attributes& attributes) {
        if (open_object_ == NO_OBJECT) return;
        page_.objects[open_object_].params.push_back({Attribute(attributes, u"name"), Attribute(attributes, u"value")});
    }

    void Note(size_t offset, const Text& text) { page_.notes.push_back({PlaceOf(offset), text}); }

    static constexpr size_t NO_OBJECT = static_cast<size_t>(-1);
    const Text& html_;
    std::vector<size_t> line_starts_;
    size_t at_ = 0;
    size_t open_object_ = NO_OBJECT;
    Page page_;
};

}  // namespace

Page ParsePage(const Text& html) { return PageReader(html).Read(); }

SourcePlace PlaceInFile(const SourcePlace& start, size_t engine_line, size_t engine_column) {
    const size_t line = engine_line + 1;
    return {line, (line == start.line ? start.column : 1) + engine_column};
}

Text DecodeCharacterReferences(const Text& text) {
    Text decoded;
    size_t at = 0;
    while (at < text.size()) {
        const size_t amp = text.find(u'&', at);
        if (amp == Text::npos) break;
        decoded += text.substr(at, amp - at);
        const size_t semicolon = text.find(u';', amp);
        if (semicolon == Text::npos || !ResolveReference(text.substr(amp + 1, semicolon - amp - 1), decoded)) {
            decoded += u'&';
            at = amp + 1;
            continue;
        }
        at = semicolon + 1;
    }
    return decoded + text.substr(std::min(at, text.size()));
}

}  // namespace corvela
