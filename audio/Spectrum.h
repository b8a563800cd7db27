// Magnitudes of a Hann-windowed 1024-point FFT (libavutil's tx), scaled so
// that a full-scale sine centred on a bin gives 1.0 in that bin.
#pragma once

#include "audio/FfmpegHandles.h"

#include <array>

namespace tw::audio {

class Spectrum {
public:
    static constexpr int size = 1024;
    static constexpr int bins = size / 2;

    Spectrum();
    // samples: size values in -1..1. Fills bins magnitudes (0 .. size/2 - 1).
    void compute(const float* samples, float* magnitudes);

private:
    TxPtr tx_;
    av_tx_fn transform_ = nullptr;
    std::array<float, size> window_{};
    // av_tx wants aligned buffers; the output has size/2 + 1 complex values.
    struct AvFree {
        void operator()(float* p) const { av_free(p); }
    };
    std::unique_ptr<float, AvFree> in_;
    std::unique_ptr<float, AvFree> out_;
};

}  // namespace tw::audio
