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

CString NotAFile(const std::wstring& path) {
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

}  // namespace

std::vector<std::wstring> SplitArguments(const wchar_t* commandLine) {
    std::vector<std::wstring> args;
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

std::vector<std::wstring> ProcessArguments() { return SplitArguments(::GetCommandLineW()); }

CommandLine ParseCommandLine(int argc, const wchar_t* const* argv) {
    CommandLine line;
    // A file dropped on the program, or whatever a launcher adds, is no request to clean:
    // without any option the window opens as it always has.
    bool anyOption = false;
    for (int i = 0; i < argc; ++i) anyOption = anyOption || IsOption(argv[i]);
    if (!anyOption) return line;

    bool wantsUsage = false;
    bool copy = false;
    bool signInWord = false;   // /signin WORD: the setting
    bool atSignIn = false;     // /atsignin: the run the setting starts
    bool otherOption = false;  // an option that /signin cannot go with
    bool onlyKeepChoice = true;  // nothing but /keep or /nokeep: the window, told which list
    int kinds = 0;
    CString error;
    for (int i = 0; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        if (!IsOption(arg)) {
            if (error.empty()) error = L"不明な引数です: " + CString(arg);
            continue;
        }
        const wchar_t* name = arg + 1;
        if (Is(name, L"keep")) {
            otherOption = true;
            if (const wchar_t* value = ValueOf(argc, argv, i)) {
                line.keepPath = value;
            } else if (error.empty()) {
                error = MissingFileName(L"/keep");
            }
            continue;
        }
        if (Is(name, L"nokeep")) {
            line.bNoKeep = true;
            otherOption = true;
            continue;
        }
        if (Is(name, L"signin")) {
            // The word is required: "/signin" alone must not mean any of them.
            const wchar_t* word = ValueOf(argc, argv, i);
            onlyKeepChoice = false;
            if (signInWord) word = nullptr;  // twice is no choice
            signInWord = true;
            if (word != nullptr && (Is(word, L"cache") || Is(word, L"all"))) line.bCache = true;
            if (word != nullptr && (Is(word, L"cookie") || Is(word, L"all"))) line.bCookie = true;
            if ((word == nullptr || (!line.bCache && !line.bCookie && !Is(word, L"off"))) && error.empty()) {
                error = L"/signin の後に cache、cookie、all、off のどれかを書いてください。";
            }
            continue;
        }
        if (Is(name, &kSignInRunOption[1])) {
            onlyKeepChoice = false;
            atSignIn = otherOption = true;
            line.bSilent = true;
            continue;
        }
        onlyKeepChoice = false;
        if (!Is(name, L"silent")) otherOption = true;
        if (Is(name, L"cache")) {
            line.bCache = true;
            ++kinds;
        } else if (Is(name, L"cookie")) {
            line.bCookie = true;
            ++kinds;
        } else if (Is(name, L"all")) {
            line.bCache = line.bCookie = true;
            ++kinds;
        } else if (Is(name, L"preview")) {
            line.bPreview = true;
        } else if (Is(name, L"silent")) {
            line.bSilent = true;
        } else if (Is(name, L"log")) {
            if (const wchar_t* value = ValueOf(argc, argv, i)) {
                line.logPath = value;
            } else if (error.empty()) {
                error = MissingFileName(L"/log");
            }
        } else if (Is(name, L"keeprules")) {
            // The copy's list, from the parent; a piece that is not a host spoils the whole.
            const wchar_t* value = ValueOf(argc, argv, i);
            CKeepList rules;
            if (value != nullptr && ParseJoinedRules(value, rules)) {
                line.keepRules = std::move(rules);
            } else if (error.empty()) {
                error = L"/keeprules";
            }
        } else if (Is(name, L"secondpass")) {
            // Never shown: the copy of the second pass. A mistake in it stays silent too.
            copy = line.bSilent = true;
            const wchar_t* value = ValueOf(argc, argv, i);
            line.reportPipe = value != nullptr ? HandleValue(value) : 0;
            if (line.reportPipe == 0 && error.empty()) error = L"/secondpass";
        } else if (Is(name, L"secondpassgo")) {
            copy = line.bSilent = true;
            const wchar_t* value = ValueOf(argc, argv, i);
            line.controlPipe = value != nullptr ? HandleValue(value) : 0;
            if (line.controlPipe == 0 && error.empty()) error = L"/secondpassgo";
        } else if (Is(name, L"?") || Is(name, L"h") || Is(name, L"help")) {
            wantsUsage = true;
        } else if (error.empty()) {
            error = L"不明なオプションです: " + CString(arg);
        }
    }
    // A device or the system's namespace would be written (or read) as if it were a file, and
    // the side file a log is written to first has no place beside it: refused before anything.
    for (const std::wstring* path : {&line.logPath, &line.keepPath}) {
        if (error.empty() && !path->empty() && LongPathForm(*path).empty()) error = NotAFile(*path);
    }
    if (error.empty() && line.bNoKeep && !line.keepPath.empty()) error = L"/keep と /nokeep は一緒に指定できません。";
    if (error.empty() && onlyKeepChoice) return line;  // the window, with that list
    if (signInWord && !wantsUsage) {
        // The setting alone: nothing else of a cleaning goes with it.
        if (error.empty() && otherOption) error = L"/signin はほかのオプションと一緒には使えません（/silent を除く）。";
        if (!error.empty()) {
            CommandLine usage = Usage(error);
            usage.bSilent = line.bSilent;
            return usage;
        }
        line.mode = CommandLine::Mode::SignIn;
        return line;
    }
    // The run at sign-in is exactly what the Run value says: one kind, the stored list, no file.
    if (atSignIn && error.empty() &&
        (kinds != 1 || copy || wantsUsage || line.bPreview || !line.logPath.empty() || !line.keepPath.empty() ||
         line.bNoKeep)) {
        error = kSignInRunOption;
    }
    if (error.empty() && kinds > 1) error = L"/cache、/cookie、/all はどれか一つだけを指定してください。";
    if (error.empty() && !wantsUsage && kinds == 0) error = L"/cache、/cookie、/all のどれかを指定してください。";
    // The copy writes no file: its report goes to the parent, whose log holds both passes.
    if (error.empty() && copy && (!line.logPath.empty() || line.bPreview)) error = L"/secondpass";
    // Both pipes or none: a copy that cannot be told to go would never delete anything.
    if (error.empty() && copy && (line.reportPipe == 0 || line.controlPipe == 0)) error = L"/secondpass";
    // Nor reads one: a copy that cleans cookies is told its list, or told to keep none.
    if (error.empty() && copy && (!line.keepPath.empty() || (line.bCookie && !line.keepRules && !line.bNoKeep) ||
                                  (line.keepRules && line.bNoKeep))) {
        error = L"/secondpass";
    }
    if (error.empty() && !copy && line.keepRules) error = L"不明なオプションです: /keeprules";
    if (!error.empty() || wantsUsage) {
        CommandLine usage = Usage(error);
        usage.bSilent = line.bSilent;
        return usage;
    }
    line.mode = copy ? CommandLine::Mode::SecondPassCopy
                     : atSignIn ? CommandLine::Mode::SignInRun : CommandLine::Mode::Clean;
    return line;
}

std::optional<KeepListSource> NamedKeepList(const CommandLine& line) {
    if (line.bNoKeep) return KeepListSource();
    // A list the user names must be there: a mistyped name must not mean "keep nothing".
    if (!line.keepPath.empty()) return KeepListSource{line.keepPath, true};
    return std::nullopt;
}

KeepListSource KeepSourceOf(const CommandLine& line) {
    if (std::optional<KeepListSource> named = NamedKeepList(line)) return *named;
    return StoredKeepList();
}
