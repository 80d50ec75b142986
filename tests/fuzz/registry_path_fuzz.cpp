// Registry text paths: the components rejoin to the trimmed path, a root is
// found by its first component whatever the case, a failed split changes
// nothing, and the keys of a file's open command stay below the classes root.
#include <algorithm>

#include "fuzz_support.h"
#include "shell/open_command.h"
#include "shell/registry_path.h"

using corvela::CRegistryPath;
using corvela::RegistryRoot;
using corvela::Text;

namespace {

Text Trimmed(const Text& path, char16_t unit = u'\\') {
    const size_t first = path.find_first_not_of(unit);
    return first == Text::npos ? Text() : path.substr(first, path.find_last_not_of(unit) + 1 - first);
}

Text AsciiUpper(Text text) {
    for (char16_t& unit : text)
        if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - (u'a' - u'A'));
    return text;
}

void CheckComponents(const Text& path) {
    const Text trimmed = Trimmed(path);
    const int32_t count = CRegistryPath::CountComponents(path);
    REQUIRE(count == (trimmed.empty() ? 0 : 1 + std::count(trimmed.begin(), trimmed.end(), u'\\')));
    Text rejoined;
    for (int32_t index = 0; index < count; ++index) {
        Text component;
        REQUIRE(CRegistryPath::GetComponent(index, path, &component));
        REQUIRE(component.find(u'\\') == Text::npos);
        rejoined += (index == 0 ? Text() : Text(u"\\")) + component;
    }
    REQUIRE(rejoined == trimmed);
    for (int32_t outside : {-1, count}) {
        Text untouched = u"untouched";
        REQUIRE(!CRegistryPath::GetComponent(outside, path, &untouched) && untouched == u"untouched");
    }
}

void CheckRoot(const Text& path) {
    const Text trimmed = Trimmed(path);
    const Text first = trimmed.substr(0, trimmed.find(u'\\'));
    RegistryRoot found = static_cast<RegistryRoot>(0);
    const bool known = CRegistryPath::ResolveRoot(first, &found);
    RegistryRoot other_case = static_cast<RegistryRoot>(0);
    REQUIRE(CRegistryPath::ResolveRoot(AsciiUpper(path), &other_case) == known && other_case == found);
    if (known) REQUIRE(corvela::IsRootHandleValue(corvela::RootHandleValue(found)));

    Text split = path;
    RegistryRoot root = static_cast<RegistryRoot>(1);
    REQUIRE(CRegistryPath::SplitRoot(&split, &root) == known);
    if (known) {
        REQUIRE(root == found);
        REQUIRE(split == Trimmed(trimmed.substr(first.size())));
    } else {
        REQUIRE(split == path && root == static_cast<RegistryRoot>(1));
    }
}

// A file's type and the class name the registry gives for it only ever name
// keys below HKEY_CLASSES_ROOT.
void CheckOpenCommandKeys(const Text& text) {
    for (Text key : {corvela::FileTypeKeyPath(text), corvela::OpenCommandKeyPath(text)}) {
        const Text subkey = Trimmed(key.substr(key.find(u'\\')));
        RegistryRoot root = RegistryRoot::CurrentUser;
        REQUIRE(CRegistryPath::SplitRoot(&key, &root) && root == RegistryRoot::ClassesRoot && key == subkey);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvela_fuzz::Input input(data, size);
    const char16_t trim_unit = input.Byte();
    const Text path = input.Rest();
    Text trimmed_by_unit = path;
    CRegistryPath::TrimChar(trimmed_by_unit, trim_unit);
    REQUIRE(trimmed_by_unit == Trimmed(path, trim_unit));
    CheckComponents(path);
    CheckRoot(path);
    CheckOpenCommandKeys(path);
    return 0;
}
