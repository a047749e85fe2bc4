// The Python module _tarvex: one engine run kept open on a thread of its own. The run reads its
// statements through the host reader, which hands it the lines of run() and otherwise waits; the
// calls that reach the workspace (put, get, the estimation record, the result scalars) are made
// while the run waits there, so the run and the caller never touch the workspace together.
// Ctrl-C in Python asks the engine to end the command in progress; the run then waits for its
// next line as usual and the session stays usable. The engine keeps process-wide state (the
// registered reader, the interruption flag), so one session may be live per process.
#include "core/estimation_results.hpp"
#include "core/interrupt.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"
#include "interp/embedding.hpp"
#include "interp/entry.hpp"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace py = pybind11;
using tarvex::Real;

namespace {

double as_double(Real x) {
    return static_cast<double>(x); // the host's own type: values cross at the boundary only
}

std::vector<double> as_doubles(const std::vector<Real>& values) {
    std::vector<double> out;
    out.reserve(values.size());
    for (Real x : values) out.push_back(as_double(x));
    return out;
}

std::vector<std::string> as_texts(const std::vector<Real>& values) {
    std::vector<std::string> out;
    out.reserve(values.size());
    for (Real x : values) out.push_back(tarvex::embedding::shortest_text(x));
    return out;
}

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    const std::size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? "" : text.substr(start);
}

bool same_reals(const std::vector<Real>& a, const std::vector<Real>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Real)) == 0;
}

// What run() reports of one estimation record, copied while the run waits for a line: the
// record without its per-observation vectors (which a large sample makes costly to copy at every
// statement).
struct EstimationCopy {
    std::string command, dep_name;
    std::vector<std::string> names;
    std::vector<Real> coef, cov, stderrs, tratios, pvalues;
    std::vector<tarvex::NamedStatistic> statistics;
    int n = 0, k = 0;
    Real sse = 0, rsqr = 0, df = 0, sigma = 0, llf = 0;
    bool has_llf = false, asymptotic = false;
};

EstimationCopy summary_of(const tarvex::EstimationResults& e) {
    return {e.command, e.dep_name, e.names,      e.coef, e.cov,     e.stderrs,
            e.tratios, e.pvalues,  e.statistics, e.n,    e.k,       e.sse,
            e.rsqr,    e.df,       e.sigma,      e.llf,  e.has_llf, e.asymptotic};
}

bool same_real(Real a, Real b) {
    return std::memcmp(&a, &b, sizeof(Real)) == 0;
}

// Whether the record still holds the estimation summarised in `seen`.
bool same_estimation(const tarvex::EstimationResults& a, const EstimationCopy& b) {
    return a.command == b.command && a.n == b.n && a.k == b.k && a.names == b.names &&
           same_reals(a.coef, b.coef) && same_reals(a.cov, b.cov) &&
           same_reals(a.stderrs, b.stderrs) && same_real(a.sse, b.sse) && same_real(a.llf, b.llf);
}

const char* law_name(tarvex::StatisticLaw law) {
    switch (law) {
    case tarvex::StatisticLaw::NORMAL:
        return "normal";
    case tarvex::StatisticLaw::T:
        return "t";
    case tarvex::StatisticLaw::CHI_SQUARE:
        return "chi-square";
    case tarvex::StatisticLaw::F:
        return "F";
    default:
        return "";
    }
}

py::dict estimation_dict(const EstimationCopy& e) {
    py::dict d;
    d["command"] = e.command;
    d["dependent"] = trimmed(e.dep_name);
    std::vector<std::string> names;
    for (const std::string& name : e.names) names.push_back(trimmed(name));
    d["names"] = names;
    d["coef"] = as_doubles(e.coef);
    d["stderrs"] = as_doubles(e.stderrs);
    d["tratios"] = as_doubles(e.tratios);
    d["pvalues"] = as_doubles(e.pvalues);
    d["cov"] = as_doubles(e.cov);
    d["coef_text"] = as_texts(e.coef);
    d["stderrs_text"] = as_texts(e.stderrs);
    py::list statistics;
    for (const tarvex::NamedStatistic& s : e.statistics) {
        py::dict item;
        item["name"] = trimmed(s.name);
        item["value"] = as_double(s.value);
        item["law"] = law_name(s.law);
        item["df1"] = as_double(s.df1);
        item["df2"] = as_double(s.df2);
        item["pvalue"] = s.has_pvalue ? py::object(py::float_(as_double(s.pvalue))) : py::none();
        statistics.append(item);
    }
    d["statistics"] = statistics;
    d["n"] = e.n;
    d["k"] = e.k;
    d["df"] = as_double(e.df);
    d["llf"] = e.has_llf ? py::object(py::float_(as_double(e.llf))) : py::none();
    d["sse"] = as_double(e.sse);
    d["rsqr"] = as_double(e.rsqr);
    d["sigma"] = as_double(e.sigma);
    d["asymptotic"] = e.asymptotic;
    return d;
}

