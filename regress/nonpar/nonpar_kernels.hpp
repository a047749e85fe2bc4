// The smoothing kernels of NONPAR. Every kernel is scaled so that the bandwidth h is its standard
// deviation: the weight of a point at distance d is kernel_weight(shape, d / h) / h, and a
// kernel density estimate with any shape has the same spread for the same h.
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

enum class KernelShape {
    GAUSSIAN,
    EPANECHNIKOV,
    BIWEIGHT,
    TRIANGULAR,
    RECTANGULAR,
    COSINE,
    OPTCOSINE
};

// The kernel named by `word` (its first eight letters: GAUSSIAN, EPANECHN(IKOV), BIWEIGHT,
// TRIANGUL(AR), RECTANGU(LAR), COSINE, OPTCOSIN(E)); false for any other word.
bool kernel_from_word(const std::string& word, KernelShape& shape);
// The name the report prints.
std::string kernel_name(KernelShape shape);

// A kernel with its support worked out once, for the loops that weigh many points.
struct Kernel {
    KernelShape shape = KernelShape::GAUSSIAN;
    // Half the width of the support in units of h. The Gaussian kernel has no edge: its window
    // is cut at 12 standard deviations, where a point weighs less than 6e-32 of one at the centre.
    Real reach = 12;
    // The density of the unit-variance kernel at u (zero outside its support).
    Real weight(Real u) const;
};
Kernel make_kernel(KernelShape shape);

} // namespace tarvex
