#include "audio/Spectrum.h"

#include <cmath>
#include <numbers>

namespace tw::audio {

Spectrum::Spectrum()
    : in_(static_cast<float*>(av_malloc(sizeof(float) * (size + 2)))),
      out_(static_cast<float*>(av_malloc(sizeof(float) * (size + 2))))
{
    for (int i = 0; i < size; ++i)
        window_[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / size));  // periodic Hann
    AVTXContext* raw = nullptr;
    const float scale = 1.0f;
    if (in_ && out_ && av_tx_init(&raw, &transform_, AV_TX_FLOAT_RDFT, 0, size, &scale, 0) >= 0)
        tx_.reset(raw);
}

void Spectrum::compute(const float* samples, float* magnitudes)
{
    if (!tx_) {
        std::fill(magnitudes, magnitudes + bins, 0.0f);
        return;
    }
    for (int i = 0; i < size; ++i)
        in_.get()[i] = samples[i] * window_[i];
    transform_(tx_.get(), out_.get(), in_.get(), sizeof(float));
    // The window's coherent gain is 1/2 and a real sine splits into two bins.
    constexpr float norm = 4.0f / size;
    const float* c = out_.get();
    for (int k = 0; k < bins; ++k)
        magnitudes[k] = std::hypot(c[2 * k], c[2 * k + 1]) * norm;
}

}  // namespace tw::audio
