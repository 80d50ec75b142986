// The request target of an upload: the page's path and the query that tells
// the server whose file it is, where it goes and what it is called.
#pragma once

#include "common/text.h"

namespace corvela {

struct UploadQuery {
    Text guid;        // the file identifier
    Text title;       // plain; encoded here
    Text extension;   // plain; encoded here
    Text dst_folder;  // the values below go in as the page gave them, control characters escaped
    Text prefix;
    Text file_data;
    Text file_name;
    Text sid;
};

// path?guid=..&ext=..&dir=..&prefix=..&name=..&filedata=..&filename=..&sid=..
// Only the extension and the title are percent-encoded (query mode, which
// turns a "+" into %2B so that servers do not read it as a space).
// The other values keep their form but for their control characters, which
// become %XX: nothing a page gives can end the request line.
// A path that already carries a query keeps it, so the target then holds two
// question marks; servers rely on this form.
Text BuildObjectName(const Text& path, const UploadQuery& query);

}  // namespace corvela
