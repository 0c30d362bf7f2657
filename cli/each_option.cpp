#include "cli/each_option.hpp"

#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string_view>

#include "cli/output_files.hpp"
#include "export/replaced_file.hpp"
#include "run/status_texts.hpp"

namespace {

std::string jsonString(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// "series done of total, rate, time left" on one line of a terminal, rewritten at most a few
// times a second; nothing when standard error is not a terminal.
class Progress {
public:
    explicit Progress(std::size_t total) : total_(total), shown_(::isatty(STDERR_FILENO) == 1 && total > 1) {}

    void done(std::size_t count) {
        if (!shown_) return;
        const auto now = Clock::now();
        if (count < total_ && now - lastShown_ < std::chrono::milliseconds(200)) return;
        lastShown_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double rate = seconds > 0.0 ? static_cast<double>(count) / seconds : 0.0;
        const double left = rate > 0.0 ? static_cast<double>(total_ - count) / rate : 0.0;
        char line[128];
        std::snprintf(line, sizeof line, "\r%zu of %zu series, %.0f series/s, %.0f s left  ", count, total_, rate,
                      std::ceil(left));
        std::cerr << line << std::flush;
        written_ = true;
    }
    // Leaves the line, so that what follows starts on a line of its own.
    void clear() {
        if (written_) std::cerr << '\n';
        written_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::size_t total_;
    bool shown_;
    bool written_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_{};
};

}  // namespace

std::string eachLine(const std::string& input, const SeriesDocument& document) {
    if (!document.ok)
        return "{\"input\": " + jsonString(input) + ",\"status\":\"error\",\"error\":" + jsonString(document.error) + "}";
    // The document as one line, its own "input" member first and the status after it. A line
    // break in the document lies between members only (one inside a string is written as \n), so
    // dropping them keeps every value as it is.
    const std::string& json = document.json;
    const std::size_t inputStart = json.find("\n\"input\": ") + 1;
    const std::size_t inputEnd = json.find('\n', inputStart);  // after its comma
    std::string line;
    line.reserve(json.size() + 32);
    line.append("{").append(json, inputStart, inputEnd - inputStart - 1).append(",\"status\":\"ok\",");
    for (std::size_t start = json.find('\n') + 1; start < json.size();) {
        std::size_t end = json.find('\n', start);
        if (end == std::string::npos) end = json.size();
        if (start != inputStart) line.append(json, start, end - start);
        start = end + 1;
    }
    return line;
}

int runEach(const EachRun& run, RunState& state) {
    const std::string target = run.jsonl.empty() ? std::string("-") : run.jsonl;
    if (const std::optional<int> refused =
            refuseUnsafeOutputs(state, {{"--jsonl", target, status::exportIsInput}}, run.inputs))
        return *refused;
    ReplacedFile out;
    if (!out.open(target)) {
        std::cerr << "tenzio-batch: " << out.failure() << '\n';
        return 1;
    }

    std::size_t failures = 0;
    Progress progress(run.inputs.size());
    // Each series' line is made where it ran, so that with several jobs the thread writing the
    // lines in order does little more than write them: its document becomes the line.
    const auto runOne = [&run](std::size_t index) {
        SeriesDocument document;
        SeriesReading reading = readSeriesFiles({std::filesystem::path(run.inputs[index])});
        if (reading.source) {
            document = runSeriesDocument(*reading.source, run.options);
            document.warnings = reading.source->warnings;
        } else {
            document.error = std::move(reading.error);
        }
        document.json = eachLine(run.inputs[index], document);
        return document;
    };
    const auto deliver = [&](std::size_t index, SeriesDocument&& document) {
        if (!document.warnings.empty()) {
            progress.clear();
            for (const std::string& warning : document.warnings) std::cerr << "tenzio-batch: " << warning << '\n';
        }
        if (!document.ok) ++failures;
        if (document.json.empty()) document.json = eachLine(run.inputs[index], document);  // a run that threw
        document.json += '\n';
        out.write(document.json);
        progress.done(index + 1);
    };
    runSeriesInOrder(run.inputs.size(), run.jobs, runOne, deliver);
    progress.clear();

    const bool written = out.commit();
    if (!written) std::cerr << "tenzio-batch: " << out.failure() << '\n';
    if (failures > 0)
        std::cerr << "tenzio-batch: " << failures << " of " << run.inputs.size() << " series failed\n";
    return failures == 0 && written ? 0 : 1;
}
