#include "transport/object_name.h"

#include "transport/url_encode.h"

namespace corvela {

Text BuildObjectName(const Text& path, const UploadQuery& query) {
    return path + u"?guid=" + query.guid + u"&ext=" + UrlEncode(query.extension, EncodeMode::Query) +
           u"&dir=" + query.dst_folder + u"&prefix=" + query.prefix + u"&name=" + UrlEncode(query.title, EncodeMode::Query) +
           u"&filedata=" + query.file_data + u"&filename=" + query.file_name + u"&sid=" + query.sid;
}

}  // namespace corvela
