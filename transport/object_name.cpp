#include "transport/object_name.h"

#include "transport/url_encode.h"

namespace corvela {

Text BuildObjectName(const Text& path, const UploadQuery& query) {
    return path + u"?guid=" + query.guid + u"&ext=" + UrlEncode(query.extension, EncodeMode::Query) +
           u"&dir=" + EscapeControlUnits(query.dst_folder) + u"&prefix=" + EscapeControlUnits(query.prefix) +
           u"&name=" + UrlEncode(query.title, EncodeMode::Query) + u"&filedata=" + EscapeControlUnits(query.file_data) +
           u"&filename=" + EscapeControlUnits(query.file_name) + u"&sid=" + EscapeControlUnits(query.sid);
}

}  // namespace corvela
