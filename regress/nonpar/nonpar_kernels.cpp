// The smoothing kernels of NONPAR, each with unit variance.
#include "regress/nonpar/nonpar_kernels.hpp"

#include "numeric/qmath.hpp"

#include <utility>

namespace tarvex {

namespace {

// Half-widths of the supports that give each kernel unit variance.
Real kernel_half_width(KernelShape shape) {
    switch (shape) {
    case KernelShape::RECTANGULAR:
        return qm::sqrt(Real(3));
    case KernelShape::TRIANGULAR:
        return qm::sqrt(Real(6));
    case KernelShape::EPANECHNIKOV:
        return qm::sqrt(Real(5));
    case KernelShape::BIWEIGHT:
        return qm::sqrt(Real(7));
    case KernelShape::COSINE:
        return 1 / qm::sqrt(Real(1) / 3 - 2 / (qm::PI * qm::PI));
    case KernelShape::OPTCOSINE:
        return 1 / qm::sqrt(1 - 8 / (qm::PI * qm::PI));
    case KernelShape::GAUSSIAN:
        break;
    }
    return 12;
}

} // namespace

bool kernel_from_word(const std::string& word, KernelShape& shape) {
    const std::pair<const char*, KernelShape> words[] = {
        {"GAUSSIAN", KernelShape::GAUSSIAN},    {"EPANECHN", KernelShape::EPANECHNIKOV},
        {"BIWEIGHT", KernelShape::BIWEIGHT},    {"TRIANGUL", KernelShape::TRIANGULAR},
        {"RECTANGU", KernelShape::RECTANGULAR}, {"COSINE", KernelShape::COSINE},
        {"OPTCOSIN", KernelShape::OPTCOSINE}};
    const std::string key = word.substr(0, 8);
    for (const auto& [text, s] : words)
        if (key == text) {
            shape = s;
            return true;
        }
    return false;
}

std::string kernel_name(KernelShape shape) {
    switch (shape) {
    case KernelShape::EPANECHNIKOV:
        return "EPANECHNIKOV";
    case KernelShape::BIWEIGHT:
        return "BIWEIGHT";
    case KernelShape::TRIANGULAR:
        return "TRIANGULAR";
    case KernelShape::RECTANGULAR:
        return "RECTANGULAR";
    case KernelShape::COSINE:
        return "COSINE";
    case KernelShape::OPTCOSINE:
        return "OPTIMAL COSINE";
    case KernelShape::GAUSSIAN:
        break;
    }
    return "GAUSSIAN";
}

Kernel make_kernel(KernelShape shape) {
    return {shape, kernel_half_width(shape)};
}

Real Kernel::weight(Real u) const {
    static const Real inverse_root_two_pi = 1 / qm::sqrt(2 * qm::PI);
    if (shape == KernelShape::GAUSSIAN) return qm::exp(-u * u / 2) * inverse_root_two_pi;
    const Real a = reach;
    const Real r = qm::abs(u) / a;
    if (!(r < 1)) return 0;
    switch (shape) {
    case KernelShape::RECTANGULAR:
        return Real(1) / (2 * a);
    case KernelShape::TRIANGULAR:
        return (1 - r) / a;
    case KernelShape::EPANECHNIKOV:
        return Real(3) / 4 * (1 - r * r) / a;
    case KernelShape::BIWEIGHT:
        return Real(15) / 16 * (1 - r * r) * (1 - r * r) / a;
    case KernelShape::COSINE:
        return (1 + qm::cos(qm::PI * r)) / (2 * a);
    case KernelShape::OPTCOSINE:
        return qm::PI / 4 * qm::cos(qm::PI * r / 2) / a;
    case KernelShape::GAUSSIAN:
        break;
    }
    return 0;
}

} // namespace tarvex
