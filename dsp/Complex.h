#pragma once

#include <cmath>

// Small complex number for the filter designer: a value class with the few
// operations a pole-zero design needs.
class Complex {
public:
    Complex() = default;
    Complex(double real, double imag) : re(real), im(imag) {}
    virtual ~Complex() = default;
    Complex(const Complex&) = default;
    Complex& operator=(const Complex&) = default;

    Complex operator+(const Complex& o) const { return {re + o.re, im + o.im}; }
    Complex operator-(const Complex& o) const { return {re - o.re, im - o.im}; }
    Complex operator*(const Complex& o) const { return {re * o.re - im * o.im, re * o.im + im * o.re}; }
    Complex operator*(double s) const { return {re * s, im * s}; }

    // No guard against a zero divisor: the designer never divides by 0 + 0j
    // for edges inside the open band 0 .. half the rate.
    Complex operator/(const Complex& o) const
    {
        const double d = o.re * o.re + o.im * o.im;
        return {(re * o.re + im * o.im) / d, (im * o.re - re * o.im) / d};
    }

    Complex exp() const
    {
        const double m = std::exp(re);
        return {m * std::cos(im), m * std::sin(im)};
    }

    // Principal root; atan2 gives 0 for 0 + 0j.
    Complex sqrt() const
    {
        const double r = std::sqrt(magnitude());
        const double half = 0.5 * std::atan2(im, re);
        return {r * std::cos(half), r * std::sin(half)};
    }

    double magnitude() const { return std::hypot(re, im); }

    double re = 0.0;
    double im = 0.0;
};
