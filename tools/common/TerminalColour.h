// Colour for what velorin-sim prints on a terminal: the severities (error, warning, note) and
// the verdicts (counts of errors and warnings, "No problems").
//
// Colour is used only when the stream is a terminal, `NO_COLOR` is unset or empty and `TERM` is
// not "dumb"; text for a file, a pipe or a test is never coloured, so what scripts read stays
// as it is. The colouring works on finished text, so that a command builds its output once
// and the words keep one meaning whatever the colour.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace velorin::tools {

enum class Colouring { Plain, Coloured };

// Whether text written to `stream` is coloured.
Colouring colouringFor(std::FILE* stream);

// `text` with its severities and verdicts coloured when `colouring` says so: "error:",
// "warning:" and "note:" at the start of a line, after its indent or after "velorin-sim: ";
// a count of errors or warnings above 0; "No problems".
std::string coloured(std::string_view text, Colouring colouring);

// Writes `text` to `stream`, coloured as the stream allows.
void writeColoured(std::string_view text, std::FILE* stream);

// "velorin-sim: warning: TEXT" and "velorin-sim: note: TEXT" on standard error.
void printWarning(std::string_view text);
void printNote(std::string_view text);

} // namespace velorin::tools
