// CONVERT, the command that converts series between frequencies and data files between
// layouts.
#pragma once

namespace tarvex {

struct Run;

void cmd_convert(Run& run);

} // namespace tarvex
