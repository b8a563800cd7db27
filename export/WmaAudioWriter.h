/* The WMA writer module's interface: a COM-style writer object made by
   WMAudioCreateWriter. Every method returns a status that is negative on
   failure. Shared by the module and the program; plain C layout. */
#pragma once

#include <cstdint>

namespace tw {

#pragma pack(push, 1)
struct WaveFormatPcm {  // 18 bytes, little-endian
    std::uint16_t formatTag;
    std::uint16_t channels;
    std::uint32_t samplesPerSec;
    std::uint32_t avgBytesPerSec;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    std::uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormatPcm) == 18);

struct IWMAudioWriter;

struct IWMAudioWriterVtbl {
    std::int32_t (*QueryInterface)(IWMAudioWriter* self, const void* iid, void** out);
    std::uint32_t (*AddRef)(IWMAudioWriter* self);
    std::uint32_t (*Release)(IWMAudioWriter* self);
    std::int32_t (*SetAttribute)(IWMAudioWriter* self, const char* name, const char* value);  // not used
    std::int32_t (*SetInputFormat)(IWMAudioWriter* self, const WaveFormatPcm* format);
    std::int32_t (*SetOutputFormat)(IWMAudioWriter* self, std::uint32_t bitsPerSecond, std::uint32_t sampleRate,
                                    std::uint32_t channels, std::uint32_t flags);
    std::int32_t (*SetQuality)(IWMAudioWriter* self, std::uint32_t quality);  // not used
    std::int32_t (*WriteSamples)(IWMAudioWriter* self, const std::uint8_t* data, std::uint32_t bytes);
    std::int32_t (*Finish)(IWMAudioWriter* self);
};

struct IWMAudioWriter {
    const IWMAudioWriterVtbl* vtbl;
};

// path: the output file's name as the file system takes it.
using WMAudioCreateWriterFn = std::int32_t (*)(const char* path, IWMAudioWriter** writer);

}  // namespace tw
