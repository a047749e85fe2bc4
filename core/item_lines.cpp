// Items written as wrapped report lines (item_lines.hpp).
#include "core/item_lines.hpp"

#include "core/host_link.hpp"

namespace tarvex {

void write_item_lines(Run& run, std::string lead, const std::vector<std::string>& items) {
    std::string line = std::move(lead);
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string item = items[k] + (k + 1 < items.size() ? "," : "");
        if (line.size() + 1 + item.size() > std::size_t(LINE_WIDTH) && line.size() > 1) {
            write_line(run, line);
            line = " ";
        }
        line += " " + item;
    }
    write_line(run, line);
}

} // namespace tarvex
