// The passes of the effects that change the sound. Samples are 16-bit signed
// or 8-bit unsigned (b - 128 centred); a frame's channels keep their order.
#pragma once

#include <cstdint>

#include "edit/EditBody.h"

namespace tw {

// frames of silence (0, or 128 for 8 bits) in before frame (at the end of
// the data from frameCount on); the markers then stand on them exactly.
EditPass insertSilencePass(const DocumentState& doc, std::uint64_t frame, std::uint64_t frames);
// The frames of the range in reverse order.
EditPass reversePass();
// Every sample negated: -v (-32768 gives 32767), 8 bits 256 - v (0 gives 255).
EditPass invertPass();
// The first two channels exchanged.
EditPass swapChannelsPass();
// From each channel its mean over the range, rounded to the nearest integer
// (halves away from zero), taken away; clamped as Volume clamps.
EditPass removeDcPass();

}  // namespace tw
