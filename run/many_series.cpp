#include "run/many_series.hpp"

#include <sched.h>

#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "export/json_output.hpp"
#include "run/input_choice.hpp"
#include "run/process_data.hpp"
#include "run/read_series.hpp"
#include "run/status_texts.hpp"

namespace {

// What a run says through its status line and its details, gathered into the one line that
// tells a caller why it failed: "STATUS TEXT: reason; reason".
struct RunMessages {
    std::string status;
    std::vector<std::string> details;

    void attachTo(RunState& state) {
        state.statusSink = [this](std::string_view text) { status = text; };
        state.detailSink = [this](std::string_view text) { details.emplace_back(text); };
    }
    std::string text() const {
        std::string line = status;
        for (std::size_t k = 0; k < details.size(); ++k) line += (k == 0 ? (line.empty() ? "" : ": ") : "; ") + details[k];
        return line;
    }
};

std::string failureOfOpening(const InputChoice& choice) {
    switch (choice.outcome) {
        case InputOpen::dataFileNotAlone: return choice.file + " is a keyword data file: give it alone, or only CIF files";
        case InputOpen::sameFileTwice: return choice.file + " is an input file given before (by this or another name)";
        default:
            return std::string(status::inputOpenFailed) + ": " + choice.file + ": " +
                   (choice.reason.empty() ? std::string("cannot be opened") : choice.reason);
    }
}

SeriesDocument failed(std::string error) {
    SeriesDocument document;
    document.error = std::move(error);
    return document;
}

// runOne(index), with anything it throws turned into a failed document.
SeriesDocument runGuarded(const std::function<SeriesDocument(std::size_t)>& runOne, std::size_t index) {
    try {
        return runOne(index);
    } catch (const std::bad_alloc&) {
        return failed(std::string(status::notEnoughMemory) + ": not enough memory for this series");
    } catch (const std::exception& e) {
        return failed(e.what());
    }
}

}  // namespace

SeriesReading readSeriesFiles(const std::vector<std::filesystem::path>& files) {
    RunState state;
    RunMessages messages;
    messages.attachTo(state);
    const InputChoice choice = openInputFiles(state, files);
    if (!choice.ok()) return {nullptr, failureOfOpening(choice)};
    ReadResult read = readChosenSeries(state);
    if (!read.ok()) return {nullptr, messages.text()};
    auto source = std::make_shared<SeriesSource>();
    source->series = std::move(read.series);
    source->inputPath = state.inputPath;
    source->inputName = state.inputFileName;
    source->warnings = std::move(messages.details);  // a series that was read has warnings only
    return {std::move(source), {}};
}

SeriesDocument runSeriesDocument(const SeriesSource& source, const SeriesRunOptions& options) {
    SeriesDocument document;
    RunState state;
    RunMessages messages;
    messages.attachTo(state);
    state.options = options.run;
    state.fitOptions = options.fits;
    state.fitsBeside = options.fitsBeside;
    state.inputPath = source.inputPath;
    state.inputFileName = source.inputName;
    state.reader = [&source] {
        ReadResult read;
        read.series = source.series;
        return read;
    };
    document.json.reserve(std::size_t{64} << 10);  // a 20-point series' document, without regrowing
    JsonOutput json([&document](std::string_view piece) { document.json.append(piece); });
    state.extraOutputs.push_back(&json);
    if (runSeries(state) != RunOutcome::completed) return failed(messages.text());
    document.ok = true;
    return document;
}

void runSeriesInOrder(std::size_t count, unsigned workers, const std::function<SeriesDocument(std::size_t)>& runOne,
                      const std::function<void(std::size_t, SeriesDocument&&)>& deliver) {
    if (workers > count) workers = static_cast<unsigned>(count);
    const auto runHere = [&](std::size_t from) {
        for (std::size_t index = from; index < count; ++index) deliver(index, runGuarded(runOne, index));
    };
    if (workers <= 1) return runHere(0);

    const std::size_t window = std::size_t{4} * workers;
    std::mutex lock;
    std::condition_variable changed;
    std::size_t nextToRun = 0;
    std::size_t nextToDeliver = 0;
    bool stopping = false;
    std::map<std::size_t, SeriesDocument> done;

    const auto work = [&] {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            changed.wait(hold, [&] { return stopping || nextToRun >= count || nextToRun < nextToDeliver + window; });
            if (stopping || nextToRun >= count) return;
            const std::size_t index = nextToRun++;
            hold.unlock();
            SeriesDocument document = runGuarded(runOne, index);
            hold.lock();
            done.emplace(index, std::move(document));
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    const auto stopAndJoin = [&] {
        {
            const std::lock_guard<std::mutex> hold(lock);
            stopping = true;
        }
        changed.notify_all();
        for (std::thread& thread : threads) thread.join();
    };
    try {
        for (unsigned k = 0; k < workers; ++k) threads.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked for: those that started do the work; none, this thread does.
        if (threads.empty()) return runHere(0);
    }
    try {
        for (std::size_t index = 0; index < count; ++index) {
            SeriesDocument document;
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return done.count(index) > 0; });
                auto node = done.extract(index);
                document = std::move(node.mapped());
                nextToDeliver = index + 1;
            }
            changed.notify_all();
            deliver(index, std::move(document));
        }
    } catch (...) {
        stopAndJoin();
        throw;
    }
    stopAndJoin();
}

unsigned availableCpus() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return static_cast<unsigned>(CPU_COUNT(&allowed));
    const unsigned cpus = std::thread::hardware_concurrency();
    return cpus > 0 ? cpus : 1;
}
