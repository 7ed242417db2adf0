// Which ad links the banner may hand to the shell. The list comes over plain HTTP, so any
// link in it may have been planted.
#include "ads/WebLink.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>

namespace {

// A link as the ad list gives it: UTF-8 text.
bool Safe(const std::string& link) { return IsSafeWebLink(FromUtf8(link)); }

TEST(WebLink, PlainWebAddressesAreAccepted) {
    for (const char* link : {"http://www.harrowmint.example/", "https://127.0.0.1:28017/ad?x=1&y=2#top",
                             "HTTP://EXAMPLE.COM", "hTtPs://example.com/path with space",
                             "http://user:pw@example.com/", "http://[::1]:8080/", "http://例え.テスト/ページ",
                             "http://example.com?q", "http://example.com#frag"}) {
        EXPECT_TRUE(Safe(link)) << link;
    }
}

TEST(WebLink, ProgramsPathsAndOtherProtocolsAreRefused) {
    for (const char* link : {"", "C:\\Windows\\System32\\calc.exe", "calc.exe", "C:\\windows",
                             "\\\\server\\share\\setup.exe", "//server/share", "file:///C:/Windows/notepad.exe",
                             "file://server/share", "javascript:alert(1)", "mailto:someone@example.com",
                             "ms-settings:", "ftp://example.com/", "httpx://example.com/", "http:example.com",
                             "http:/example.com", "http:\\\\example.com", " http://example.com/",
                             "shell:startup", "..\\..\\evil.bat"}) {
        EXPECT_FALSE(Safe(link)) << link;
    }
}

TEST(WebLink, AddressWithoutHostIsRefused) {
    for (const char* link : {"http://", "https://", "http:///etc/passwd", "http://?q=1", "http://#x",
                             "http://user@/", "http://:80/", "http://\\\\server\\share", "http://[]/",
                             "http://[::1/", "http:// /"}) {
        EXPECT_FALSE(Safe(link)) << link;
    }
}

TEST(WebLink, ControlCharactersAndQuotesAreRefused) {
    EXPECT_FALSE(Safe(std::string("http://example.com/\x01")));
    EXPECT_FALSE(Safe(std::string("http://example.com/a\tb")));
    EXPECT_FALSE(Safe(std::string("http://example.com/\r\nx")));
    EXPECT_FALSE(Safe(std::string("http://example.com/\x7F")));
    EXPECT_FALSE(IsSafeWebLink(L"http://example.com/\x85next-line")) << "C1 controls too";
    EXPECT_FALSE(Safe(std::string("http://example.com/\0x", 21)));
    // A quote would end the link inside the handler's command line and start new arguments.
    EXPECT_FALSE(Safe("http://example.com/\" --new-window file:///C:/"));
}

}  // namespace
