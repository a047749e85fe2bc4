// The block source over bound series and work-area series: the sample's observations as runs of
// consecutive numbers, one reader per file (pread of a contiguous column for TARVBIN blocks,
// records parsed in order for delimited text) and two block buffers, one filled on a worker
// thread while the caller holds the other.
#include "bound/bound_rows.hpp"

#include "bound/bound_files.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "parallel/ranks.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <future>

namespace tarvex {

namespace {

// One block's storage: each column's values, the observation numbers and how the fill went.
struct BlockBuffer {
    std::vector<std::vector<Real>> columns;
    std::vector<long long> observations;
    long long first = 0;
    std::size_t length = 0;
    std::string failure;
};

// Where a column's values come from.
struct ColumnSource {
    int file = -1;               // index into the open files; -1 for a work-area series
    const Real* first = nullptr; // work-area series: observation t at first[t * inc]
    int inc = 1;
    bool is_bound = false;
    BoundSeries bound; // a copy: the pass does not depend on the registry staying as it is
};

class BoundRowBlocks final : public RowBlocks {
public:
    BoundRowBlocks(std::vector<BoundFile> files, std::vector<ColumnSource> sources,
                   std::vector<std::pair<long long, long long>> runs, long long rows,
                   std::size_t block_rows)
        : files_(std::move(files)), sources_(std::move(sources)), runs_(std::move(runs)),
          rows_(rows), block_rows_(block_rows) {
        for (BlockBuffer& buffer : buffers_) {
            buffer.columns.assign(sources_.size(), std::vector<Real>(block_rows_));
            buffer.observations.assign(block_rows_, 0);
        }
        start_pass();
    }
    ~BoundRowBlocks() override {
        if (pending_.valid()) pending_.wait();
    }

    long long rows() const override { return rows_; }
    int columns() const override { return static_cast<int>(sources_.size()); }
    const std::string& failure() const override { return failure_; }

    bool next(RowBlock& block) override {
        if (!failure_.empty() || !pending_.valid()) return false;
        pending_.get();
        BlockBuffer& filled = buffers_[filling_];
        if (!filled.failure.empty()) {
            failure_ = filled.failure;
            return false;
        }
        if (filled.length == 0) return false;
        const int held = filling_;
        if (delivered_ + static_cast<long long>(filled.length) < rows_) {
            filling_ = 1 - filling_;
            launch_fill();
        }
        delivered_ += static_cast<long long>(filled.length);
        BlockBuffer& out = buffers_[held];
        block.first = out.first;
        block.length = out.length;
        block.columns.resize(sources_.size());
        for (std::size_t c = 0; c < sources_.size(); ++c) block.columns[c] = out.columns[c].data();
        block.observations = out.observations.data();
        return true;
    }

    void rewind() override {
        if (pending_.valid()) pending_.wait();
        pending_ = {};
        failure_.clear();
        for (const BoundFile& file : files_) {
            if (!file_unchanged(file)) {
                failure_ = changed_file_message(file.path);
                return;
            }
        }
        start_pass();
    }

private:
    void start_pass() {
        run_index_ = 0;
        run_offset_ = 0;
        next_first_ = 0;
        delivered_ = 0;
        filling_ = 0;
        for (BoundFile& file : files_) file.restart();
        if (rows_ > 0) launch_fill();
    }

    void launch_fill() {
        pending_ = std::async(std::launch::async, [this, target = filling_] { fill(target); });
    }

    // The next block's observations, then every column over them (runs on the worker thread;
    // fills never overlap, so the position and the file readers are the worker's alone).
    void fill(int target) {
        BlockBuffer& buffer = buffers_[target];
        buffer.failure.clear();
        buffer.first = next_first_;
        std::size_t n = 0;
        while (n < block_rows_ && run_index_ < runs_.size()) {
            const auto [from, to] = runs_[run_index_];
            long long t = from + run_offset_;
            while (n < block_rows_ && t <= to) buffer.observations[n++] = t++;
            run_offset_ = t - from;
            if (t > to) {
                ++run_index_;
                run_offset_ = 0;
            }
        }
        buffer.length = n;
        next_first_ += static_cast<long long>(n);
        const long long* obs = buffer.observations.data();
        for (std::size_t c = 0; c < sources_.size(); ++c) {
            const ColumnSource& source = sources_[c];
            Real* out = buffer.columns[c].data();
            if (source.file < 0) {
                for (std::size_t k = 0; k < n; ++k)
                    out[k] = source.first[obs[k] * static_cast<long long>(source.inc)];
                continue;
            }
            BoundFile& file = files_[static_cast<std::size_t>(source.file)];
            if (file.layout == BoundLayout::TARVBIN &&
                !read_binary_column(file, source.bound, obs, n, out, buffer.failure))
                return;
        }
        // The delimited files: each record read once for all the columns it holds.
        for (std::size_t f = 0; f < files_.size(); ++f) {
            BoundFile& file = files_[f];
            if (file.layout != BoundLayout::DELIMITED) continue;
            std::vector<TextField> wanted;
            for (std::size_t c = 0; c < sources_.size(); ++c)
                if (sources_[c].file == static_cast<int>(f))
                    wanted.push_back({&sources_[c].bound, buffer.columns[c].data()});
            if (!read_text_rows(file, wanted, obs, n, buffer.failure)) return;
        }
    }

