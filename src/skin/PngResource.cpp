#include "skin/PngResource.h"

#include "framework/WinApp.h"

#include <png.h>

#include <csetjmp>
#include <memory>
#include <new>

namespace {

// libpng's read callback: serves bytes from the CMemFile that is the read structure's I/O
// pointer; a short read is raised as a libpng error.
void ReadPngData(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<CMemFile*>(png_get_io_ptr(png));
    if (file->Read(data, static_cast<UINT>(length)) < length) png_error(png, "unexpected end of PNG data");
}

// Stores the message in *errorText, or shows it in the application's message box.
void ReportPngError(CString* errorText, const wchar_t* message) {
    if (errorText != nullptr) {
        *errorText = message;
    } else {
        AfxMessageBox(message, MB_OK, 0);
    }
}

// The libpng structures and the row table of one decode, released on every way out:
// normal return, refusal, libpng error and C++ exception alike.
struct PngReadSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::unique_ptr<png_bytep[]> rows;
    std::unique_ptr<png_byte[]> row;  // the one row of a decoding row by row

    PngReadSession() = default;
    PngReadSession(const PngReadSession&) = delete;
    PngReadSession& operator=(const PngReadSession&) = delete;
    ~PngReadSession() {
        if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlaceType = 0;
};

// Reads file's header through libpng. Called below a setjmp point: a libpng error jumps
// back over this frame, which holds nothing to unwind.
PngHeader ReadHeader(png_structp png, png_infop info, CMemFile& file) {
    png_set_read_fn(png, &file, ReadPngData);
    png_read_info(png, info);
    PngHeader header;
    png_get_IHDR(png, info, &header.width, &header.height, &header.bitDepth, &header.colorType, &header.interlaceType,
                 nullptr, nullptr);
    return header;
}

// Everything that may raise a libpng error runs here, below the setjmp point. libpng errors
// come back as a longjmp, so this function keeps no object with a destructor alive across a
// libpng call, and nothing C++ ever unwinds through libpng's own frames.
bool ReadImage(PngReadSession& session, CPackedDib& image, CMemFile& file, CString* errorText) {
    png_structp png = session.png;
    png_infop info = session.info;
    if (setjmp(png_jmpbuf(png))) return false;  // corrupt data, CRC error, short read, no memory

    const PngHeader header = ReadHeader(png, info, file);
    const png_uint_32 width = header.width, height = header.height;
    const int bitDepth = header.bitDepth, colorType = header.colorType;

    if (bitDepth > 8) {
        ReportPngError(errorText, L"色数が多すぎます。");
        return false;
    }
    // Palette images of 1, 2 or 4 bits then come out one index per byte.
    png_set_packing(png);

    int bitCount = 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        bitCount = 8;
    } else if (colorType == PNG_COLOR_TYPE_RGB) {
        png_set_bgr(png);  // a DIB stores blue, green, red
        bitCount = 24;
    } else {
        ReportPngError(errorText, L"このPNGの画像フォーマットには未対応です。");
        image.Release();  // a refused image leaves the target empty, as a failed Create would
        return false;
    }
    if (!image.Create(static_cast<int>(width), static_cast<int>(height), bitCount)) return false;

    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &palette, &count);
        RGBQUAD table[256] = {};
        for (int i = 0; i < count && i < 256; ++i) {
            table[i].rgbBlue = palette[i].blue;
            table[i].rgbGreen = palette[i].green;
            table[i].rgbRed = palette[i].red;
        }
        image.SetColorTable(table);
    }

    // Each PNG row goes straight to its place in the bottom-up DIB: the first row is the last
    // one in memory.
    session.rows.reset(new png_bytep[height]);
    for (png_uint_32 i = 0; i < height; ++i) {
        session.rows[i] = image.Bits() + static_cast<size_t>(height - 1 - i) * static_cast<size_t>(image.Stride());
    }
    png_read_image(png, session.rows.get());  // runs the interlace passes itself
    session.rows.reset();

    png_read_end(png, info);
    return true;
}

// Row by row into a sink, under the same rules as ReadImage. The sink runs between libpng's
// calls, never inside one: a libpng error cannot jump over its frames.
bool StreamRows(PngReadSession& session, CMemFile& file, CPngRowSink& sink) {
    png_structp png = session.png;
    png_infop info = session.info;
    if (setjmp(png_jmpbuf(png))) return false;

    const PngHeader header = ReadHeader(png, info, file);
    const png_uint_32 width = header.width, height = header.height;
    const int bitDepth = header.bitDepth, colorType = header.colorType, interlaceType = header.interlaceType;
    if (bitDepth != 8 || colorType != PNG_COLOR_TYPE_RGB || interlaceType != PNG_INTERLACE_NONE) return false;
    if (width > 0x7FFFFFFF / 3 || height > 0x7FFFFFFF) return false;
    png_set_bgr(png);
    if (!sink.Begin(static_cast<int>(width), static_cast<int>(height))) return false;

    session.row.reset(new png_byte[static_cast<size_t>(width) * 3]);
    for (png_uint_32 i = 0; i < height; ++i) {
        png_read_row(png, session.row.get(), nullptr);
        sink.Row(session.row.get());
    }
    png_read_end(png, info);
    return true;
}

// The resource's bytes, or null for a missing one.
const BYTE* PngResourceBytes(WORD pngId, DWORD& size) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(pngId), L"PNG");
    if (resource == nullptr) return nullptr;
    size = ::SizeofResource(module, resource);
    HGLOBAL handle = ::LoadResource(module, resource);
    if (handle == nullptr) return nullptr;
    return static_cast<const BYTE*>(::LockResource(handle));
}

png_structp CreateReadStruct() {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    // Every chunk's CRC is still checked, so damaged image data is still refused; the checksum
    // of the inflated data (a pass over every byte of a picture) would only check it twice.
    if (png != nullptr) png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    return png;
}

}  // namespace

bool StreamPngResource(WORD pngId, CPngRowSink& sink) {
    DWORD size = 0;
    const BYTE* bytes = PngResourceBytes(pngId, size);
    if (bytes == nullptr) return false;
    CMemFile file(bytes, size, 0);
    return StreamPng(file, sink);
}

bool StreamPng(CMemFile& file, CPngRowSink& sink) {
    try {
        PngReadSession session;
        session.png = CreateReadStruct();
        if (session.png == nullptr) return false;
        session.info = png_create_info_struct(session.png);
        if (session.info == nullptr) return false;
        return StreamRows(session, file, sink);
    } catch (...) {
        return false;  // out of memory for the row or the sink's picture
    }
}

bool DecodePng(CPackedDib& image, CMemFile& file, CString* errorText) {
    try {
        PngReadSession session;
        session.png = CreateReadStruct();
        if (session.png == nullptr) {
            ReportPngError(errorText, L"PNG構造体の作成に失敗しました。");
            return false;
        }
        session.info = png_create_info_struct(session.png);
        if (session.info == nullptr) {
            ReportPngError(errorText, L"PNG構造体の初期化に失敗しました。");
            return false;
        }
        return ReadImage(session, image, file, errorText);
    } catch (...) {
        // Out of memory for the image block or the row table.
        return false;
    }
}

bool LoadPngResource(CPackedDib& image, WORD pngId, CString* errorText) {
    DWORD size = 0;
    const BYTE* bytes = PngResourceBytes(pngId, size);
    if (bytes == nullptr) return false;
    CMemFile file(bytes, size, 0);
    return DecodePng(image, file, errorText);
}
