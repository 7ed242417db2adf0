#include "app/CommandLine.h"

#include "framework/SystemLibrary.h"
#include "framework/UniqueHandle.h"
#include "framework/WinUtil.h"

#include <shellapi.h>

#include <cwchar>

const wchar_t kSignInRunOption[] = L"/atsignin";

const wchar_t kCommandLineUsage[] =
    L"使い方: Dustwhirl.exe /cache|/cookie|/all [/silent] [/preview] [/log ファイル] [/keep ファイル|/nokeep]\n"
    L"\n"
    L"/cache ― キャッシュを削除します\n"
    L"/cookie ― クッキーを削除します\n"
    L"/all ― キャッシュとクッキーを削除します\n"
    L"/silent ― ウィンドウを出さずに削除します\n"
    L"/preview ― 何も削除せず、削除される件数と大きさを知らせます\n"
    L"/log ファイル ― 処理した項目の一覧を UTF-8 で書き出します\n"
    L"/keep ファイル ― この一覧のサイトのクッキーを残します（いつもは %APPDATA%\\Dustwhirl\\keep.txt）\n"
    L"/nokeep ― クッキーを一つも残しません\n"
    L"/signin cache|cookie|all|off ― サインインのたびに削除する設定にします（off でやめます）\n"
    L"ファイル名は / や - で始められません（.\\-x.log のようにフォルダーを付けて書きます）。NUL などのデバイスや「:」の後のストリーム名は使えません。\n"
    L"\n"
    L"確認なしで削除し、終わるとプログラムも終了します。履歴は削除しません。\n"
    L"終了コード: 0 すべてファイルごと削除 / 1 まだ消えていない項目があった（使用中で、閉じられると削除される項目も）、\n"
    L"またはキャッシュの一覧を最後まで読めなかった /\n"
    L"2 使い方の誤り、または残すサイトの一覧が読めない（何も削除しません） / 3 ログを書けなかった / 4 内部のエラーで中断 /\n"
    L"5 ログを指定の名前に置けず ~dustwhirl-….partial の名前で残した\n"
    L"オプションなしで起動すると、いつものウィンドウが開きます。";

namespace {

bool Is(const wchar_t* arg, const wchar_t* name) { return ::_wcsicmp(arg, name) == 0; }

bool IsOption(const wchar_t* arg) { return arg[0] == L'/' || arg[0] == L'-'; }

// The value of the option at argv[i], which then moves past it; null when the next word is
// missing, empty or an option. A word that starts with '/' or '-' is always an option, never a
// value: "/log /preview" with the name forgotten must not turn the next option into a file
// (nor a typo of one into a file at the root of the drive). A file of such a name is named
// with its folder (".\-x.log").
const wchar_t* ValueOf(int argc, const wchar_t* const* argv, int& i) {
    if (i + 1 >= argc || argv[i + 1][0] == L'\0' || IsOption(argv[i + 1])) return nullptr;
    return argv[++i];
}

CString MissingFileName(const wchar_t* option) {
    return CString(option) + L" の後にファイル名がありません。/ や - で始まる語はオプションとして読みます（そういう名前は .\\-x.txt のようにフォルダーを付けて、ネットワークの共有フォルダーは //server/share ではなく \\\\server\\share\\x.txt のように書いてください）。";
}

CString NotAFile(const CString& path) {
    return L"ファイルとして使えない名前です: " + path +
           L"\nドライブかネットワークの共有フォルダーにあるファイルを指定してください（NUL や C:\\dir\\con.txt などのデバイス、\\\\.\\ で始まる名前、x.log:s のような「:」の後のストリーム名は使えません）。";
}

// A handle value in decimal, as the parent writes it; 0 for anything else.
ULONG_PTR HandleValue(const wchar_t* text) {
    ULONG_PTR value = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (*p < L'0' || *p > L'9' || value > (~ULONG_PTR(0) - 9) / 10) return 0;
        value = value * 10 + static_cast<ULONG_PTR>(*p - L'0');
    }
    return value;
}

CommandLine Usage(CString error) {
    CommandLine usage;
    usage.mode = CommandLine::Mode::Usage;
    usage.error = std::move(error);
    return usage;
}

// What the options said so far; the first error found is the one shown.
struct ParseState {
    CommandLine line;
    bool wantsUsage = false;
    bool copy = false;
    bool signInWord = false;      // /signin WORD: the setting
    bool atSignIn = false;        // /atsignin: the run the setting starts
    bool otherOption = false;     // an option that /signin cannot go with
    bool onlyKeepChoice = true;   // nothing but /keep or /nokeep: the window, told which list
    int kinds = 0;
    CString error;

    void Fail(CString text) {
        if (error.empty()) error = std::move(text);
    }
};

// How an option weighs beside the others: /keep and /nokeep alone still open the window;
// /signin goes with nothing but /silent.
enum class OptionGroup {
    KeepChoice,  // a list for the window or a cleaning; not with /signin
    SignIn,      // /signin itself
    Silent,      // with anything
    Other,       // a cleaning's option; not with /signin
};

