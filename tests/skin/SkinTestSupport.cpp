#include "SkinTestSupport.h"

#include "framework/WinUtil.h"

#include "AppProcess.h"
#include "framework/MemFile.h"
#include "skin/PngResource.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <fstream>
#include <iterator>
#include <stdexcept>

std::string FixturePath(const std::string& name) {
    std::string dir = EnvOr("DUSTWHIRL_BINARY_DIR", ".") + "/tests/skin/fixtures/";
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;  // Wine maps the Unix root to Z:
    return dir + name;
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {
void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

int SamplesPerPixel(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGBA: return 4;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    default: return 1;
    }
}

// Rows packed as the PNG stores them.
std::vector<Bytes> PackRows(const PngPicture& picture) {
    const int samples = picture.width * SamplesPerPixel(picture.colorType);
    std::vector<Bytes> rows(static_cast<size_t>(picture.height));
    const int bytesPerSample = picture.bitDepth == 16 ? 2 : 1;
    for (int y = 0; y < picture.height; ++y) {
        Bytes& row = rows[static_cast<size_t>(y)];
        if (picture.bitDepth >= 8) {
            auto first = picture.samples.begin() + static_cast<long>(y) * samples * bytesPerSample;
            row.assign(first, first + samples * bytesPerSample);
            continue;
        }
        row.assign(static_cast<size_t>((samples * picture.bitDepth + 7) / 8), 0);
        for (int i = 0; i < samples; ++i) {
            int value = picture.samples[static_cast<size_t>(y * samples + i)];
            int bit = i * picture.bitDepth;
            row[static_cast<size_t>(bit / 8)] |= static_cast<BYTE>(value << (8 - picture.bitDepth - bit % 8));
        }
    }
    return rows;
}

bool WriteInto(png_structp png, png_infop info, const PngPicture& picture, std::vector<Bytes>& rows, Bytes& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, AppendToVector, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height),
                 picture.bitDepth, picture.colorType, picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (picture.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(picture.palette.data()),
                     static_cast<int>(picture.palette.size() / 3));
    }
    if (!picture.trns.empty()) png_set_tRNS(png, info, picture.trns.data(), static_cast<int>(picture.trns.size()), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    return true;
}
}  // namespace

Bytes WritePng(const PngPicture& picture) {
    std::vector<Bytes> rows = PackRows(picture);
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = WriteInto(png, info, picture, rows, out);
    png_destroy_write_struct(&png, &info);
    if (!ok) throw std::runtime_error("libpng could not write the test image");
    return out;
}

bool Decode(const Bytes& png, CPackedDib& image, std::string* errorText) {
    CMemFile file(png.data(), static_cast<UINT>(png.size()), 0);
    CString message;
    const bool decoded = DecodePng(image, file, errorText != nullptr ? &message : nullptr);
    if (errorText != nullptr) *errorText = ToUtf8(message);
    return decoded;
}

Bytes TopDownRgb(const CPackedDib& image) {
    Bytes rgb;
    for (int y = 0; y < image.Height(); ++y) {
        const BYTE* row = image.Bits() + static_cast<size_t>(image.Height() - 1 - y) * image.Stride();
        for (int x = 0; x < image.Width(); ++x) {
            if (image.BitCount() == 24) {
                const BYTE* p = row + 3 * x;
                rgb.insert(rgb.end(), {p[2], p[1], p[0]});
            } else {
                const RGBQUAD& c = image.Colors()[row[x]];
                rgb.insert(rgb.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
            }
        }
    }
    return rgb;
}

MessageBoxWatcher::MessageBoxWatcher() : m_thread([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() { Stop(); }

std::vector<MessageBoxWatcher::Seen> MessageBoxWatcher::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    return m_seen;
}

void MessageBoxWatcher::Run() {
    const DWORD pid = ::GetCurrentProcessId();
    std::vector<HWND> answered;
    while (!m_stop) {
        HWND box = nullptr;
        while ((box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(box, &owner);
            if (owner != pid || !::IsWindowVisible(box) || ::GetDlgItem(box, 0xFFFF) == nullptr) continue;
            if (std::find(answered.begin(), answered.end(), box) != answered.end()) continue;
            answered.push_back(box);
            m_seen.push_back({WindowText(box), MessageBoxText(box)});
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        ::Sleep(20);
    }
}
