// RESET: returns the run to its initial state (or, with the word CLOSE, only closes the run's
// files). Start-up runs it too.
#include "interp/entry.hpp"

#include "interp/set_display.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

bool word_is_close(std::string_view word) {
    std::size_t first = word.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    word.remove_prefix(first);
    std::string head;
    for (char c : word.substr(0, 6)) head.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    return head == "CLOSE" || head.rfind("CLOSE ", 0) == 0;
}

} // namespace

void RESET(Run& run, bool close_only) {
    if (!close_only) {
        if (run.MOS == MODE_WINDOWED_33)
            run.flags.multiple_windows = host_query(run, "GET_WINSTATE=") == "Multiple";
        reset_workspace(run.ws);
        run.smpl = SampleBlock{};
        run.vals.names[0].clear(); // no stored data format
        run.vals.COMLEN = 255;
        run.sizes.COMLEN = 255;
        for (std::string& path : run.vals.paths) path.clear();
        run.sizes.MXCOL = std::max(2 * run.sizes.MAXVAR, 1000);
        run.ws.MXCOL = run.sizes.MXCOL;
        const bool echo = run.sw[OECHO];
        const bool talk = run.sw[OTALK];
        default_switches(run.sw);
        run.sw[OECHO] = echo;
        run.sw[OTALK] = talk;
        reset_result_scalars(run.res, run.ws.XMISS);
        run.last_estimation = EstimationResults{}; // no estimation stands after a reset
        run.header_labels.assign(HEADER_LABELS_WIDTH, ' ');
        run.graph_formats = GraphFormats{}; // the plots' date, axis and name forms
    }
    close_run_files(run);
}

void cmd_reset(Run& run) {
    bool close_only = word_is_close(run.scan.words[1]);
    if (!close_only && run.cmd.col >= 0 && std::size_t(run.cmd.col) <= run.cmd.text.size())
        close_only = word_is_close(std::string_view(run.cmd.text).substr(run.cmd.col));
    RESET(run, close_only);
}

} // namespace tarvex
