// The feed of GENR over bound series: a pass over the blocks of the bound rows, the windows
// moved on stretch by stretch (the rows a lag reaches kept from the block before), and the new
// series written to its file in observation order, zeros where the statement does not run.
#include "bound/genr_windows.hpp"

#include "bound/bound_rows.hpp"
#include "bound/series_file.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/write_failure.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Observations run in one stretch at most (the new series' values held before they are
// written).
inline constexpr long long STRETCH_ROWS = static_cast<long long>(BOUND_BLOCK_ROWS);

// Drops the rows before observation `keep_from` from a window's values.
void drop_rows_before(std::vector<Real>& values, long long& first, long long keep_from) {
    if (keep_from <= first) return;
    const long long n =
        std::min<long long>(keep_from - first, static_cast<long long>(values.size()));
    values.erase(values.begin(), values.begin() + n);
    first = values.empty() ? keep_from : first + n;
}

} // namespace

GenrWindows::GenrWindows(Run& run, std::vector<WindowSource> sources,
                         std::unique_ptr<RowBlocks> blocks, long long read_first,
                         long long read_last, const expr::TransRange& range, WindowReach reach,
                         SeriesFile* target, const std::string& target_name, long long target_rows,
                         int read_error, int write_error)
    : run_(run), sources_(std::move(sources)), blocks_(std::move(blocks)),
      read_upto_(read_first - 1), read_last_(read_last), read_done_(read_first > read_last),
      range_last_(range.last), next_(range.first), ran_to_(range.first - 1), reach_(reach),
      file_(target), read_error_(read_error), write_error_(write_error) {
    for (WindowSource& source : sources_) source.window.first = read_first;
    target_.name = target_name;
    target_.rows = target_rows;
    target_.first = std::max(1LL, range.first - reach_.behind);
}

expr::SeriesWindow* GenrWindows::window(int cell, int ref) {
    if (cell == 1 && file_ != nullptr) return &target_;
    for (WindowSource& source : sources_)
        if (source.ref == ref) return &source.window;
    return nullptr;
}

bool GenrWindows::read_block() {
    RowBlock block;
    if (!blocks_->next(block)) {
        if (!blocks_->failure().empty()) {
            report_error(run_, blocks_->failure(), read_error_);
            failed_ = true;
            return false;
        }
        read_done_ = true;
        return true;
    }
    for (std::size_t c = 0; c < sources_.size(); ++c) {
        std::vector<Real>& values = sources_[c].values;
        values.insert(values.end(), block.columns[c], block.columns[c] + block.length);
    }
    read_upto_ = block.observations[block.length - 1];
    if (read_upto_ >= read_last_) read_done_ = true;
    return true;
}

void GenrWindows::fail_write() {
    report_write_failure(run_, 0, file_->path(), file_->error(), write_error_);
    failed_ = true;
}

// The new series up to observation `upto` goes to its file: its values where the window holds
// them, zeros before (observations before the range) and after.
bool GenrWindows::write_target(long long upto) {
    static const std::vector<Real> zeros(4096, Real(0));
    while (written_ < upto) {
        const long long obs = written_ + 1;
        const long long held_end = target_.first + static_cast<long long>(target_values_.size());
        long long n = 0;
        bool ok = true;
        if (obs >= target_.first && obs < held_end) {
            n = std::min(upto, held_end - 1) - written_;
            ok = file_->append(&target_values_[obs - target_.first], static_cast<std::size_t>(n));
        } else {
            const long long zero_end = obs < target_.first ? target_.first - 1 : upto;
            n = std::min({upto, zero_end, written_ + static_cast<long long>(zeros.size())}) -
                written_;
            ok = file_->append(zeros.data(), static_cast<std::size_t>(n));
        }
        if (!ok) {
            fail_write();
            return false;
        }
        written_ += n;
    }
    return true;
}

bool GenrWindows::next_stretch(long long& from, long long& to) {
    if (failed_) return false;
    if (file_ != nullptr && !write_target(ran_to_)) return false;
    if (next_ > range_last_) return false;
    // Read on until the stretch can start: the rows its first observation's leads reach.
    long long last = 0;
    for (;;) {
        last = read_done_ ? range_last_ : std::min(range_last_, read_upto_ - reach_.ahead);
        if (last >= next_) break;
        if (!read_block()) return false;
    }
    last = std::min(last, next_ + STRETCH_ROWS - 1);
    // Keep the rows the stretch's lags reach (a series of one row serves every observation).
    const long long keep_from = next_ - reach_.behind;
    for (WindowSource& source : sources_) {
        if (source.window.rows > 1) drop_rows_before(source.values, source.window.first, keep_from);
        source.window.values = source.values.data();
    }
    if (file_ != nullptr) {
        drop_rows_before(target_values_, target_.first, std::max(1LL, keep_from));
        const long long want = std::min(target_.rows, last + reach_.ahead);
        const long long held = target_.first + static_cast<long long>(target_values_.size()) - 1;
        if (want > held)
            target_values_.resize(static_cast<std::size_t>(want - target_.first + 1), 0);
        target_.values = target_values_.data();
    }
    from = next_;
    to = last;
    ran_to_ = last;
    next_ = last + 1;
    return true;
}

bool GenrWindows::finish() {
    if (failed_ || file_ == nullptr) return !failed_;
    if (!write_target(target_.rows)) return false;
    if (!file_->finish()) {
        fail_write();
        return false;
    }
    return true;
}

} // namespace tarvex