struct Option {
    const wchar_t* name;  // without its '/' or '-'
    bool takesValue;      // the next word, unless it is missing, empty or an option (then null)
    OptionGroup group;
    void (*apply)(ParseState& state, const wchar_t* value);
};

void Kind(ParseState& state, bool cache, bool cookie) {
    state.line.bCache = state.line.bCache || cache;
    state.line.bCookie = state.line.bCookie || cookie;
    ++state.kinds;
}

// A handle value of the copy's pipes, from the parent.
void Pipe(ParseState& state, const wchar_t* value, ULONG_PTR& pipe, const wchar_t* option) {
    // Never shown: the copy of the second pass. A mistake in it stays silent too.
    state.copy = state.line.silent = true;
    pipe = value != nullptr ? HandleValue(value) : 0;
    if (pipe == 0) state.Fail(option);
}

// A file's name: the word after the option; none is a mistake that names the option.
void FileName(ParseState& state, const wchar_t* value, CString& path, const wchar_t* option) {
    if (value != nullptr) {
        path = value;
    } else {
        state.Fail(MissingFileName(option));
    }
}

void Help(ParseState& state, const wchar_t*) { state.wantsUsage = true; }

const Option kOptions[] = {
    {L"keep", true, OptionGroup::KeepChoice,
     [](ParseState& state, const wchar_t* value) { FileName(state, value, state.line.keepPath, L"/keep"); }},
    {L"nokeep", false, OptionGroup::KeepChoice, [](ParseState& state, const wchar_t*) { state.line.noKeep = true; }},
    {L"signin", true, OptionGroup::SignIn,
     [](ParseState& state, const wchar_t* word) {
         // The word is required: "/signin" alone must not mean any of them.
         if (state.signInWord) word = nullptr;  // twice is no choice
         state.signInWord = true;
         CommandLine& line = state.line;
         if (word != nullptr && (Is(word, L"cache") || Is(word, L"all"))) line.bCache = true;
         if (word != nullptr && (Is(word, L"cookie") || Is(word, L"all"))) line.bCookie = true;
         if (word == nullptr || (!line.bCache && !line.bCookie && !Is(word, L"off"))) {
             state.Fail(L"/signin の後に cache、cookie、all、off のどれかを書いてください。");
         }
     }},
    {&kSignInRunOption[1], false, OptionGroup::Other,
     [](ParseState& state, const wchar_t*) { state.atSignIn = state.line.silent = true; }},
    {L"cache", false, OptionGroup::Other, [](ParseState& state, const wchar_t*) { Kind(state, true, false); }},
    {L"cookie", false, OptionGroup::Other, [](ParseState& state, const wchar_t*) { Kind(state, false, true); }},
    {L"all", false, OptionGroup::Other, [](ParseState& state, const wchar_t*) { Kind(state, true, true); }},
    {L"preview", false, OptionGroup::Other, [](ParseState& state, const wchar_t*) { state.line.preview = true; }},
    {L"silent", false, OptionGroup::Silent, [](ParseState& state, const wchar_t*) { state.line.silent = true; }},
    {L"log", true, OptionGroup::Other,
     [](ParseState& state, const wchar_t* value) { FileName(state, value, state.line.logPath, L"/log"); }},
    {L"keeprules", true, OptionGroup::Other,
     [](ParseState& state, const wchar_t* value) {
         // The copy's list, from the parent; a piece that is not a host spoils the whole.
         CKeepList rules;
         if (value != nullptr && ParseJoinedRules(value, rules)) {
             state.line.keepRules = std::move(rules);
         } else {
             state.Fail(L"/keeprules");
         }
     }},
    {L"secondpass", true, OptionGroup::Other,
     [](ParseState& state, const wchar_t* value) { Pipe(state, value, state.line.reportPipe, L"/secondpass"); }},
    {L"secondpassgo", true, OptionGroup::Other,
     [](ParseState& state, const wchar_t* value) { Pipe(state, value, state.line.controlPipe, L"/secondpassgo"); }},
    {L"?", false, OptionGroup::Other, Help},
    {L"h", false, OptionGroup::Other, Help},
    {L"help", false, OptionGroup::Other, Help},
};

const Option* FindOption(const wchar_t* name) {
    for (const Option& option : kOptions) {
        if (Is(name, option.name)) return &option;
    }
    return nullptr;
}

void Weigh(ParseState& state, OptionGroup group) {
    if (group != OptionGroup::KeepChoice) state.onlyKeepChoice = false;
    if (group == OptionGroup::KeepChoice || group == OptionGroup::Other) state.otherOption = true;
}

CommandLine UsageOf(const ParseState& state) {
    CommandLine usage = Usage(state.error);
    usage.silent = state.line.silent;
    return usage;
}