// One statement boundary: the report lines before it ended at `line_end`, and $ERR then.
struct Boundary {
    std::size_t line_end = 0;
    double err = 0;
};

std::atomic<bool> session_live{false};

class EngineSession {
public:
    EngineSession() {
        bool expected = false;
        if (!session_live.compare_exchange_strong(expected, true))
            throw std::runtime_error(
                "a TARVEX session is already open in this process: the engine's state is "
                "process-wide; close the other session first");
        run_ = std::make_unique<tarvex::Run>();
        // Lines arrive on the engine thread while it runs, or on the caller's during put(): never
        // both at once, and the handover through the reader orders them.
        out_ = tarvex::embedding::open_line_sink(
            [this](std::string_view line) { lines_.emplace_back(line); });
        if (out_ == nullptr) {
            session_live = false;
            throw std::runtime_error("cannot open the report stream");
        }
        run_->streams.out = out_;
        TARVHostSetReader(&EngineSession::reader, this);
        engine_ = std::thread([this] {
            const bool normal = tarvex::embedding::run_console(
                *run_, tarvex::EXTRA_TERMINAL | tarvex::EXTRA_HOST_INTERRUPTS);
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
            fatal_ = !normal;
            changed_.notify_all();
        });
        py::gil_scoped_release release;
        wait_for_engine(false);
    }

    ~EngineSession() { close(); }

    void close() {
        if (!engine_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
            input_.clear();
            changed_.notify_all();
        }
        {
            py::gil_scoped_release release;
            engine_.join();
        }
        TARVHostSetReader(nullptr, nullptr);
        if (out_ != nullptr) std::fclose(out_);
        out_ = nullptr;
        session_live = false;
    }

    bool ended() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ended_ || !engine_.joinable();
    }

    // Runs the lines of `text`; returns the report lines, the statement boundaries and the
    // estimations they left. Ctrl-C meanwhile ends the command and raises KeyboardInterrupt.
    py::dict feed(const std::string& text) {
        check_open();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.clear();
            boundaries_.clear();
            estimations_.clear();
            std::size_t start = 0;
            while (start <= text.size()) {
                std::size_t end = text.find('\n', start);
                if (end == std::string::npos) end = text.size();
                std::string line = text.substr(start, end - start);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                input_.push_back(std::move(line));
                start = end + 1;
            }
            tarvex::clear_interrupt();
            busy_from_ = std::chrono::steady_clock::now();
            changed_.notify_all();
        }
        bool interrupted = false;
        {
            py::gil_scoped_release release;
            interrupted = wait_for_engine(true);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (interrupted) {
            lines_.clear();
            throw py::error_already_set();
        }
        py::dict out;
        out["lines"] = lines_;
        py::list bounds;
        for (const Boundary& b : boundaries_) bounds.append(py::make_tuple(b.line_end, b.err));
        out["boundaries"] = bounds;
        py::list estimations;
        for (const EstimationCopy& e : estimations_) estimations.append(estimation_dict(e));
        out["estimations"] = estimations;
        // The engine's own time for these lines: from their handover to its next wait.
        out["engine_seconds"] = std::chrono::duration<double>(busy_until_ - busy_from_).count();
        out["ended"] = ended_;
        out["fatal"] = fatal_;
        return out;
    }

    py::dict scalars() {
        check_waiting();
        py::dict out;
        for (int k = 1; k <= tarvex::NRESULT; ++k) {
            const std::string name = tarvex::RESULT_NAMES[k - 1];
            out[py::str("$" + trimmed(name))] = as_double(run_->res[k]);
        }
        return out;
    }

    // Stores the values; gives why nothing was stored ("" when stored) and the report lines the
    // workspace wrote meanwhile (a note on replacing a variable, an exhausted work area).
    py::tuple put(const std::string& name, py::array_t<double, py::array::f_style> values) {
        check_waiting();
        const py::buffer_info info = values.request();
        long long rows = info.ndim >= 1 ? info.shape[0] : 1;
        long long cols = info.ndim == 2 ? info.shape[1] : 1;
        std::string problem;
        lines_.clear();
        problem = tarvex::embedding::store_doubles(
            *run_, name, static_cast<const double*>(info.ptr), rows, cols);
        std::fflush(out_);
        std::vector<std::string> written;
        written.swap(lines_);
        return py::make_tuple(problem, written);
    }

    py::object get(const std::string& name, bool exact) {
        check_waiting();
        auto found = tarvex::embedding::read_variable(*run_, name);
        if (!found) return py::none();
        py::dict out;
        out["type"] = found->type;
        out["rows"] = found->rows;
        out["cols"] = found->cols;
        out["missing"] = as_double(run_->ws.XMISS);
        if (exact) {
            out["values"] = as_texts(found->values);
        } else {
            py::array_t<double> values(static_cast<py::ssize_t>(found->values.size()));
            double* to = values.mutable_data();
            for (std::size_t k = 0; k < found->values.size(); ++k)
                to[k] = as_double(found->values[k]);
            out["values"] = values;
        }
        return out;
    }

