#include "transport/file_name_parts.h"

namespace corvela {

FileNameParts SplitFileName(const Text& local_path) {
    Text folders = local_path;
    FileNameParts parts;
    parts.title = AfterLast(folders, u'\\');
    if (parts.title.find(u'.') != Text::npos) parts.extension = AfterLast(parts.title, u'.');
    return parts;
}

}  // namespace corvela
