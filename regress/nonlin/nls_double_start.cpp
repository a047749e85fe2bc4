// Levenberg-Marquardt and Newton's method for NLINEAR in double precision, over the rows of the
// sample, to find the start of the binary128 fit (see nls_double_start.hpp).
#include "regress/nonlin/nls_double_start.hpp"

#include "expr/double_block_derivative.hpp"
#include "expr/double_derivative.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/row_split.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

namespace tarvex {

namespace {

// The subsample's stage ends when a step changes no parameter by more than this relatively:
// its minimum is only near the sample's.
constexpr double SUBSAMPLE_STEP = 1e-8;
// The stage over all the rows ends after a Newton step below this, relatively: the step after
// it would be rounding noise in double.
constexpr double LAST_STEP = 1e-11;
// Newton steps below this are taken without asking the sum of squares, whose sum over many rows
// no longer resolves what they gain.
constexpr double TRUSTED_STEP = 1e-7;
constexpr double LAMBDA_START = 1e-3, LAMBDA_LIMIT = 1e30, LAMBDA_FLOOR = 1e-12;

// The sample in double: each series the equation reads, by observation, and y by row.
struct DoubleData {
    struct Column {
        int ref = 0;
        bool constant = false;
        double value = 0;
        std::vector<double> at; // at[t] for 1 <= t <= length
    };
    std::vector<Column> columns;
    std::vector<double> y;
};

// Sums over a set of rows at a point: the sum of squares, J'r, J'J and (Newton) sum r H.
struct Sums {
    double sse = 0;
    std::vector<double> jr, jj, rh;
    void clear(std::size_t k, bool derivatives, bool second) {
        sse = 0;
        jr.assign(derivatives ? k : 0, 0);
        jj.assign(derivatives ? k * k : 0, 0);
        rh.assign(second ? k * k : 0, 0);
    }
    void add(const Sums& o) {
        sse += o.sse;
        for (std::size_t j = 0; j < jr.size(); ++j) jr[j] += o.jr[j];
        for (std::size_t j = 0; j < jj.size(); ++j) jj[j] += o.jj[j];
        for (std::size_t j = 0; j < rh.size(); ++j) rh[j] += o.rh[j];
    }
};

// The rows of one fit: indices into the model's observations.
struct RowSet {
    const EquationModel* model;
    const DoubleData* data;
    std::vector<int> rows;
};

constexpr std::size_t CHUNK = 4096;

// Whether the rows are evaluated a block at a time (set_nls_double_blocks: tests compare both).
bool blocks_allowed = true;

bool by_blocks(const EquationModel& model) {
    return blocks_allowed && expr::DoubleBlockEvaluator::supported(model.program, model.k());
}

// A value in double (beyond its range an infinity, which no evaluation survives): only the
// search uses it.
double as_double(Real v) {
    return static_cast<double>(v);
}

// One row's terms added to the sums: r^2, and by order g r, g g' and r H (upper triangles).
// `g(a)` and `h(a, c)` give the row's derivatives.
template <class Gradient, class Hessian>
void add_row(Sums& s, double r, std::size_t k, int order, const Gradient& g, const Hessian& h) {
    s.sse += r * r;
    if (order < 1) return;
    for (std::size_t a = 0; a < k; ++a) {
        const double ga = g(a);
        s.jr[a] += ga * r;
        for (std::size_t c2 = a; c2 < k; ++c2) s.jj[a * k + c2] += ga * g(c2);
    }
    if (order < 2) return;
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t c2 = a; c2 < k; ++c2) s.rh[a * k + c2] += r * h(a, c2);
}

// A block's terms added to the sums, as add_row adds them row after row (each sum takes its
// rows' terms in the same order, so the same bits): `count` rows from row `first` of the set,
// their values, and by order the derivatives g[a] and h[a * k + c] (c >= a) over them.
void add_block(Sums& s, const RowSet& set, std::size_t first, std::size_t count,
               const double* value, std::size_t k, int order, const double* const* g,
               const double* const* h) {
    double r[expr::DoubleBlockEvaluator::BLOCK];
    const double* y = set.data->y.data();
    const int* rows = set.rows.data() + first;
    for (std::size_t i = 0; i < count; ++i) r[i] = y[static_cast<std::size_t>(rows[i])] - value[i];
    double sse = s.sse;
    for (std::size_t i = 0; i < count; ++i) sse += r[i] * r[i];
    s.sse = sse;
    if (order < 1) return;
    for (std::size_t a = 0; a < k; ++a) {
        const double* ga = g[a];
        double jr = s.jr[a];
        for (std::size_t i = 0; i < count; ++i) jr += ga[i] * r[i];
        s.jr[a] = jr;
        for (std::size_t c = a; c < k; ++c) {
            const double* gc = g[c];
            double jj = s.jj[a * k + c];
            for (std::size_t i = 0; i < count; ++i) jj += ga[i] * gc[i];
            s.jj[a * k + c] = jj;
        }
    }
    if (order < 2) return;
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t c = a; c < k; ++c) {
            const double* hac = h[a * k + c];
            double rh = s.rh[a * k + c];
            for (std::size_t i = 0; i < count; ++i) rh += r[i] * hac[i];
            s.rh[a * k + c] = rh;
        }
}

