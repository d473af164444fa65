#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>

// A by-velocity amount: the setting as made and the setting scaled by the
// accent, which is the one a note-on applies.
struct VelocityAmount {
    double raw = 0.0;
    double effective = 0.0;

    // Non-finite settings are ignored; the scaled copy is refreshed either way.
    void set(double amount, double accent)
    {
        if (std::isfinite(amount))
            raw = amount;
        applyAccent(accent);
    }

    // Clamped so that a huge setting times a huge accent stays finite.
    void applyAccent(double accent) { effective = std::clamp(raw * accent, -DBL_MAX, DBL_MAX); }

    // Offset for a velocity centred on 64: 127 adds the whole amount, 1 subtracts it.
    double centred(int velocity) const { return (velocity - 64) / 63.0 * effective; }

    // Offset growing with the velocity from 0 at velocity 0 to the whole amount at 127.
    double proportional(int velocity) const { return velocity / 127.0 * effective; }
};
