// SendMsg and the console reader: the two ways the engine talks to the host program that
// registered itself. Both registrations are process-wide, as the host library is.
#include "host/tarvextern.hpp"

#include <cstring>
#include <vector>

namespace {

TARVHostHandler g_handler = nullptr;
void* g_handler_context = nullptr;
TARVHostReader g_reader = nullptr;
void* g_reader_context = nullptr;

constexpr int READER_LINE = 65536; // longer than any physical line the reader keeps

} // namespace

extern "C" void TARVHostSetHandler(TARVHostHandler handler, void* context) {
    g_handler = handler;
    g_handler_context = context;
}

extern "C" void TARVHostSetReader(TARVHostReader reader, void* context) {
    g_reader = reader;
    g_reader_context = context;
}

namespace tarvex::host {

bool has_handler() {
    return g_handler != nullptr;
}

bool SendMsg(int window, int number, int p1, int p2, char* text) {
    if (g_handler == nullptr) return false;
    return g_handler(g_handler_context, window, number, p1, p2, text) != 0;
}

bool has_reader() {
    return g_reader != nullptr;
}

bool read_line(std::string& line) {
    if (g_reader == nullptr) return false;
    std::vector<char> buffer(READER_LINE, '\0');
    if (g_reader(g_reader_context, buffer.data(), READER_LINE) == 0) return false;
    buffer[READER_LINE - 1] = '\0';
    line.assign(buffer.data(), std::strlen(buffer.data()));
    return true;
}

} // namespace tarvex::host
