// Builds small AVI files byte by byte, for cases no encoder writes: odd time bases, empty frame
// rectangles, top-down pictures, broken sizes and indexes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace avitest {

using Bytes = std::vector<std::uint8_t>;

inline void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put_id(Bytes& b, std::string_view id) {
    for (std::size_t i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(i < id.size() ? id[i] : ' '));
}
inline void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

inline Bytes chunk(std::string_view id, const Bytes& body) {
    Bytes b;
    put_id(b, id);
    put32(b, static_cast<std::uint32_t>(body.size()));
    append(b, body);
    if (body.size() % 2) b.push_back(0);
    return b;
}

inline Bytes list(std::string_view kind, std::string_view type, const std::vector<Bytes>& items) {
    Bytes body;
    put_id(body, type);
    for (const auto& item : items) append(body, item);
    return chunk(kind, body);
}

struct Stream {
    std::string type = "vids";
    std::uint32_t scale = 1;
    std::uint32_t rate = 25;
    std::uint32_t length = 0;
    std::int16_t rect[4] = {0, 0, 0, 0}; // left, top, right, bottom
    bool with_rect = true;               // false: the older 48-byte stream header
    std::int32_t width = 0;              // of the format (video) record
    std::int32_t height = 0;
    bool with_header = true;
    bool with_format = true;
};

inline Bytes stream_header(const Stream& s) {
    Bytes b;
    put_id(b, s.type);
    put_id(b, s.type == "vids" ? "DIB " : std::string_view("\0\0\0\0", 4));
    put32(b, 0);       // flags
    put32(b, 0);       // priority, language
    put32(b, 0);       // initial frames
    put32(b, s.scale);
    put32(b, s.rate);
    put32(b, 0);       // start
    put32(b, s.length);
    put32(b, 0);       // suggested buffer size
    put32(b, 0xFFFFFFFFu); // quality
    put32(b, s.type == "auds" ? 4 : 0);
    if (s.with_rect)
        for (auto v : s.rect) put16(b, static_cast<std::uint16_t>(v));
    return b;
}

inline Bytes stream_format(const Stream& s) {
    Bytes b;
    if (s.type == "vids") {
        put32(b, 40);
        put32(b, static_cast<std::uint32_t>(s.width));
        put32(b, static_cast<std::uint32_t>(s.height));
        put16(b, 1);
        put16(b, 24);
        for (int i = 0; i < 6; ++i) put32(b, 0);
    } else {
        put16(b, 1);      // PCM
        put16(b, 2);      // channels
        put32(b, 44100);
        put32(b, 176400);
        put16(b, 4);
        put16(b, 16);
        put16(b, 0);
    }
    return b;
}

struct File {
    std::vector<Stream> streams;
    bool with_main_header = true;
    std::vector<std::string> data;  // ids of the data chunks in the data list, e.g. "00dc"
    bool with_index = true;
    std::vector<std::string> index; // ids of the index entries; empty: those of the data chunks
};

inline Bytes main_header(const File& f) {
    Bytes b;
    put32(b, 40000);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0x10); // has an index
    put32(b, f.streams.empty() ? 0 : f.streams[0].length);
    put32(b, 0);
    put32(b, static_cast<std::uint32_t>(f.streams.size()));
    put32(b, 0);
    put32(b, f.streams.empty() ? 0 : static_cast<std::uint32_t>(f.streams[0].width));
    put32(b, f.streams.empty() ? 0 : static_cast<std::uint32_t>(f.streams[0].height));
    for (int i = 0; i < 4; ++i) put32(b, 0);
    return b;
}

inline Bytes header_list(const File& f) {
    std::vector<Bytes> items;
    if (f.with_main_header) items.push_back(chunk("avih", main_header(f)));
    for (const auto& s : f.streams) {
        std::vector<Bytes> parts;
        if (s.with_header) parts.push_back(chunk("strh", stream_header(s)));
        if (s.with_format) parts.push_back(chunk("strf", stream_format(s)));
        items.push_back(list("LIST", "strl", parts));
    }
    return list("LIST", "hdrl", items);
}

inline Bytes data_list(const File& f) {
    std::vector<Bytes> items;
    for (const auto& id : f.data) items.push_back(chunk(id, Bytes{1, 2, 3}));
    return list("LIST", "movi", items);
}

inline Bytes index_chunk(const File& f) {
    Bytes b;
    std::uint32_t offset = 4;
    for (const auto& id : f.index.empty() ? f.data : f.index) {
        put_id(b, id);
        put32(b, 0x10);
        put32(b, offset);
        put32(b, 3);
        offset += 12;
    }
    return chunk("idx1", b);
}

inline Bytes build(const File& f) {
    std::vector<Bytes> items{header_list(f), data_list(f)};
    if (f.with_index) items.push_back(index_chunk(f));
    return list("RIFF", "AVI ", items);
}

// Offset of the first occurrence of a four-character id, or npos.
inline std::size_t find_id(const Bytes& b, std::string_view id, std::size_t from = 0) {
    for (std::size_t i = from; i + 4 <= b.size(); ++i)
        if (std::memcmp(b.data() + i, id.data(), 4) == 0) return i;
    return std::string::npos;
}

inline void patch32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace avitest
