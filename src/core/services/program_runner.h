#pragma once

#include <QString>

#include <chrono>
#include <functional>

namespace px {

// Starts an external program with a parameter text in a given working folder and waits
// for its end, at most the limit (150 s); past the limit the program keeps running. While
// it waits, the program may be ended on request (cancel).
class ProgramRunner {
public:
    // How the wait ended.
    enum class Outcome {
        NotStarted,   // the program could not be started; the call returned at once
        Ended,        // the program ended by itself (see Result for its exit status)
        LimitReached, // the wait ran out; the program may still be running
        Cancelled,    // the program was ended on request during the wait
    };
    struct Request {
        QString program;        // full path
        QString parameters;     // one text, split by the platform's quoting rules
        bool hidden = false;    // the program's own window is not shown
        QString workingFolder;  // empty: the configurator's own working folder
    };
    struct Result {
        Outcome outcome = Outcome::NotStarted;
        int exitStatus = 0;     // the program's exit status when it ended by itself
        bool crashed = false;   // it ended by a crash or a signal, with no exit status
        QString output;         // what it printed on its standard output and error (the end of it when long)

        // Ended by itself with exit status 0.
        bool succeeded() const { return outcome == Outcome::Ended && !crashed && exitStatus == 0; }
    };
    // Told, once the program runs and then every second, how many whole seconds (rounded
    // up) the wait may still last.
    using Countdown = std::function<void(int secondsLeft)>;

    virtual ~ProgramRunner() = default;
    virtual Result run(const Request& request, const Countdown& countdown) = 0;
    // While run() waits: ends the program, which run() then reports as Cancelled. Does
    // nothing when no program is waited for.
    virtual void cancel() = 0;
    // The longest wait.
    virtual std::chrono::milliseconds waitLimit() const = 0;
};

} // namespace px
