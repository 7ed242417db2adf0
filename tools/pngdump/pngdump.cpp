// pngdump: decodes a PNG file exactly as Dustwhirl decodes its skin (DecodePng) and writes
// the resulting device-independent bitmap as a .bmp file, so that the decoder can be checked
// against other decoders and the artwork looked at as the program sees it.
//
//   pngdump IN.png OUT.bmp
//
// Exit status 0 on success; otherwise the decoder's message (or the tool's own) on stderr
// and 1.
#include "framework/MemFile.h"
#include "framework/WinUtil.h"
#include "skin/PackedDib.h"
#include "skin/PngResource.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A terminal gets the message as UTF-8, a console as UTF-16.
void PrintError(const std::wstring& text) {
    const std::wstring line = text + L"\n";
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(err, &mode)) {
        ::WriteConsoleW(err, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = FromWide(line.data(), line.size(), CP_UTF8);
    ::WriteFile(err, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void PrintError(const std::string& text) { PrintError(ToWide(text.data(), text.size(), CP_UTF8)); }

bool WriteBmp(const CPackedDib& image, const char* path) {
    const int pixelBytes = image.Stride() * image.Height();
    const int headerBytes = image.Size() - pixelBytes;  // info header and colour table
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + headerBytes;
    file.bfSize = file.bfOffBits + pixelBytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(image.Info()), image.Size());
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        PrintError("usage: pngdump IN.png OUT.bmp");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        PrintError(std::string("pngdump: cannot read ") + argv[1]);
        return 1;
    }
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()), 0);
    CPackedDib image;
    CString message;
    if (!DecodePng(image, file, &message)) {
        PrintError(message.empty() ? CString(L"pngdump: the PNG data is corrupt or incomplete") : message);
        return 1;
    }
    if (!WriteBmp(image, argv[2])) {
        PrintError(std::string("pngdump: cannot write ") + argv[2]);
        return 1;
    }
    return 0;
}
