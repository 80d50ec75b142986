#include "transport/http_status.h"

namespace corvela {
namespace {

constexpr uint32_t HTTP_OK = 200;
constexpr uint32_t HTTP_LAST_SUCCESS = 299;
constexpr uint32_t HTTP_MOVED_PERMANENTLY = 301;
constexpr uint32_t HTTP_FOUND = 302;
constexpr uint32_t HTTP_SEE_OTHER = 303;
constexpr uint32_t HTTP_TEMPORARY_REDIRECT = 307;
constexpr uint32_t HTTP_PERMANENT_REDIRECT = 308;

}  // namespace

bool IsSuccessStatus(uint32_t status) { return status >= HTTP_OK && status <= HTTP_LAST_SUCCESS; }

bool IsRedirectStatus(uint32_t status) {
    return status == HTTP_MOVED_PERMANENTLY || status == HTTP_FOUND || status == HTTP_SEE_OTHER ||
           status == HTTP_TEMPORARY_REDIRECT || status == HTTP_PERMANENT_REDIRECT;
}

bool IsUnencodedBody(const Text& content_encoding) {
    const Text coding = TrimWhiteSpace(content_encoding);
    return coding.empty() || EqualsIgnoreAsciiCase(coding, u"identity");
}

}  // namespace corvela
