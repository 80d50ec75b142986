#include <gtest/gtest.h>

#include <set>

#include "transport/download_status.h"
#include "transport/http_status.h"

using corvela::FileErrorCause;

// Error pages of front ends (413, 502, 407 ...) were once taken as replies
// and saved as files; only a 2xx answer is the server's file or its word.
TEST(HttpStatus, OnlyTwoHundredsSucceed) {
    for (uint32_t status : {200u, 201u, 204u, 206u, 299u}) EXPECT_TRUE(corvela::IsSuccessStatus(status)) << status;
    for (uint32_t status : {0u, 100u, 199u, 300u, 301u, 304u, 401u, 403u, 404u, 407u, 413u, 500u, 502u, 503u})
        EXPECT_FALSE(corvela::IsSuccessStatus(status)) << status;
}

TEST(HttpStatus, OnlyAnUnencodedBodyIsTheFile) {
    for (const corvela::Text coding : {u"", u"  ", u"identity", u" Identity "})
        EXPECT_TRUE(corvela::IsUnencodedBody(coding));
    for (const corvela::Text coding : {u"gzip", u"x-gzip", u"deflate", u"br", u"identity, gzip"})
        EXPECT_FALSE(corvela::IsUnencodedBody(coding));
}

TEST(HttpStatus, FiveStatusesRedirect) {
    for (uint32_t status : {301u, 302u, 303u, 307u, 308u}) EXPECT_TRUE(corvela::IsRedirectStatus(status)) << status;
    for (uint32_t status : {200u, 300u, 304u, 305u, 306u, 400u}) EXPECT_FALSE(corvela::IsRedirectStatus(status)) << status;
}

TEST(FileErrorText, FifteenDistinctLinesAndSafeForStrayValues) {
    std::set<corvela::Text> texts;
    for (int cause = 0; cause <= static_cast<int>(FileErrorCause::EndOfFile); ++cause) {
        const corvela::Text text = corvela::FileErrorText(static_cast<FileErrorCause>(cause));
        EXPECT_EQ(text.rfind(u"ERROR: ", 0), 0u);
        EXPECT_EQ(text.back(), u'\n');
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 15u);
    EXPECT_EQ(corvela::FileErrorText(FileErrorCause::SharingViolation),
              u"ERROR: SHARE.EXE was not loaded, or a shared region was locked\n");
    EXPECT_EQ(corvela::FileErrorText(static_cast<FileErrorCause>(99)),
              u"ERROR: An unspecified error occurred\n");
}

TEST(FileErrorCause, PlatformErrorNumbersMapLikeAFileLibrary) {
    const struct {
        uint32_t error;
        std::optional<FileErrorCause> cause;
    } table[] = {
        {0, FileErrorCause::None},
        {2, FileErrorCause::FileNotFound},
        {3, FileErrorCause::BadPath},
        {15, FileErrorCause::BadPath},
        {53, FileErrorCause::BadPath},
        {123, FileErrorCause::BadPath},
        {161, FileErrorCause::BadPath},
        {206, FileErrorCause::BadPath},
        {4, FileErrorCause::TooManyOpenFiles},
        {5, FileErrorCause::AccessDenied},
        {19, FileErrorCause::AccessDenied},
        {65, FileErrorCause::AccessDenied},
        {108, FileErrorCause::AccessDenied},
        {6, FileErrorCause::InvalidFile},
        {16, FileErrorCause::RemoveCurrentDir},
        {82, FileErrorCause::DirectoryFull},
        {25, FileErrorCause::BadSeek},
        {131, FileErrorCause::BadSeek},
        {21, FileErrorCause::HardIO},
        {23, FileErrorCause::HardIO},
        {29, FileErrorCause::HardIO},
        {30, FileErrorCause::HardIO},
        {31, FileErrorCause::HardIO},
        {32, FileErrorCause::SharingViolation},
        {33, FileErrorCause::LockViolation},
        {39, FileErrorCause::DiskFull},
        {112, FileErrorCause::DiskFull},
        {38, FileErrorCause::EndOfFile},
        {1, FileErrorCause::Generic},
        {8, FileErrorCause::Generic},
        {87, FileErrorCause::Generic},
        {11999, FileErrorCause::Generic},
        {12000, std::nullopt},
        {12007, std::nullopt},  // ERROR_INTERNET_NAME_NOT_RESOLVED
        {12029, std::nullopt},  // ERROR_INTERNET_CANNOT_CONNECT
        {12999, std::nullopt},
        {13000, FileErrorCause::Generic},
    };
    for (const auto& row : table)
        EXPECT_EQ(corvela::FileErrorCauseForPlatformError(row.error), row.cause) << row.error;
}