// What the options say together, once each was read.
CommandLine Check(ParseState& state) {
    CommandLine& line = state.line;
    // A device or the system's namespace would be written (or read) as if it were a file, and
    // the side file a log is written to first has no place beside it: refused before anything.
    for (const CString* path : {&line.logPath, &line.keepPath}) {
        if (!path->empty() && LongPathForm(*path).empty()) state.Fail(NotAFile(*path));
    }
    if (line.noKeep && !line.keepPath.empty()) state.Fail(L"/keep と /nokeep は一緒に指定できません。");
    if (state.error.empty() && state.onlyKeepChoice) return line;  // the window, with that list
    if (state.signInWord && !state.wantsUsage) {
        // The setting alone: nothing else of a cleaning goes with it.
        if (state.otherOption) state.Fail(L"/signin はほかのオプションと一緒には使えません（/silent を除く）。");
        if (!state.error.empty()) return UsageOf(state);
        line.mode = CommandLine::Mode::SignIn;
        return line;
    }
    const bool copy = state.copy;
    // The run at sign-in is exactly what the Run value says: one kind, the stored list, no file.
    if (state.atSignIn && (state.kinds != 1 || copy || state.wantsUsage || line.preview || !line.logPath.empty() ||
                           !line.keepPath.empty() || line.noKeep)) {
        state.Fail(kSignInRunOption);
    }
    if (state.kinds > 1) state.Fail(L"/cache、/cookie、/all はどれか一つだけを指定してください。");
    if (!state.wantsUsage && state.kinds == 0) state.Fail(L"/cache、/cookie、/all のどれかを指定してください。");
    // The copy writes no file: its report goes to the parent, whose log holds both passes.
    if (copy && (!line.logPath.empty() || line.preview)) state.Fail(L"/secondpass");
    // Both pipes or none: a copy that cannot be told to go would never delete anything.
    if (copy && (line.reportPipe == 0 || line.controlPipe == 0)) state.Fail(L"/secondpass");
    // Nor reads one: a copy that cleans cookies is told its list, or told to keep none.
    if (copy && (!line.keepPath.empty() || (line.bCookie && !line.keepRules && !line.noKeep) ||
                 (line.keepRules && line.noKeep))) {
        state.Fail(L"/secondpass");
    }
    if (!copy && line.keepRules) state.Fail(L"不明なオプションです: /keeprules");
    if (!state.error.empty() || state.wantsUsage) return UsageOf(state);
    line.mode = copy ? CommandLine::Mode::SecondPassCopy
                     : state.atSignIn ? CommandLine::Mode::SignInRun : CommandLine::Mode::Clean;
    return line;
}

}  // namespace

std::vector<CString> SplitArguments(const wchar_t* commandLine) {
    std::vector<CString> args;
    // The program's name: up to the closing quote when it starts with one, else up to the
    // first blank.
    const wchar_t* rest = commandLine;
    if (*rest == L'"') {
        rest = std::wcschr(rest + 1, L'"');
        rest = rest != nullptr ? rest + 1 : commandLine + std::wcslen(commandLine);
    } else {
        while (*rest != L'\0' && *rest != L' ' && *rest != L'\t') ++rest;
    }
    while (*rest == L' ' || *rest == L'\t') ++rest;
    if (*rest == L'\0') return args;

    static const auto split = SystemFunction<decltype(&::CommandLineToArgvW)>(L"shell32.dll", "CommandLineToArgvW");
    int argc = 0;
    const CLocalBlock<LPWSTR*> argv(split != nullptr ? split(commandLine, &argc) : nullptr);
    if (!argv) {
        // Arguments that cannot be split are not dropped: the usage box says so.
        args.emplace_back(L"/?");
        return args;
    }
    for (int i = 1; i < argc; ++i) args.emplace_back(argv.get()[i]);
    return args;
}

std::vector<CString> ProcessArguments() { return SplitArguments(::GetCommandLineW()); }

CommandLine ParseCommandLine(int argc, const wchar_t* const* argv) {
    // A file dropped on the program, or whatever a launcher adds, is no request to clean:
    // without any option the window opens as it always has.
    bool anyOption = false;
    for (int i = 0; i < argc; ++i) anyOption = anyOption || IsOption(argv[i]);
    if (!anyOption) return CommandLine();

    ParseState state;
    for (int i = 0; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        if (!IsOption(arg)) {
            state.Fail(L"不明な引数です: " + CString(arg));
            continue;
        }
        const Option* option = FindOption(arg + 1);
        if (option == nullptr) {
            Weigh(state, OptionGroup::Other);
            state.Fail(L"不明なオプションです: " + CString(arg));
            continue;
        }
        Weigh(state, option->group);
        option->apply(state, option->takesValue ? ValueOf(argc, argv, i) : nullptr);
    }
    return Check(state);
}

std::optional<KeepListSource> NamedKeepList(const CommandLine& line) {
    if (line.noKeep) return KeepListSource();
    // A list the user names must be there: a mistyped name must not mean "keep nothing".
    if (!line.keepPath.empty()) return KeepListSource{line.keepPath, true};
    return std::nullopt;
}

KeepListSource KeepSourceOf(const CommandLine& line) {
    if (std::optional<KeepListSource> named = NamedKeepList(line)) return *named;
    return StoredKeepList();
}
