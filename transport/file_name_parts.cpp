#include "transport/file_name_parts.h"

namespace corvela {

FileNameParts SplitFileName(const Text& local_path) {
    // Pages may separate folders with "/", which Windows accepts as well; the
    // server must get the file's own name either way, never a folder of it.
    Text folders = ReplaceChar(local_path, u'/', u'\\');
    FileNameParts parts;
    parts.title = AfterLast(folders, u'\\');
    if (parts.title.find(u'.') != Text::npos) parts.extension = AfterLast(parts.title, u'.');
    return parts;
}

}  // namespace corvela
