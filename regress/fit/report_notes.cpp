// Writing the notes an estimator collected, place by place.
#include "regress/fit/report_notes.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"

namespace tarvex {

const ReportNote* ReportNotes::find(NoteKind kind, std::string_view fragment) const {
    for (const ReportNote& n : lines)
        if (n.kind == kind && n.text.find(fragment) != std::string::npos) return &n;
    return nullptr;
}

void write_notes(Run& run, const ReportNotes& notes, NotePlace place) {
    for (const ReportNote& n : notes.lines) {
        if (n.place != place) continue;
        if (n.kind != NoteKind::ERROR && n.kind != NoteKind::HELD &&
            (!run.flags.OPUT ||
             (n.needs_switch != ANY_SWITCH && !run.sw[static_cast<SwitchId>(n.needs_switch)])))
            continue;
        if (n.error_number != 0)
            report_error(run, n.text, n.error_number, ErrorSeverity::CONTINUES);
        else
            write_line(run, n.text);
    }
}

void write_notes_through(Run& run, const ReportNotes& notes, NotePlace last) {
    for (int p = 0; p <= static_cast<int>(last); ++p)
        write_notes(run, notes, static_cast<NotePlace>(p));
}

} // namespace tarvex
