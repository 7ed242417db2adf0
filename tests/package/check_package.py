#!/usr/bin/env python3
"""Checks the package for users: check_package.py ZIP

Both executables are present: Dustwhirl.exe a PE32 for i386 within 1 MiB, x64/Dustwhirl.exe a
PE32+ for x86-64; both GUI programs that import at load time only KnownDLLs, which Windows always
takes from its own folder (a DLL of any other name planted beside the program would be loaded
first), and comctl32 through the manifest's side-by-side assembly; and none of those that the
program loads on first use (they would cost every start-up); neither is a test build (no
loopback address); the read-me is Shift_JIS with CRLF line ends and says that the history stays.
"""
import struct
import sys
import zipfile

# The KnownDLLs of every Windows the program supports (7 to 11): those of Windows 7 that later
# versions still list. version.dll, wininet.dll and urlmon.dll are not among them.
KNOWN_DLLS = {"advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll",
              "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll",
              "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
              "wldap32.dll", "ws2_32.dll"}
# Taken from the side-by-side store when the program's manifest names its assembly.
SIDE_BY_SIDE = {"comctl32.dll": b"Microsoft.Windows.Common-Controls"}
LOADED_ON_FIRST_USE = {"wininet.dll", "shell32.dll", "shlwapi.dll", "ole32.dll"}
MACHINES = {0x14C: "i386", 0x8664: "x86-64"}
PE32_LIMIT = 1024 * 1024


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, nsections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.import_rva = struct.unpack_from("<I", data, dirs + 8)[0]
        table = opt + opt_size
        self.sections = [struct.unpack_from("<8sIIII", data, table + 40 * i) for i in range(nsections)]

    def offset(self, rva):
        for _, vsize, vaddr, rawsize, rawptr in self.sections:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rva - vaddr + rawptr
        raise ValueError("address %#x outside every section" % rva)

    def imports(self):
        names, pos = [], self.offset(self.import_rva)
        while True:
            name_rva = struct.unpack_from("<5I", self.data, pos)[3]
            if name_rva == 0:
                return names
            start = self.offset(name_rva)
            names.append(self.data[start:self.data.index(b"\0", start)].decode("ascii").lower())
            pos += 20


def check(zip_path):
    problems = []
    with zipfile.ZipFile(zip_path) as z:
        names = set(z.namelist())
        expected = {"Dustwhirl.exe": (0x14C, 0x10B), "x64/Dustwhirl.exe": (0x8664, 0x20B)}
        for name, (machine, magic) in expected.items():
            if name not in names:
                problems.append("%s is missing" % name)
                continue
            data = z.read(name)
            pe = PeFile(data)
            if (pe.machine, pe.magic) != (machine, magic):
                problems.append("%s: machine %s, optional header %#x" % (name, MACHINES.get(pe.machine, hex(pe.machine)), pe.magic))
            if pe.subsystem != 2:
                problems.append("%s: subsystem %d, not GUI" % (name, pe.subsystem))
            foreign = sorted(dll for dll in set(pe.imports()) - KNOWN_DLLS
                             if dll not in SIDE_BY_SIDE or SIDE_BY_SIDE[dll] not in data)
            if foreign:
                problems.append("%s imports %s at load time, which Windows may take from the program's folder"
                                % (name, ", ".join(foreign)))
            eager = sorted(set(pe.imports()) & LOADED_ON_FIRST_USE)
            if eager:
                problems.append("%s imports %s, which it should load on first use" % (name, ", ".join(eager)))
            # A test build's executable points at the tests' loopback server.
            if any(t in data for t in (b"127.0.0.", "127.0.0.".encode("utf-16-le"))):
                problems.append("%s names a loopback address: a test build, not the program for users" % name)
            print("%-18s %-7s %8d bytes, imports %s" % (name, MACHINES.get(pe.machine), len(data), " ".join(sorted(pe.imports()))))
        if "Dustwhirl.exe" in names and z.getinfo("Dustwhirl.exe").file_size > PE32_LIMIT:
            problems.append("Dustwhirl.exe is %d bytes, more than %d" % (z.getinfo("Dustwhirl.exe").file_size, PE32_LIMIT))
        if "readme.txt" not in names:
            problems.append("readme.txt is missing")
        else:
            raw = z.read("readme.txt")
            try:
                text = raw.decode("cp932")
            except UnicodeDecodeError as e:
                problems.append("readme.txt is not Shift_JIS: %s" % e)
                text = ""
            if raw.count(b"\n") != raw.count(b"\r\n"):
                problems.append("readme.txt has lines that do not end in CRLF")
            if "履歴" not in text:
                problems.append("readme.txt does not say that the history stays")
    return problems


def main():
    problems = check(sys.argv[1])
    for p in problems:
        print("FAIL: " + p)
    print("package %s" % ("has problems" if problems else "ok"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
