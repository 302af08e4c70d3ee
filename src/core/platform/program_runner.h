#pragma once

#include <QString>

namespace px {

// Starts an external program with a parameter text and waits for its end: the program is
// polled every 10 ms, and the wait gives up after the limit (150 s) while the program
// keeps running. A failed start returns at once and is not reported; the exit status is
// not looked at.
class ProgramRunner {
public:
    virtual ~ProgramRunner() = default;
    virtual void run(const QString& program, const QString& parameters, bool hidden) = 0;
};

} // namespace px
