// A page as the host reads it: its title, its <object> elements with their
// <param>s, and its JScript blocks and for/event handlers, in document
// order. Markup the host does not act on is passed over.
#pragma once

#include <cstddef>
#include <vector>

#include "common/text.h"

namespace corvela {

// A place in the page file, line and column counted from 1.
struct SourcePlace {
    size_t line = 1;
    size_t column = 1;
};

struct PageParam {
    Text name;
    Text value;
};

struct PageObject {
    Text id;
    Text class_id;  // as written after "clsid:"; empty when the page names none
    int width = -1;  // pixels; -1 when the page gives no pixel size
    int height = -1;
    std::vector<PageParam> params;
    SourcePlace place;
};

struct PageScript {
    Text code;
    SourcePlace start;  // where the code's first character stands
    // A for/event handler names the object and the event with its
    // parameter names ("a, b"); a plain block leaves these empty.
    Text for_id;
    Text event;
    Text parameters;
    bool IsHandler() const { return !for_id.empty(); }
};

// Something of the page the host does not run, for the author to hear of.
struct PageNote {
    SourcePlace place;
    Text text;
};

struct PageStep {
    enum class Kind { Object, Script };
    Kind kind;
    size_t index;  // into Page::objects or Page::scripts
};

struct Page {
    Text title;
    std::vector<PageObject> objects;
    std::vector<PageScript> scripts;
    std::vector<PageStep> steps;  // objects and scripts in document order
    std::vector<PageNote> notes;
};

Page ParsePage(const Text& html);

// Where a place that the script engine reports stands in the file: the
// engine counts lines from 0 starting at the line it was given (the
// script's start line less one) and columns from 0 within the line.
SourcePlace PlaceInFile(const SourcePlace& start, size_t engine_line, size_t engine_column);

// The markup's character references (&amp;, &#65;, &#x41; ...) resolved.
Text DecodeCharacterReferences(const Text& text);

}  // namespace corvela