// The rows [first, end) of the set by the row-at-a-time evaluator, each handed to
// `each(i, value, g, h)` (g(a), h(a, c) its derivatives); false when a row cannot be evaluated.
// `t` is the observation the binding reads.
template <class Each>
bool chunk_by_rows(const RowSet& set, expr::DoubleDerivativeEvaluator& evaluator,
                   const std::vector<double>& b, std::size_t first, std::size_t end, long long& t,
                   const Each& each) {
    const std::size_t k = b.size();
    for (std::size_t i = first; i < end; ++i) {
        t = set.model->obs[static_cast<std::size_t>(set.rows[i])];
        const expr::DoubleDerivative& d = evaluator.evaluate(b.data());
        if (!d.ok) return false;
        each(
            i, d.value, [&](std::size_t a) { return d.gradient[a]; },
            [&](std::size_t a, std::size_t c) { return d.hessian[a * k + c]; });
    }
    return true;
}

// The same by blocks of rows: each block evaluated at once (the same values, to the bit, as row
// by row), then handed on whole, `block(first, count, value, g, h)` with g[a] and h[a * k + c]
// (c >= a) the derivatives over its rows. `block_first` is the block's first row for the binding.
template <class Block>
bool chunk_by_blocks(expr::DoubleBlockEvaluator& evaluator, const std::vector<double>& b, int order,
                     std::size_t first, std::size_t end, std::size_t& block_first,
                     const Block& block) {
    const std::size_t k = b.size();
    const std::size_t most = expr::DoubleBlockEvaluator::BLOCK;
    const std::vector<double> zeros(most, 0);
    std::vector<const double*> g(k), h(k * k);
    for (block_first = first; block_first < end; block_first += most) {
        const std::size_t count = std::min(most, end - block_first);
        if (!evaluator.evaluate(b.data(), count)) return false;
        const double* value = evaluator.value();
        // Entries zero by the statement's form read a zero at every row.
        auto or_zeros = [&zeros](const double* p) { return p ? p : zeros.data(); };
        for (std::size_t a = 0; a < k; ++a) {
            g[a] = or_zeros(evaluator.gradient(static_cast<int>(a)));
            for (std::size_t c = a; c < k && order >= 2; ++c)
                h[a * k + c] =
                    or_zeros(evaluator.hessian(static_cast<int>(a), static_cast<int>(c)));
        }
        block(block_first, count, value, g.data(), h.data());
    }
    return true;
}

