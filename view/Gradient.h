// The displays' gradients: a colour per pixel step from a start colour, with
// the per-component step kept in single precision as the displays compute it.
#pragma once

#include <QColor>

#include <cmath>

namespace tw {

class Gradient {
public:
    // The step of each component is (to - from) / steps.
    Gradient(const QColor& from, const QColor& to, int steps)
        : from_(from),
          dr_(step(from.red(), to.red(), steps)),
          dg_(step(from.green(), to.green(), steps)),
          db_(step(from.blue(), to.blue(), steps))
    {
    }

    // from + trunc(n × step), each component modulo 256.
    QColor at(int n) const
    {
        return QColor(part(from_.red(), dr_, n), part(from_.green(), dg_, n), part(from_.blue(), db_, n));
    }

private:
    static float step(int from, int to, int steps)
    {
        return steps == 0 ? 0.0f : static_cast<float>(to - from) / static_cast<float>(steps);
    }
    static int part(int base, float d, int n)
    {
        return (base + static_cast<int>(std::trunc(static_cast<float>(n) * d))) & 0xFF;
    }

    QColor from_;
    float dr_, dg_, db_;
};

}  // namespace tw
