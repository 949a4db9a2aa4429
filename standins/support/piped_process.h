#pragma once
// A child process whose standard input and output are pipes of ours: the
// stand-in host drives the stand-in player this way, and so do the tests.
#include <string>
#include <vector>

#include "common/win32.h"

namespace sonarel {

class PipedProcess {
public:
    // Starts the command line; throws std::runtime_error when it cannot.
    explicit PipedProcess(const std::wstring& commandLine);
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;
    // Closes the child's input (a well-behaved child then ends), waits a
    // little, and ends it otherwise.
    ~PipedProcess();

    // False when the child no longer reads its input.
    bool sendLine(const std::string& line);
    // Appends the complete lines that have arrived, without blocking;
    // false when nothing new arrived.
    bool readLines(std::vector<std::string>& lines);
    bool hasExited() const;
    unsigned long exitCode() const;

private:
    UniqueHandle process_;
    UniqueHandle input_;
    UniqueHandle output_;
    std::string pending_;
};

}  // namespace sonarel