// Evaluates the set's rows at b (derivatives to `order`), a block at a time where the statement
// allows it, else one at a time, by chunks of CHUNK rows on two threads for long sets (halves of
// whole chunks: each chunk on one thread). Each row goes to `each(chunk, i, value, g, h)`, or
// each block to `block(chunk, first, count, value, g, h)` (see chunk_by_blocks), the rows of a
// chunk in order. False when a row cannot be evaluated.
template <class Each, class Block>
bool over_rows(const RowSet& set, const std::vector<double>& b, int order, const Each& each,
               const Block& block) {
    const EquationModel& model = *set.model;
    const std::size_t n = set.rows.size();
    const std::size_t chunks = (n + CHUNK - 1) / CHUNK;
    std::vector<unsigned char> bad(chunks, 0);
    const int base = model.parameter_base, kk = model.k();
    const bool blocks = by_blocks(model);
    auto column_of = [&set](int ref) -> const DoubleData::Column* {
        for (const DoubleData::Column& c : set.data->columns)
            if (c.ref == ref) return &c;
        return nullptr;
    };
    auto work = [&](std::size_t first_row, std::size_t last_row) {
        long long t = 0;
        std::size_t block_first = 0;
        std::unique_ptr<expr::DoubleDerivativeEvaluator> by_row;
        std::unique_ptr<expr::DoubleBlockEvaluator> by_block;
        if (blocks) {
            expr::DoubleBlockBinding binding;
            binding.parameter = [base, kk](int ref) {
                return ref >= base && ref < base + kk ? ref - base : -1;
            };
            binding.data = [&](int ref, std::size_t count, double* out) {
                const DoubleData::Column* c = column_of(ref);
                if (c == nullptr) return false;
                for (std::size_t i = 0; i < count; ++i) {
                    if (c->constant) {
                        out[i] = c->value;
                        continue;
                    }
                    const long long at =
                        model.obs[static_cast<std::size_t>(set.rows[block_first + i])];
                    if (at < 1 || at >= static_cast<long long>(c->at.size())) return false;
                    out[i] = c->at[static_cast<std::size_t>(at)];
                }
                return true;
            };
            by_block = std::make_unique<expr::DoubleBlockEvaluator>(model.program, binding, kk,
                                                                    order >= 2);
        } else {
            expr::DoubleBinding binding;
            binding.parameter = [base, kk](int ref, int lag) {
                return lag == 0 && ref >= base && ref < base + kk ? ref - base : -1;
            };
            binding.datum = [&](int ref, int lag, double& value) {
                const DoubleData::Column* c = column_of(ref);
                if (c == nullptr) return false;
                if (c->constant) {
                    value = c->value;
                    return true;
                }
                const long long at = t - lag;
                if (at < 1 || at >= static_cast<long long>(c->at.size())) return false;
                value = c->at[static_cast<std::size_t>(at)];
                return true;
            };
            by_row = std::make_unique<expr::DoubleDerivativeEvaluator>(model.program, binding, kk,
                                                                       order >= 2);
        }
        for (std::size_t c = first_row / CHUNK; c * CHUNK < last_row; ++c) {
            const std::size_t end = std::min(n, (c + 1) * CHUNK);
            auto row = [&](std::size_t i, double value, const auto& g, const auto& h) {
                each(c, i, value, g, h);
            };
            auto rows = [&](std::size_t first, std::size_t count, const double* value,
                            const double* const* g,
                            const double* const* h) { block(c, first, count, value, g, h); };
            const bool ok =
                blocks ? chunk_by_blocks(*by_block, b, order, c * CHUNK, end, block_first, rows)
                       : chunk_by_rows(set, *by_row, b, c * CHUNK, end, t, row);
            if (!ok) {
                bad[c] = 1;
                return;
            }
        }
    };
    const std::size_t middle = (chunks / 2) * CHUNK;
    if (n >= SPLIT_MIN_ROWS && two_threads_available() && chunks > 1) {
        std::thread upper;
        try {
            upper = std::thread([&] { work(middle, n); });
        } catch (const std::system_error&) {
            work(0, n);
        }
        if (upper.joinable()) {
            work(0, middle);
            upper.join();
        }
    } else {
        work(0, n);
    }
    for (unsigned char failed : bad)
        if (failed) return false;
    return true;
}

// Sums over the rows at b (order 0: the sum of squares; 1: with J'r and J'J; 2: with sum r H);
// false when a row cannot be evaluated or a sum is not finite. Sums by chunk of rows, added in
// chunk order: the same bits on one thread or two, by blocks or by rows.
bool row_sums(const RowSet& set, const std::vector<double>& b, int order, Sums& out) {
    const std::size_t k = b.size(), n = set.rows.size();
    const std::size_t chunks = (n + CHUNK - 1) / CHUNK;
    std::vector<Sums> parts(chunks);
    for (Sums& s : parts) s.clear(k, order >= 1, order >= 2);
    const bool ok = over_rows(
        set, b, order,
        [&](std::size_t c, std::size_t i, double value, const auto& g, const auto& h) {
            const double y = set.data->y[static_cast<std::size_t>(set.rows[i])];
            add_row(parts[c], y - value, k, order, g, h);
        },
        [&](std::size_t c, std::size_t first, std::size_t count, const double* value,
            const double* const* g, const double* const* h) {
            add_block(parts[c], set, first, count, value, k, order, g, h);
        });
    if (!ok) return false;
    out.clear(k, order >= 1, order >= 2);
    for (std::size_t c = 0; c < chunks; ++c) out.add(parts[c]);
    for (std::size_t a = 0; a < k && order >= 1; ++a)
        for (std::size_t c = 0; c < a; ++c) {
            out.jj[a * k + c] = out.jj[c * k + a];
            if (order >= 2) out.rh[a * k + c] = out.rh[c * k + a];
        }
    bool finite = std::isfinite(out.sse);
    for (double v : out.jr) finite = finite && std::isfinite(v);
    for (double v : out.jj) finite = finite && std::isfinite(v);
    for (double v : out.rh) finite = finite && std::isfinite(v);
    return finite;
}

