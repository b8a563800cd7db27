#include "export/WavToMp3.h"

#include "export/ExportTexts.h"

#include <dlfcn.h>

#include <algorithm>
#include <memory>

namespace tw {

namespace {

using Lame = void*;

template <class F>
bool lookUp(void* library, const char* name, F& entry)
{
    entry = reinterpret_cast<F>(::dlsym(library, name));
    return entry != nullptr;
}

}  // namespace

// LAME's entry points, in the order they are looked up.
struct WavToMp3::Api {
    Lame (*init)() = nullptr;
    int (*setInSamplerate)(Lame, int) = nullptr;
    int (*setOutSamplerate)(Lame, int) = nullptr;
    int (*setNumChannels)(Lame, int) = nullptr;
    int (*setMode)(Lame, int) = nullptr;
    int (*setBrate)(Lame, int) = nullptr;
    int (*setCopyright)(Lame, int) = nullptr;
    int (*setErrorProtection)(Lame, int) = nullptr;
    int (*setOriginal)(Lame, int) = nullptr;
    int (*setExtension)(Lame, int) = nullptr;
    int (*setWriteVbrTag)(Lame, int) = nullptr;
    int (*initParams)(Lame) = nullptr;
    int (*getFramesize)(Lame) = nullptr;
    int (*encodeBuffer)(Lame, const short*, const short*, int, unsigned char*, int) = nullptr;
    int (*encodeBufferInterleaved)(Lame, short*, int, unsigned char*, int) = nullptr;
    int (*encodeFlush)(Lame, unsigned char*, int) = nullptr;
    std::size_t (*getLametagFrame)(Lame, unsigned char*, std::size_t) = nullptr;
    int (*close)(Lame) = nullptr;

    // The first missing entry point's name, or nothing when all are there.
    const char* load(void* library)
    {
        const std::pair<const char*, bool> found[] = {
            {"lame_init", lookUp(library, "lame_init", init)},
            {"lame_set_in_samplerate", lookUp(library, "lame_set_in_samplerate", setInSamplerate)},
            {"lame_set_out_samplerate", lookUp(library, "lame_set_out_samplerate", setOutSamplerate)},
            {"lame_set_num_channels", lookUp(library, "lame_set_num_channels", setNumChannels)},
            {"lame_set_mode", lookUp(library, "lame_set_mode", setMode)},
            {"lame_set_brate", lookUp(library, "lame_set_brate", setBrate)},
            {"lame_set_copyright", lookUp(library, "lame_set_copyright", setCopyright)},
            {"lame_set_error_protection", lookUp(library, "lame_set_error_protection", setErrorProtection)},
            {"lame_set_original", lookUp(library, "lame_set_original", setOriginal)},
            {"lame_set_extension", lookUp(library, "lame_set_extension", setExtension)},
            {"lame_set_bWriteVbrTag", lookUp(library, "lame_set_bWriteVbrTag", setWriteVbrTag)},
            {"lame_init_params", lookUp(library, "lame_init_params", initParams)},
            {"lame_get_framesize", lookUp(library, "lame_get_framesize", getFramesize)},
            {"lame_encode_buffer", lookUp(library, "lame_encode_buffer", encodeBuffer)},
            {"lame_encode_buffer_interleaved", lookUp(library, "lame_encode_buffer_interleaved", encodeBufferInterleaved)},
            {"lame_encode_flush", lookUp(library, "lame_encode_flush", encodeFlush)},
            {"lame_get_lametag_frame", lookUp(library, "lame_get_lametag_frame", getLametagFrame)},
            {"lame_close", lookUp(library, "lame_close", close)},
        };
        for (const auto& [name, ok] : found)
            if (!ok)
                return name;
        return nullptr;
    }
};

int mp3Bitrate(std::uint32_t requested)
{
    constexpr std::pair<std::uint32_t, int> kBounds[] = {{36, 32},   {44, 40},   {52, 48},   {60, 56},  {67, 64},
                                                        {88, 80},   {104, 96},  {120, 112}, {144, 128}, {176, 160},
                                                        {208, 192}, {240, 224}, {288, 256}};
    for (const auto& [bound, rate] : kBounds)
        if (requested <= bound)
            return rate;
    return 320;
}

WavToMp3::WavToMp3(Messenger& messages, const std::string& library) : messages_(messages)
{
    library_ = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        messages_.inform("Could not load " + library + " file", kLameCaption);
        return;
    }
    auto api = std::make_unique<Api>();
    if (const char* missing = api->load(library_)) {
        messages_.inform(std::string("Could not found ") + missing + " library function", kLameCaption);
        return;
    }
    api_ = std::move(api);
}

