// The site lock's policy lines and the judgement of page URLs against them.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "control/host_names.h"
#include "control/site_policy.h"

using corvela::Text;
using corvela::TextList;

namespace {

struct Case {
    const char16_t* page;
    bool allowed;
};

// A zone manager that would let every page through: with a policy, the
// policy alone decides.
std::optional<int32_t> LocalMachine(const Text&) { return corvela::ZONE_LOCAL_MACHINE; }

void ExpectJudged(const TextList& policy, std::initializer_list<Case> cases) {
    for (const Case& c : cases)
        EXPECT_EQ(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Present, policy, Text(c.page), LocalMachine),
                  c.allowed)
            << corvela::TextToUtf8(c.page);
}

}  // namespace

TEST(SitePolicy, MatchesSchemeHostAndPortNeverATextPrefix) {
    ExpectJudged({u"https://intranet.example.com"},
                 {{u"https://intranet.example.com/upload.html", true},
                  {u"HTTPS://INTRANET.Example.COM", true},
                  {u"https://intranet.example.com:443/a?b#c", true},
                  {u"https://intranet.example.com.evil.net/", false},
                  {u"https://evil.net/intranet.example.com", false},
                  {u"https://intranet.example.com@evil.net/", false},
                  {u"https://evil.net\\@intranet.example.com/", false},
                  {u"https://user:pw@intranet.example.com/", true},
                  {u"http://intranet.example.com/", false},
                  {u"https://intranet.example.com:8443/", false},
                  {u"https://intranet.example.com./", false},
                  {u"https://intranet%2eexample.com/", false},
                  {u"https://xintranet.example.com/", false},
                  {u"file:///C:/pages/upload.html", false},
                  {u"intranet.example.com", false},
                  {u"", false}});
}

TEST(SitePolicy, WildcardsPortsLocalFilesAndNamesOutsideAscii) {
    ExpectJudged({u"https://*.corp.example.com", u"http://build:8080", u"file:", u"https://bücher.example"},
                 {{u"https://a.corp.example.com/x", true},
                  {u"https://a.b.corp.example.com/", true},
                  {u"https://corp.example.com/", false},
                  {u"https://evilcorp.example.com/", false},
                  {u"http://build:8080/page", true},
                  {u"http://build/page", false},
                  {u"file:///C:/pages/upload.html", true},
                  {u"file://localhost/C:/pages/upload.html", true},
                  {u"file:///c|/pages/upload.html", true},
                  {u"file://fileserver/share/upload.html", false},
                  {u"file:////fileserver/share/upload.html", false},
                  {u"file://///fileserver/share/upload.html", false},
                  {u"file:///\\\\fileserver\\share\\upload.html", false},
                  {u"file://localhost//fileserver/share/upload.html", false},
                  {u"file:///%5C%5Cfileserver/share/upload.html", false},
                  {u"file:///pages/upload.html", false},
                  {u"https://xn--bcher-kva.example/", true},
                  {u"https://bücher.example/", true},
                  {u"https://bucher.example/", false}});
}

TEST(SitePolicy, AnUnreadableOrMalformedPolicyOrAnUnknownPageLocksEverything) {
    const Text page = u"https://intranet.example.com/";
    EXPECT_FALSE(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Unreadable, {}, page, LocalMachine));
    EXPECT_FALSE(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Present, {}, page, LocalMachine))
        << "an empty list";
    EXPECT_FALSE(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Present, {u"https://intranet.example.com"},
                                               std::nullopt, LocalMachine));
    EXPECT_TRUE(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Present,
                                              {u"  ", u"https://intranet.example.com/", u""}, page, LocalMachine))
        << "blank lines are skipped";
    for (const Text& malformed :
         {Text(u"intranet.example.com"), Text(u"ftp://intranet.example.com"), Text(u"https://"),
          Text(u"https://intra net.example.com"), Text(u"https://intranet.example.com/path"),
          Text(u"https://intranet.example.com:0"), Text(u"https://intranet.example.com:70000"),
          Text(u"https://*"), Text(u"https://a.*.example.com"), Text(u"https://intranet.example.com:"),
          Text(u"https://intranet..example.com")})
        EXPECT_FALSE(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Present,
                                                   {u"https://intranet.example.com", malformed}, page, LocalMachine))
            << corvela::TextToUtf8(malformed);
}

// Without a policy the platform's zone of the page decides: a page from the
// Internet is locked, one from this machine, the intranet or a trusted site
// is not; a container that tells no address is no web page.
TEST(SitePolicy, WithoutAPolicyInternetAndRestrictedPagesAreLocked) {
    const Text page = u"http://host/page.html";
    const struct {
        std::optional<int32_t> zone;
        bool allowed;
    } cases[] = {{corvela::ZONE_LOCAL_MACHINE, true}, {corvela::ZONE_INTRANET, true}, {corvela::ZONE_TRUSTED, true},
                 {corvela::ZONE_INTERNET, false},     {corvela::ZONE_RESTRICTED, false}, {1000, false},
                 {-1, false},                         {std::nullopt, false}};
    for (const auto& c : cases) {
        std::vector<Text> asked;
        const auto zone_of = [&](const Text& url) {
            asked.push_back(url);
            return c.zone;
        };
        EXPECT_EQ(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Absent, {}, page, zone_of), c.allowed)
            << (c.zone ? *c.zone : -2);
        EXPECT_EQ(asked, std::vector<Text>{page});
    }
    EXPECT_TRUE(corvela::PageMayUseLocalFiles(corvela::PolicyValue::Absent, {}, std::nullopt,
                                              [](const Text&) { return std::optional<int32_t>(); }));
}

TEST(AsciiHostName, PunycodesLabelsOutsideAscii) {
    EXPECT_EQ(corvela::AsciiHostName(u"Bücher.Example"), Text(u"xn--bcher-kva.example"));
    EXPECT_EQ(corvela::AsciiHostName(u"例え.テスト"), Text(u"xn--r8jz45g.xn--zckzah"));
    EXPECT_EQ(corvela::AsciiHostName(u"한국.kr"), Text(u"xn--3e0b707e.kr"));
    EXPECT_EQ(corvela::AsciiHostName(u"[::1]"), Text(u"[::1]"));
    EXPECT_EQ(corvela::AsciiHostName(u"a.b."), std::nullopt);
    EXPECT_EQ(corvela::AsciiHostName(u"a/b"), std::nullopt);
}