// max_j |step_j| / (|b_j| + tolerance * max |b|).
double relative_step(const std::vector<double>& step, const std::vector<double>& b,
                     double tolerance) {
    double largest = 0, size = 0;
    for (double v : b) largest = std::max(largest, std::fabs(v));
    for (std::size_t j = 0; j < b.size(); ++j)
        size =
            std::max(size, std::fabs(step[j]) / (std::fabs(b[j]) + tolerance * largest + 1e-300));
    return size;
}

std::vector<Real> as_reals(const std::vector<double>& v) {
    return std::vector<Real>(v.begin(), v.end());
}

// One stage: Levenberg-Marquardt from b over the set's rows (Nielsen's update of the damping,
// scaled by the largest diagonal of J'J met), with Newton's matrix J'J - sum r H in place of J'J
// where `newton` and it is positive definite, until an undamped step below `last_step`
// (relative) has been taken. False when the stage does not get there. On success `at` holds the
// sums (second order with `newton`) at the final b; `first_sse` the sum of squares at the b given.
bool double_stage(const RowSet& set, std::vector<double>& b, bool newton, double last_step,
                  const InterruptCheck& interrupt, int& iterations, Sums& at,
                  NlsDoubleStart* record, double& first_sse) {
    const std::size_t k = b.size();
    const int order = newton ? 2 : 1;
    if (!row_sums(set, b, order, at)) return false;
    first_sse = at.sse;
    std::vector<double> scale(k, 0), matrix(k * k), step, trial(k);
    double lambda = newton ? 0 : LAMBDA_START, growth = 2;
    for (int iteration = 1; iteration <= NLS_DOUBLE_ITERATIONS; ++iteration) {
        check_for_interrupt(interrupt);
        for (std::size_t j = 0; j < k; ++j) scale[j] = std::max(scale[j], at.jj[j * k + j]);
        std::vector<double> undamped = at.jj;
        if (newton) {
            std::vector<double> full(k * k), probe;
            for (std::size_t j = 0; j < k * k; ++j) full[j] = at.jj[j] - at.rh[j];
            if (solve_positive_definite(full, at.jr, probe, 1e-14)) undamped = full;
        }
        bool taken = false, last = false;
        // Near the minimum the undamped step is taken as it comes: the sum of squares over
        // many rows no longer resolves what it gains.
        if (solve_positive_definite(undamped, at.jr, step, 1e-14)) {
            const double size = relative_step(step, b, last_step);
            if (size <= TRUSTED_STEP) {
                for (std::size_t j = 0; j < k; ++j) trial[j] = b[j] + step[j];
                if (!row_sums(set, trial, order, at)) return false;
                last = size <= last_step;
                taken = true;
            }
        }
        while (!taken) {
            matrix = undamped;
            for (std::size_t j = 0; j < k; ++j) matrix[j * k + j] += lambda * scale[j];
            bool usable = solve_positive_definite(matrix, at.jr, step, 1e-14);
            if (usable) {
                for (std::size_t j = 0; j < k; ++j) trial[j] = b[j] + step[j];
                // Newton's steps are next to the minimum and nearly always taken: the trial
                // point's sums are formed at once to the order the step after needs (the sum of
                // squares the same bits as alone), not its sum of squares first.
                Sums value;
                bool formed = newton && row_sums(set, trial, order, value);
                if (!formed && !row_sums(set, trial, 0, value)) value.sse = at.sse;
                if (value.sse < at.sse) {
                    // The gain ratio: the fall achieved over the fall the model predicts.
                    double model_fall = 0;
                    for (std::size_t a = 0; a < k; ++a) {
                        double row = 0;
                        for (std::size_t c = 0; c < k; ++c) row += undamped[a * k + c] * step[c];
                        model_fall += step[a] * (2 * at.jr[a] - row);
                    }
                    const double gain = model_fall > 0 ? (at.sse - value.sse) / model_fall : 0;
                    if (formed)
                        at = std::move(value);
                    else if (!row_sums(set, trial, order, at))
                        return false;
                    const double c = 2 * gain - 1;
                    lambda *= std::max(1.0 / 3, 1 - c * c * c);
                    if (lambda < LAMBDA_FLOOR) lambda = 0;
                    growth = 2;
                    taken = true;
                    break;
                }
            }
            check_for_interrupt(interrupt);
            lambda = lambda == 0 ? LAMBDA_FLOOR : lambda * growth;
            growth *= 2;
            if (lambda > LAMBDA_LIMIT) return false;
        }
        b = trial;
        ++iterations;
        if (record) {
            record->history.push_back(as_reals(b));
            record->history_sse.push_back(Real(at.sse));
        }
        if (last) return true;
    }
    return false;
}

} // namespace

