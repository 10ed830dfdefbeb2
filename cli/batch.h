// Running the effects over every input of a command, on several threads at
// once: each file with an engine of its own, the messages said in input order.
#pragma once

#include "command_line.h"

namespace tegmora::cli {

// A message on standard error, after the tool's name.
void Say(const QString& text);

// Fits, applies the effects to and writes each input; says every message on
// standard error in input order, as one file after another would. Returns
// the highest exit status of the files.
int RunBatch(const Command& command);

}  // namespace tegmora::cli