    std::vector<BoundFile> files_;
    std::vector<ColumnSource> sources_;
    std::vector<std::pair<long long, long long>> runs_; // observations in use, first..last
    long long rows_ = 0;
    std::size_t block_rows_;
    BlockBuffer buffers_[2];
    int filling_ = 0;
    std::future<void> pending_;
    std::size_t run_index_ = 0;
    long long run_offset_ = 0;
    long long next_first_ = 0;
    long long delivered_ = 0;
    std::string failure_;
};

std::string shown(const std::string& name) {
    return upper_ascii(trim_trailing_blanks(name));
}

// The runs of observations holding rows [first, end) of the rows in use.
std::vector<std::pair<long long, long long>>
runs_of_share(const std::vector<std::pair<long long, long long>>& runs, long long first,
              long long end) {
    std::vector<std::pair<long long, long long>> kept;
    long long row = 0; // rows in use before the run
    for (const auto& [from, to] : runs) {
        const long long length = to - from + 1;
        const long long lo = std::max(first, row), hi = std::min(end, row + length);
        if (lo < hi) kept.emplace_back(from + (lo - row), from + (hi - row) - 1);
        row += length;
    }
    return kept;
}

} // namespace

bool any_bound(const Run& run, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (find_bound_series(run, name) != nullptr) return true;
    return false;
}

std::string changed_file_message(const std::string& file) {
    return " ...ERROR..FILE " + file + " HAS CHANGED SINCE ITS SERIES WERE BOUND: BIND THEM AGAIN";
}

namespace {

// The block source over the sample's observations in use, or (`range` not null) over every
// observation of range->first..range->second in one process.
std::unique_ptr<RowBlocks> open_rows(Run& run, const std::vector<std::string>& names,
                                     std::string& error, std::size_t block_rows,
                                     long long share_unit,
                                     const std::pair<long long, long long>* range) {
    error.clear();
    std::vector<BoundFile> files;
    std::vector<ColumnSource> sources;
    const BoundSeries* reference = nullptr;
    std::string reference_name;
    for (const std::string& name : names) {
        ColumnSource source;
        if (const BoundSeries* bound = find_bound_series(run, name)) {
            if (reference != nullptr &&
                (bound->rows != reference->rows ||
                 bound->first_observation != reference->first_observation)) {
                error = " ...ERROR.." + shown(reference_name) + " HAS " +
                        std::to_string(reference->rows) + " ROWS FROM OBS " +
                        std::to_string(reference->first_observation) + " AND " + shown(name) +
                        " HAS " + std::to_string(bound->rows) + " FROM OBS " +
                        std::to_string(bound->first_observation) +
                        ": SERIES USED TOGETHER MUST HAVE THE SAME ROWS";
                return nullptr;
            }
            if (reference == nullptr) {
                reference = bound;
                reference_name = name;
            }
            source.is_bound = true;
            source.bound = *bound;
            source.file = -1;
            for (std::size_t f = 0; f < files.size(); ++f)
                if (files[f].path == bound->file) source.file = static_cast<int>(f);
            if (source.file < 0) {
                files.emplace_back();
                if (!open_bound_file(files.back(), *bound, error)) return nullptr;
                source.file = static_cast<int>(files.size() - 1);
            }
        }
        sources.push_back(source);
    }
    // The observations every series must cover: the bound rows, else the sample's.
    const long long first_obs = reference != nullptr ? reference->first_observation : 1;
    const long long last_obs =
        reference != nullptr ? reference->first_observation + reference->rows - 1 : 0;
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (sources[c].is_bound) continue;
        const int ref = VFIND(run, names[c]);
        VarInfo info;
        int column = 0;
        if (ref <= 0 || variable_info(run.ws, ref, info, column) != VarStatus::FOUND ||
            info.type != TYPE_DATA) {
            error = " ...ERROR..VARIABLE " + shown(names[c]) + " DOES NOT EXIST...";
            return nullptr;
        }
        if (reference != nullptr && info.length != last_obs) {
            error = " ...ERROR.." + shown(names[c]) + " HAS " + std::to_string(info.length) +
                    " OBSERVATIONS AND THE BOUND SERIES " + shown(reference_name) +
                    " ENDS AT OBS " + std::to_string(last_obs) +
                    ": SERIES USED TOGETHER MUST HAVE THE SAME ROWS";
            return nullptr;
        }
        sources[c].first = &element(run, info, 0);
        sources[c].inc = info.inc;
    }
    const SampleBlock& smpl = run.smpl;
    if (smpl.IEND <= 0) {
        error = " ...ERROR..NO SAMPLE IS SET";
        return nullptr;
    }
    const long long cover_last = reference != nullptr ? last_obs : [&] {
        long long shortest = -1;
        for (const std::string& name : names) {
            VarInfo info;
            int column = 0;
            if (variable_info(run.ws, VFIND(run, name), info, column) == VarStatus::FOUND &&
                (shortest < 0 || info.length < shortest))
                shortest = info.length;
        }
        return shortest;
    }();
    if (range != nullptr) {
        std::vector<std::pair<long long, long long>> whole;
        if (range->first < first_obs || range->second > cover_last) {
            error = " ...ERROR..OBS " + std::to_string(range->first) + " TO " +
                    std::to_string(range->second) + " RUN PAST THE BOUND ROWS " +
                    std::to_string(first_obs) + " TO " + std::to_string(cover_last);
            return nullptr;
        }
        if (range->first <= range->second) whole.push_back(*range);
        for (BoundFile& file : files) file.missing_code = run.ws.XMISS;
        return std::make_unique<BoundRowBlocks>(
            std::move(files), std::move(sources), std::move(whole),
            std::max(0LL, range->second - range->first + 1), std::max<std::size_t>(1, block_rows));
    }
    if (smpl.IBEG < first_obs || smpl.IEND > cover_last) {
        error = " ...ERROR..THE SAMPLE " + std::to_string(smpl.IBEG) + " TO " +
                std::to_string(smpl.IEND) + " RUNS PAST THE OBSERVATIONS " +
                std::to_string(first_obs) + " TO " + std::to_string(cover_last) +
                " THAT THE SERIES HOLD";
        return nullptr;
    }
    std::vector<std::pair<long long, long long>> runs;
    long long rows = 0;
    for (long long t = smpl.IBEG; t <= smpl.IEND; ++t) {
        if (!obs_in_use(run, static_cast<int>(t))) continue;
        if (!runs.empty() && runs.back().second == t - 1)
            runs.back().second = t;
        else
            runs.emplace_back(t, t);
        ++rows;
    }
    // This rank's share of the rows in use (all of them with one rank): cut over the rows in
    // use, so the share does not depend on the size of the blocks.
    const parallel::RowShare share = parallel::my_share_of_rows(rows, share_unit);
    if (parallel::rank_count() > 1) {
        runs = runs_of_share(runs, share.first, share.end);
        rows = share.end - share.first;
    }
    for (BoundFile& file : files) file.missing_code = run.ws.XMISS;
    return std::make_unique<BoundRowBlocks>(std::move(files), std::move(sources), std::move(runs),
                                            rows, std::max<std::size_t>(1, block_rows));
}

} // namespace

std::unique_ptr<RowBlocks> open_bound_rows(Run& run, const std::vector<std::string>& names,
                                           std::string& error, std::size_t block_rows,
                                           long long share_unit) {
    return open_rows(run, names, error, block_rows, share_unit, nullptr);
}

std::unique_ptr<RowBlocks> open_bound_range(Run& run, const std::vector<std::string>& names,
                                            long long first, long long last, std::string& error,
                                            std::size_t block_rows) {
    const std::pair<long long, long long> range{first, last};
    return open_rows(run, names, error, block_rows, 1, &range);
}

} // namespace tarvex
