// Packing and unpacking procedure text: 8 characters in each binary128 element (the first eight
// bytes of the word, the rest zero), a separator element after each command.
#include "interp/procedure_text.hpp"

#include "workspace/workspace.hpp"

#include <cstring>

namespace tarvex {

namespace {

void pack(Real& word, const char* chars) {
    unsigned char bytes[sizeof(Real)] = {};
    std::memcpy(bytes, chars, TEXT_ELEMENT_CHARS);
    std::memcpy(&word, bytes, sizeof(Real));
}

void unpack(const Real& word, char* chars) {
    unsigned char bytes[sizeof(Real)];
    std::memcpy(bytes, &word, sizeof(Real));
    std::memcpy(chars, bytes, TEXT_ELEMENT_CHARS);
    for (int k = 0; k < TEXT_ELEMENT_CHARS; ++k)
        if (chars[k] == '\0') chars[k] = ' ';
}

long long elements_for(const std::string& command) {
    return (static_cast<long long>(command.size()) + TEXT_ELEMENT_CHARS - 1) / TEXT_ELEMENT_CHARS +
           1;
}

} // namespace

bool is_procedure_text(Run& run, int ref) {
    if (ref <= 0 || ref > run.ws.NVARS) return false;
    if (run.ws.VNAME[ref].find_first_not_of(' ') == std::string::npos) return false;
    VarInfo info;
    if (!VINFO(run, ref, info)) return false;
    return info.type == TYPE_CHAR_STRING && info.addr > 0;
}

int store_procedure_text(Run& run, const std::string& name,
                         const std::vector<std::string>& commands) {
    long long length = 0;
    for (const std::string& command : commands) length += elements_for(command);
    if (length == 0) length = 1; // an empty procedure still exists: one blank element
    int ref = 0;
    NEWVAR(run, name, 1, TYPE_CHAR_STRING, length, 1, ref);
    if (ref <= 0) return 0;
    VarInfo info;
    if (!VINFO(run, ref, info) || info.addr <= 0) return 0;
    // The length is exactly what is written, and the type is text even where NEWVAR kept the
    // storage of an older, longer variable of the same name.
    Workspace& ws = run.ws;
    ws.DATA[info.addr + info.inc] = TYPE_CHAR_STRING;
    ws.DATA[info.addr + 2 * info.inc] = static_cast<Real>(length);
    info.length = length;
    long long k = 1;
    for (const std::string& command : commands) {
        std::string padded = command;
        padded.resize(static_cast<std::size_t>(elements_for(command) - 1) * TEXT_ELEMENT_CHARS,
                      ' ');
        for (std::size_t at = 0; at < padded.size(); at += TEXT_ELEMENT_CHARS)
            pack(element(run, info, k++), padded.data() + at);
        pack(element(run, info, k++), TEXT_SEPARATOR);
    }
    if (commands.empty()) pack(element(run, info, 1), "        ");
    return ref;
}

bool next_procedure_command(Run& run, int ref, long long& next, std::string& command) {
    if (!is_procedure_text(run, ref)) return false;
    VarInfo info;
    VINFO(run, ref, info);
    command.clear();
    char chars[TEXT_ELEMENT_CHARS];
    for (long long k = next; k <= info.length; ++k) {
        unpack(element(run, info, k), chars);
        if (std::memcmp(chars, TEXT_SEPARATOR, TEXT_ELEMENT_CHARS) == 0) {
            next = k + 1;
            std::size_t end = command.find_last_not_of(' ');
            command.resize(end == std::string::npos ? 0 : end + 1);
            return true;
        }
        command.append(chars, TEXT_ELEMENT_CHARS);
    }
    next = info.length + 1;
    return false;
}

void remove_procedure_text(Run& run, int ref) {
    if (!is_procedure_text(run, ref)) return;
    Workspace& ws = run.ws;
    VarInfo info;
    VINFO(run, ref, info);
    ws.VNAME[ref].assign(ws.VNAME[ref].size(), ' ');
    if (ref == ws.NVARS && info.inc == 1) {
        ws.LASADD -= info.length + 4;
        ws.NVARS -= 1;
    } else {
        ws.NDL += 1;
    }
}

} // namespace tarvex