private:
    static int reader(void* context, char* line, int size) {
        return static_cast<EngineSession*>(context)->next_line(line, size);
    }

    // On the engine thread: a statement boundary, then the next line fed (or the end).
    int next_line(char* line, int size) {
        std::fflush(out_);
        std::unique_lock<std::mutex> lock(mutex_);
        note_boundary();
        if (input_.empty()) {
            busy_until_ = std::chrono::steady_clock::now();
            waiting_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !input_.empty() || closing_; });
            waiting_ = false;
        }
        if (closing_) return 0;
        std::snprintf(line, static_cast<std::size_t>(size), "%s", input_.front().c_str());
        input_.pop_front();
        return 1;
    }

    void note_boundary() {
        boundaries_.push_back({lines_.size(), as_double(run_->res[tarvex::R_ERR])});
        const tarvex::EstimationResults& now = run_->last_estimation;
        if (same_estimation(now, last_seen_)) return;
        last_seen_ = summary_of(now);
        if (!now.command.empty()) estimations_.push_back(last_seen_);
    }

    // Waits until the run wants a line with nothing left to give it, or has ended. With
    // `interruptible`, a Ctrl-C meanwhile asks the engine to stop and gives true.
    bool wait_for_engine(bool interruptible) {
        bool interrupted = false;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (ended_ || (waiting_ && input_.empty())) return interrupted;
            changed_.wait_for(lock, std::chrono::milliseconds(20));
            if (!interruptible || interrupted || ended_ || (waiting_ && input_.empty())) continue;
            lock.unlock();
            bool signalled = false;
            {
                py::gil_scoped_acquire hold;
                signalled = PyErr_CheckSignals() != 0;
            }
            lock.lock();
            if (signalled) {
                interrupted = true;
                input_.clear(); // the rest of the lines are not run
                tarvex::embedding::request_interrupt();
            }
        }
    }

    void check_open() {
        if (ended()) throw std::runtime_error("the TARVEX session has ended");
    }
    void check_waiting() {
        check_open();
        std::lock_guard<std::mutex> lock(mutex_);
        if (!waiting_) throw std::runtime_error("the TARVEX session is busy");
    }

    std::unique_ptr<tarvex::Run> run_;
    std::FILE* out_ = nullptr;
    std::thread engine_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> input_;
    std::vector<std::string> lines_;
    std::vector<Boundary> boundaries_;
    std::vector<EstimationCopy> estimations_;
    EstimationCopy last_seen_;
    std::chrono::steady_clock::time_point busy_from_, busy_until_;
    bool waiting_ = false, ended_ = false, fatal_ = false, closing_ = false;
};

} // namespace

PYBIND11_MODULE(_tarvex, m) {
    m.doc() = "The TARVEX engine, one run kept open per process.";
    py::class_<EngineSession>(m, "EngineSession")
        .def(py::init<>())
        .def("feed", &EngineSession::feed)
        .def("scalars", &EngineSession::scalars)
        .def("put", &EngineSession::put)
        .def("get", &EngineSession::get, py::arg("name"), py::arg("exact") = false)
        .def("close", &EngineSession::close)
        .def_property_readonly("ended", &EngineSession::ended);
    m.def("shortest_text", [](double x) { return tarvex::embedding::shortest_text(Real(x)); });
}
