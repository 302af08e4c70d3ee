#pragma once

#include <QString>

#include <chrono>
#include <functional>

namespace px {

// Starts an external program with a parameter text and waits for its end: the program is
// polled every 10 ms, and the wait gives up after the limit (150 s) while the program
// keeps running. The exit status is not looked at.
class ProgramRunner {
public:
    // How the wait ended.
    enum class Outcome {
        NotStarted,   // the program could not be started; the call returned at once
        Ended,        // the program ended by itself
        LimitReached, // the wait ran out; the program may still be running
    };
    // Told, once the program runs and then every second, how many whole seconds (rounded
    // up) the wait may still last.
    using Countdown = std::function<void(int secondsLeft)>;

    virtual ~ProgramRunner() = default;
    virtual Outcome run(const QString& program, const QString& parameters, bool hidden,
                        const Countdown& countdown) = 0;
    // The longest wait.
    virtual std::chrono::milliseconds waitLimit() const = 0;
};

} // namespace px