WavToMp3::~WavToMp3()
{
    if (lame_ && api_)
        api_->close(lame_);
    api_.reset();
    if (library_)
        ::dlclose(library_);
}

bool WavToMp3::fail(const std::string& text, int& result)
{
    messages_.inform(text, kLameCaption);
    result = -1;
    return false;
}

int WavToMp3::Open(const std::string& path, std::uint32_t sampleRate, int mode, std::uint32_t bitrate, bool copyright,
                   bool crc, bool original, bool privateBit)
{
    int result = -1;
    if (!api_)
        return -1;
    // Mode codes 1 to 4 are LAME's stereo, joint stereo, dual channel and mono.
    const int lameMode = std::clamp(mode, 1, 4) - 1;
    channels_ = lameMode == 3 ? 1 : 2;
    lame_ = api_->init();
    if (!lame_) {
        fail("Could not initialize Lame encoder", result);
        return result;
    }
    api_->setInSamplerate(lame_, static_cast<int>(sampleRate));
    api_->setOutSamplerate(lame_, static_cast<int>(sampleRate));
    api_->setNumChannels(lame_, channels_);
    api_->setMode(lame_, lameMode);
    api_->setBrate(lame_, mp3Bitrate(bitrate));
    api_->setCopyright(lame_, copyright);
    api_->setErrorProtection(lame_, crc);
    api_->setOriginal(lame_, original);
    api_->setExtension(lame_, privateBit);
    api_->setWriteVbrTag(lame_, 1);  // the Info frame: decoders trim delay and padding
    if (api_->initParams(lame_) < 0) {
        fail("Could not initialize Lame encoder", result);
        return result;
    }
    out_ = File::createNew(path);
    if (!out_) {
        fail("Can not create the file.", result);
        return result;
    }
    const int frame = api_->getFramesize(lame_);
    buffer_.resize(static_cast<std::size_t>(frame) * 5 / 4 + 7200);
    return frame * channels_ * 2;
}

bool WavToMp3::write(const std::uint8_t* data, int size)
{
    if (size > 0 && !out_.write(data, static_cast<std::size_t>(size)))
        writeFailed_ = true;
    return !writeFailed_;
}

int WavToMp3::EncodeChunk(const std::int16_t* samples, std::size_t bytes)
{
    if (!api_ || !lame_ || !out_)
        return -1;
    const int frames = static_cast<int>(bytes / 2 / static_cast<std::size_t>(channels_));
    const std::size_t need = static_cast<std::size_t>(frames) * 5 / 4 + 7200;
    if (buffer_.size() < need)
        buffer_.resize(need);
    const int produced =
        channels_ == 1
            ? api_->encodeBuffer(lame_, samples, samples, frames, buffer_.data(), static_cast<int>(buffer_.size()))
            : api_->encodeBufferInterleaved(lame_, const_cast<std::int16_t*>(samples), frames, buffer_.data(),
                                            static_cast<int>(buffer_.size()));
    if (produced < 0) {
        int result = -1;
        fail("Could not perform compression", result);
        return result;
    }
    if (!write(buffer_.data(), produced)) {
        // The disk is full, or the file went away: no fault of the encoder's.
        messages_.inform(kMsgCannotCreateFile);
        return -1;
    }
    return produced;
}

bool WavToMp3::Close()
{
    if (!api_ || !lame_)
        return false;
    bool ok = false;
    if (out_) {
        const int produced = api_->encodeFlush(lame_, buffer_.data(), static_cast<int>(buffer_.size()));
        write(buffer_.data(), produced);
        // The first frame was a placeholder for the Info frame.
        const std::size_t tag = api_->getLametagFrame(lame_, buffer_.data(), buffer_.size());
        if (tag > 0 && tag <= buffer_.size() && !out_.writeAt(buffer_.data(), tag, 0))
            writeFailed_ = true;
        ok = !writeFailed_ && out_.close();
    }
    api_->close(lame_);
    lame_ = nullptr;
    buffer_.clear();
    return ok;
}

}  // namespace tw
