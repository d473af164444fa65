#include "dsp/Noise.h"

double White2PinkFilter::processSample(double white)
{
    b0 = 0.99886 * b0 + 0.0555179 * white;
    b1 = 0.99332 * b1 + 0.0750759 * white;
    b2 = 0.969 * b2 + 0.153852 * white;
    b3 = 0.8665 * b3 + 0.3104856 * white;
    b4 = 0.55 * b4 + 0.5329522 * white;
    b5 = -0.7616 * b5 - 0.016898 * white;
    const double out = b0 + b1 + b2 + b3 + b4 + b5 + b6 + 0.5362 * white;
    b6 = 0.115926 * white;
    return out;
}

void White2PinkFilter::clear()
{
    b0 = b1 = b2 = b3 = b4 = b5 = b6 = 0.0;
}
