#include "host/host_options.h"

namespace corvela {
namespace {

constexpr size_t MAX_NUMBER_DIGITS = 6;

class ArgumentReader {
public:
    explicit ArgumentReader(const TextList& arguments) : arguments_(arguments) {}

    bool Done() const { return at_ >= arguments_.size(); }
    const Text& Next() { return arguments_[at_++]; }
    // The values an option takes; false (with the error set) when too few follow.
    bool Values(const Text& option, size_t count, TextList& values, Text& error) {
        if (at_ + count > arguments_.size()) {
            error = option + u" needs " + DecimalText(static_cast<int64_t>(count)) + u" value(s)";
            return false;
        }
        values.assign(arguments_.begin() + at_, arguments_.begin() + at_ + count);
        at_ += count;
        return true;
    }

private:
    const TextList& arguments_;
    size_t at_ = 0;
};

bool ReadNumber(const Text& option, const Text& text, int& number, Text& error) {
    number = WholeNumber(text, MAX_NUMBER_DIGITS);
    if (number < 0) error = option + u" takes a whole number, not \"" + text + u"\"";
    return number >= 0;
}

HostAction Action(HostAction::Kind kind, const Text& target = Text(), const Text& text = Text()) {
    HostAction action;
    action.kind = kind;
    action.target = target;
    action.text = text;
    return action;
}

struct NamedKey {
    const char16_t* name;
    uint32_t key;  // virtual-key code
};

constexpr NamedKey KEYS[] = {
    {u"Tab", 0x09},    {u"Enter", 0x0D},  {u"Escape", 0x1B},   {u"Space", 0x20},  {u"PageUp", 0x21},
    {u"PageDown", 0x22}, {u"End", 0x23}, {u"Home", 0x24},      {u"Left", 0x25},   {u"Up", 0x26},
    {u"Right", 0x27},  {u"Down", 0x28},
};

bool ReadKey(const Text& option, const Text& name, HostAction& action, Text& error) {
    for (const NamedKey& key : KEYS) {
        if (name != key.name) continue;
        action.key = key.key;
        return true;
    }
    error = option + u" takes a key name (Tab, Enter, Escape, Space, PageUp, PageDown, End, Home, Left, Up, Right, "
                     u"Down), not \"" + name + u"\"";
    return false;
}

bool ReadClick(const Text& option, const TextList& values, HostAction& action, Text& error) {
    action.target = values[0];
    return ReadNumber(option, values[1], action.x, error) && ReadNumber(option, values[2], action.y, error);
}

// One option and its values; false with the error set when it is not understood.
bool ReadOption(const Text& option, ArgumentReader& reader, HostOptions& options, Text& error) {
    TextList values;
    if (option == u"--trace") {
        options.trace = true;
    } else if (option == u"--answer-boxes") {
        options.answer_boxes = true;
    } else if (option == u"--answer-folder") {
        if (!reader.Values(option, 1, values, error)) return false;
        options.answer_folder = values[0];
    } else if (option == u"--timeout") {
        return reader.Values(option, 1, values, error) && ReadNumber(option, values[0], options.timeout_seconds, error);
    } else if (option == u"--url") {
        if (!reader.Values(option, 1, values, error)) return false;
        options.url = values[0];
    } else if (option == u"--run") {
        if (!reader.Values(option, 1, values, error)) return false;
        options.actions.push_back(Action(HostAction::Kind::Run, Text(), values[0]));
    } else if (option == u"--drop") {
        if (!reader.Values(option, 2, values, error)) return false;
        options.actions.push_back(Action(HostAction::Kind::Drop, values[0], values[1]));
    } else if (option == u"--click" || option == u"--dblclick") {
        if (!reader.Values(option, 3, values, error)) return false;
        HostAction action = Action(option == u"--click" ? HostAction::Kind::Click : HostAction::Kind::DoubleClick);
        if (!ReadClick(option, values, action, error)) return false;
        options.actions.push_back(action);
    } else if (option == u"--key") {
        if (!reader.Values(option, 1, values, error)) return false;
        HostAction action = Action(HostAction::Kind::Key, Text(), values[0]);
        if (!ReadKey(option, values[0], action, error)) return false;
        options.actions.push_back(action);
    } else if (option == u"--wait") {
        HostAction action = Action(HostAction::Kind::Wait);
        if (!reader.Values(option, 1, values, error) || !ReadNumber(option, values[0], action.seconds, error))
            return false;
        options.actions.push_back(action);
    } else {
        error = u"unknown option " + option;
        return false;
    }
    return true;
}

}  // namespace

const char HOST_USAGE[] =
    "usage: corvela-host [options] PAGE.html\n"
    "  --url URL              the address the host reports for the page (default: its file: URL)\n"
    "  --timeout S            end the page after S seconds (exit status 2)\n"
    "  --trace                print every event with its arguments, and each action\n"
    "  --answer-boxes         print and answer every message box with its default button\n"
    "  --answer-folder PATH   type PATH into every folder browser and press OK\n"
    "actions, played in order once the page has loaded:\n"
    "  --run EXPR             evaluate EXPR as the page's script (a button press)\n"
    "  --drop ID \"A|B\"        drop files on object ID as the desktop does\n"
    "  --click ID X Y         click at X,Y of object ID (--dblclick: double click)\n"
    "  --key KEY              press KEY (Tab, Enter, Escape, Space, Up, Down, Home, ...) where the focus is\n"
    "  --wait S               let S seconds pass\n";

ParsedOptions ParseHostOptions(const TextList& arguments) {
    ParsedOptions parsed;
    ArgumentReader reader(arguments);
    while (!reader.Done()) {
        const Text& argument = reader.Next();
        if (argument.size() > 2 && argument.compare(0, 2, u"--") == 0) {
            if (!ReadOption(argument, reader, parsed.options, parsed.error)) return parsed;
        } else if (parsed.options.page_path.empty()) {
            parsed.options.page_path = argument;
        } else {
            parsed.error = u"one page at a time: " + argument;
            return parsed;
        }
    }
    if (parsed.options.page_path.empty()) parsed.error = u"no page given";
    return parsed;
}

}  // namespace corvela
