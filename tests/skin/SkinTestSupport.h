// Helpers of the skin tests: fixture paths, PNG files written with libpng in memory, decoded
// images read back as top-down RGB, and a watcher for message boxes of this process.
#pragma once

#include "skin/PackedDib.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<BYTE>;

// A file of the build-time fixtures (tests/skin/fixtures in the build tree).
std::string FixturePath(const std::string& name);
Bytes ReadFileBytes(const std::string& path);

struct PngPicture {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colorType = 2;  // PNG_COLOR_TYPE_*
    bool interlaced = false;
    std::vector<BYTE> palette;  // RGB triples for colour type 3
    std::vector<BYTE> trns;     // palette alpha values, written as a tRNS chunk when given
    // One value per sample, row after row, top row first (16-bit samples as two bytes, MSB first).
    // Sub-byte palette indices are given one per byte and packed here.
    std::vector<BYTE> samples;
};
// Encodes picture as a PNG file with libpng.
Bytes WritePng(const PngPicture& picture);

// Decodes PNG bytes through DecodePng.
// The decoder's message, if any, in UTF-8.
bool Decode(const Bytes& png, CPackedDib& image, std::string* errorText);

// The image's pixels as RGB triples, top row first (palette images through their colour table).
Bytes TopDownRgb(const CPackedDib& image);

// Watches for message boxes of this process on another thread, records their texts and
// captions and answers each with its default button.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    struct Seen {
        std::string caption;
        std::string text;
    };
    // Stops watching and returns what was seen.
    std::vector<Seen> Stop();

private:
    void Run();
    std::atomic<bool> m_stop{false};
    std::vector<Seen> m_seen;
    std::thread m_thread;
};
