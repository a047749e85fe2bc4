// Unformatted data for READ, in the two record layouts WRITE produces: BINARY holds one record
// per observation with the values of every listed variable, SBINARY (or BINARY with BYVAR)
// one record per variable with all its observations. Each record is framed by its byte count
// (4 bytes before and after) and holds 16-byte binary128 values. A matrix is one record of its
// elements column after column.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "numeric/fortran_format.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {

namespace {

enum class Record { READ, END, BROKEN };

// Bytes left in the file after the current position (0 when it cannot be told).
long long bytes_left(std::FILE* fp) {
    const long here = std::ftell(fp);
    if (here < 0 || std::fseek(fp, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(fp);
    std::fseek(fp, here, SEEK_SET);
    return end > here ? end - here : 0;
}

// One framed record of 16-byte values; END at a clean end of file, BROKEN when the frame is
// cut short, does not match, or does not hold whole values.
Record next_record(std::FILE* fp, std::vector<Real>& values) {
    unsigned char head[4];
    const std::size_t got = std::fread(head, 1, 4, fp);
    if (got == 0) return Record::END;
    if (got != 4) return Record::BROKEN;
    std::uint32_t bytes;
    std::memcpy(&bytes, head, 4);
    // A count the rest of the file cannot hold is a broken frame, not a request for memory.
    if (bytes % sizeof(Real) != 0 || static_cast<long long>(bytes) + 4 > bytes_left(fp))
        return Record::BROKEN;
    values.resize(bytes / sizeof(Real));
    if (bytes > 0 && std::fread(values.data(), 1, bytes, fp) != bytes) return Record::BROKEN;
    unsigned char tail[4];
    if (std::fread(tail, 1, 4, fp) != 4 || std::memcmp(head, tail, 4) != 0) return Record::BROKEN;
    return Record::READ;
}

bool by_observation(ReadJob& job, std::FILE* fp) {
    Run& run = job.run;
    const std::size_t nvar = job.names.size();
    std::vector<Real> values;
    long long rows = 0;
    while (!job.count_known() || rows < job.expected()) {
        const Record r = next_record(fp, values);
        if (r == Record::END) break;
        if (r == Record::BROKEN || values.size() < nvar) {
            const long long column =
                r == Record::BROKEN ? 1 : static_cast<long long>(values.size()) + 1;
            report_error(run,
                         " ...ERROR..READ ERROR IN ROW" + fmt_I(rows + 1, 7) + " COLUMN" +
                             fmt_I(column, 7),
                         ERR_READ_BAD_VALUE);
            return false;
        }
        for (std::size_t j = 0; j < nvar; ++j)
            if (!job.pending[j].skip) job.pending[j].values.push(values[j]);
        ++rows;
    }
    if (rows == 0) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    const long long total = job.count_known() ? job.expected() : rows;
    if (rows < total) {
        for (PendingVariable& var : job.pending)
            while (!var.skip && var.values.size() < total) var.values.push(0);
        less_data(run);
    }
    job.count = total;
    return true;
}

bool by_variable(ReadJob& job, std::FILE* fp) {
    Run& run = job.run;
    std::vector<Real> values;
    long long total = job.count_known() ? job.expected() : -1;
    bool short_data = false;
    long long found = 0;
    for (std::size_t j = 0; j < job.names.size(); ++j) {
        const Record r = next_record(fp, values);
        if (r == Record::BROKEN) {
            report_error(run,
                         " ...ERROR..READ ERROR IN VARIABLE " + fmt_I(long(j) + 1, 4) + "  " +
                             job.names[j],
                         ERR_READ_BAD_VALUE);
            return false;
        }
        if (r == Record::END) {
            short_data = true;
            break;
        }
        // Without a known range the first variable's record sets the number of observations.
        if (total < 0) total = static_cast<long long>(values.size());
        if (static_cast<long long>(values.size()) < total) short_data = true;
        PendingVariable& var = job.pending[j];
        for (long long k = 0; k < total && k < static_cast<long long>(values.size()); ++k) {
            if (!var.skip) var.values.push(values[static_cast<std::size_t>(k)]);
            ++found;
        }
    }
    if (found == 0 || total <= 0) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    for (PendingVariable& var : job.pending)
        while (!var.skip && var.values.size() < total) var.values.push(0);
    if (short_data) less_data(run);
    job.count = total;
    return true;
}

} // namespace

bool read_binary_records(ReadJob& job, std::FILE* fp, bool by_var) {
    job.make_pending(TYPE_DATA, 1);
    job.first_element = job.beg;
    if (fp == nullptr) {
        report_error(job.run, " ...ERROR..BINARY DATA MUST COME FROM A FILE", ERR_READ_BINARY_FILE);
        return false;
    }
    return by_var ? by_variable(job, fp) : by_observation(job, fp);
}

bool read_binary_matrix(ReadJob& job, std::FILE* fp) {
    Run& run = job.run;
    MatrixShape shape;
    if (!matrix_shape(job, shape)) return false;
    const int type = shape.type;
    const bool lower = shape.lower;
    const long long cols = shape.cols;
    long long rows = shape.rows;
    if (fp == nullptr) {
        report_error(run, " ...ERROR..BINARY DATA MUST COME FROM A FILE", ERR_READ_BINARY_FILE);
        return false;
    }
    std::vector<Real> values;
    const Record r = next_record(fp, values);
    if (r == Record::BROKEN) {
        report_error(run,
                     lower ? std::string(" ...ERROR..READ ERROR IN LOWER TRIANGLE OF MATRIX")
                           : " ...ERROR..READ ERROR IN ROW" + fmt_I(1, 7) + " COLUMN" + fmt_I(1, 7),
                     ERR_READ_BAD_VALUE);
        return false;
    }
    if (r == Record::END || values.empty()) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    const long long count = static_cast<long long>(values.size());
    if (rows <= 0) rows = (count + cols - 1) / cols;
    if (rows * cols > run.ws.MAXADD - run.ws.LASADD - 4) {
        report_error(run, " ...ERROR..INSUFFICIENT MEMORY TO ENTER MATRIX", ERR_READ_MATRIX_MEMORY);
        return false;
    }
    std::vector<Real> full;
    if (lower && count < rows * cols) {
        // The compact form: the lower triangle row after row.
        const long long packed = rows * (rows + 1) / 2;
        if (count < packed) {
            values.resize(static_cast<std::size_t>(packed), 0);
            less_data(run);
        }
        full.assign(static_cast<std::size_t>(rows * cols), 0);
        for (long long i = 0; i < rows; ++i)
            for (long long j = 0; j <= i; ++j) {
                const Real v = values[static_cast<std::size_t>(i * (i + 1) / 2 + j)];
                full[static_cast<std::size_t>(j * rows + i)] = v;
                if (type == TYPE_SYMMETRIC) full[static_cast<std::size_t>(i * rows + j)] = v;
            }
    } else {
        full = std::move(values);
        if (static_cast<long long>(full.size()) < rows * cols) {
            full.resize(static_cast<std::size_t>(rows * cols), 0);
            less_data(run);
        }
    }
    job.make_pending(type, static_cast<int>(cols));
    job.first_element = 1;
    for (long long k = 0; k < rows * cols; ++k)
        job.pending.front().values.push(full[static_cast<std::size_t>(k)]);
    job.count = rows;
    if (notes_on(run)) {
        write_line(run, " ...NOTE.." + fmt_I(rows, 8) + " ROWS AND    " + fmt_I(cols, 8) +
                            " COLUMNS, BEGINNING AT ROW" + fmt_I(1, 8));
        if (lower) write_line(run, " LOWER TRIANGLE OF MATRIX");
    }
    return true;
}

} // namespace tarvex
