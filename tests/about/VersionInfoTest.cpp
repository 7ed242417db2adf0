// The version information reader on real files: the program itself, small modules built
// with their own resource scripts, a system DLL, and copies whose version resource the test
// writes byte by byte.
#include "AboutTestPaths.h"
#include "AppProcess.h"
#include "about/VersionInfo.h"
#include "framework/WinUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

// Opens the fields, which the reader keeps to itself, to the tests.
class InspectedVersionInfo : public CVersionInfo {
public:
    // UTF-8, to compare with the test's own text.
    std::array<std::string, kFieldCount> Fields() const {
        std::array<std::string, kFieldCount> out;
        for (int i = 0; i < kFieldCount; ++i) out[static_cast<size_t>(i)] = ToUtf8(m_fields[i]);
        return out;
    }
    void Read(const std::string& path) { CVersionInfo::Read(FromUtf8(path)); }
    void SetField(int index, const std::string& value) { CVersionInfo::SetField(index, FromUtf8(value)); }
};

using Fields = std::array<std::string, CVersionInfo::kFieldCount>;
const Fields kAllMissing = {"-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"};
const wchar_t* const kWideKeys[CVersionInfo::kFieldCount] = {
    L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright", L"OriginalFileName",
    L"ProductName", L"ProductVersion", L"Comments", L"LegalTrademarks", L"PrivateBuild", L"SpecialBuild"};

Fields ReadFields(const std::string& path) {
    InspectedVersionInfo info;
    info.Read(path);
    return info.Fields();
}


TEST(VersionInfo, ReadsEveryFieldOfTheProgramItself) {
    Fields expected = {
        "",                                      // CompanyName
        "IEキャッシュ＆クッキー削除ツール",      // FileDescription
        "1.0",                                   // FileVersion
        "Dustwhirl",                             // InternalName
        WideQuery(ExePath(), L"LegalCopyright"), // the maker's line, whatever its words
        "Dustwhirl.EXE",                         // OriginalFilename (keys match in any case)
        "Dustwhirl",                             // ProductName
        "1.0",                                   // ProductVersion
        "", "", "", "",                          // Comments, LegalTrademarks, PrivateBuild, SpecialBuild
    };
    ASSERT_NE(expected[4], "-");
    ASSERT_FALSE(expected[4].empty());
    InspectedVersionInfo info;
    info.Read(ExePath());
    EXPECT_EQ(info.Fields(), expected);
    EXPECT_EQ(ToUtf8(info.GetFileVersion()), "1.0");
    EXPECT_EQ(ToUtf8(info.GetLegalCopyright()), expected[4]);
}

TEST(VersionInfo, FieldsAreEmptyUntilReadAndAfterClear) {
    InspectedVersionInfo info;
    EXPECT_EQ(info.Fields(), Fields{});
    info.Read(ExePath());
    info.Clear();
    EXPECT_EQ(info.Fields(), Fields{});
}

TEST(VersionInfo, SetFieldIgnoresIndicesOutsideTheTwelve) {
    InspectedVersionInfo info;
    info.SetField(0, "first");
    info.SetField(11, "last");
    info.SetField(12, "past the end");
    info.SetField(-1, "before the start");
    info.SetField(1000, "far past the end");
    Fields expected{};
    expected[0] = "first";
    expected[11] = "last";
    EXPECT_EQ(info.Fields(), expected);
}

TEST(VersionInfo, FilesWithoutAUsableVersionResourceGiveDashesEverywhere) {
    const char* unreadable[] = {"about_no_version.dll", "no_such_module.dll"};
    for (const char* name : unreadable) {
        EXPECT_EQ(ReadFields(AboutBuildFile(name)), kAllMissing) << name;
    }
    // Not a module at all.
    std::string text = EnvOr("DUSTWHIRL_SOURCE_DIR", ".") + "/CMakeLists.txt";
    EXPECT_EQ(ReadFields("Z:" + text), kAllMissing);
    EXPECT_EQ(ReadFields(""), kAllMissing);
}

TEST(VersionInfo, OnlyTheFirstTranslationIsRead) {
    Fields f = ReadFields(AboutBuildFile("about_two_translations.dll"));
    EXPECT_EQ(f[0], "First Company");
    EXPECT_EQ(f[1], "First description");
    EXPECT_EQ(f[2], "2.5");
    EXPECT_EQ(f[4], "Copyright (C) First");
    EXPECT_EQ(f[6], "First Product");
    EXPECT_EQ(f[8], "-") << "a key that only the second translation's block has";
    EXPECT_EQ(f[3], "-");
}

TEST(VersionInfo, AnEmptyValueStaysEmptyAndAMissingKeyIsADash) {
    Fields expected = kAllMissing;
    expected[2] = "";
    expected[4] = "空のバージョン & Co.";
    expected[6] = "Empty";
    EXPECT_EQ(ReadFields(AboutBuildFile("about_empty_values.dll")), expected);
}

TEST(VersionInfo, MatchesAnIndependentQueryOfASystemDll) {
    char dir[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryA(dir, MAX_PATH), 0u);
    for (const char* dll : {"\\comctl32.dll", "\\kernel32.dll"}) {
        std::string path = std::string(dir) + dll;
        Fields expected;
        for (int i = 0; i < CVersionInfo::kFieldCount; ++i) expected[static_cast<size_t>(i)] = WideQuery(path, kWideKeys[i]);
        ASSERT_NE(expected[2], "-") << path << " should carry a file version";
        EXPECT_EQ(ReadFields(path), expected) << path;
    }
}

