// Test helpers for the host link and the entry point: memory streams as the run's units, a
// recording host handler registered for one test, and a temporary settings store.
#pragma once

#include "core/run.hpp"
#include "host/tarvextern.hpp"
#include "test_support.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tarvex::testing {

// An output stream whose text can be read back.
struct MemoryOut {
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* fp = open_memstream(&buf, &len);
    MemoryOut() = default;
    MemoryOut(const MemoryOut&) = delete;
    MemoryOut& operator=(const MemoryOut&) = delete;
    ~MemoryOut() {
        std::fclose(fp);
        std::free(buf);
    }
    std::string text() {
        std::fflush(fp);
        return std::string(buf, len);
    }
};

// An input stream over fixed text.
struct MemoryIn {
    std::string data;
    std::FILE* fp;
    explicit MemoryIn(std::string text) : data(text.empty() ? "\n" : std::move(text)) {
        fp = fmemopen(data.data(), data.size(), "r");
    }
    MemoryIn(const MemoryIn&) = delete;
    MemoryIn& operator=(const MemoryIn&) = delete;
    ~MemoryIn() { std::fclose(fp); }
};

struct HostMessage {
    int window;
    int number;
    std::string text;
};

// Registers itself as the host for its lifetime and records every SendMsg.
struct RecordingHost {
    std::vector<HostMessage> messages;
    std::string reply = "Single";
    RecordingHost() { TARVHostSetHandler(&RecordingHost::handle, this); }
    ~RecordingHost() { TARVHostSetHandler(nullptr, nullptr); }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;
    static int handle(void* context, int window, int number, int, int, char* text) {
        auto* self = static_cast<RecordingHost*>(context);
        self->messages.push_back({window, number, text});
        if (number == host::MSG_QUERY)
            std::snprintf(text, host::MSG_TEXT_SIZE, "%s", self->reply.c_str());
        return 1;
    }
    std::vector<std::string> texts(int number) const {
        std::vector<std::string> out;
        for (const HostMessage& m : messages)
            if (m.number == number) out.push_back(m.text);
        return out;
    }
};

// A scratch directory and a settings store file inside it, in force for the test's lifetime.
struct TempSettings {
    std::filesystem::path dir;
    std::filesystem::path store;
    TempSettings() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarvex_test_XXXXXX").string();
        dir = mkdtemp(pattern.data());
        store = dir / "settings";
        setenv("TARVEX_SETTINGS", store.c_str(), 1);
    }
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;
    ~TempSettings() {
        setenv("TARVEX_SETTINGS", "/dev/null", 1);
        std::error_code
            ignored; // a gpg agent started in the directory may still be removing its sockets
        std::filesystem::remove_all(dir, ignored);
    }
    void write(const std::string& text) const { std::ofstream(store) << text; }
    std::string read() const {
        std::ifstream in(store);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

// A run whose unit 6 (and optionally unit 86) are memory streams.
struct LinkedRun {
    Run run;
    MemoryOut out;
    MemoryOut log;
    explicit LinkedRun(int mode) {
        run.MOS = mode;
        run.window = 4711;
        run.streams.out = out.fp;
        attach_unit(run, run.L6, out.fp);
        attach_unit(run, run.L86, log.fp);
    }
    ~LinkedRun() {
        close_unit(run, run.L6);
        close_unit(run, run.L86);
    }
};

} // namespace tarvex::testing
