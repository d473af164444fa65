#pragma once

// Common base of every signal-processing object: each module knows the rate it
// runs at and is driven one double-precision sample per call, either as a
// processor (processSample) or as a generator (getSample).
class AudioModule {
public:
    virtual ~AudioModule() = default;

    // Rates that are not above zero (including NaN) leave the old rate.
    virtual void setSampleRate(double rate)
    {
        if (rate > 0.0)
            sampleRate = rate;
    }

    virtual double processSample(double in) { return in; }
    virtual double getSample() { return 0.0; }

    double getSampleRate() const { return sampleRate; }

protected:
    double sampleRate = 44100.0;
};
