#pragma once
// One fuzz run of the HTML engine: the bytes are a template, cut by Init
// (plain and with the column repeat) and filled the way a builder does.
// Failures of the engine's own classes are expected; anything else (a
// crash, a hang, a sanitizer report, a foreign exception) is a finding.

#include <string_view>

namespace tv::fuzz {

void RunHTMLJetOnInput(std::string_view bytes);

}  // namespace tv::fuzz
