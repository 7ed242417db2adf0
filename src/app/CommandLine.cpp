#include "app/CommandLine.h"

#include <mbstring.h>

const char kCommandLineUsage[] =
    "使い方: Dustwhirl.exe /cache|/cookie|/all [/silent] [/log ファイル]\n"
    "\n"
    "/cache ― キャッシュを削除します\n"
    "/cookie ― クッキーを削除します\n"
    "/all ― キャッシュとクッキーを削除します\n"
    "/silent ― ウィンドウを出さずに削除します\n"
    "/log ファイル ― 処理した項目の一覧を UTF-8 で書き出します\n"
    "\n"
    "確認なしで削除し、終わるとプログラムも終了します。履歴は削除しません。\n"
    "終了コード: 0 すべて削除 / 1 削除できない項目あり / 2 使い方の誤り\n"
    "オプションなしで起動すると、いつものウィンドウが開きます。";

namespace {

bool Is(const char* arg, const char* name) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(arg), reinterpret_cast<const unsigned char*>(name)) == 0;
}

CommandLine Usage(CString error) {
    CommandLine usage;
    usage.mode = CommandLine::Mode::Usage;
    usage.error = std::move(error);
    return usage;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool wantsUsage = false;
    int kinds = 0;
    CString error;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '/' && arg[0] != '-') {
            if (error.empty()) error = CString("不明な引数です: ") + arg;
            continue;
        }
        const char* name = arg + 1;
        if (Is(name, "cache")) {
            line.bCache = true;
            ++kinds;
        } else if (Is(name, "cookie")) {
            line.bCookie = true;
            ++kinds;
        } else if (Is(name, "all")) {
            line.bCache = line.bCookie = true;
            ++kinds;
        } else if (Is(name, "silent")) {
            line.bSilent = true;
        } else if (Is(name, "log")) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                if (error.empty()) error = "/log の後にファイル名がありません。";
            } else {
                line.logPath = argv[++i];
            }
        } else if (Is(name, "?") || Is(name, "h") || Is(name, "help")) {
            wantsUsage = true;
        } else if (error.empty()) {
            error = CString("不明なオプションです: ") + arg;
        }
    }
    if (error.empty() && kinds > 1) error = "/cache、/cookie、/all はどれか一つだけを指定してください。";
    if (error.empty() && !wantsUsage && kinds == 0 && argc > 0) {
        error = "/cache、/cookie、/all のどれかを指定してください。";
    }
    if (!error.empty() || wantsUsage) {
        CommandLine usage = Usage(error);
        usage.bSilent = line.bSilent;
        return usage;
    }
    if (kinds == 1) line.mode = CommandLine::Mode::Clean;
    return line;
}