TEST(VersionInfo, ASecondReadKeepsNothingOfTheFirst) {
    InspectedVersionInfo info;
    info.Read(ExePath());
    ASSERT_EQ(ToUtf8(info.GetFileVersion()), "1.0");
    info.Read(AboutBuildFile("about_no_version.dll"));
    EXPECT_EQ(info.Fields(), kAllMissing);

    info.Read(AboutBuildFile("about_two_translations.dll"));
    info.Read(AboutBuildFile("about_empty_values.dll"));
    Fields f = info.Fields();
    EXPECT_EQ(f[0], "-") << "the first file's company must not survive";
    EXPECT_EQ(f[2], "");
    EXPECT_EQ(f[8], "-");
}

// ---- Version resources written byte by byte into a copy of a module -------------------------

// One node of a version resource: a key, a value and the nodes below it.
struct VersionNode {
    std::wstring key;
    std::vector<BYTE> value;  // stored as it stands
    WORD valueLength;         // what the header claims: characters for text, bytes for binary
    WORD type;                // 1 text, 0 binary
    std::vector<VersionNode> children;
};

void Pad(std::vector<BYTE>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

void Serialise(const VersionNode& node, std::vector<BYTE>& out) {
    Pad(out);
    size_t start = out.size();
    out.resize(start + 6);
    for (wchar_t c : node.key) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    Pad(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) Serialise(child, out);
    WORD length = static_cast<WORD>(out.size() - start);
    std::memcpy(&out[start], &length, 2);
    std::memcpy(&out[start + 2], &node.valueLength, 2);
    std::memcpy(&out[start + 4], &node.type, 2);
}

VersionNode Text(const wchar_t* key, const std::wstring& text, bool terminated = true) {
    VersionNode n{key, {}, static_cast<WORD>(text.size() + (terminated ? 1 : 0)), 1, {}};
    for (wchar_t c : text) {
        n.value.push_back(static_cast<BYTE>(c & 0xFF));
        n.value.push_back(static_cast<BYTE>(c >> 8));
    }
    if (terminated) n.value.insert(n.value.end(), {0, 0});
    return n;
}

VersionNode Binary(const wchar_t* key, std::vector<BYTE> bytes) {
    WORD len = static_cast<WORD>(bytes.size());
    return VersionNode{key, std::move(bytes), len, 0, {}};
}

VersionNode Root(std::vector<VersionNode> children) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    std::vector<BYTE> bytes(sizeof(fixed));
    std::memcpy(bytes.data(), &fixed, sizeof(fixed));
    VersionNode root = Binary(L"VS_VERSION_INFO", bytes);
    root.children = std::move(children);
    return root;
}

VersionNode Strings(const wchar_t* block, std::vector<VersionNode> values) {
    VersionNode table{block, {}, 0, 1, std::move(values)};
    return VersionNode{L"StringFileInfo", {}, 0, 1, {table}};
}

VersionNode Translations(std::vector<BYTE> table) {
    return VersionNode{L"VarFileInfo", {}, 0, 1, {Binary(L"Translation", std::move(table))}};
}

// A copy of the module without a version resource, given the one described.
class WrittenVersion : public ::testing::Test {
protected:
    void TearDown() override {
        if (!m_path.empty()) ::DeleteFileA(m_path.c_str());
    }
    std::string Write(const VersionNode& root) {
        char dir[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, dir);
        m_path = std::string(dir) + "dw_about_written_" + std::to_string(::GetCurrentProcessId()) + ".dll";
        EXPECT_TRUE(::CopyFileA(AboutBuildFile("about_no_version.dll").c_str(), m_path.c_str(), FALSE));
        std::vector<BYTE> bytes;
        Serialise(root, bytes);
        HANDLE update = ::BeginUpdateResourceA(m_path.c_str(), FALSE);
        EXPECT_NE(update, nullptr);
        EXPECT_TRUE(::UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1),
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), bytes.data(),
                                      static_cast<DWORD>(bytes.size())));
        EXPECT_TRUE(::EndUpdateResourceA(update, FALSE));
        return m_path;
    }
    std::string m_path;
};

TEST_F(WrittenVersion, ValuesStoredWithoutCharactersOrTerminatorReadExactly) {
    std::string path = Write(Root({
        Strings(L"041104b0", {Text(L"CompanyName", L"", false),           // no characters at all
                              Text(L"FileDescription", L"ダスト", false), // no terminator
                              Text(L"FileVersion", L"3.1"),
                              Text(L"LegalCopyright", L"")}),
        Translations({0x11, 0x04, 0xB0, 0x04}),
    }));
    Fields f = ReadFields(path);
    EXPECT_EQ(f[0], "");
    EXPECT_EQ(f[1], "ダスト");
    EXPECT_EQ(f[2], "3.1");
    EXPECT_EQ(f[4], "");
    EXPECT_EQ(f[3], "-");
}

TEST_F(WrittenVersion, NoUsableTranslationTableGivesDashesEverywhere) {
    VersionNode strings = Strings(L"041104b0", {Text(L"FileVersion", L"3.1")});
    EXPECT_EQ(ReadFields(Write(Root({strings}))), kAllMissing) << "no VarFileInfo";
    EXPECT_EQ(ReadFields(Write(Root({strings, Translations({0x11, 0x04})}))), kAllMissing)
        << "a table too short for one entry";
    EXPECT_EQ(ReadFields(Write(Root({strings, Translations({})}))), kAllMissing) << "an empty table";
}

TEST_F(WrittenVersion, TheBlockIsNamedByTheTranslationsLanguageAndCodePage) {
    // Code page 932 (0x03a4) has letters among its digits.
    std::string path = Write(Root({
        Strings(L"041103a4", {Text(L"FileVersion", L"932")}),
        Translations({0x11, 0x04, 0xA4, 0x03}),
    }));
    EXPECT_EQ(ReadFields(path)[2], "932");
}

}  // namespace
