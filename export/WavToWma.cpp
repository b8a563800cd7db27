#include "export/WavToWma.h"

#include <dlfcn.h>

#include "export/ExportTexts.h"
#include "wav/File.h"

namespace tw {

WavToWma::WavToWma(Messenger& messages, const std::string& modulePath) : messages_(messages)
{
    library_ = ::dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    const std::string name = modulePath.substr(modulePath.find_last_of('/') + 1);
    if (!library_) {
        messages_.inform("Could not load " + name + " file", kWmaCaption);
        return;
    }
    create_ = reinterpret_cast<WMAudioCreateWriterFn>(::dlsym(library_, "WMAudioCreateWriter"));
    if (!create_)
        messages_.inform("Could not found WMAudioCreateWriter library function", kWmaCaption);
}

WavToWma::~WavToWma()
{
    if (writer_) {
        writer_->vtbl->Finish(writer_);
        releaseWriter();
    }
    if (library_)
        ::dlclose(library_);
}

void WavToWma::releaseWriter()
{
    writer_->vtbl->Release(writer_);
    writer_ = nullptr;
}

int WavToWma::Open(const std::string& path, std::uint32_t sampleRate, std::uint32_t channels,
                   std::uint32_t bitsPerSecond)
{
    if (!create_)
        return -1;
    // The writer would only find out when it sets the output format: a folder
    // that takes no file is the file's fault, not the encoder's.
    if (!File::createNew(path)) {
        messages_.inform(kMsgCannotCreateFile);
        return -1;
    }
    WaveFormatPcm format{};
    format.formatTag = 1;
    format.channels = static_cast<std::uint16_t>(channels);
    format.samplesPerSec = sampleRate;
    format.blockAlign = static_cast<std::uint16_t>(channels * 2);
    format.avgBytesPerSec = format.blockAlign * sampleRate;
    format.bitsPerSample = 16;
    if (create_(path.c_str(), &writer_) < 0 || !writer_) {
        writer_ = nullptr;
        messages_.inform("Failed to Create Audio Writer", kWmaCaption);
        return -1;
    }
    if (writer_->vtbl->SetInputFormat(writer_, &format) < 0) {
        releaseWriter();
        messages_.inform("Failed to Set Input Format", kWmaCaption);
        return -1;
    }
    if (writer_->vtbl->SetOutputFormat(writer_, bitsPerSecond, 44100, 2, 0) < 0) {
        releaseWriter();
        messages_.inform("Failed to Set Output Format", kWmaCaption);
        return -1;
    }
    return 16384;
}

bool WavToWma::WriteChunk(const std::uint8_t* data, std::uint32_t bytes)
{
    if (bytes == 0)
        return true;
    return writer_ && writer_->vtbl->WriteSamples(writer_, data, bytes) >= 0;
}

bool WavToWma::Close()
{
    if (!writer_)
        return true;
    if (writer_->vtbl->Finish(writer_) < 0)
        return false;  // kept: destruction tries once more
    releaseWriter();
    return true;
}

}  // namespace tw
