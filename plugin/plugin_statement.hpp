// The statement a plug-in's command runs on: what the engine's side of the C interface keeps
// while the command function runs, and the table of calls the function is handed.
#pragma once

#include "plugin/statement_words.hpp"
#include "plugin/tarvex_plugin.h"

#include <exception>
#include <string>

namespace tarvex {
struct Run;
}

struct tarvex_statement {
    tarvex::Run* run = nullptr;
    std::string word;             // the user command's word
    tarvex::StatementWords words; // its arguments and options
    std::string formatted;        // the last format_real text
    bool error_reported = false;  // an error line was written for the statement
    std::exception_ptr pending;   // an exception an engine call caught, raised again after
};

namespace tarvex {

// The engine's calls, version TARVEX_PLUGIN_INTERFACE_VERSION.
const tarvex_api& plugin_api();

} // namespace tarvex
