// GENR over series bound to a file: the bound names the statement reads are compiled as series
// outside the work area; the statement is checked for what one pass over the rows cannot give
// (refused with the reason), the reach of its lags and leads is found, and the compiled program
// runs through the windows of genr_windows.cpp. A new target is written to a file in the
// temporary directory and bound once its every value is on disk; a target held in memory is
// written in memory.
#include "bound/bound_genr.hpp"

#include "bound/bound_equation.hpp"
#include "bound/bound_rows.hpp"
#include "bound/genr_windows.hpp"
#include "bound/series_file.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/write_failure.hpp"
#include "expr/executor.hpp"
#include "expr/expr_errors.hpp"
#include "expr/genr_command.hpp"
#include "expr/program.hpp"
#include "io/afile.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "parallel/ranks.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <cerrno>

namespace tarvex {

namespace {

using namespace expr;

// The longest lag or lead a window keeps (16 megabytes a series).
inline constexpr long long LONGEST_WINDOW_REACH = 1LL << 20;

class BoundGenr final : public OutsideSeriesGenr {
public:
    explicit BoundGenr(std::size_t block_rows) : block_rows_(block_rows) {}
    int reference(Run& run, std::string_view name) override {
        const std::string key = bound_key(run, std::string(name));
        for (std::size_t k = 0; k < names_.size(); ++k)
            if (bound_key(run, names_[k]) == key) return OUTSIDE_REF_BASE + static_cast<int>(k);
        names_.emplace_back(name);
        return OUTSIDE_REF_BASE + static_cast<int>(names_.size() - 1);
    }
    bool used() const override { return !names_.empty(); }
    void run(Run& run, const Program& program, const TransRange& range) override;

private:
    bool refused(Run& run, const Program& program, const TransRange& range, WindowReach& reach,
                 long long rows);
    std::size_t block_rows_;
    std::vector<std::string> names_; // by reference - OUTSIDE_REF_BASE
};

std::string shown_name(const std::string& name) {
    return upper_ascii(trim_trailing_blanks(name));
}

// Whether the cell is read through a window: a bound series, or the new target.
bool windowed_cell(const Program& program, int cell) {
    if (!program.is_variable_cell(cell)) return false;
    return program.vars[cell] >= OUTSIDE_REF_BASE || (cell == 1 && program.ONEWV);
}

// What the statement asks that one pass over the rows cannot give, refused with its reason; else
// the reach of its lags and leads over the windowed series (`rows` the bound rows).
bool BoundGenr::refused(Run& run, const Program& program, const TransRange& range,
                        WindowReach& reach, long long rows) {
    const int number = command_error_number(run, EXPR_BOUND_REFUSED);
    if (parallel::rank_count() > 1) {
        refuse_needing_memory(run, "GENR IN A RUN OVER SEVERAL PROCESSES", number);
        return true;
    }
    if (run.sw[OBACK]) {
        refuse_needing_memory(run, "GENR BACKWARDS (SET BACK)", number);
        return true;
    }
    const std::string target = shown_name(program.target_name);
    if (program.target_col > 0) {
        refuse_needing_memory(
            run, "A COLUMN " + target + ":" + std::to_string(program.target_col) + " AS THE TARGET",
            number);
        return true;
    }
    for (const std::string& name : names_) {
        if (program.LHS > 0 && bound_key(run, name) == bound_key(run, program.target_name)) {
            refuse_needing_memory(run, "GENR OF " + target + " FROM ITS OWN VALUES", number);
            return true;
        }
        const BoundSeries* series = find_bound_series(run, name);
        if (series->first_observation != 1) {
            report_error(run,
                         " ...ERROR.." + shown_name(name) + " STARTS AT OBS " +
                             std::to_string(series->first_observation) +
                             ": GENR OVER SERIES BOUND TO A FILE TAKES SERIES FROM OBS 1",
                         number);
            return true;
        }
    }
    const Decoded decoded = decode(program);
    for (const Step& s : decoded.steps) {
        if (s.op == OP_SUBSCRIPT && s.a != 0 && windowed_cell(program, s.a)) {
            refuse_needing_memory(run, "AN ELEMENT X(n) OF A SERIES BOUND TO A FILE", number);
            return true;
        }
        if (s.op != OP_LAG || !windowed_cell(program, decoded.args[s.first_arg])) continue;
        Real distance = 1;
        if (s.nargs > 1) {
            const int cell = decoded.args[s.first_arg + 1];
            if (!program.is_constant_cell(cell)) {
                refuse_needing_memory(run, "A LAG BY A DISTANCE THAT IS NOT A NUMBER", number);
                return true;
            }
            distance = qm::trunc(program.constants[static_cast<std::size_t>(cell - program.ICON0)]);
        }
        // A lag reaches observations t - n >= 1 of t <= the range's end, a lead those up to the
        // longest series; farther ones (and a distance that is not a number) read nothing.
        const long long longest = std::max<long long>(rows, range.last);
        if (distance > 0 && distance < range.last)
            reach.behind = std::max(reach.behind, static_cast<long long>(distance));
        else if (distance < 0 && -distance <= longest)
            reach.ahead = std::max(reach.ahead, static_cast<long long>(-distance));
    }
    if (reach.behind > LONGEST_WINDOW_REACH || reach.ahead > LONGEST_WINDOW_REACH) {
        refuse_needing_memory(run,
                              "A LAG OR LEAD OF MORE THAN " + std::to_string(LONGEST_WINDOW_REACH) +
                                  " OBSERVATIONS",
                              number);
        return true;
    }
    return false;
}

void BoundGenr::run(Run& run, const Program& program, const TransRange& range) {
    const long long rows = find_bound_series(run, names_.front())->rows;
    WindowReach reach;
    if (refused(run, program, range, reach, rows)) return;
    // The bound rows the statement reads: the range with the reach of its lags and leads (the
    // one row of a series of one row).
    const long long read_first = rows == 1 ? 1 : std::max(1LL, range.first - reach.behind);
    const long long read_last = rows == 1 ? 1 : std::min<long long>(rows, range.last + reach.ahead);
    std::string error;
    std::unique_ptr<RowBlocks> blocks =
        open_bound_range(run, names_, read_first, read_last, error, block_rows_);
    const int read_error = command_error_number(run, BOUND_PASS_FAILED_SEQUENCE);
    if (blocks == nullptr) {
        report_error(run, error, read_error);
        return;
    }
    std::vector<WindowSource> sources(names_.size());
    for (std::size_t k = 0; k < names_.size(); ++k) {
        sources[k].ref = OUTSIDE_REF_BASE + static_cast<int>(k);
        sources[k].window.name = shown_name(names_[k]);
        sources[k].window.rows = find_bound_series(run, names_[k])->rows;
    }
    // A new target goes to a file of its own; a target held in memory stays there.
    const int write_error = command_error_number(run, EXPR_BOUND_WRITE);
    const std::string vname = padded_name(program.target_name, run.sw[OLC]);
    SeriesFile file;
    const bool new_series = program.ONEWV && program.LHS > 0;
    if (new_series && !file.create(run, temp_directory(run), vname, range.last)) {
        report_write_failure(run, 0, file.path(), file.error(), write_error);
        if (run.flags.OPUT)
            write_line(run, " ...NOTE..GENR WRITES A SERIES MADE FROM BOUND SERIES IN THE "
                            "TEMPORARY DIRECTORY: NAME ANOTHER WITH FILE TEMP");
        return;
    }
    GenrWindows feed(run, std::move(sources), std::move(blocks), read_first, read_last, range,
                     reach, new_series ? &file : nullptr, shown_name(program.target_name),
                     range.last, read_error, write_error);
    const TransResult result = TRANS_WINDOWED(run, program, range, feed);
    if (!result.ok || feed.failed() || !new_series || !feed.finish()) return;
    // Every value is on disk: the name is bound to the file (any earlier binding goes).
    BoundSeries series;
    series.file = file.path();
    series.layout = BoundLayout::TARVBIN;
    series.offset = file.data_offset();
    series.rows = range.last;
    series.first_observation = 1;
    series.scratch = true;
    if (!file_stamp(series.file, series.file_size, series.modified_ns)) {
        report_write_failure(run, 0, file.path(), errno, write_error);
        return;
    }
    const std::string key = bound_key(run, program.target_name);
    erase_binding(run.ws.bound, key);
    run.ws.bound[key] = series;
    if (run.flags.OPUT && run.sw[OWARN])
        write_line(run, " ...NOTE.." + shown_name(program.target_name) + " IS BOUND TO FILE " +
                            series.file + ":" + fmt_I(series.rows, 10) +
                            " ROWS, REMOVED AT THE END OF THE RUN");
}

} // namespace

void cmd_genr_over_bound(Run& run) {
    run_genr_over_bound(run, BOUND_BLOCK_ROWS);
}

void run_genr_over_bound(Run& run, std::size_t block_rows) {
    BoundGenr genr(block_rows);
    run_genr(run, &genr);
}

} // namespace tarvex
