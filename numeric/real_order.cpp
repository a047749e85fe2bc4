// Order-preserving keys of binary128 values: a positive value's bits with the sign bit set, a
// negative value's bits complemented, so that unsigned integer order is the order of the values.
#include "numeric/real_order.hpp"

#include <algorithm>
#include <cstring>

namespace tarvex {

namespace {

constexpr OrderKey SIGN_BIT = OrderKey(1) << 127;

} // namespace

OrderKey order_key(Real x) {
    OrderKey bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits & SIGN_BIT ? ~bits : bits | SIGN_BIT;
}

Real value_of_key(OrderKey key) {
    const OrderKey bits = key & SIGN_BIT ? key & ~SIGN_BIT : ~key;
    Real x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

void sort_reals(std::vector<Real>& values) {
    std::vector<OrderKey> keys(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        keys[i] = order_key(values[i]);
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = value_of_key(keys[i]);
}

std::vector<std::size_t> stable_order(const std::vector<Real>& values) {
    struct Entry {
        OrderKey key;
        std::size_t index;
    };
    const OrderKey plus_zero = order_key(0), minus_zero = ~SIGN_BIT;
    std::vector<Entry> entries(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const OrderKey key = order_key(values[i]);
        entries[i] = {key == minus_zero ? plus_zero : key, i};
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.key < b.key || (a.key == b.key && a.index < b.index);
    });
    std::vector<std::size_t> order(values.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = entries[i].index;
    return order;
}

} // namespace tarvex
