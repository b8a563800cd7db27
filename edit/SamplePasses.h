// The passes that change samples in place: Fade In, Fade Out, Volume and
// Normalize.
// All sample arithmetic is 32-bit integer arithmetic, except Volume's
// product, which is exact in floating point for its seven factors.
#pragma once

#include "edit/EditBody.h"

namespace tw {

EditPass fadeInPass();
EditPass fadeOutPass();

// The factor of a position in the Volume list: 2.5, 2, 1.5, 1, 0.75, 0.5,
// and 0.25 for position 6 or any other.
float volumeGain(int position);

// Scales the range by gain, or silences it when mute is set; 1 without
// mute changes no byte (but is still an edit).
EditPass volumePass(float gain, bool mute);

// Normalize's change of one sample: a sample of the peak's magnitude lands
// exactly on level (with its sign); any other is multiplied by gain and
// truncated toward zero, in integers (value × level / peak) where level is
// exactly the gain's target, as at 0 dB.
struct NormalizeScale {
    int peak = 1;
    int level = 0;
    double gain = 1.0;
    bool exact = false;
    int operator()(int value) const;
};

// Scales the range by scale (then clamped as Volume clamps).
EditPass normalizePass(const NormalizeScale& scale);

}  // namespace tw
