// The program's one hand-off to the shell: web pages, ad links and folders all open here.
#pragma once

// Opens target with the shell's "open" verb and shows what it opens. The shell's result is
// not looked at: a target that cannot be opened fails without a word.
void ShellOpen(const wchar_t* target);