void set_nls_double_blocks(bool allowed) {
    blocks_allowed = allowed;
}

NlsDoubleStart nls_double_start(const EquationModel& model, const std::vector<Real>& y,
                                const std::vector<Real>& start, int subsample_from,
                                int subsample_rows, const InterruptCheck& interrupt) {
    NlsDoubleStart out;
    const std::size_t k = start.size();
    if (!expr::DoubleDerivativeEvaluator::supported(model.program)) return out;
    DoubleData data;
    for (const EquationModel::Series& s : model.series) {
        DoubleData::Column c;
        c.ref = s.ref;
        c.constant = s.constant;
        if (s.constant) {
            c.value = as_double(s.value);
        } else {
            c.at.assign(static_cast<std::size_t>(s.length) + 1, 0);
            for (long long t = 1; t <= s.length; ++t)
                c.at[static_cast<std::size_t>(t)] = as_double(s.first[t * s.inc]);
        }
        data.columns.push_back(std::move(c));
    }
    data.y.resize(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) data.y[i] = as_double(y[i]);
    std::vector<double> b(k);
    for (std::size_t j = 0; j < k; ++j) b[j] = as_double(start[j]);

    RowSet all{&model, &data, {}};
    all.rows.resize(static_cast<std::size_t>(model.n()));
    for (int i = 0; i < model.n(); ++i) all.rows[static_cast<std::size_t>(i)] = i;
    Sums at;
    double start_sse = 0, ignored = 0;
    if (model.n() >= subsample_from) {
        // The sum of squares over all the rows at the start given (one pass of values alone),
        // then the iterations on every (n / rows)-th observation, from the first.
        if (!row_sums(all, b, 0, at)) return out;
        start_sse = at.sse;
        RowSet part{&model, &data, {}};
        const int stride = std::max(1, model.n() / subsample_rows);
        for (int i = 0; i < model.n(); i += stride) part.rows.push_back(i);
        int iterations = 0;
        if (!double_stage(part, b, false, SUBSAMPLE_STEP, interrupt, iterations, at, nullptr,
                          ignored))
            return out;
        out.subsample_n = static_cast<int>(part.rows.size());
        out.subsample_iterations = iterations;
    } else {
        // The damped iterations from far away over all the rows, then Newton's from there.
        if (!double_stage(all, b, false, SUBSAMPLE_STEP, interrupt, out.iterations, at, &out,
                          start_sse))
            return out;
    }
    if (!double_stage(all, b, true, LAST_STEP, interrupt, out.iterations, at, &out, ignored))
        return out;
    // Half the Hessian of the sum of squares at the end; it must be positive definite there.
    std::vector<double> full(k * k), probe;
    for (std::size_t j = 0; j < k * k; ++j) full[j] = at.jj[j] - at.rh[j];
    if (!solve_positive_definite(full, at.jr, probe, 1e-14)) return out;
    out.theta = as_reals(b);
    out.hessian = as_reals(full);
    out.start_sse = Real(start_sse);
    out.found = true;
    return out;
}

} // namespace tarvex
