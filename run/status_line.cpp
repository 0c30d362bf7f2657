#include "run/run_state.hpp"

std::string statusText(std::string_view text) {
    const auto blanks = text.find("     ");
    if (blanks != std::string_view::npos) text = text.substr(0, blanks);
    return std::string(text.substr(0, 80));
}

void showStatus(RunState& state, std::string_view text) {
    if (state.statusSink) state.statusSink(statusText(text));
}
