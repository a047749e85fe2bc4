// The header label table of the run (see header_labels.hpp).
#include "workspace/header_labels.hpp"

#include "core/run.hpp"

namespace tarvex {

void set_header_labels(Run& run, std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    text = first == std::string_view::npos ? std::string_view() : text.substr(first);
    const std::size_t last = text.find_last_not_of(" \t");
    text = last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
    std::string table(text.substr(0, HEADER_LABELS_WIDTH));
    table.resize(HEADER_LABELS_WIDTH, ' ');
    run.header_labels = std::move(table);
}

void restore_header_labels(Run& run, const std::array<std::string, 16>& labels) {
    std::string table;
    for (const std::string& label : labels) {
        std::string item = label.substr(0, 8);
        item.resize(8, ' ');
        table += item;
    }
    if (table.find_first_not_of(' ') != std::string::npos) run.header_labels = std::move(table);
}

std::string header_labels_text(std::string_view labels) {
    const std::size_t last = labels.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(labels.substr(0, last + 1));
}

} // namespace tarvex
